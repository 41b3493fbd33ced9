// The Java support flags and the native structure table that init_conversion
// exchanges with Java through its Pint[] array.
#ifndef TALY_STRUCTURE_INFO_H
#define TALY_STRUCTURE_INFO_H

#include <jni.h>

#include <atomic>
#include <cstdint>

#include "frame.h"

struct StructureInfo {
  int32_t index;  // the Java side's number for the structure
  int32_t version;
  int32_t length;
};

// The rows written into the exchange array, in index order.
extern const StructureInfo kNativeStructures[];
extern const int32_t kNativeStructureCount;

// Element 0 of the exchange array as Java last passed it.
extern std::atomic<int32_t> JavaSupportFlags;

void SetJavaSupportFlags(ExportFrame& frame, jobjectArray array);
void SetNativeStructureInfo(ExportFrame& frame, jobjectArray array);
void setStructureInfoEntry(ExportFrame& frame, jobjectArray array, jsize n, int32_t index,
                           int32_t version, int32_t length);

#endif
