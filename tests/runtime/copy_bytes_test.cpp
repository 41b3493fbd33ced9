// Copies of message bytes: exact at every length and distance between the
// blocks, each way of copying backwards included, and nothing written
// outside the destination.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "qm/copy_bytes.h"

using namespace vxqm;

namespace {

constexpr size_t kGuard = 128;

struct Page {
  explicit Page(size_t bytes) : base(static_cast<unsigned char*>(std::aligned_alloc(4096, bytes))) {}
  ~Page() { std::free(base); }
  unsigned char* base;
};

TEST(CopyBytes, EveryLengthAndDistanceCopiesExactlyAndStaysInside) {
  struct Way {
    const char* name;
    void (*copy)(void*, const void*, size_t);
  };
  std::vector<Way> ways = {{"copyBytes", copyBytes}, {"portably backwards", copyBackwardsPortably}};
#ifdef VXQM_WIDE_COPY
  if (hasWideCopy()) ways.push_back({"wide backwards", copyBackwardsWide});
#endif
  const size_t lengths[] = {0, 1, 63, 64, 65, 127, 129, 2048, 2049, 4103, 65536 + 5, 512 * 1024};
  // Distances of the destination past the source within a page; 4080 is
  // 16 bytes before it.
  const size_t distances[] = {0, 1, 15, 16, 31, 32, 63, 64, 200, 4080, 4095};
  size_t slowForwards = 0;
  Page source(8 * 4096 + 512 * 1024 * 2);
  Page target(8 * 4096 + 512 * 1024 * 2);
  unsigned char* from = source.base + 4096;
  for (size_t i = 0; i < 512 * 1024; ++i) from[i] = static_cast<unsigned char>(i * 7 + i / 251);
  for (const Way& way : ways) {
    for (size_t length : lengths) {
      for (size_t distance : distances) {
        SCOPED_TRACE(testing::Message() << way.name << ", length " << length << ", distance " << distance);
        unsigned char* to = target.base + 4096 + distance;
        std::vector<unsigned char> before(length + 2 * kGuard, 0xA5);
        std::memcpy(to - kGuard, before.data(), before.size());
        if (forwardCopyIsSlow(to, from, length)) ++slowForwards;
        way.copy(to, from, length);
        ASSERT_EQ(0, std::memcmp(to, from, length));
        for (size_t i = 0; i < kGuard; ++i) {
          ASSERT_EQ(0xA5, to[-1 - static_cast<std::ptrdiff_t>(i)]) << "before the copy";
          ASSERT_EQ(0xA5, to[length + i]) << "after the copy";
        }
      }
    }
  }
  // copyBytes meets the distances it copies backwards: three lengths, six
  // distances, for each way.
  EXPECT_EQ(18u * ways.size(), slowForwards);
}

TEST(CopyBytes, AssignKeepsEnoughRoomAndGrowsOnlyWhenShort) {
  std::vector<uint8_t> source(70000 + 7);
  for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i % 253);
  struct Step {
    size_t length;
    bool sameRoom;
  };
  const Step steps[] = {{5000, false}, {100, true}, {4999, true}, {0, true}, {70000, false}, {3, true}};
  std::vector<uint8_t> bytes;
  const uint8_t* room = nullptr;
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message() << "length " << step.length);
    assignBytes(bytes, source.data() + 7, step.length);
    ASSERT_EQ(step.length, bytes.size());
    EXPECT_EQ(0, std::memcmp(bytes.data(), source.data() + 7, step.length));
    if (step.sameRoom) {
      EXPECT_EQ(room, bytes.data());
    }
    room = bytes.data();
  }
}

}  // namespace
