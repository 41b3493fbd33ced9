#include "qm/qm_lock.h"

#include <pthread.h>

#include <thread>

namespace vxqm {

// A thread that finds the lock taken spins a moment before it sleeps
// (glibc's adaptive mutex), rather than sleeping and being woken through the
// kernel at every turn: the lock is taken often, each time for a short while.
QmLock::QmLock() {
#if defined(__GLIBC__) && defined(PTHREAD_ADAPTIVE_MUTEX_INITIALIZER_NP)
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_ADAPTIVE_NP);
  pthread_mutex_init(mutex_.native_handle(), &attributes);
  pthread_mutexattr_destroy(&attributes);
#endif
}

void SpinLock::pause(unsigned spins) {
  if (spins < 1024) {
    relax();
  } else {
    std::this_thread::yield();
  }
}

unsigned QmLock::threadSlot() {
  static std::atomic<unsigned> next{0};
  thread_local unsigned slot = next.fetch_add(1, std::memory_order_relaxed) % kSlots;
  return slot;
}

// Shared holders stay for a put or a get; one that was descheduled meanwhile
// is waited for without holding a processor.
void QmLock::drainShared() {
  whole_.store(true, std::memory_order_seq_cst);
  for (Slot& slot : slots_) {
    for (unsigned spins = 0; slot.holders.load(std::memory_order_seq_cst) != 0;) SpinLock::pause(spins++);
  }
}

}  // namespace vxqm
