// Strings given by a VXCHARV: at its pointer, or at its offset from the
// structure that it describes a string of. Only VSLength bytes are read, and
// an offset or length out of bounds is refused.
#ifndef VXRT_STRINGS_H
#define VXRT_STRINGS_H

#include <string>

#include "qm/types.h"
#include "vx/structs.h"
#include "vx/structure_lengths.h"

namespace vxrt {

// base: where the offset counts from, the start of a structure of the kind
// given, so that the string lies after it (vx/structure_lengths.h); reason:
// what a bad string is reported as.
vxqm::Status readString(const void* base, VxStructure structure, const VXCHARV& string,
                        int32_t maxLength, int32_t reason, std::string& out);

// Writes as much of text as VSBufSize allows where the VXCHARV points, and
// its full length into VSLength.
void writeString(void* base, VxStructure structure, VXCHARV& string, const std::string& text);

}  // namespace vxrt

#endif
