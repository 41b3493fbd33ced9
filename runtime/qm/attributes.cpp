// Inquire and set queue attributes by selector.
#include <algorithm>
#include <cstring>

#include "qm/attribute_access.h"
#include "qm/call.h"
#include "qm/queue_manager.h"

namespace vxqm {

namespace {

bool settable(int32_t s) { return s == VXIA_INHIBIT_PUT || s == VXIA_INHIBIT_GET; }

void putName(char* field, const std::string& name) {
  std::memset(field, ' ', VX_NAME_LENGTH);
  std::memcpy(field, name.data(), std::min<size_t>(name.size(), VX_NAME_LENGTH));
}

}  // namespace

bool integerSelector(int32_t s) { return s >= VXIA_CURRENT_DEPTH && s <= VXIA_DEFAULT_PERSISTENCE; }
bool characterSelector(int32_t s) { return s >= VXCA_QUEUE_NAME && s <= VXCA_QUEUE_DESC; }
// Selector and attribute arrays come from callers' byte buffers: read and
// write them without assuming alignment.
int32_t load(const int32_t* array, int32_t i) {
  int32_t value;
  std::memcpy(&value, array + i, sizeof value);
  return value;
}

void store(int32_t* array, int32_t i, int32_t value) { std::memcpy(array + i, &value, sizeof value); }

// The counts and addresses that any selector call must have.
Status checkArrays(int32_t selectorCount, const void* selectors, int32_t intCount,
                   const void* intAttrs, int32_t charLength, const void* charAttrs) {
  if (selectorCount < 0 || selectorCount > VX_MAX_SELECTORS) {
    return Status::failure(VXRC_SELECTOR_COUNT_ERROR);
  }
  if (selectorCount > 0 && selectors == nullptr) return Status::failure(VXRC_SELECTOR_ERROR);
  if (intCount < 0 || (intCount > 0 && intAttrs == nullptr)) {
    return Status::failure(VXRC_INT_ATTR_COUNT_ERROR);
  }
  if (charLength < 0 || (charLength > 0 && charAttrs == nullptr)) {
    return Status::failure(VXRC_CHAR_ATTR_LENGTH_ERROR);
  }
  return Status::ok();
}

// Every selector known, and room for what they name.
Status checkSelectors(int32_t count, const int32_t* selectors, int32_t intCount, int32_t charLength) {
  int32_t ints = 0;
  int32_t chars = 0;
  for (int32_t i = 0; i < count; ++i) {
    int32_t selector = load(selectors, i);
    if (integerSelector(selector)) {
      ++ints;
    } else if (characterSelector(selector)) {
      chars += VX_NAME_LENGTH;
    } else {
      return Status::failure(VXRC_SELECTOR_ERROR);
    }
  }
  if (ints > intCount) return Status::failure(VXRC_INT_ATTR_COUNT_ERROR);
  if (chars > charLength) return Status::failure(VXRC_CHAR_ATTR_LENGTH_ERROR);
  return Status::ok();
}

bool asksForDepth(int32_t count, const int32_t* selectors) {
  for (int32_t i = 0; i < count; ++i) {
    if (load(selectors, i) == VXIA_CURRENT_DEPTH) return true;
  }
  return false;
}

int32_t integerAttribute(Queue& queue, int32_t selector, int32_t depth) {
  const QueueAttributes& attributes = queue.attributes();
  switch (selector) {
    case VXIA_CURRENT_DEPTH: return depth;
    case VXIA_MAX_DEPTH: return attributes.maxDepth;
    case VXIA_MAX_MSG_LENGTH: return attributes.maxMsgLength;
    case VXIA_INHIBIT_PUT: return attributes.inhibitPut ? VXINHIBIT_INHIBITED : VXINHIBIT_ALLOWED;
    case VXIA_INHIBIT_GET: return attributes.inhibitGet ? VXINHIBIT_INHIBITED : VXINHIBIT_ALLOWED;
    case VXIA_OPEN_INPUT_COUNT: return queue.counts().input;
    case VXIA_OPEN_OUTPUT_COUNT: return queue.counts().output;
    case VXIA_QUEUE_TYPE: return static_cast<int32_t>(queue.type());
    case VXIA_DEFAULT_PRIORITY: return attributes.defaultPriority;
    default: return attributes.defaultPersistence;
  }
}

void fillAttributes(Queue& queue, int32_t depth, const std::string& qmgrName,
                    int32_t selectorCount, const int32_t* selectors, int32_t* intAttrs,
                    char* charAttrs) {
  int32_t nextInt = 0;
  char* nextChars = charAttrs;
  for (int32_t i = 0; i < selectorCount; ++i) {
    int32_t selector = load(selectors, i);
    if (integerSelector(selector)) {
      store(intAttrs, nextInt++, integerAttribute(queue, selector, depth));
    } else {
      putName(nextChars, selector == VXCA_QUEUE_NAME  ? queue.name()
                         : selector == VXCA_QMGR_NAME ? qmgrName
                                                      : queue.attributes().description);
      nextChars += VX_NAME_LENGTH;
    }
  }
}

Status QueueManager::inquire(int32_t hconn, int32_t hobj, int32_t selectorCount,
                             const int32_t* selectors, int32_t intCount, int32_t* intAttrs,
                             int32_t charLength, char* charAttrs) {
  Call call(*this, hconn, VXCALL_INQ);
  if (!call.connection) return call.status;
  Status status = checkArrays(selectorCount, selectors, intCount, intAttrs, charLength, charAttrs);
  if (status.failed()) return status;
  std::lock_guard<QmLock> lock(mutex_);
  ObjectHandle* handle = findHandle(*call.connection, hobj);
  if (handle == nullptr) return Status::failure(VXRC_HOBJ_ERROR);
  if (!handle->options.inquire) return Status::failure(VXRC_NOT_OPEN_FOR_INQUIRE);
  Queue& queue = *handle->queue;
  if (queue.deleted()) return Status::failure(VXRC_OBJECT_DELETED);
  status = checkSelectors(selectorCount, selectors, intCount, charLength);
  if (status.failed()) return status;
  status = store_->refresh(call.connection.get(), queue);
  if (status.failed()) return status;
  int32_t depth = 0;
  if (asksForDepth(selectorCount, selectors)) {
    status = store_->depth(call.connection.get(), queue, depth);
    if (status.failed()) return status;
  }
  fillAttributes(queue, depth, config_.name, selectorCount, selectors, intAttrs, charAttrs);
  return Status::ok();
}

Status QueueManager::set(int32_t hconn, int32_t hobj, int32_t selectorCount,
                         const int32_t* selectors, int32_t intCount, const int32_t* intAttrs,
                         int32_t charLength, const char* charAttrs) {
  Call call(*this, hconn, VXCALL_SET);
  if (!call.connection) return call.status;
  Status status = checkArrays(selectorCount, selectors, intCount, intAttrs, charLength, charAttrs);
  if (status.failed()) return status;
  std::lock_guard<QmLock> lock(mutex_);
  ObjectHandle* handle = findHandle(*call.connection, hobj);
  if (handle == nullptr) return Status::failure(VXRC_HOBJ_ERROR);
  if (!handle->options.set) return Status::failure(VXRC_NOT_OPEN_FOR_SET);
  Queue& queue = *handle->queue;
  if (queue.deleted()) return Status::failure(VXRC_OBJECT_DELETED);
  status = checkSelectors(selectorCount, selectors, intCount, charLength);
  if (status.failed()) return status;

  // Nothing changes unless every selector and value is good.
  int32_t nextInt = 0;
  for (int32_t i = 0; i < selectorCount; ++i) {
    int32_t selector = load(selectors, i);
    if (!settable(selector)) return Status::failure(VXRC_ATTR_NOT_SETTABLE);
    int32_t value = load(intAttrs, nextInt++);
    if (value != VXINHIBIT_ALLOWED && value != VXINHIBIT_INHIBITED) {
      return Status::failure(VXRC_ATTR_VALUE_ERROR);
    }
  }
  status = store_->refresh(call.connection.get(), queue);
  if (status.failed()) return status;
  QueueAttributes attributes = queue.attributes();
  nextInt = 0;
  for (int32_t i = 0; i < selectorCount; ++i) {
    bool inhibited = load(intAttrs, nextInt++) == VXINHIBIT_INHIBITED;
    (load(selectors, i) == VXIA_INHIBIT_PUT ? attributes.inhibitPut : attributes.inhibitGet) = inhibited;
  }
  // Waiting getters learn that gets are now inhibited.
  return store_->changeQueue(call.connection.get(), queue, attributes);
}

}  // namespace vxqm
