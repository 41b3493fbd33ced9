// Copies of message bytes between buffers that do not overlap.
//
// Some processors copy a long block up to twenty times slower when the
// destination lies 1 to 31 bytes past the source within a 4 KiB page: glibc's
// memcpy moves blocks above about 2 KiB with `rep movsb`, and on those
// processors each load then waits for a store just made to the same page
// offset. On an AMD EPYC here a 64 KiB copy took 22-38 us instead of 1.5 us,
// and whether a put met it depended only on where two allocations fell.
// Such a copy is made from the end backwards, where a load does not wait for
// the stores before it.
#ifndef VXQM_COPY_BYTES_H
#define VXQM_COPY_BYTES_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace vxqm {

// glibc's memcpy uses `rep movsb` only above 2,112 bytes here (above 4,096
// on some other processors), and from somewhere between 384 and 512 KiB on
// it copies at full speed at any distance; outside these bounds the
// distance does not slow it. Distances up to 63 are taken as slow, a margin
// that costs nothing: the backward copy is as fast.
constexpr size_t kForwardCopyAlwaysFast = 2048;
constexpr size_t kForwardCopyFastAgain = 512 * 1024;

inline bool forwardCopyIsSlow(const void* to, const void* from, size_t length) {
  uintptr_t distance = (reinterpret_cast<uintptr_t>(to) - reinterpret_cast<uintptr_t>(from)) & 4095;
  return length > kForwardCopyAlwaysFast && length < kForwardCopyFastAgain && distance != 0 &&
         distance < 64;
}

// 64 bytes a step, in whatever registers the compiler copies that much with.
inline void copyBackwardsPortably(void* to, const void* from, size_t length) {
  unsigned char* target = static_cast<unsigned char*>(to);
  const unsigned char* source = static_cast<const unsigned char*>(from);
  size_t at = length;
  while (at >= 64) {
    at -= 64;
    std::memcpy(target + at, source + at, 64);
  }
  std::memcpy(target, source, at);
}

#if defined(__x86_64__) && defined(__GNUC__)
#define VXQM_WIDE_COPY 1
// 128 bytes a step in 32-byte registers, as fast as an unhindered memcpy;
// only where the processor has them.
__attribute__((target("avx2"))) inline void copyBackwardsWide(void* to, const void* from,
                                                              size_t length) {
  unsigned char* target = static_cast<unsigned char*>(to);
  const unsigned char* source = static_cast<const unsigned char*>(from);
  size_t at = length;
  while (at >= 128) {
    at -= 128;
    __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + at + 96));
    __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + at + 64));
    __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + at + 32));
    __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + at));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + at + 96), a);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + at + 64), b);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + at + 32), c);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + at), d);
  }
  copyBackwardsPortably(to, from, at);
}

inline bool hasWideCopy() { return __builtin_cpu_supports("avx2"); }
#endif

inline void copyBackwards(void* to, const void* from, size_t length) {
#ifdef VXQM_WIDE_COPY
  if (hasWideCopy()) {
    copyBackwardsWide(to, from, length);
    return;
  }
#endif
  copyBackwardsPortably(to, from, length);
}

inline void copyBytes(void* to, const void* from, size_t length) {
  if (length == 0) return;
  if (forwardCopyIsSlow(to, from, length)) {
    copyBackwards(to, from, length);
  } else {
    std::memcpy(to, from, length);
  }
}

// Makes `bytes` a copy of `length` bytes at `from`, keeping its room when it
// has enough.
inline void assignBytes(std::vector<uint8_t>& bytes, const void* from, size_t length) {
  const uint8_t* first = static_cast<const uint8_t*>(from);
  bytes.clear();
  bytes.reserve(length);
  if (!forwardCopyIsSlow(bytes.data(), from, length)) {
    bytes.insert(bytes.end(), first, first + length);
    return;
  }
  // Only where the two blocks fall badly: clearing the room first costs
  // much less than the slow copy.
  bytes.resize(length);
  copyBackwards(bytes.data(), from, length);
}

}  // namespace vxqm

#endif
