// Registration and control of a connection's consumers, and the turns that
// its calls and its callbacks take on the connection.
#include <algorithm>

#include "qm/call.h"
#include "qm/queue_manager.h"

namespace vxqm {

namespace {

bool hasMessageConsumer(const Consumers& consumers) {
  return std::any_of(consumers.list.begin(), consumers.list.end(), [](const auto& consumer) {
    return consumer->kind == ConsumerKind::Message && !consumer->leaving;
  });
}

}  // namespace

// A call from inside the connection's callback runs within the callback's
// claim. Any other call waits while the dispatcher has the connection or
// waits for it, so that calls and callbacks take turns; a call that has
// waited so waits for the other waiting calls too. A dispatcher thread never
// waits for another connection's callback.
Status QueueManager::claim(Connection& connection, int32_t call, Claim& claim,
                           std::unique_lock<QmLock>& lock) {
  Consumers& consumers = connection.consumers;
  if (consumers.inCallback && onDispatcher(&connection)) {
    claim.previous = connection.nest(call);
    claim.nested = claim.held = true;
    return Status::ok();
  }
  bool waiting = false;
  auto stopWaiting = [&] {
    if (!waiting) return;
    --consumers.waitingCalls;
    consumers.changed.notify_all();
  };
  for (;;) {
    if (!consumers.inCallback && !consumers.wantsTurn) {
      if (connection.claim(call)) {
        stopWaiting();
        claim.held = true;
        return Status::ok();
      }
      // Calls that waited for a callback are served one after another.
      if (!waiting) return Status::failure(VXRC_CALL_IN_PROGRESS);
    }
    // Another caller's call holds the connection while the dispatcher waits
    // for it: that call may be a get waiting without limit, so the new call
    // is refused rather than queued behind both.
    if (!waiting && !consumers.inCallback && connection.callInProgress() != VXCALL_NONE) {
      return Status::failure(VXRC_CALL_IN_PROGRESS);
    }
    if (onDispatcher(nullptr)) {
      stopWaiting();
      return Status::failure(VXRC_CALL_IN_PROGRESS);
    }
    if (!waiting) ++consumers.waitingCalls;
    waiting = true;
    consumers.changed.wait(lock);
    if (connection.closed.load()) {
      stopWaiting();
      return Status::failure(VXRC_HCONN_ERROR);
    }
  }
}

void QueueManager::leave(Connection& connection, Claim& claim) {
  if (claim.nested) {
    connection.unnest(claim.previous);
    return;
  }
  connection.release();
  // The dispatcher may be waiting for its turn.
  if (connection.consumers.used.load()) {
    std::lock_guard<QmLock> lock(mutex_);
    connection.consumers.changed.notify_all();
  }
}

std::shared_ptr<Consumer> QueueManager::findConsumer(Connection& connection, int32_t hobj,
                                                     ConsumerKind kind) {
  for (const std::shared_ptr<Consumer>& consumer : connection.consumers.list) {
    if (consumer->kind == kind && consumer->hobj == hobj && !consumer->leaving) return consumer;
  }
  return nullptr;
}

void QueueManager::leaveConsumer(Connection& connection, Consumer& consumer) {
  Consumers& consumers = connection.consumers;
  if (consumer.leaving) return;
  consumer.leaving = true;
  consumer.owesStart = consumers.started && !consumer.started;
  // A start-wait ends when no message consumer is left to wait for.
  if (consumers.startWaiters > 0 && !hasMessageConsumer(consumers)) consumers.started = false;
  startDispatcher(connection);
  consumers.changed.notify_all();
}

// Each consumer leaves as of the connection's state before the stop.
void QueueManager::leaveAll(Connection& connection) {
  Consumers& consumers = connection.consumers;
  bool started = consumers.started;
  for (const std::shared_ptr<Consumer>& consumer : consumers.list) {
    consumers.started = started;
    leaveConsumer(connection, *consumer);
  }
  consumers.started = false;
  consumers.changed.notify_all();
}

void QueueManager::awaitGone(Connection& connection, const Consumer& consumer) {
  if (onDispatcher(&connection)) return;
  std::unique_lock<QmLock> lock(mutex_);
  connection.consumers.changed.wait(lock, [&] { return consumer.gone; });
}

void QueueManager::awaitStopped(Connection& connection, uint64_t starts) {
  if (onDispatcher(&connection)) return;
  Consumers& consumers = connection.consumers;
  std::unique_lock<QmLock> lock(mutex_);
  consumers.changed.wait(lock, [&] { return !consumers.running || consumers.starts != starts; });
}

Status QueueManager::registerConsumer(int32_t hconn, int32_t hobj, ConsumerKind kind,
                                      const ConsumerOptions& options,
                                      std::shared_ptr<Callback> callback) {
  Call call(*this, hconn, VXCALL_CB);
  if (!call.connection) return call.status;
  if (!callback) return Status::failure(VXRC_CALLBACK_FUNCTION_ERROR);
  if (options.maxMsgLength < VXCBD_FULL_MSG_LENGTH) return Status::failure(VXRC_MAX_MSG_LENGTH_ERROR);
  Connection& connection = *call.connection;
  Consumers& consumers = connection.consumers;
  auto consumer = std::make_shared<Consumer>();
  consumer->kind = kind;
  consumer->callback = std::move(callback);
  consumer->options = options;
  consumer->suspended = options.suspended;
  std::shared_ptr<Consumer> replaced;
  {
    std::lock_guard<QmLock> lock(mutex_);
    if (kind == ConsumerKind::Message) {
      ObjectHandle* handle = findHandle(connection, hobj);
      if (handle == nullptr) return Status::failure(VXRC_HOBJ_ERROR);
      if (options.browse && !handle->options.browse) return Status::failure(VXRC_NOT_OPEN_FOR_BROWSE);
      if (!options.browse && !handle->options.input()) return Status::failure(VXRC_NOT_OPEN_FOR_INPUT);
      consumer->hobj = hobj;
      consumer->queue = handle->queue;
    }
    replaced = findConsumer(connection, consumer->hobj, kind);
    if (replaced) leaveConsumer(connection, *replaced);
    consumers.list.push_back(consumer);
    if (consumer->queue) consumer->queue->watch(&consumers.changed);
    consumers.used.store(true);
    if (consumers.started) startDispatcher(connection);
    consumers.changed.notify_all();
  }
  call.end();
  if (replaced) awaitGone(connection, *replaced);
  return Status::ok();
}

Status QueueManager::deregisterConsumer(int32_t hconn, int32_t hobj, ConsumerKind kind) {
  Call call(*this, hconn, VXCALL_CB);
  if (!call.connection) return call.status;
  Connection& connection = *call.connection;
  std::shared_ptr<Consumer> consumer;
  {
    std::lock_guard<QmLock> lock(mutex_);
    consumer = findConsumer(connection, kind == ConsumerKind::Message ? hobj : 0, kind);
    if (!consumer) return Status::failure(VXRC_CALLBACK_NOT_REGISTERED);
    leaveConsumer(connection, *consumer);
  }
  call.end();
  awaitGone(connection, *consumer);
  return Status::ok();
}

Status QueueManager::suspendConsumer(int32_t hconn, int32_t hobj, ConsumerKind kind, bool suspend) {
  Call call(*this, hconn, VXCALL_CB);
  if (!call.connection) return call.status;
  if (kind != ConsumerKind::Message) return Status::failure(VXRC_CALLBACK_TYPE_ERROR);
  Connection& connection = *call.connection;
  std::lock_guard<QmLock> lock(mutex_);
  std::shared_ptr<Consumer> consumer = findConsumer(connection, hobj, kind);
  if (!consumer) return Status::failure(VXRC_CALLBACK_NOT_REGISTERED);
  consumer->suspended = suspend;
  connection.consumers.changed.notify_all();
  return Status::ok();
}

Status QueueManager::control(int32_t hconn, Control operation) {
  Call call(*this, hconn, VXCALL_CTL);
  if (!call.connection) return call.status;
  Connection& connection = *call.connection;
  Consumers& consumers = connection.consumers;
  uint64_t starts = 0;
  {
    std::lock_guard<QmLock> lock(mutex_);
    bool start = operation == Control::Start || operation == Control::StartWait;
    if (operation == Control::StartWait) {
      if (onDispatcher(nullptr)) return Status::failure(VXRC_CALLBACK_CALL_ERROR);
      if (!hasMessageConsumer(consumers)) return Status::failure(VXRC_NO_CALLBACKS_ACTIVE);
    }
    if (start && !consumers.started) {
      consumers.started = true;
      ++consumers.starts;
    }
    if (start && !consumers.list.empty()) startDispatcher(connection);
    if (operation == Control::StartWait) ++consumers.startWaiters;
    if (operation == Control::Stop) consumers.started = false;
    if (operation == Control::Suspend) consumers.suspended = true;
    if (operation == Control::Resume) consumers.suspended = false;
    starts = consumers.starts;
    consumers.changed.notify_all();
  }
  call.end();
  if (operation == Control::StartWait) {
    std::unique_lock<QmLock> lock(mutex_);
    consumers.changed.wait(lock, [&] {
      return consumers.starts != starts || (!consumers.started && !consumers.running);
    });
    --consumers.startWaiters;
  } else if (operation == Control::Stop) {
    awaitStopped(connection, starts);
  }
  return Status::ok();
}

int32_t QueueManager::waitingCalls(int32_t hconn) {
  std::lock_guard<QmLock> lock(mutex_);
  auto it = connections_.find(hconn);
  return it != connections_.end() ? it->second->consumers.waitingCalls : 0;
}

bool QueueManager::dispatcherWaits(int32_t hconn) {
  std::lock_guard<QmLock> lock(mutex_);
  auto it = connections_.find(hconn);
  return it != connections_.end() && it->second->consumers.wantsTurn;
}

}  // namespace vxqm
