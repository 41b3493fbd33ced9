#include "services.h"

#include <unistd.h>
#include <sys/syscall.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "entries/entries.h"
#include "vx/structs.h"

namespace {
std::atomic<void*> javaVM{nullptr};
}

VXINT vxrtMetadataQuery(VXINT selector, void* field, PVXINT size) {
  if (selector != VXMETA_RUNTIME_SELECTOR || field == nullptr || size == nullptr ||
      *size < static_cast<VXINT>(sizeof(VXINT))) {
    return -1;
  }
  VXINT level = VXRT_LEVEL;
  std::memcpy(field, &level, sizeof level);
  *size = sizeof level;
  return 0;
}

VXINT vxrtSetPointer(void* pointer) {
  javaVM.store(pointer);
  return 0;
}

char* vxrtThreadIdText(char* buffer) {
  std::snprintf(buffer, 16, "%ld", static_cast<long>(syscall(SYS_gettid)));
  return buffer;
}

VXINT vxrtCallInProgress(VXINT hconn) { return vxrt::queueManager().callInProgress(hconn); }
