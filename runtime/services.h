// The runtime's services: metadata, the JavaVM pointer, thread names.
#ifndef VXRT_SERVICES_H
#define VXRT_SERVICES_H

#include "vx/vector.h"

// The value that the metadata query reports for the runtime selector.
constexpr VXINT VXRT_LEVEL = 0x00090100;

VXINT vxrtMetadataQuery(VXINT selector, void* field, PVXINT size);
VXINT vxrtSetPointer(void* pointer);
char* vxrtThreadIdText(char* buffer);
VXINT vxrtCallInProgress(VXINT hconn);

#endif
