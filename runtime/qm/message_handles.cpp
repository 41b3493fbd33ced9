// Message handles and their properties: create and delete a handle, set,
// inquire and delete a property, and convert between a handle's properties
// and their buffer form. A handle belongs to its connection, and only the
// call that holds the connection uses it, so these calls take no lock.
#include <algorithm>
#include <cstring>

#include "qm/call.h"
#include "qm/queue_manager.h"

namespace vxqm {

namespace {

Status checkBuffer(const void* buffer, int32_t length) {
  if (length < 0) return Status::failure(VXRC_BUFFER_LENGTH_ERROR);
  if (buffer == nullptr && length > 0) return Status::failure(VXRC_BUFFER_ERROR);
  return Status::ok();
}

}  // namespace

std::shared_ptr<const PropertyList> QueueManager::propertiesOf(Connection& connection, int64_t hmsg) {
  if (hmsg == 0) return nullptr;
  MessageHandle* handle = connection.messageHandles.find(hmsg);
  if (handle == nullptr || handle->properties.empty()) return nullptr;
  return std::make_shared<const PropertyList>(handle->properties);
}

Status QueueManager::createMessageHandle(int32_t hconn, int64_t& hmsg) {
  Call call(*this, hconn, VXCALL_CRTMH);
  if (!call.connection) return call.status;
  return call.connection->messageHandles.create(hconn, hmsg);
}

Status QueueManager::deleteMessageHandle(int32_t hconn, int64_t& hmsg) {
  Call call(*this, hconn, VXCALL_DLTMH);
  if (!call.connection) return call.status;
  if (!call.connection->messageHandles.erase(hmsg)) return Status::failure(VXRC_HMSG_ERROR);
  hmsg = 0;
  return Status::ok();
}

Status QueueManager::setProperty(int32_t hconn, int64_t hmsg, const std::string& name, int32_t type,
                                 const void* value, int32_t length) {
  Call call(*this, hconn, VXCALL_SETMP);
  if (!call.connection) return call.status;
  MessageHandle* handle = call.connection->messageHandles.find(hmsg);
  if (handle == nullptr) return Status::failure(VXRC_HMSG_ERROR);
  return handle->properties.set(name, type, value, length);
}

// The cursor moves to the property returned, also when its value was cut:
// to read it whole, ask again by its name.
Status QueueManager::inquireProperty(int32_t hconn, int64_t hmsg, const PropertyInquiry& inquiry,
                                     PropertyAnswer& answer) {
  Call call(*this, hconn, VXCALL_INQMP);
  if (!call.connection) return call.status;
  MessageHandle* handle = call.connection->messageHandles.find(hmsg);
  if (handle == nullptr) return Status::failure(VXRC_HMSG_ERROR);
  NamePattern pattern;
  if (!pattern.parse(inquiry.name, true)) return Status::failure(VXRC_PROPERTY_NAME_ERROR);
  if (inquiry.type < VXPT_ANY || inquiry.type > VXPT_FLOAT64) {
    return Status::failure(VXRC_PROPERTY_TYPE_ERROR);
  }
  Status status = checkBuffer(inquiry.value, inquiry.valueLength);
  if (status.failed()) return status;
  const Property* property = handle->properties.next(pattern, inquiry.next ? handle->cursor : 0);
  if (property == nullptr) return Status::failure(VXRC_PROPERTY_NOT_AVAILABLE);
  if (inquiry.type != VXPT_ANY && inquiry.type != property->type) {
    return Status::failure(VXRC_PROPERTY_TYPE_ERROR);
  }
  handle->cursor = property->order;
  int32_t length = static_cast<int32_t>(property->value.size());
  answer = {property->name, property->type, length};
  int32_t copied = std::min(length, inquiry.valueLength);
  if (copied > 0) std::memcpy(inquiry.value, property->value.data(), static_cast<size_t>(copied));
  return copied < length ? Status::warning(VXRC_PROPERTY_VALUE_TRUNCATED) : Status::ok();
}

Status QueueManager::deleteProperty(int32_t hconn, int64_t hmsg, const std::string& name) {
  Call call(*this, hconn, VXCALL_DLTMP);
  if (!call.connection) return call.status;
  MessageHandle* handle = call.connection->messageHandles.find(hmsg);
  if (handle == nullptr) return Status::failure(VXRC_HMSG_ERROR);
  if (!validPropertyName(name)) return Status::failure(VXRC_PROPERTY_NAME_ERROR);
  if (!handle->properties.erase(name)) return Status::failure(VXRC_PROPERTY_NOT_AVAILABLE);
  return Status::ok();
}

Status QueueManager::propertiesToBuffer(int32_t hconn, int64_t hmsg, const std::string& names,
                                        PropertyBuffer& buffer, int32_t& length, int32_t& count) {
  Call call(*this, hconn, VXCALL_MHBUF);
  if (!call.connection) return call.status;
  MessageHandle* handle = call.connection->messageHandles.find(hmsg);
  if (handle == nullptr) return Status::failure(VXRC_HMSG_ERROR);
  NamePattern pattern;
  if (!pattern.parse(names, true)) return Status::failure(VXRC_PROPERTY_NAME_ERROR);
  Status status = checkBuffer(buffer.buffer, buffer.length);
  if (status.failed()) return status;
  const PropertyList& properties = handle->properties;
  length = encodedLength(properties, pattern, count);
  if (length > buffer.length) return Status::failure(VXRC_PROPERTIES_TOO_BIG);
  encode(properties, pattern, buffer.format, static_cast<uint8_t*>(buffer.buffer));
  return Status::ok();
}

// Nothing changes unless the whole block is good and its properties fit the
// handle.
Status QueueManager::bufferToProperties(int32_t hconn, int64_t hmsg, PropertyBuffer& buffer,
                                        int32_t& dataLength, int32_t& count) {
  Call call(*this, hconn, VXCALL_BUFMH);
  if (!call.connection) return call.status;
  MessageHandle* handle = call.connection->messageHandles.find(hmsg);
  if (handle == nullptr) return Status::failure(VXRC_HMSG_ERROR);
  Status status = checkBuffer(buffer.buffer, buffer.length);
  if (status.failed()) return status;
  count = 0;
  if (!buffer.format.empty() && buffer.format != VXFMT_PROPERTIES) {
    dataLength = buffer.length;
    return Status::ok();
  }
  std::vector<Property> properties;
  int32_t blockLength = 0;
  std::string format;
  uint8_t* bytes = static_cast<uint8_t*>(buffer.buffer);
  status = decode(bytes, buffer.length, properties, blockLength, format);
  if (status.failed()) return status;
  status = handle->properties.merge(properties);
  if (status.failed()) return status;
  count = static_cast<int32_t>(properties.size());
  dataLength = buffer.length - blockLength;
  if (buffer.remove) {
    std::memmove(bytes, bytes + blockLength, static_cast<size_t>(dataLength));
    buffer.format = format;
  }
  return Status::ok();
}

}  // namespace vxqm
