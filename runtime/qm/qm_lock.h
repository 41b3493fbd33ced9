// The queue manager's lock. Most work takes it whole, as a std::mutex
// (lock, unlock; waits go through a Condition, below). The
// commonest puts and gets take it shared instead: shared holders exclude
// one another only by the spin lock of the queue they use, so calls on
// different queues run side by side. Taking the lock whole waits until the
// shared holders have left; a shared taker that finds it held whole does
// not wait but takes it whole itself, so the two never wait for each other.
//
// Shared holders count themselves in one of a few slots, a thread always in
// the same one, so that threads taking the lock shared do not all write one
// cache line.
#ifndef VXQM_QM_LOCK_H
#define VXQM_QM_LOCK_H

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace vxqm {

// One step of a spin: tells the processor the thread is waiting.
inline void relax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

class QmLock {
 public:
  struct alignas(64) Slot {
    std::atomic<int32_t> holders{0};
  };

  QmLock();
  QmLock(const QmLock&) = delete;
  QmLock& operator=(const QmLock&) = delete;

  void lock() {
    mutex_.lock();
    if (sharable_) drainShared();
  }
  // Before first use: the lock is only ever taken whole.
  void neverShared() { sharable_ = false; }
  void unlock() {
    whole_.store(false, std::memory_order_release);
    mutex_.unlock();
  }

  // The slot the caller now holds the lock shared in, or null when the
  // lock is held whole.
  Slot* tryShared() {
    // Held whole already: the slot is not written, which would take its
    // cache line from the holder that reads it.
    if (!sharable_ || whole_.load(std::memory_order_relaxed)) return nullptr;
    Slot& slot = slots_[threadSlot()];
    slot.holders.fetch_add(1, std::memory_order_seq_cst);
    if (!whole_.load(std::memory_order_seq_cst)) return &slot;
    slot.holders.fetch_sub(1, std::memory_order_release);
    return nullptr;
  }
  static void unlockShared(Slot* slot) { slot->holders.fetch_sub(1, std::memory_order_release); }

 private:
  static constexpr unsigned kSlots = 16;
  static unsigned threadSlot();
  void drainShared();

  std::mutex mutex_;
  bool sharable_ = true;
  std::atomic<bool> whole_{false};
  Slot slots_[kSlots];
};

// A lock held for a few instructions at a time (a queue's, by puts and gets
// that hold the queue manager's lock shared): a thread that finds it taken
// spins, and after a while lets others run, rather than sleeping in the
// kernel and being woken through it.
class SpinLock {
 public:
  void lock() {
    for (unsigned spins = 0; taken_.exchange(true, std::memory_order_acquire);) {
      while (taken_.load(std::memory_order_relaxed)) pause(spins++);
    }
  }
  void unlock() { taken_.store(false, std::memory_order_release); }
  // The wait of a spinner that has spun `spins` times already.
  static void pause(unsigned spins);

 private:
  std::atomic<bool> taken_{false};
};

// A condition variable waited on with the QmLock held whole. Its wait lets
// the lock go only once it holds the variable's own mutex, which a notify
// takes too: a notify made with the lock held shared is not lost. Notifying
// costs that mutex, and puts notify at every message, so a notify with
// nobody asleep does nothing.
class Condition {
 public:
  void wait(std::unique_lock<QmLock>& lock) {
    Sleeper sleeper(sleepers_);
    variable_.wait(lock);
  }
  template <class Predicate>
  void wait(std::unique_lock<QmLock>& lock, Predicate done) {
    while (!done()) wait(lock);
  }
  template <class Rep, class Period>
  std::cv_status wait_for(std::unique_lock<QmLock>& lock, const std::chrono::duration<Rep, Period>& time) {
    Sleeper sleeper(sleepers_);
    return variable_.wait_for(lock, time);
  }
  template <class Clock, class Duration>
  std::cv_status wait_until(std::unique_lock<QmLock>& lock, const std::chrono::time_point<Clock, Duration>& until) {
    Sleeper sleeper(sleepers_);
    return variable_.wait_until(lock, until);
  }
  template <class Clock, class Duration, class Predicate>
  bool wait_until(std::unique_lock<QmLock>& lock, const std::chrono::time_point<Clock, Duration>& until,
                  Predicate done) {
    while (!done()) {
      if (wait_until(lock, until) == std::cv_status::timeout) return done();
    }
    return true;
  }
  // A sleeper counts itself with the lock held whole, before it sleeps:
  // whoever holds the lock, whole or shared, sees it.
  void notify_all() {
    if (sleepers_.load(std::memory_order_seq_cst) != 0) variable_.notify_all();
  }

 private:
  class Sleeper {
   public:
    explicit Sleeper(std::atomic<int32_t>& count) : count_(count) { count_.fetch_add(1, std::memory_order_seq_cst); }
    ~Sleeper() { count_.fetch_sub(1, std::memory_order_relaxed); }
    Sleeper(const Sleeper&) = delete;
    Sleeper& operator=(const Sleeper&) = delete;

   private:
    std::atomic<int32_t>& count_;
  };
  std::condition_variable_any variable_;
  std::atomic<int32_t> sleepers_{0};
};

// Holds a QmLock shared for a scope, when it could be taken so.
class SharedHold {
 public:
  explicit SharedHold(QmLock& lock) : slot_(lock.tryShared()) {}
  ~SharedHold() {
    if (slot_ != nullptr) QmLock::unlockShared(slot_);
  }
  SharedHold(const SharedHold&) = delete;
  SharedHold& operator=(const SharedHold&) = delete;
  bool held() const { return slot_ != nullptr; }

 private:
  QmLock::Slot* slot_;
};

}  // namespace vxqm

#endif
