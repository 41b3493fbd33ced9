#include "util/structure_info.h"

#include <cstdio>

#include "holders.h"
#include "util/early_trace.h"

namespace {

constexpr int32_t kSupportFlagsFunction = 0;
constexpr int32_t kStructureInfoFunction = 520;
constexpr int32_t kStructureEntryFunction = 519;
constexpr int32_t kFirstStructureElement = 4;
constexpr int32_t kStructureSlots = 36;

jsize lengthOf(ExportFrame& frame, jobjectArray array) {
  return array != nullptr ? frame.ctx.env->GetArrayLength(array) : 0;
}

// Element i's Pint, written and its local reference deleted at once.
void setElement(ExportFrame& frame, jobjectArray array, jsize i, int32_t value) {
  JNIEnv* env = frame.ctx.env;
  jobject element = env->GetObjectArrayElement(array, i);
  setPint(&frame.ctx, element, value);
  if (element != nullptr) env->DeleteLocalRef(element);
}

}  // namespace

// Structures in which the library stores or reads a native pointer report
// their size on this build; the others their published length. Those the
// runtime reads report the length that arrays holding them are checked
// against.
const StructureInfo kNativeStructures[] = {
    {0, 2, 576},
    {1, 1, vxStructureLength(VxStructure::BO)},
    {2, 6, vxStructureLength(VxStructure::CNO)},
    {3, 4, vxStructureLength(VxStructure::GMO)},
    {4, 2, vxStructureLength(VxStructure::MD)},
    {5, 2, 72},
    {6, 4, vxStructureLength(VxStructure::OD)},
    {7, 0, 96},
    {8, 3, vxStructureLength(VxStructure::PMO)},
    {9, 0, 8},     {10, 5, 624},  {11, 2, 36},  {12, 1, 172}, {13, 11, 1940},
    {14, 1, vxStructureLength(VxStructure::CSP)},
    {15, 9, 220},  {16, 1, 132}, {17, 4, 172}, {19, 4, 48},   {20, 4, 296},
    {21, 2, static_cast<int32_t>(sizeof(VXCBC))},
    {22, 1, vxStructureLength(VxStructure::CBD)},
    {23, 1, 20},   {24, 1, 312},  {25, 2, 272}, {27, 2, 624},  {28, 1, 16},
    {29, 4, 580},  {30, 1, 16},   {31, 1, 128}, {32, 1, 32},   {34, 1, 40},
    {35, 2, 280},
};
const int32_t kNativeStructureCount =
    static_cast<int32_t>(sizeof kNativeStructures / sizeof kNativeStructures[0]);

std::atomic<int32_t> JavaSupportFlags{0};

void SetJavaSupportFlags(ExportFrame& frame, jobjectArray array) {
  frame.entry(kSupportFlagsFunction);
  int32_t flags = JavaSupportFlags.load(std::memory_order_relaxed);
  if (lengthOf(frame, array) > 0) {
    jobject first = frame.ctx.env->GetObjectArrayElement(array, 0);
    flags = getPint(&frame.ctx, first);
    if (first != nullptr) frame.ctx.env->DeleteLocalRef(first);
    JavaSupportFlags.store(flags, std::memory_order_relaxed);
  }
  char text[128];
  std::snprintf(text, sizeof text, "SetJavaSupportFlags(): JavaSupportFlags = 0x%x",
                static_cast<unsigned>(flags));
  TALY_TRACE(400, "%s", text);
  frame.text(kSupportFlagsFunction, text);
  frame.exit(kSupportFlagsFunction, 0);
}

void SetNativeStructureInfo(ExportFrame& frame, jobjectArray array) {
  frame.entry(kStructureInfoFunction);
  jsize n = lengthOf(frame, array);
  if (n > 0) setElement(frame, array, 0, kFirstStructureElement);
  if (n > 1) setElement(frame, array, 1, TALY_LEVEL);
  for (const StructureInfo& row : kNativeStructures) {
    setStructureInfoEntry(frame, array, n, row.index, row.version, row.length);
  }
  if (n > 2) setElement(frame, array, 2, kStructureSlots);
  if (n > 3) setElement(frame, array, 3, 1);
  frame.exit(kStructureInfoFunction, 0);
}

void setStructureInfoEntry(ExportFrame& frame, jobjectArray array, jsize n, int32_t index,
                           int32_t version, int32_t length) {
  frame.entry(kStructureEntryFunction);
  jsize versionElement = kFirstStructureElement + 2 * index;
  if (versionElement < n) setElement(frame, array, versionElement, version);
  if (versionElement + 1 < n) setElement(frame, array, versionElement + 1, length);
  frame.exit(kStructureEntryFunction, 0);
}
