// Message properties: a list of named, typed values, the pattern that
// selects some of them, their buffer form, and the message handles of a
// connection that hold them.
#ifndef VXQM_PROPERTIES_H
#define VXQM_PROPERTIES_H

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "qm/types.h"
#include "vx/properties.h"

namespace vxqm {

struct Property {
  std::string name;
  int32_t type = VXPT_STRING;
  std::vector<uint8_t> value;
  uint64_t order = 0;  // when the name was first set on its list
};

// A property name, or (for inquiring and converting) a pattern: a name, or
// the start of names followed by '%'.
class NamePattern {
 public:
  // Whether text is a valid name, or with prefixes allowed a valid pattern.
  bool parse(std::string_view text, bool prefixAllowed);
  bool accepts(const std::string& name) const;

 private:
  std::string text_;
  bool prefix_ = false;
};

bool validPropertyName(std::string_view name);

// The value's length fits its type, and a boolean is 0 or 1.
Status checkPropertyValue(int32_t type, const void* value, int32_t length);

// Properties in the order their names were first set. Setting a name again
// replaces its type and value and keeps its place.
class PropertyList {
 public:
  // Checks name, type and value and the limits of a handle.
  Status set(const std::string& name, int32_t type, const void* value, int32_t length);
  // Adds or replaces every property of other (already checked), all or none.
  Status merge(const std::vector<Property>& other);
  const Property* find(const std::string& name) const;
  bool erase(const std::string& name);
  // The first property after the given order that the pattern accepts.
  const Property* next(const NamePattern& pattern, uint64_t after) const;

  bool empty() const { return items_.empty(); }
  size_t size() const { return items_.size(); }
  const std::vector<Property>& items() const { return items_; }

 private:
  // Length of the buffer form of all properties, header included.
  int64_t encodedLength() const;
  Status fits(const std::vector<Property>& added) const;

  std::vector<Property> items_;
  uint64_t nextOrder_ = 1;
};

// The buffer form (see vx/properties.h).
int32_t recordLength(const Property& property);
// Length of the block holding the properties that the pattern accepts.
int32_t encodedLength(const PropertyList& list, const NamePattern& pattern, int32_t& count);
// Writes that block (encodedLength bytes) with the given data format.
void encode(const PropertyList& list, const NamePattern& pattern, const std::string& format,
            uint8_t* out);
// Reads a block at the start of buffer; blockLength is its length.
Status decode(const uint8_t* buffer, int32_t length, std::vector<Property>& properties,
              int32_t& blockLength, std::string& format);

struct MessageHandle {
  PropertyList properties;
  uint64_t cursor = 0;  // order of the property the last inquiry returned
};

// The message handles of one connection: the connection handle in the high
// word, a count in the low word, so that the value is never 0 and never
// that of another connection's handle.
class MessageHandles {
 public:
  Status create(int32_t hconn, int64_t& hmsg);
  MessageHandle* find(int64_t hmsg);
  bool erase(int64_t hmsg) { return handles_.erase(hmsg) != 0; }
  size_t size() const { return handles_.size(); }

 private:
  std::unordered_map<int64_t, MessageHandle> handles_;
  uint32_t next_ = 0;
};

}  // namespace vxqm

#endif
