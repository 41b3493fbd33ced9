// The library's own native allocations (the gather block of the segmented
// put, the masked copy of connect options, receive buffers). Test builds
// can make them fail.
#ifndef TALY_ALLOCATION_H
#define TALY_ALLOCATION_H

#include <cstddef>

// malloc, or null when a test build was told to fail this allocation.
void* allocate(std::size_t size);

#ifdef TALY_CHECKED
// The nth allocation of this thread from now on fails.
void failAllocation(int nth = 1);
// True when this allocation is to fail; counts it. Memory served from a
// kept block asks too, so that tests reach its failure path.
bool allocationRefused();
#else
inline bool allocationRefused() { return false; }
#endif

#endif
