// Put, put-one and get.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "qm/call.h"
#include "qm/copy_bytes.h"
#include "qm/queue_manager.h"
#include "qm/topic_string.h"

namespace vxqm {

namespace {

bool allZero(const MsgId& id) {
  return std::all_of(id.begin(), id.end(), [](uint8_t b) { return b == 0; });
}

Status checkBuffer(const void* buffer, int32_t length) {
  if (length < 0) return Status::failure(VXRC_BUFFER_LENGTH_ERROR);
  if (buffer == nullptr && length > 0) return Status::failure(VXRC_BUFFER_ERROR);
  return Status::ok();
}

MsgId makeId(uint64_t instance, uint64_t count, int64_t now) {
  MsgId id{};
  uint64_t millis = static_cast<uint64_t>(now);
  std::memcpy(id.data(), &instance, 8);
  std::memcpy(id.data() + 8, &count, 8);
  std::memcpy(id.data() + 16, &millis, 8);
  return id;
}

}  // namespace

MsgId QueueManager::newId() {
  return makeId(instance_, nextId_.fetch_add(1, std::memory_order_relaxed) + 1, systemClock().nowMs());
}

MsgId QueueManager::newId(Connection& connection, int64_t now) {
  if (connection.nextIdCount == connection.idCountsEnd) {
    connection.nextIdCount = nextId_.fetch_add(kIdCountsAhead, std::memory_order_relaxed) + 1;
    connection.idCountsEnd = connection.nextIdCount + kIdCountsAhead;
  }
  return makeId(instance_, connection.nextIdCount++, now);
}

bool QueueManager::roomInUnitOfWork(Connection& connection) {
  return workOf(connection).size() < static_cast<size_t>(config_.limits.maxUncommittedMessages);
}

Status QueueManager::checkDescriptor(const MessageDescriptor& md) const {
  if (md.priority < VXPRI_AS_QUEUE || md.priority > VXPRI_HIGHEST) {
    return Status::failure(VXRC_PRIORITY_ERROR);
  }
  if (md.persistence < VXPER_AS_QUEUE || md.persistence > VXPER_PERSISTENT) {
    return Status::failure(VXRC_PERSISTENCE_ERROR);
  }
  if (md.expiry < 0) return Status::failure(VXRC_EXPIRY_ERROR);
  return Status::ok();
}

void QueueManager::stamp(Connection& connection, const QueueAttributes& attributes,
                         MessageDescriptor& md, const PutOptions& options) {
  int64_t now = options.putTime >= 0 ? options.putTime : systemClock().nowMs();
  if (options.newMsgId || allZero(md.msgId)) md.msgId = newId(connection, now);
  if (options.newCorrelId) md.correlId = newId(connection, now);
  if (md.priority == VXPRI_AS_QUEUE) md.priority = attributes.defaultPriority;
  if (md.persistence == VXPER_AS_QUEUE) md.persistence = attributes.defaultPersistence;
  md.userIdentifier = connection.identity;
  md.backoutCount = 0;
  char date[8], time[8];
  putDateAndTime(now, date, time);
  md.putDate.assign(date, 8);
  md.putTime.assign(time, 8);
}

Status QueueManager::putTo(Connection& connection, const std::shared_ptr<Queue>& queue,
                           MessageDescriptor& md, const PutOptions& options, const void* data,
                           int32_t length, PutResult& result, std::unique_lock<QmLock>& lock) {
  // A shared store checks the queue's attributes itself: what this process
  // has of them may be stale.
  bool local = !store_->shared();
  const QueueAttributes& attributes = queue->attributes();
  if (queue->deleted()) return Status::failure(VXRC_OBJECT_DELETED);
  if (local && attributes.inhibitPut) return Status::failure(VXRC_PUT_INHIBITED);
  Status status = checkDescriptor(md);
  if (status.failed()) return status;
  if ((local && length > attributes.maxMsgLength) || length > config_.limits.maxMsgLength) {
    return Status::failure(VXRC_MSG_TOO_BIG_FOR_QUEUE);
  }
  if (local && queue->depth() >= attributes.maxDepth) return Status::failure(VXRC_QUEUE_FULL);
  if (options.syncpoint && !roomInUnitOfWork(connection)) return Status::failure(VXRC_SYNCPOINT_LIMIT);

  // A long message is copied with the lock let go, and the queue checked
  // again, since another thread may have filled or changed it; a short one
  // costs less to copy than to take the lock again.
  bool letGo = length > kCopiedUnderLock;
  if (letGo) lock.unlock();
  std::unique_ptr<StoredMessage> message =
      letGo ? std::make_unique<StoredMessage>() : messageBlock(connection, length);
  if (length > 0) assignBytes(message->data, data, static_cast<size_t>(length));
  if (letGo) {
    lock.lock();
    if (queue->deleted()) return Status::failure(VXRC_OBJECT_DELETED);
    // Where syncpoint work goes may have changed meanwhile (an XA branch ended).
    if (options.syncpoint && !roomInUnitOfWork(connection)) {
      return Status::failure(VXRC_SYNCPOINT_LIMIT);
    }
  }

  MessageDescriptor stamped = md;
  stamp(connection, queue->definition().attributes, stamped, options);
  message->md = stamped;
  message->properties = propertiesOf(connection, options.msgHandle);
  message->expiresAt = stamped.expiry > 0 ? clock_.nowMs() + stamped.expiry : 0;
  status = store_->put(&connection, queue, std::move(message),
                       options.syncpoint ? &workOf(connection) : nullptr);
  if (status.failed()) return status;
  md = std::move(stamped);
  result.resolvedQName = queue->name();
  result.resolvedQMgrName = config_.name;
  return Status::ok();
}

int32_t QueueManager::expiryLeft(int64_t expiresAt) {
  if (expiresAt == 0) return 0;
  int64_t left = std::max<int64_t>(1, expiresAt - clock_.nowMs());
  return static_cast<int32_t>(std::min<int64_t>(left, INT32_MAX));
}

// Moves spare blocks from one list to the other while the other has room.
void QueueManager::moveSpares(std::vector<std::unique_ptr<StoredMessage>>& from,
                              std::vector<std::unique_ptr<StoredMessage>>& to) {
  while (!from.empty() && to.size() < kSpareMessages) {
    to.push_back(std::move(from.back()));
    from.pop_back();
  }
}

// Blocks pass between a connection's own spares and the queue manager's in
// batches, so that a producer and a consumer on different connections take
// the shared spin lock once in many messages, not at each.
std::unique_ptr<StoredMessage> QueueManager::messageBlock(Connection& connection, int32_t length) {
  std::vector<std::unique_ptr<StoredMessage>>& own = connection.spareMessages;
  if (own.empty()) {
    std::lock_guard<SpinLock> guard(spareLock_);
    moveSpares(spareMessages_, own);
  }
  if (own.empty()) return std::make_unique<StoredMessage>();
  std::unique_ptr<StoredMessage> message = std::move(own.back());
  own.pop_back();
  message->data.clear();
  // A block that held a much longer message gives that room back: a short
  // message that waits on a queue holds no more than it needs.
  if (message->data.capacity() > 2 * static_cast<size_t>(length) + 64) message->data.shrink_to_fit();
  return message;
}

void QueueManager::keepMessageBlock(Connection& connection, std::unique_ptr<StoredMessage>& message) {
  message->properties.reset();
  std::vector<std::unique_ptr<StoredMessage>>& own = connection.spareMessages;
  if (own.size() == kSpareMessages) {
    std::lock_guard<SpinLock> guard(spareLock_);
    moveSpares(own, spareMessages_);
  }
  // With both full, the block is freed.
  if (own.size() < kSpareMessages) own.push_back(std::move(message));
}

// Every put is counted in the connection's put status.
Status QueueManager::put(int32_t hconn, int32_t hobj, MessageDescriptor& md,
                         const PutOptions& options, const void* data, int32_t length,
                         PutResult& result) {
  if (sharedPut(hconn, hobj, md, options, data, length, result)) return Status::ok();
  std::unique_lock<QmLock> lock;
  Call call(*this, hconn, VXCALL_PUT, lock);
  if (!call.connection) return call.status;
  PutTarget target;
  Status status = putToHandle(*call.connection, hobj, md, options, data, length, result, target, lock);
  call.connection->putStatus.record(status, target);
  return status;
}

Status QueueManager::putToHandle(Connection& connection, int32_t hobj, MessageDescriptor& md,
                                 const PutOptions& options, const void* data, int32_t length,
                                 PutResult& result, PutTarget& target,
                                 std::unique_lock<QmLock>& lock) {
  Status status = checkBuffer(data, length);
  if (status.failed()) return status;
  ObjectHandle* handle = findHandle(connection, hobj);
  if (handle == nullptr) {
    auto topic = connection.topicHandles.find(hobj);
    if (topic == connection.topicHandles.end()) return Status::failure(VXRC_HOBJ_ERROR);
    target.type = VXOT_TOPIC;
    std::string topicString = topic->second.topic;
    return publish(connection, topicString, md, options, data, length, result, lock);
  }
  target = {VXOT_QUEUE, handle->queue->name()};
  if (!handle->options.output) return Status::failure(VXRC_NOT_OPEN_FOR_OUTPUT);
  status = checkPutOptions(connection, options, false);
  if (status.failed()) return status;
  // Only this call can change this connection's handles: the handle keeps
  // the queue, also while a long message is copied.
  return putTo(connection, handle->queue, md, options, data, length, result, lock);
}

Status QueueManager::put1(int32_t hconn, const ObjectRequest& object, MessageDescriptor& md,
                          const PutOptions& options, const void* data, int32_t length,
                          PutResult& result) {
  std::unique_lock<QmLock> lock;
  Call call(*this, hconn, VXCALL_PUT1, lock);
  if (!call.connection) return call.status;
  PutTarget target;
  Status status = putToObject(*call.connection, object, md, options, data, length, result, target, lock);
  call.connection->putStatus.record(status, target);
  return status;
}

Status QueueManager::putToObject(Connection& connection, const ObjectRequest& object,
                                 MessageDescriptor& md, const PutOptions& options,
                                 const void* data, int32_t length, PutResult& result,
                                 PutTarget& target, std::unique_lock<QmLock>& lock) {
  Status status = checkBuffer(data, length);
  if (status.failed()) return status;
  if (object.type == VXOT_TOPIC) {
    if (!object.qmgrName.empty() && object.qmgrName != config_.name) {
      return Status::failure(VXRC_QMGR_NAME_ERROR);
    }
    target.type = VXOT_TOPIC;
    if (!object.name.empty()) return Status::failure(VXRC_UNKNOWN_OBJECT_NAME);
    if (!validTopicString(object.topicString, TopicUse::Publication)) {
      return Status::failure(VXRC_TOPIC_STRING_ERROR);
    }
    return publish(connection, object.topicString, md, options, data, length, result, lock);
  }
  std::shared_ptr<Queue> queue;
  status = resolve(&connection, object, queue);
  if (status.failed()) return status;
  target = {VXOT_QUEUE, queue->name()};
  if (queue->type() == QueueType::Model) return Status::failure(VXRC_MODEL_QUEUE_ERROR);
  status = checkPutOptions(connection, options, false);
  if (status.failed()) return status;
  return putTo(connection, queue, md, options, data, length, result, lock);
}

Status QueueManager::get(int32_t hconn, int32_t hobj, MessageDescriptor& md,
                         const GetOptions& options, void* buffer, int32_t bufferLength,
                         int32_t& dataLength, GetResult& result) {
  Status shared;
  if (sharedGet(hconn, hobj, md, options, buffer, bufferLength, dataLength, result, shared)) return shared;
  std::unique_lock<QmLock> lock;
  Call call(*this, hconn, VXCALL_GET, lock);
  if (!call.connection) return call.status;
  Connection& connection = *call.connection;
  bool browse = options.browse != Browse::None;
  if (browse && options.syncpoint) return Status::failure(VXRC_GET_OPTIONS_ERROR);
  if (options.wait && options.waitInterval < VXWI_UNLIMITED) {
    return Status::failure(VXRC_WAIT_INTERVAL_ERROR);
  }
  Status status = checkBuffer(buffer, bufferLength);
  if (status.failed()) return status;
  if (options.msgHandle != 0 && connection.messageHandles.find(options.msgHandle) == nullptr) {
    return Status::failure(VXRC_HMSG_ERROR);
  }

  ObjectHandle* handle = findHandle(connection, hobj);
  if (handle == nullptr) return Status::failure(VXRC_HOBJ_ERROR);
  if (browse && !handle->options.browse) return Status::failure(VXRC_NOT_OPEN_FOR_BROWSE);
  if (!browse && !handle->options.input()) return Status::failure(VXRC_NOT_OPEN_FOR_INPUT);
  // Only this call can change this connection's handles while it runs: the
  // handle keeps the queue.
  const std::shared_ptr<Queue>& queue = handle->queue;
  Match match{options.matchMsgId, md.msgId, options.matchCorrelId, md.correlId};
  bool unlimited = options.waitInterval == VXWI_UNLIMITED;
  // The clock is read only by a get that waits for a while.
  auto deadline = options.wait && !unlimited
                      ? std::chrono::steady_clock::now() + std::chrono::milliseconds(options.waitInterval)
                      : std::chrono::steady_clock::time_point();

  Fetch request;
  request.mode = browse ? Fetch::Mode::Browse : options.syncpoint ? Fetch::Mode::Hold : Fetch::Mode::Remove;
  request.match = match;
  request.limit = bufferLength;
  request.acceptTruncated = options.acceptTruncated;
  request.buffer = buffer;
  bool local = !store_->shared();
  Fetched fetched;
  for (;;) {
    if (queue->deleted()) return Status::failure(VXRC_OBJECT_DELETED);
    if (local && queue->attributes().inhibitGet) return Status::failure(VXRC_GET_INHIBITED);
    if (options.syncpoint && !roomInUnitOfWork(connection)) {
      return Status::failure(VXRC_SYNCPOINT_LIMIT);
    }
    bool next = options.browse == Browse::Next && handle->browsing;
    request.after = next ? &handle->browseCursor : nullptr;
    request.work = options.syncpoint ? &workOf(connection) : nullptr;
    request.now = ExpiryTime(clock_);
    uint64_t seen = queue->generation();
    status = store_->fetch(connection, queue, request, fetched);
    if (status.failed()) return status;
    if (fetched.found) break;
    // After the deadline the queue has had its last look.
    if (!options.wait || (!unlimited && std::chrono::steady_clock::now() >= deadline)) {
      return Status::failure(VXRC_NO_MSG_AVAILABLE);
    }
    ++queue->waiters();
    if (local) {
      if (unlimited) {
        queue->available().wait(lock);
      } else {
        queue->available().wait_until(lock, deadline);
      }
    } else {
      // Other processes' puts arrive as notifications; a missed one costs
      // at most the poll interval.
      auto poll = std::chrono::steady_clock::now() + std::chrono::milliseconds(config_.sharedPollMs);
      auto until = unlimited ? poll : std::min(poll, deadline);
      queue->available().wait_until(lock, until, [&] { return queue->generation() != seen; });
    }
    --queue->waiters();
  }

  int32_t length = fetched.length;
  dataLength = length;
  result.msgLength = length;
  result.resolvedQName = queue->name();
  if (fetched.left) {
    result.msgId = fetched.md.msgId;
    result.returnedLength = 0;
    return Status::failure(VXRC_TRUNCATED_MSG_FAILED);
  }
  bool fits = length <= bufferLength;
  int32_t returned = std::min(length, bufferLength);
  result.returnedLength = returned;
  if (options.msgHandle != 0) {
    MessageHandle* receiver = connection.messageHandles.find(options.msgHandle);
    receiver->properties = fetched.properties ? *fetched.properties : PropertyList();
    receiver->cursor = 0;
  }
  int32_t left = expiryLeft(fetched.expiresAt);
  Status outcome = fits ? Status::ok() : Status::warning(VXRC_TRUNCATED_MSG_ACCEPTED);

  if (browse) {
    handle->browsing = true;
    handle->browseCursor = fetched.key;
  }
  // A short message taken off is copied out under the lock, and its block
  // kept for a later put; a long one once the lock is let go.
  bool shortMessage = isShortBlock(fetched.message);
  if (fetched.message && !shortMessage) lock.unlock();
  if (fetched.message) copyBytes(buffer, fetched.message->data.data(), static_cast<size_t>(returned));
  MessageDescriptor& found = fetched.descriptor();
  result.msgId = found.msgId;
  md = std::move(found);
  if (shortMessage) keepMessageBlock(connection, fetched.message);
  md.expiry = left;
  return outcome;
}

}  // namespace vxqm
