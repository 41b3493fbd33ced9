// The dispatcher thread of a connection's consumers: it waits until it has a
// call to make, takes its turn on the connection, prepares the call under
// the queue manager's lock, and makes it without the lock.
//
// Control calls come first: a leaving consumer's REGISTER and START if it
// is still owed them, its STOP and DEREGISTER, the STOP calls of a stop,
// then REGISTER and START calls of a start. Then, while
// started and not suspended, one message or event at a time, the consumers
// in turn. The thread ends when the consumers are stopped and no call is
// left to make.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <new>
#include <thread>

#include "qm/dispatch_work.h"

namespace vxqm {

namespace {

// The connection whose dispatcher runs on this thread.
thread_local const Connection* dispatching = nullptr;

int32_t startedState(const Consumers& consumers, const Consumer& consumer) {
  if (consumers.suspended || consumer.suspended) return VXCS_SUSPENDED_USER;
  return consumer.state;
}

int32_t stateOf(const Consumers& consumers, const Consumer& consumer) {
  return consumers.started ? startedState(consumers, consumer) : VXCS_STOPPED;
}

// A leaving consumer's owed calls tell the state it left in.
int32_t leftState(const Consumers& consumers, const Consumer& consumer) {
  return consumer.owesStart ? startedState(consumers, consumer) : VXCS_STOPPED;
}

}  // namespace

bool QueueManager::onDispatcher(const Connection* connection) const {
  return connection == nullptr ? dispatching != nullptr : dispatching == connection;
}

void QueueManager::startDispatcher(Connection& connection) {
  Consumers& consumers = connection.consumers;
  if (consumers.running) return;
  // A thread that left its loop needs the lock no more: joining it is quick.
  if (consumers.thread.joinable()) consumers.thread.join();
  consumers.thread = std::thread([this, &connection] { dispatch(connection); });
  consumers.running = true;
}

void QueueManager::reap(std::unique_lock<QmLock>&) {
  for (auto it = retired_.begin(); it != retired_.end();) {
    Consumers& consumers = (*it)->consumers;
    if (consumers.running) {
      ++it;
      continue;
    }
    if (consumers.thread.joinable()) consumers.thread.join();
    it = retired_.erase(it);
  }
}

bool QueueManager::takeTurn(Connection& connection, bool claimWhenFree) {
  Consumers& consumers = connection.consumers;
  // Calls that waited for the last callback go first, unless the
  // dispatcher was waiting before them.
  if (consumers.waitingCalls > 0 && !consumers.wantsTurn) return false;
  if (!connection.claim(VXCALL_CALLBACK)) {
    if (!claimWhenFree) consumers.wantsTurn = true;
    return false;
  }
  consumers.wantsTurn = false;
  consumers.inCallback = true;
  return true;
}

void QueueManager::endTurn(Connection& connection) {
  connection.consumers.inCallback = false;
  connection.release();
  connection.consumers.changed.notify_all();
}

void QueueManager::dispatch(Connection& connection) {
  Consumers& consumers = connection.consumers;
  std::unique_lock<QmLock> lock(mutex_);
  dispatching = &connection;
  // Delivered since it last slept: it spins a moment before sleeping again.
  bool busy = false;
  for (;;) {
    bool turn = false;
    try {
      // In memory, a look for work costs as much as taking it: with the
      // turn free, the dispatcher takes it and looks once.
      if (!store_->shared() && takeTurn(connection, true)) {
        turn = true;
        bool delivered = deliverNext(connection, lock);
        turn = false;
        if (delivered) {
          // What comes next goes shared while it can; a case it leaves to
          // the whole way still spins once the whole way finds nothing.
          busy = !deliverWhileShared(connection, lock, true);
          continue;
        }
      }
      if (!nextWork(connection, false, nullptr)) {
        if (consumers.wantsTurn) {
          consumers.wantsTurn = false;
          consumers.changed.notify_all();
        }
        if (!consumers.started) break;
        if (busy) {
          // Once per delivery; looked at again under the lock either way, so
          // that a wake-up between the spin and the lock is not lost.
          busy = false;
          deliverWhileShared(connection, lock, false);
          continue;
        }
        if (!store_->shared()) {
          consumers.changed.wait(lock);
        } else if (consumers.changed.wait_for(lock, std::chrono::milliseconds(config_.sharedPollMs)) ==
                   std::cv_status::timeout) {
          // A notification missed costs at most this long.
          for (const std::shared_ptr<Consumer>& consumer : consumers.list) consumer->more = true;
        }
        for (const std::shared_ptr<Consumer>& consumer : consumers.list) consumer->stalled = false;
        continue;
      }
      if (!takeTurn(connection)) {
        consumers.changed.wait(lock);
        continue;
      }
      turn = true;
      if (deliverNext(connection, lock)) busy = !store_->shared();
    } catch (...) {
      // Out of memory on the way: give the turn back and wait for a change.
      if (!lock.owns_lock()) lock.lock();
      if (turn) endTurn(connection);
      consumers.changed.wait(lock);
    }
  }
  dispatching = nullptr;
  consumers.running = false;
  consumers.changed.notify_all();
}

// With the turn taken: delivers the next work there is, if any, and gives
// the turn back.
bool QueueManager::deliverNext(Connection& connection, std::unique_lock<QmLock>& lock) {
  Work work;
  bool found = nextWork(connection, true, &work);
  if (found) deliver(connection, work, lock);
  endTurn(connection);
  return found;
}

bool QueueManager::nextWork(Connection& connection, bool take, Work* work) {
  return controlWork(connection, take, work) || messageWork(connection, take, work);
}

bool QueueManager::controlWork(Connection& connection, bool take, Work* work) {
  Consumers& consumers = connection.consumers;
  auto call = [&](const std::shared_ptr<Consumer>& consumer, int32_t callType, int32_t state) {
    work->target = consumer;
    work->delivery.hobj = consumer->hobj;
    work->delivery.callType = callType;
    work->delivery.state = state;
    return true;
  };
  for (auto it = consumers.list.begin(); it != consumers.list.end(); ++it) {
    if (!(*it)->leaving) continue;
    std::shared_ptr<Consumer> consumer = *it;  // kept past its erasure below
    if (!take) return true;
    if (!consumer->registered) {
      consumer->registered = true;
      return call(consumer, VXCBCT_REGISTER_CALL, leftState(consumers, *consumer));
    }
    if (consumer->owesStart) {
      consumer->owesStart = false;
      consumer->started = true;
      return call(consumer, VXCBCT_START_CALL, startedState(consumers, *consumer));
    }
    if (consumer->started) {
      consumer->started = false;
      return call(consumer, VXCBCT_STOP_CALL, VXCS_STOPPED);
    }
    if (consumer->queue) consumer->queue->unwatch(&consumers.changed);
    consumers.list.erase(it);
    return call(consumer, VXCBCT_DEREGISTER_CALL, VXCS_STOPPED);
  }
  if (!consumers.started) {
    for (const std::shared_ptr<Consumer>& consumer : consumers.list) {
      if (!consumer->started) continue;
      if (!take) return true;
      consumer->started = false;
      return call(consumer, VXCBCT_STOP_CALL, VXCS_STOPPED);
    }
    return false;
  }
  for (const std::shared_ptr<Consumer>& consumer : consumers.list) {
    if (consumer->registered) continue;
    if (!take) return true;
    consumer->registered = true;
    return call(consumer, VXCBCT_REGISTER_CALL, stateOf(consumers, *consumer));
  }
  for (const std::shared_ptr<Consumer>& consumer : consumers.list) {
    if (consumer->started) continue;
    if (!take) return true;
    consumer->started = true;
    return call(consumer, VXCBCT_START_CALL, stateOf(consumers, *consumer));
  }
  return false;
}

bool QueueManager::messageWork(Connection& connection, bool take, Work* work) {
  Consumers& consumers = connection.consumers;
  if (!consumers.started || consumers.suspended) return false;
  size_t count = consumers.list.size();
  for (size_t i = 0; i < count; ++i) {
    size_t index = (consumers.next + i) % count;
    Consumer& consumer = *consumers.list[index];
    if (consumer.kind != ConsumerKind::Message || consumer.suspended || consumer.stalled) continue;
    if (!examine(connection, consumer, take, work)) continue;
    if (take) {
      consumers.next = index + 1;
      if (!work->target) work->target = consumers.list[index];
    }
    return true;
  }
  return false;
}

// Remembers a message the consumer was shown and did not take; forgets the
// ones that have left the queue meanwhile.
void QueueManager::pass(Connection& connection, Consumer& consumer, const MessageKey& key) {
  store_->prune(connection, *consumer.queue, consumer.passed);
  consumer.passed.insert(key);
}

// Whether the consumer has a message or an event to be told; with take, the
// message is got as its options say and the call prepared. A shared store is
// asked only when taking: until then, what may have come is what the queue's
// notifications, or the consumer's last look, tell.
bool QueueManager::examine(Connection& connection, Consumer& consumer, bool take, Work* work) {
  const std::shared_ptr<Queue>& queue = consumer.queue;
  const ConsumerOptions& options = consumer.options;
  bool local = !store_->shared();
  if (!take && !local) return consumer.more || queue->generation() != consumer.seen;
  bool noRoom = options.syncpoint && !roomInUnitOfWork(connection);
  Fetch request;
  request.mode = !take || noRoom  ? Fetch::Mode::Peek
                 : options.browse ? Fetch::Mode::Browse
                 : options.syncpoint ? Fetch::Mode::Hold
                                     : Fetch::Mode::Remove;
  request.match = options.match;
  request.after = consumer.browsing ? &consumer.cursor : nullptr;
  request.skip = options.browse ? nullptr : &consumer.passed;
  request.limit = options.maxMsgLength == VXCBD_FULL_MSG_LENGTH ? INT32_MAX : options.maxMsgLength;
  request.acceptTruncated = options.acceptTruncated;
  request.work = &workOf(connection);
  request.now = ExpiryTime(clock_);
  consumer.seen = queue->generation();
  Fetched fetched;
  Status status;
  if (queue->deleted()) {
    status = Status::failure(VXRC_OBJECT_DELETED);
  } else if (local && queue->attributes().inhibitGet) {
    status = Status::failure(VXRC_GET_INHIBITED);
  } else {
    try {
      status = store_->fetch(connection, queue, request, fetched);
    } catch (const std::bad_alloc&) {
      status = Status::failure(VXRC_STORAGE_NOT_AVAILABLE);
    }
  }
  int32_t reason = status.failed() ? status.reason : VXRC_NONE;
  if (reason == VXRC_NONE && !fetched.found) {
    // Nothing to get, nothing in the way: a later condition is news again.
    consumer.reported = VXRC_NONE;
    consumer.more = false;
    if (consumer.state == VXCS_SUSPENDED_TEMPORARY) consumer.state = VXCS_NONE;
    return false;
  }
  if (reason == VXRC_NONE && noRoom) reason = VXRC_SYNCPOINT_LIMIT;
  if (reason != VXRC_NONE) {
    consumer.more = false;
    if (reason == consumer.reported) return false;
    if (!take) return true;
    consumer.reported = reason;
    consumer.state = reason == VXRC_OBJECT_DELETED ? VXCS_SUSPENDED : VXCS_SUSPENDED_TEMPORARY;
    if (reason == VXRC_STORAGE_NOT_AVAILABLE) consumer.stalled = true;
    return event(connection, consumer, Status::failure(reason), work);
  }
  consumer.more = true;
  if (!take) return true;

  int32_t length = fetched.length;
  int32_t returned = std::min(length, request.limit);
  bool fits = length <= request.limit;
  Delivery& delivery = work->delivery;
  delivery.hobj = consumer.hobj;
  delivery.dataLength = length;
  delivery.queueName = queue->name();
  delivery.status = fits                      ? Status::ok()
                    : options.acceptTruncated ? Status::warning(VXRC_TRUNCATED_MSG_ACCEPTED)
                                              : Status::failure(VXRC_TRUNCATED_MSG_FAILED);
  int32_t left = expiryLeft(fetched.expiresAt);
  work->md = std::move(fetched.descriptor());
  if (fetched.left) {
    // Left on the queue, as a get would leave it; the consumer learns its
    // descriptor and length, and may get it itself.
    delivery.callType = VXCBCT_MSG_NOT_REMOVED;
  } else {
    // A message that stays on the queue, where a commit or another
    // connection may remove it while the function runs, reaches the
    // function as a copy.
    work->taken = std::move(fetched.message);
    delivery.data = work->taken->data.data();
    delivery.bufferLength = returned;
    delivery.callType = options.browse ? VXCBCT_MSG_NOT_REMOVED : VXCBCT_MSG_REMOVED;
  }
  if (options.browse) {
    consumer.browsing = true;
    consumer.cursor = fetched.key;
  } else if (delivery.callType == VXCBCT_MSG_NOT_REMOVED) {
    pass(connection, consumer, fetched.key);
  }
  work->md.expiry = left;
  delivery.md = &work->md;
  consumer.reported = VXRC_NONE;
  consumer.state = VXCS_NONE;
  delivery.state = VXCS_NONE;
  return true;
}

// An event about a consumer goes to the event handler when one is started,
// else to the consumer itself.
bool QueueManager::event(Connection& connection, Consumer& about, Status status, Work* work) {
  for (const std::shared_ptr<Consumer>& consumer : connection.consumers.list) {
    if (consumer->kind == ConsumerKind::Event && consumer->started && !consumer->leaving) {
      work->target = consumer;
      break;
    }
  }
  work->delivery.hobj = about.hobj;
  work->delivery.callType = VXCBCT_EVENT_CALL;
  work->delivery.status = status;
  work->delivery.state = about.state;
  return true;
}

void QueueManager::callConsumer(Connection& connection, Work& work) {
  work.delivery.hconn = connection.hconn();
  try {
    work.target->callback->call(work.delivery);
  } catch (...) {
    // A function that throws has had its call.
  }
  // A long message's block is freed with no lock held.
  if (!isShortBlock(work.taken)) work.taken.reset();
}

void QueueManager::deliver(Connection& connection, Work& work, std::unique_lock<QmLock>& lock) {
  Consumers& consumers = connection.consumers;
  lock.unlock();
  callConsumer(connection, work);
  lock.lock();
  // A short message's block is kept for a later put, as a get keeps it.
  if (work.taken) keepMessageBlock(connection, work.taken);
  if (work.delivery.callType == VXCBCT_DEREGISTER_CALL) {
    work.target->gone = true;
    consumers.changed.notify_all();
  }
}

}  // namespace vxqm
