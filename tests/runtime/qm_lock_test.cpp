// The queue manager's lock: taken whole it excludes shared holders and
// waits for those already in; the spin lock of a queue excludes its takers.
#include "qm/qm_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

using namespace vxqm;

TEST(QmLock, WholeAndSharedExcludeEachOther) {
  QmLock lock;
  {
    SharedHold first(lock);
    SharedHold second(lock);
    EXPECT_TRUE(first.held() && second.held()) << "shared holders do not exclude one another";
  }
  lock.lock();
  EXPECT_FALSE(SharedHold(lock).held()) << "held whole: a shared taker goes the whole way";
  lock.unlock();
  EXPECT_TRUE(SharedHold(lock).held());
}

TEST(QmLock, TakingItWholeWaitsForSharedHolders) {
  QmLock lock;
  auto hold = std::make_unique<SharedHold>(lock);
  ASSERT_TRUE(hold->held());
  std::atomic<bool> whole{false};
  std::thread taker([&] {
    lock.lock();
    whole = true;
    lock.unlock();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(whole.load()) << "taken whole while held shared";
  // The taker waits for the holders already in, and lets no new one in.
  EXPECT_FALSE(SharedHold(lock).held()) << "shared taker let in while the lock is being taken whole";
  hold.reset();
  taker.join();
  EXPECT_TRUE(whole.load());
}

// Every increment made under either lock is counted: a lock that let two
// in at once would lose some (and ThreadSanitizer would name the race).
TEST(QmLock, IncrementsUnderTheLocksAreNotLost) {
  QmLock lock;
  SpinLock queueLock;
  long wholeCount = 0;
  long queueCount = 0;
  constexpr int kThreads = 4;
  constexpr int kEach = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        // Half the threads take the lock whole, half shared with the queue's lock.
        if (t % 2 == 0) {
          std::lock_guard<QmLock> guard(lock);
          ++wholeCount;
          ++queueCount;
          continue;
        }
        SharedHold shared(lock);
        if (!shared.held()) {
          std::lock_guard<QmLock> guard(lock);
          ++wholeCount;
          ++queueCount;
          continue;
        }
        std::lock_guard<SpinLock> guard(queueLock);
        ++queueCount;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(queueCount, static_cast<long>(kThreads) * kEach);
  EXPECT_GE(wholeCount, static_cast<long>(kThreads / 2) * kEach);
}
