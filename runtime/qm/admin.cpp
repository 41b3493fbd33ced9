// Administration of queues by the private calls: define (from a like queue),
// change, delete and inquire by name. Only a connection made by the
// privileged connect may use them.
//
// A definition takes these integer selectors, each with one value:
//   VXIA_MAX_DEPTH (1 or more), VXIA_MAX_MSG_LENGTH (0 to the queue manager's
//   limit), VXIA_INHIBIT_PUT and VXIA_INHIBIT_GET (VXINHIBIT_*),
//   VXIA_DEFAULT_PRIORITY (0 to 9), VXIA_DEFAULT_PERSISTENCE (VXPER_*);
// and the character selector VXCA_QUEUE_DESC with its 48 characters. Values
// come as for an inquiry: integers in selector order, characters end to end.
// Any other selector, or a value out of range, refuses the whole definition
// and names the selector in the attribute error.
#include <algorithm>

#include "qm/attribute_access.h"
#include "qm/call.h"
#include "qm/queue_manager.h"
#include "vx/spi.h"

namespace vxqm {

namespace {

// Applies one selector's value; the reason of a refusal otherwise.
int32_t apply(QueueAttributes& attributes, int32_t selector, int32_t value, int32_t maxMsgLength) {
  switch (selector) {
    case VXIA_MAX_DEPTH:
      if (value < 1) return VXRC_ATTR_VALUE_ERROR;
      attributes.maxDepth = value;
      return VXRC_NONE;
    case VXIA_MAX_MSG_LENGTH:
      if (value < 0 || value > maxMsgLength) return VXRC_ATTR_VALUE_ERROR;
      attributes.maxMsgLength = value;
      return VXRC_NONE;
    case VXIA_INHIBIT_PUT:
    case VXIA_INHIBIT_GET:
      if (value != VXINHIBIT_ALLOWED && value != VXINHIBIT_INHIBITED) return VXRC_ATTR_VALUE_ERROR;
      (selector == VXIA_INHIBIT_PUT ? attributes.inhibitPut : attributes.inhibitGet) =
          value == VXINHIBIT_INHIBITED;
      return VXRC_NONE;
    case VXIA_DEFAULT_PRIORITY:
      if (value < 0 || value > 9) return VXRC_ATTR_VALUE_ERROR;
      attributes.defaultPriority = value;
      return VXRC_NONE;
    case VXIA_DEFAULT_PERSISTENCE:
      if (value != VXPER_NOT_PERSISTENT && value != VXPER_PERSISTENT) return VXRC_ATTR_VALUE_ERROR;
      attributes.defaultPersistence = value;
      return VXRC_NONE;
    default:
      return VXRC_ATTR_NOT_SETTABLE;
  }
}

// Applies one character selector's value.
int32_t applyText(QueueAttributes& attributes, int32_t selector, const char* value) {
  if (selector != VXCA_QUEUE_DESC) return VXRC_ATTR_NOT_SETTABLE;
  attributes.description = fieldText(value, VX_NAME_LENGTH);
  return VXRC_NONE;
}

// Whether the arrays hold a value for every selector.
Status checkValues(const DefineRequest& request) {
  int32_t ints = 0;
  int32_t chars = 0;
  for (int32_t i = 0; i < request.selectorCount; ++i) {
    if (characterSelector(load(request.selectors, i))) {
      chars += VX_NAME_LENGTH;
    } else {
      ++ints;
    }
  }
  if (ints > request.intCount) return Status::failure(VXRC_INT_ATTR_COUNT_ERROR);
  if (chars > request.charLength) return Status::failure(VXRC_CHAR_ATTR_LENGTH_ERROR);
  return Status::ok();
}

bool matches(int32_t actual, const QueueFilter& filter) {
  switch (filter.op) {
    case LPIFLT_EQUAL: return actual == filter.value;
    case LPIFLT_LESS: return actual < filter.value;
    default: return actual > filter.value;
  }
}

}  // namespace

Status QueueManager::privileged(int32_t hconn) {
  std::lock_guard<QmLock> lock(mutex_);
  auto it = connections_.find(hconn);
  if (it == connections_.end() || it->second->closed.load()) return Status::failure(VXRC_HCONN_ERROR);
  return it->second->privileged ? Status::ok() : Status::failure(VXRC_NOT_PRIVILEGED);
}

Status QueueManager::defineQueue(int32_t hconn, const DefineRequest& request, AttributeError& error) {
  Call call(*this, hconn, VXCALL_SPI_DEFINE);
  if (!call.connection) return call.status;
  if (!call.connection->privileged) return Status::failure(VXRC_NOT_PRIVILEGED);
  if (!validObjectName(request.name)) return Status::failure(VXRC_OBJECT_SELECTOR_ERROR);
  if (request.queueType != 0 && request.queueType != VXQT_LOCAL && request.queueType != VXQT_MODEL) {
    return Status::failure(VXRC_OBJECT_SELECTOR_ERROR);
  }
  Status status = checkArrays(request.selectorCount, request.selectors, request.intCount,
                              request.intAttrs, request.charLength, request.charAttrs);
  if (status.failed()) return status;
  status = checkValues(request);
  if (status.failed()) return status;

  std::lock_guard<QmLock> lock(mutex_);
  Connection* connection = call.connection.get();
  std::shared_ptr<Queue> existing;
  status = store_->findQueue(connection, request.name, existing);
  if (status.failed() && status.reason != VXRC_UNKNOWN_OBJECT_NAME) return status;
  if (request.create && existing) return Status::failure(VXRC_OBJECT_ALREADY_EXISTS);
  if (!request.create && !existing) return Status::failure(VXRC_UNKNOWN_OBJECT_NAME);

  QueueDefinition definition;
  definition.name = request.name;
  if (existing) {
    definition = existing->definition();
  } else if (!request.likeName.empty()) {
    std::shared_ptr<Queue> like;
    status = store_->findQueue(connection, request.likeName, like);
    if (status.failed() && status.reason != VXRC_UNKNOWN_OBJECT_NAME) return status;
    if (!like || like->type() == QueueType::Dynamic) return Status::failure(VXRC_LIKE_OBJECT_ERROR);
    definition.type = like->type();
    definition.attributes = like->attributes();
  }
  if (request.create && request.queueType != 0) definition.type = static_cast<QueueType>(request.queueType);
  if (!request.create && request.queueType != 0 &&
      request.queueType != static_cast<int32_t>(definition.type)) {
    return Status::failure(VXRC_OBJECT_TYPE_ERROR);
  }
  int32_t nextInt = 0;
  const char* nextChars = request.charAttrs;
  for (int32_t i = 0; i < request.selectorCount; ++i) {
    int32_t selector = load(request.selectors, i);
    int32_t reason = VXRC_NONE;
    if (characterSelector(selector)) {
      reason = applyText(definition.attributes, selector, nextChars);
      nextChars += VX_NAME_LENGTH;
    } else {
      reason = apply(definition.attributes, selector, load(request.intAttrs, nextInt++),
                     config_.limits.maxMsgLength);
    }
    if (reason != VXRC_NONE) {
      error = {selector, reason};
      return Status::failure(reason);
    }
  }
  if (existing) return store_->changeQueue(connection, *existing, definition.attributes);
  std::shared_ptr<Queue> made;
  return store_->createQueue(connection, definition, QueueOrigin(), made);
}

// A queue that is open, or holds messages without purge, stays. A dynamic
// queue leaves its creator's list.
Status QueueManager::removeQueue(int32_t hconn, const std::string& name, bool purge) {
  Call call(*this, hconn, VXCALL_SPI_DELETE);
  if (!call.connection) return call.status;
  if (!call.connection->privileged) return Status::failure(VXRC_NOT_PRIVILEGED);
  std::lock_guard<QmLock> lock(mutex_);
  Connection& connection = *call.connection;
  std::shared_ptr<Queue> queue;
  Status status = store_->findQueue(&connection, name, queue);
  if (status.failed()) return status;
  if (queue->managed) return Status::failure(VXRC_MANAGED_QUEUE);
  if (queue->counts().handles > 0 || store_->openElsewhere(connection, *queue)) {
    return Status::failure(VXRC_OBJECT_IN_USE);
  }
  int32_t depth = 0;
  status = store_->depth(&connection, *queue, depth);
  if (status.failed()) return status;
  if (depth > 0 && !purge) return Status::failure(VXRC_QUEUE_NOT_EMPTY);
  status = store_->deleteQueue(&connection, *queue);
  if (status.failed()) return status;
  auto creator = connections_.find(queue->creator);
  if (creator != connections_.end()) {
    auto& made = creator->second->dynamicQueues;
    made.erase(std::remove(made.begin(), made.end(), queue), made.end());
  }
  return Status::ok();
}

Status QueueManager::inquireQueue(int32_t hconn, const std::string& name, const QueueFilter* filter,
                                  int32_t selectorCount, const int32_t* selectors, int32_t intCount,
                                  int32_t* intAttrs, int32_t charLength, char* charAttrs) {
  Call call(*this, hconn, VXCALL_SPI_INQUIRE);
  if (!call.connection) return call.status;
  if (!call.connection->privileged) return Status::failure(VXRC_NOT_PRIVILEGED);
  Status status = checkArrays(selectorCount, selectors, intCount, intAttrs, charLength, charAttrs);
  if (status.failed()) return status;
  if (filter != nullptr &&
      (!integerSelector(filter->selector) || filter->op < LPIFLT_EQUAL || filter->op > LPIFLT_GREATER)) {
    return Status::failure(VXRC_FILTER_ERROR);
  }
  std::lock_guard<QmLock> lock(mutex_);
  std::shared_ptr<Queue> queue;
  status = store_->findQueue(call.connection.get(), name, queue);
  if (status.failed()) return status;
  status = checkSelectors(selectorCount, selectors, intCount, charLength);
  if (status.failed()) return status;
  int32_t depth = 0;
  if (asksForDepth(selectorCount, selectors) || (filter != nullptr && filter->selector == VXIA_CURRENT_DEPTH)) {
    status = store_->depth(call.connection.get(), *queue, depth);
    if (status.failed()) return status;
  }
  if (filter != nullptr && !matches(integerAttribute(*queue, filter->selector, depth), *filter)) {
    return Status::failure(VXRC_FILTER_NOT_MATCHED);
  }
  fillAttributes(*queue, depth, config_.name, selectorCount, selectors, intAttrs, charAttrs);
  return Status::ok();
}

}  // namespace vxqm
