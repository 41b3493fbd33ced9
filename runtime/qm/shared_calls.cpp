// Puts and gets made with the queue manager's lock held shared: those on
// different queues then run side by side, and those on one queue hold its
// own mutex only for adding or taking the message. Everything that is not
// the plain case, and every failure but an empty queue, is left to the
// whole call, so that each has one place that decides it.
#include <algorithm>

#include "qm/copy_bytes.h"
#include "qm/queue_manager.h"

namespace vxqm {

namespace {

// Gives the connection back at the end of the scope.
class SharedClaim {
 public:
  explicit SharedClaim(Connection* connection) : connection_(connection) {}
  ~SharedClaim() {
    if (connection_ != nullptr) connection_->release();
  }
  SharedClaim(const SharedClaim&) = delete;
  SharedClaim& operator=(const SharedClaim&) = delete;

 private:
  Connection* connection_;
};

}  // namespace

// A connection with consumers takes turns with its dispatcher, which the
// whole call arranges; one being disconnected is the whole call's too.
Connection* QueueManager::claimShared(int32_t hconn, int32_t call) {
  auto it = connections_.find(hconn);
  if (it == connections_.end()) return nullptr;
  Connection* connection = it->second.get();
  if (connection->consumers.used.load() || connection->closed.load()) return nullptr;
  if (!connection->claim(call)) return nullptr;
  if (connection->consumers.used.load()) {
    connection->release();
    return nullptr;
  }
  return connection;
}

bool QueueManager::sharedPut(int32_t hconn, int32_t hobj, MessageDescriptor& md,
                             const PutOptions& options, const void* data, int32_t length,
                             PutResult& result) {
  if (!sharedCalls_ || options.syncpoint || options.retain || length < 0 ||
      length > kCopiedUnderLock || (data == nullptr && length > 0) || checkDescriptor(md).failed()) {
    return false;
  }
  // The clock is read before the lock is taken: not while others wait for it.
  PutOptions timed = options;
  timed.putTime = systemClock().nowMs();
  SharedHold hold(mutex_);
  if (!hold.held()) return false;
  Connection* connection = claimShared(hconn, VXCALL_PUT);
  if (connection == nullptr) return false;
  SharedClaim claimed(connection);
  ObjectHandle* handle = findHandle(*connection, hobj);
  if (handle == nullptr || !handle->options.output) return false;
  if (checkPutOptions(*connection, options, false).failed()) return false;
  Queue& queue = *handle->queue;
  // The attributes change only with the lock held whole.
  const QueueAttributes& attributes = queue.attributes();
  if (queue.deleted() || attributes.inhibitPut || length > attributes.maxMsgLength ||
      length > config_.limits.maxMsgLength) {
    return false;
  }

  std::unique_ptr<StoredMessage> message = messageBlock(*connection, length);
  if (length > 0) assignBytes(message->data, data, static_cast<size_t>(length));
  MessageDescriptor stamped = md;
  // A put that goes the whole way after all stamps again, with the same counts.
  uint64_t idCount = connection->nextIdCount;
  uint64_t idCountsEnd = connection->idCountsEnd;
  stamp(*connection, attributes, stamped, timed);
  message->md = stamped;
  message->properties = propertiesOf(*connection, options.msgHandle);
  message->expiresAt = stamped.expiry > 0 ? clock_.nowMs() + stamped.expiry : 0;
  message->state = MessageState::Visible;
  bool full;
  {
    std::lock_guard<SpinLock> guard(queue.sharedAccess());
    full = queue.depth() >= attributes.maxDepth;
    if (!full) queue.add(std::move(message), false);
  }
  if (full) {
    keepMessageBlock(*connection, message);
    connection->nextIdCount = idCount;
    connection->idCountsEnd = idCountsEnd;
    return false;
  }
  // Getters and dispatchers waiting on the queue wait on condition variables
  // that take their own mutex before they let the lock go: a wake-up made
  // with the lock held shared is not lost.
  queue.wake();
  md = std::move(stamped);
  result.resolvedQName = queue.name();
  result.resolvedQMgrName = config_.name;
  connection->putStatus.recordSuccess();
  ++connection->sharedCalls;
  return true;
}

bool QueueManager::sharedGet(int32_t hconn, int32_t hobj, MessageDescriptor& md,
                             const GetOptions& options, void* buffer, int32_t bufferLength,
                             int32_t& dataLength, GetResult& result, Status& status) {
  if (!sharedCalls_ || options.syncpoint || options.browse != Browse::None || options.msgHandle != 0 ||
      (options.wait && options.waitInterval < VXWI_UNLIMITED) || bufferLength < 0 ||
      (buffer == nullptr && bufferLength > 0)) {
    return false;
  }
  SharedHold hold(mutex_);
  if (!hold.held()) return false;
  Connection* connection = claimShared(hconn, VXCALL_GET);
  if (connection == nullptr) return false;
  SharedClaim claimed(connection);
  ObjectHandle* handle = findHandle(*connection, hobj);
  if (handle == nullptr || !handle->options.input()) return false;
  Queue& queue = *handle->queue;
  if (queue.deleted() || queue.attributes().inhibitGet) return false;

  Match match{options.matchMsgId, md.msgId, options.matchCorrelId, md.correlId};
  ExpiryTime now(clock_);
  std::unique_ptr<StoredMessage> message;
  int32_t length = 0;
  int32_t returned = 0;
  {
    std::lock_guard<SpinLock> guard(queue.sharedAccess());
    MessageKey key;
    StoredMessage* found = queue.find(match, nullptr, now, key);
    if (found == nullptr) {
      // A get that would wait waits with the lock held whole.
      if (options.wait) return false;
      status = Status::failure(VXRC_NO_MSG_AVAILABLE);
      ++connection->sharedCalls;
      return true;
    }
    length = static_cast<int32_t>(found->data.size());
    if (length > bufferLength && !options.acceptTruncated) return false;
    returned = std::min(length, bufferLength);
    message = queue.take(key);
  }
  // Taken off, the message is this call's alone: it is copied out after the
  // queue's lock is let go, and a short one's block is kept for a put.
  copyBytes(buffer, message->data.data(), static_cast<size_t>(returned));
  dataLength = length;
  result.msgLength = length;
  result.returnedLength = returned;
  result.resolvedQName = queue.name();
  int32_t left = expiryLeft(message->expiresAt);
  result.msgId = message->md.msgId;
  md = std::move(message->md);
  md.expiry = left;
  if (isShortBlock(message)) keepMessageBlock(*connection, message);
  status = length <= bufferLength ? Status::ok() : Status::warning(VXRC_TRUNCATED_MSG_ACCEPTED);
  ++connection->sharedCalls;
  return true;
}

int64_t QueueManager::sharedCallsMade(int32_t hconn) {
  std::lock_guard<QmLock> lock(mutex_);
  auto it = connections_.find(hconn);
  return it != connections_.end() ? it->second->sharedCalls : 0;
}

}  // namespace vxqm
