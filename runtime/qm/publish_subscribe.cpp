// Topics, publications and subscriptions: opening a topic, publishing to
// it, subscribing with a managed or named destination, durable and not,
// retained publications, closing topic and subscription handles, and the
// status of a connection's puts.
#include <algorithm>

#include "qm/call.h"
#include "qm/copy_bytes.h"
#include "qm/queue_manager.h"
#include "qm/topic_string.h"
#include "vx/spi.h"

namespace vxqm {

namespace {

constexpr int32_t kKnownSubOptions = VXSO_CREATE | VXSO_RESUME | VXSO_DURABLE | VXSO_MANAGED |
                                     VXSO_NEW_PUBLICATIONS_ONLY | VXSO_SET_CORREL_ID;

bool validSubName(const std::string& name) {
  return !name.empty() && name.size() <= static_cast<size_t>(VX_MAX_SUB_NAME_LENGTH) &&
         name.find('\0') == std::string::npos;
}

}  // namespace

size_t QueueManager::openObjects(const Connection& connection) const {
  return connection.handles.size() + connection.topicHandles.size() + connection.subscriptions.size();
}

Status QueueManager::checkPutOptions(Connection& connection, const PutOptions& options, bool toTopic) {
  if (options.msgHandle != 0 && connection.messageHandles.find(options.msgHandle) == nullptr) {
    return Status::failure(VXRC_HMSG_ERROR);
  }
  if (options.retain && (!toTopic || options.syncpoint)) return Status::failure(VXRC_PUT_OPTIONS_ERROR);
  return Status::ok();
}

Status QueueManager::openTopic(Connection& connection, const ObjectRequest& object,
                               const OpenOptions& options, int32_t& hobj,
                               ObjectResolution& resolution) {
  if (!object.qmgrName.empty() && object.qmgrName != config_.name) {
    return Status::failure(VXRC_QMGR_NAME_ERROR);
  }
  if (!object.name.empty()) return Status::failure(VXRC_UNKNOWN_OBJECT_NAME);
  if (!validTopicString(object.topicString, TopicUse::Publication)) {
    return Status::failure(VXRC_TOPIC_STRING_ERROR);
  }
  if (!options.output || options.input() || options.browse || options.inquire || options.set) {
    return Status::failure(VXRC_OPEN_OPTIONS_ERROR);
  }
  int32_t handle = newHandle();
  connection.topicHandles.emplace(handle, TopicHandle{object.topicString});
  resolution = {std::string(), std::string(), config_.name, VXOT_TOPIC, object.topicString};
  hobj = handle;
  return Status::ok();
}

bool QueueManager::deliver(Connection* connection, const Subscription& subscription,
                           const MessageDescriptor& md, const std::vector<uint8_t>& data,
                           const std::shared_ptr<const PropertyList>& properties, int64_t expiresAt,
                           UnitOfWork& work) {
  auto message = std::make_unique<StoredMessage>();
  message->md = md;
  message->md.correlId = subscription.correlId;
  assignBytes(message->data, data.data(), data.size());
  message->properties = properties;
  message->expiresAt = expiresAt;
  return !store_->put(connection, subscription.destination, std::move(message), &work).failed();
}

// A publication goes to every subscription that matches its topic at the
// time of the put, as a message of its own on each destination; one that a
// destination cannot take (full, put-inhibited, deleted, too long) is counted
// and the others still get theirs.
Status QueueManager::publish(Connection& connection, const std::string& topic, MessageDescriptor& md,
                             const PutOptions& options, const void* data, int32_t length,
                             PutResult& result, std::unique_lock<QmLock>& lock) {
  Status status = checkPutOptions(connection, options, true);
  if (status.failed()) return status;
  status = checkDescriptor(md);
  if (status.failed()) return status;
  if (length > config_.limits.maxMsgLength) return Status::failure(VXRC_MSG_TOO_BIG_FOR_QUEUE);

  lock.unlock();
  std::vector<uint8_t> bytes;
  if (length > 0) assignBytes(bytes, data, static_cast<size_t>(length));
  lock.lock();

  std::vector<std::shared_ptr<Subscription>> subscribers;
  status = store_->matchingSubscriptions(connection, topic, subscribers);
  if (status.failed()) return status;
  if (options.syncpoint && workOf(connection).size() + subscribers.size() >
                               static_cast<size_t>(config_.limits.maxUncommittedMessages)) {
    return Status::failure(VXRC_SYNCPOINT_LIMIT);
  }
  stamp(connection, QueueAttributes(), md, options);
  std::shared_ptr<const PropertyList> properties = propertiesOf(connection, options.msgHandle);
  int64_t expiresAt = md.expiry > 0 ? clock_.nowMs() + md.expiry : 0;
  // Outside syncpoint the copies still appear together, as one unit.
  UnitOfWork together;
  UnitOfWork& work = options.syncpoint ? workOf(connection) : together;
  int32_t delivered = 0;
  for (const std::shared_ptr<Subscription>& subscription : subscribers) {
    if (deliver(&connection, *subscription, md, bytes, properties, expiresAt, work)) ++delivered;
  }
  if (!options.syncpoint && together.hasWork()) {
    status = store_->commit(&connection, together);
    if (status.failed()) return status;
  }
  if (options.retain) {
    status = store_->retain(connection, topic, {md, std::move(bytes), properties, expiresAt});
    if (status.failed()) return status;
  }

  PutStatus& counts = connection.putStatus;
  PutStatus::add(counts.publications, 1);
  PutStatus::add(counts.deliveries, delivered);
  PutStatus::add(counts.deliveryFailures, static_cast<int64_t>(subscribers.size()) - delivered);
  result.resolvedQName.clear();
  result.resolvedQMgrName = config_.name;
  if (static_cast<size_t>(delivered) < subscribers.size()) {
    return Status::warning(VXRC_NOT_ALL_DELIVERED);
  }
  return Status::ok();
}

int32_t QueueManager::deliverRetained(Connection& connection, const Subscription& subscription,
                                      int32_t& matched) {
  std::vector<RetainedPublication> publications;
  matched = 0;
  if (store_->retainedFor(connection, subscription, clock_.nowMs(), publications).failed()) return 0;
  matched = static_cast<int32_t>(publications.size());
  UnitOfWork together;
  int32_t delivered = 0;
  for (const RetainedPublication& publication : publications) {
    if (deliver(&connection, subscription, publication.md, publication.data, publication.properties,
                publication.expiresAt, together)) {
      ++delivered;
    }
  }
  if (together.hasWork() && store_->commit(&connection, together).failed()) return 0;
  return delivered;
}

int32_t QueueManager::openManagedHandle(Connection& connection, const std::shared_ptr<Queue>& queue) {
  OpenOptions options;
  options.inputShared = true;
  options.browse = true;
  options.inquire = true;
  store_->opened(connection, *queue, options);
  int32_t handle = newHandle();
  connection.handles.emplace(handle, ObjectHandle{queue, options, false, {}});
  ++queue->counts().handles;
  ++queue->counts().input;
  return handle;
}

Status QueueManager::createSubscription(Connection& connection, const SubscribeRequest& request,
                                        int32_t hsub, int32_t& hobj,
                                        std::shared_ptr<Subscription>& made) {
  bool durable = (request.options & VXSO_DURABLE) != 0;
  bool managed = (request.options & VXSO_MANAGED) != 0;
  if (!validTopicString(request.topic, TopicUse::Subscription)) {
    return Status::failure(VXRC_TOPIC_STRING_ERROR);
  }
  if (durable && request.name.empty()) return Status::failure(VXRC_SUB_NAME_ERROR);
  size_t subscriptions = 0;
  Status status = store_->subscriptionCount(connection, subscriptions);
  if (status.failed()) return status;
  if (subscriptions >= static_cast<size_t>(VX_MAX_SUBSCRIPTIONS)) {
    return Status::failure(VXRC_SUBSCRIPTION_LIMIT);
  }
  if (openObjects(connection) + (managed ? 2 : 1) >
      static_cast<size_t>(config_.limits.maxHandlesPerConnection)) {
    return Status::failure(VXRC_HANDLE_LIMIT);
  }
  std::shared_ptr<Queue> destination;
  if (managed) {
    status = makeQueue(connection, "VX.MANAGED.", QueueDefinition(), QueueOrigin{0, true}, destination);
    if (status.failed()) return status;
  } else {
    ObjectHandle* handle = findHandle(connection, hobj);
    if (handle == nullptr) {
      bool other = connection.topicHandles.count(hobj) != 0 || connection.subscriptions.count(hobj) != 0;
      return Status::failure(other ? VXRC_DESTINATION_ERROR : VXRC_HOBJ_ERROR);
    }
    destination = handle->queue;
    if (destination->deleted()) return Status::failure(VXRC_OBJECT_DELETED);
  }
  auto subscription = std::make_shared<Subscription>();
  subscription->name = request.name;
  subscription->topic = request.topic;
  subscription->levels = topicLevels(request.topic);
  subscription->durable = durable;
  subscription->managed = managed;
  subscription->destination = destination;
  subscription->correlId = (request.options & VXSO_SET_CORREL_ID) != 0 ? request.correlId : newId();
  subscription->hconn = connection.hconn();
  subscription->hsub = hsub;
  status = store_->addSubscription(connection, subscription);
  if (status.failed()) {
    if (managed) deleteQueue(&connection, destination);
    return status;
  }
  if (managed) hobj = openManagedHandle(connection, destination);
  made = std::move(subscription);
  return Status::ok();
}

// Takes a named subscription up on the connection, with a handle on its
// managed queue.
Status QueueManager::resumeSubscription(Connection& connection, Subscription& subscription,
                                        int32_t hsub, int32_t& hobj) {
  Status status = store_->holdSubscription(&connection, subscription, connection.hconn(), hsub);
  if (status.failed()) return status;
  if (openObjects(connection) + (subscription.managed ? 2 : 1) >
      static_cast<size_t>(config_.limits.maxHandlesPerConnection)) {
    status = Status::failure(VXRC_HANDLE_LIMIT);
  } else if (subscription.managed && subscription.destination->counts().exclusiveInput > 0) {
    status = Status::failure(VXRC_OBJECT_IN_USE);
  }
  if (status.failed()) {
    store_->holdSubscription(&connection, subscription, 0, 0);
    return status;
  }
  if (subscription.managed) hobj = openManagedHandle(connection, subscription.destination);
  return Status::ok();
}

Status QueueManager::subscribe(int32_t hconn, const SubscribeRequest& request, int32_t& hobj,
                               int32_t& hsub, SubscribeResult& result) {
  Call call(*this, hconn, request.privateCall ? int32_t{VXCALL_SPI_SUBSCRIBE} : int32_t{VXCALL_SUB});
  if (!call.connection) return call.status;
  Connection& connection = *call.connection;
  if (request.privateCall && !connection.privileged) return Status::failure(VXRC_NOT_PRIVILEGED);
  int32_t options = request.options;
  if ((options & ~kKnownSubOptions) != 0 || (options & (VXSO_CREATE | VXSO_RESUME)) == 0) {
    return Status::failure(VXRC_SUB_OPTIONS_ERROR);
  }
  if (!request.name.empty() && !validSubName(request.name)) {
    return Status::failure(VXRC_SUB_NAME_ERROR);
  }
  std::lock_guard<QmLock> lock(mutex_);
  std::shared_ptr<Subscription> subscription;
  if (!request.name.empty()) {
    Status status = store_->namedSubscription(connection, request.name, subscription);
    if (status.failed()) return status;
  }
  bool created = !subscription;
  if (!created && (options & VXSO_RESUME) == 0) return Status::failure(VXRC_DUPLICATE_SUBSCRIPTION);
  if (created && (options & VXSO_CREATE) == 0) {
    return Status::failure(request.name.empty() ? VXRC_SUB_NAME_ERROR : VXRC_NO_SUBSCRIPTION);
  }
  int32_t handle = newHandle();
  Status status = created ? createSubscription(connection, request, handle, hobj, subscription)
                          : resumeSubscription(connection, *subscription, handle, hobj);
  if (status.failed()) {
    liveHandles_.erase(handle);
    return status;
  }
  hsub = handle;
  connection.subscriptions.emplace(hsub, subscription);
  result.correlId = subscription->correlId;
  result.destination = subscription->destination->name();
  // What a destination cannot take of the retained publications is not
  // reported here: VXSUBRQ asks for them again.
  int32_t matched = 0;
  if (created ? (options & VXSO_NEW_PUBLICATIONS_ONLY) == 0 : request.retainedAtResume) {
    result.retained = deliverRetained(connection, *subscription, matched);
  }
  return Status::ok();
}

Status QueueManager::requestPublications(int32_t hconn, int32_t hsub, int32_t action, int32_t& count,
                                         int32_t* matchedOut, bool privateCall) {
  Call call(*this, hconn, privateCall ? int32_t{VXCALL_SPI_SUBSCRIPTION_REQUEST} : int32_t{VXCALL_SUBRQ});
  if (!call.connection) return call.status;
  if (privateCall && !call.connection->privileged) return Status::failure(VXRC_NOT_PRIVILEGED);
  std::lock_guard<QmLock> lock(mutex_);
  auto it = call.connection->subscriptions.find(hsub);
  if (it == call.connection->subscriptions.end()) return Status::failure(VXRC_HSUB_ERROR);
  if (action != VXSR_RETAINED) return Status::failure(VXRC_SUBRQ_ACTION_ERROR);
  int32_t matched = 0;
  count = deliverRetained(*call.connection, *it->second, matched);
  if (matchedOut != nullptr) *matchedOut = matched;
  if (matched == 0) return Status::warning(VXRC_NO_RETAINED_MSG);
  return count < matched ? Status::warning(VXRC_NOT_ALL_DELIVERED) : Status::ok();
}

Status QueueManager::putStatus(int32_t hconn, PutStatus& status) {
  Call call(*this, hconn, VXCALL_STAT);
  if (!call.connection) return call.status;
  status = call.connection->putStatus;
  call.connection->putStatus = PutStatus();
  return Status::ok();
}

void QueueManager::endSubscription(Connection* connection,
                                   const std::shared_ptr<Subscription>& subscription) {
  store_->removeSubscription(connection, *subscription);
  if (subscription->managed) deleteQueue(connection, subscription->destination);
  subscription->hconn = 0;
  subscription->hsub = 0;
}

Status QueueManager::closeTopicOrSubscription(Connection& connection, int32_t& hobj, int32_t options) {
  auto topic = connection.topicHandles.find(hobj);
  if (topic != connection.topicHandles.end()) {
    if (options != VXCO_NONE) return Status::failure(VXRC_CLOSE_OPTIONS_ERROR);
    connection.topicHandles.erase(topic);
    liveHandles_.erase(hobj);
    hobj = 0;
    return Status::ok();
  }
  auto it = connection.subscriptions.find(hobj);
  if (it == connection.subscriptions.end()) return Status::failure(VXRC_HOBJ_ERROR);
  if ((options & ~(VXCO_KEEP_SUB | VXCO_REMOVE_SUB)) != 0 ||
      options == (VXCO_KEEP_SUB | VXCO_REMOVE_SUB)) {
    return Status::failure(VXRC_CLOSE_OPTIONS_ERROR);
  }
  std::shared_ptr<Subscription> subscription = it->second;
  connection.subscriptions.erase(it);
  liveHandles_.erase(hobj);
  if (!subscription->durable || (options & VXCO_REMOVE_SUB) != 0) {
    endSubscription(&connection, subscription);
  } else {
    store_->holdSubscription(&connection, *subscription, 0, 0);
  }
  hobj = 0;
  return Status::ok();
}

void QueueManager::leaveTopics(Connection& connection) {
  for (auto& entry : connection.subscriptions) {
    liveHandles_.erase(entry.first);
    const std::shared_ptr<Subscription>& subscription = entry.second;
    if (subscription->durable) {
      store_->holdSubscription(&connection, *subscription, 0, 0);
    } else {
      endSubscription(&connection, subscription);
    }
  }
  connection.subscriptions.clear();
  for (auto& entry : connection.topicHandles) liveHandles_.erase(entry.first);
  connection.topicHandles.clear();
  connection.messageHandles = MessageHandles();
}

}  // namespace vxqm
