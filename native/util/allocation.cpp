#include "util/allocation.h"

#include <cstdlib>

#ifdef TALY_CHECKED
namespace {
thread_local int failAt = 0;
}

void failAllocation(int nth) { failAt = nth; }
#endif

void* allocate(std::size_t size) {
#ifdef TALY_CHECKED
  if (failAt > 0 && --failAt == 0) return nullptr;
#endif
  return std::malloc(size);
}
