#include "util/allocation.h"

#include <cstdlib>

#ifdef TALY_CHECKED
namespace {
thread_local int failAt = 0;
}

void failAllocation(int nth) { failAt = nth; }

bool allocationRefused() { return failAt > 0 && --failAt == 0; }
#endif

void* allocate(std::size_t size) { return allocationRefused() ? nullptr : std::malloc(size); }
