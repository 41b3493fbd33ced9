// The bytes of a message, and their copies between buffers that do not
// overlap.
//
// Some processors copy a long block up to twenty times slower when the
// destination lies a few bytes past the source within a 4 KiB page: glibc's
// memcpy moves blocks above about 2 KiB with `rep movsb`, and on those
// processors each load then waits for the store just made to the same page
// offset. On an AMD EPYC here a 64 KiB copy took 22 us instead of 1.4 us,
// and whether a put met it depended only on where two allocations fell.
// Such a copy is made from the end backwards, where no load follows a store
// it could be taken for.
#ifndef VXQM_COPY_BYTES_H
#define VXQM_COPY_BYTES_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace vxqm {

// Below this length memcpy uses vector loops, which the distance does not slow.
constexpr size_t kForwardCopyAlwaysFast = 2048;

inline bool forwardCopyIsSlow(const void* to, const void* from, size_t length) {
  uintptr_t distance = (reinterpret_cast<uintptr_t>(to) - reinterpret_cast<uintptr_t>(from)) & 4095;
  return length > kForwardCopyAlwaysFast && distance != 0 && distance < 64;
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

// Room that a copy fills at once need not be cleared first: the bytes of a
// message grow without being set to zero.
template <class T>
struct UnclearedAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = UnclearedAllocator<U>;
  };
  UnclearedAllocator() = default;
  template <class U>
  UnclearedAllocator(const UnclearedAllocator<U>&) noexcept {}
  template <class U>
  void construct(U* at) noexcept {
    ::new (static_cast<void*>(at)) U;
  }
  template <class U, class... Args>
  void construct(U* at, Args&&... args) {
    ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
  }
};

using Bytes = std::vector<uint8_t, UnclearedAllocator<uint8_t>>;

// Makes `bytes` a copy of `length` bytes at `from`, keeping its room when it
// has enough.
inline void assignBytes(Bytes& bytes, const void* from, size_t length) {
  bytes.clear();
  bytes.resize(length);
  copyBytes(bytes.data(), from, length);
}

}  // namespace vxqm

#endif
