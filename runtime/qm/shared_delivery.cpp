// Deliveries made with the queue manager's lock held shared. A dispatcher
// that has just delivered looks for more a moment before it sleeps; while
// its consumers are in the plain case (started, each taking messages off
// its queue whole, outside syncpoint, nothing owed to any of them, no call
// waiting for the connection, the memory store) it takes its turn, the next
// message and, after the callback, the one after it, holding the lock
// shared, so that a producer putting to the queue meanwhile holds it shared
// too and the two exclude each other only by the queue's spin lock.
// Anything else is left to the whole way (dispatcher.cpp), which decides it
// as before.
#include <chrono>
#include <thread>

#include "qm/dispatch_work.h"

namespace vxqm {

namespace {

// How long a dispatcher that has just delivered looks for more before it
// sleeps: a producer putting message after message keeps it awake, and
// neither pays for a wake-up through the kernel.
constexpr auto kSpin = std::chrono::microseconds(50);

uint64_t wakeUpsNow() { return Queue::wakeUps().load(std::memory_order_acquire); }

// Whether a queue was woken since seen, within the spin. The scheduler
// often runs a thread it wakes on the processor of the thread that woke it,
// so the producer may wait on this one's processor: the spin gives the
// processor up now and then, or the producer would wait for the whole spin
// and the message then go the whole way.
bool spinUntilWoken(uint64_t seen) {
  auto until = std::chrono::steady_clock::now() + kSpin;
  for (unsigned i = 1; wakeUpsNow() == seen; ++i) {
    if (i % 64 == 0) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::yield();
    }
    relax();
  }
  return true;
}

}  // namespace

// Each spin follows a delivery: one that ends in a look that finds nothing
// (the wake-up was another queue's; the counter is every watched queue's)
// lets the whole way look and sleep.
bool QueueManager::deliverWhileShared(Connection& connection, std::unique_lock<QmLock>& lock,
                                      bool lookFirst) {
  // Not on one processor, where the spin would hold up the producer.
  static const bool several = std::thread::hardware_concurrency() > 1;
  WakeUpWatch watch;
  // Begun and read with the lock held whole: a put after the whole way's
  // look wakes the spin.
  if (!lookFirst) watch.begin();
  uint64_t seen = wakeUpsNow();
  lock.unlock();
  bool plain = !lookFirst || deliverShared(connection, seen, watch) != SharedDelivery::NotPlain;
  bool spin = plain && several;
  if (spin) {
    while (spinUntilWoken(seen) && deliverShared(connection, seen, watch) == SharedDelivery::Delivered) {
    }
  }
  watch.end();
  lock.lock();
  return spin;
}

// A look for the next message; one that finds nothing begins the watch for
// wake-ups, if it is not on yet, and looks once more, so that a put made
// after the first look is found or wakes the spin that follows.
QueueManager::SharedDelivery QueueManager::lookShared(Connection& connection, Work& work, uint64_t& seen,
                                                       WakeUpWatch& watch) {
  seen = wakeUpsNow();
  SharedDelivery found = takeShared(connection, work);
  if (found == SharedDelivery::Empty && !watch.on()) {
    watch.begin();
    seen = wakeUpsNow();
    found = takeShared(connection, work);
  }
  // Busy again: puts need not count their wake-ups.
  if (found == SharedDelivery::Delivered) watch.end();
  return found;
}

// With the lock held shared: nothing the whole way must do first.
bool QueueManager::plainDispatch(Connection& connection) {
  const Consumers& consumers = connection.consumers;
  return sharedCalls_ && consumers.started && !consumers.suspended && consumers.waitingCalls == 0 &&
         !consumers.wantsTurn && !connection.closed.load() && !controlWork(connection, false, nullptr);
}

QueueManager::SharedDelivery QueueManager::deliverShared(Connection& connection, uint64_t& seen,
                                                          WakeUpWatch& watch) {
  Work work;
  try {
    {
      SharedHold hold(mutex_);
      if (!hold.held() || !plainDispatch(connection) || !connection.claim(VXCALL_CALLBACK)) {
        return SharedDelivery::NotPlain;
      }
      connection.consumers.inCallback = true;
      SharedDelivery first = lookShared(connection, work, seen, watch);
      if (first != SharedDelivery::Delivered) {
        endTurn(connection);
        return first;
      }
    }
    for (;;) {
      callConsumer(connection, work);
      SharedHold hold(mutex_);
      if (!hold.held()) break;
      if (work.taken) keepMessageBlock(connection, work.taken);
      SharedDelivery next =
          plainDispatch(connection) ? lookShared(connection, work, seen, watch) : SharedDelivery::NotPlain;
      if (next == SharedDelivery::Delivered) continue;
      endTurn(connection);
      return next == SharedDelivery::NotPlain ? next : SharedDelivery::Delivered;
    }
    // Held whole meanwhile: the turn ends the whole way, which looks again.
    std::lock_guard<QmLock> whole(mutex_);
    if (work.taken) keepMessageBlock(connection, work.taken);
    endTurn(connection);
  } catch (...) {
    // Nothing here allocates (spare blocks and nodes have their room), but
    // the turn must not outlive a failure: the dispatcher's loop waits then.
    std::lock_guard<QmLock> whole(mutex_);
    if (connection.consumers.inCallback) endTurn(connection);
    throw;
  }
  return SharedDelivery::NotPlain;
}

// As the whole way's look for a message would take it, the consumers in
// turn; a consumer that is not in the plain case, or a message it would not
// take whole, ends the look for the whole way.
QueueManager::SharedDelivery QueueManager::takeShared(Connection& connection, Work& work) {
  Consumers& consumers = connection.consumers;
  size_t count = consumers.list.size();
  for (size_t i = 0; i < count; ++i) {
    size_t index = (consumers.next + i) % count;
    Consumer& consumer = *consumers.list[index];
    if (consumer.kind != ConsumerKind::Message || consumer.suspended || consumer.stalled) continue;
    const ConsumerOptions& options = consumer.options;
    Queue& queue = *consumer.queue;
    if (options.browse || options.syncpoint || !consumer.passed.empty() ||
        consumer.reported != VXRC_NONE || consumer.state != VXCS_NONE || queue.deleted() ||
        queue.attributes().inhibitGet) {
      return SharedDelivery::NotPlain;
    }
    int32_t limit = options.maxMsgLength == VXCBD_FULL_MSG_LENGTH ? INT32_MAX : options.maxMsgLength;
    ExpiryTime now(clock_);
    std::unique_ptr<StoredMessage> message;
    {
      std::lock_guard<SpinLock> guard(queue.sharedAccess());
      MessageKey key;
      StoredMessage* found = queue.find(options.match, nullptr, now, key);
      if (found == nullptr) continue;
      if (found->data.size() > static_cast<size_t>(limit)) return SharedDelivery::NotPlain;
      message = queue.take(key);
    }
    // Every field of the delivery is set below; the consumer's reference is
    // only copied when it changes, as counting it is an atomic step.
    if (work.target != consumers.list[index]) work.target = consumers.list[index];
    consumers.next = index + 1;
    auto length = static_cast<int32_t>(message->data.size());
    int32_t left = expiryLeft(message->expiresAt);
    // The callback reads the descriptor where the message holds it.
    message->md.expiry = left;
    work.taken = std::move(message);
    Delivery& delivery = work.delivery;
    delivery.hobj = consumer.hobj;
    delivery.callType = VXCBCT_MSG_REMOVED;
    delivery.status = Status::ok();
    delivery.state = VXCS_NONE;
    delivery.md = &work.taken->md;
    delivery.data = work.taken->data.data();
    delivery.dataLength = length;
    delivery.bufferLength = length;
    delivery.queueName = queue.name();
    ++connection.sharedCalls;
    return SharedDelivery::Delivered;
  }
  return SharedDelivery::Empty;
}

}  // namespace vxqm
