#include "qm/properties.h"

#include <algorithm>
#include <cstring>

namespace vxqm {

namespace {

bool letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool digit(char c) { return c >= '0' && c <= '9'; }

// The length a fixed-size type needs, 0 for strings and byte strings.
int32_t fixedLength(int32_t type) {
  switch (type) {
    case VXPT_INT8: return 1;
    case VXPT_INT16: return 2;
    case VXPT_BOOLEAN:
    case VXPT_INT32:
    case VXPT_FLOAT32: return 4;
    case VXPT_INT64:
    case VXPT_FLOAT64: return 8;
    default: return 0;
  }
}

bool knownType(int32_t type) { return type >= VXPT_BOOLEAN && type <= VXPT_FLOAT64; }

int32_t load(const uint8_t* at) {
  int32_t value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

void store(uint8_t* at, int32_t value) { std::memcpy(at, &value, sizeof value); }

int64_t recordLength(size_t nameLength, size_t valueLength) {
  int64_t length = VXPBR_LENGTH + static_cast<int64_t>(nameLength) + static_cast<int64_t>(valueLength);
  return (length + 3) / 4 * 4;
}

}  // namespace

bool validPropertyName(std::string_view name) {
  if (name.empty() || name.size() > static_cast<size_t>(VX_MAX_PROPERTY_NAME_LENGTH)) return false;
  if (!letter(name[0]) && name[0] != '_') return false;
  return std::all_of(name.begin(), name.end(),
                     [](char c) { return letter(c) || digit(c) || c == '_' || c == '.'; });
}

bool NamePattern::parse(std::string_view text, bool prefixAllowed) {
  prefix_ = prefixAllowed && !text.empty() && text.back() == '%';
  if (prefix_) text.remove_suffix(1);
  text_.assign(text.data(), text.size());
  // A prefix may stop anywhere in a name: "a." and "" are good prefixes.
  if (prefix_) return text.empty() || validPropertyName(text) || validPropertyName(text_ + "x");
  return validPropertyName(text);
}

bool NamePattern::accepts(const std::string& name) const {
  if (!prefix_) return name == text_;
  return name.compare(0, text_.size(), text_) == 0;
}

Status checkPropertyValue(int32_t type, const void* value, int32_t length) {
  if (!knownType(type)) return Status::failure(VXRC_PROPERTY_TYPE_ERROR);
  if (length < 0 || (length > 0 && value == nullptr)) return Status::failure(VXRC_PROPERTY_VALUE_ERROR);
  int32_t fixed = fixedLength(type);
  if (fixed != 0 ? length != fixed : length > VX_MAX_PROPERTY_VALUE_LENGTH) {
    return Status::failure(VXRC_PROPERTY_VALUE_ERROR);
  }
  if (type == VXPT_BOOLEAN) {
    int32_t flag = load(static_cast<const uint8_t*>(value));
    if (flag != 0 && flag != 1) return Status::failure(VXRC_PROPERTY_VALUE_ERROR);
  }
  return Status::ok();
}

int32_t recordLength(const Property& property) {
  return static_cast<int32_t>(recordLength(property.name.size(), property.value.size()));
}

int64_t PropertyList::encodedLength() const {
  int64_t length = VXPBH_LENGTH;
  for (const Property& property : items_) length += recordLength(property);
  return length;
}

// Whether the list with these properties added (or replacing their names)
// stays within a handle's limits.
Status PropertyList::fits(const std::vector<Property>& added) const {
  int64_t length = encodedLength();
  size_t count = items_.size();
  std::vector<std::string> seen;
  for (const Property& property : added) {
    const Property* old = find(property.name);
    bool again = std::find(seen.begin(), seen.end(), property.name) != seen.end();
    if (old != nullptr && !again) length -= recordLength(*old);
    if (old == nullptr && !again) ++count;
    if (!again) seen.push_back(property.name);
    length += recordLength(property);
  }
  if (count > static_cast<size_t>(VX_MAX_PROPERTIES) || length > VX_MAX_PROPERTIES_LENGTH) {
    return Status::failure(VXRC_PROPERTY_LIMIT);
  }
  return Status::ok();
}

Status PropertyList::set(const std::string& name, int32_t type, const void* value, int32_t length) {
  if (!validPropertyName(name)) return Status::failure(VXRC_PROPERTY_NAME_ERROR);
  Status status = checkPropertyValue(type, value, length);
  if (status.failed()) return status;
  Property property{name, type, {}, 0};
  const uint8_t* bytes = static_cast<const uint8_t*>(value);
  if (length > 0) property.value.assign(bytes, bytes + length);
  return merge({std::move(property)});
}

Status PropertyList::merge(const std::vector<Property>& other) {
  Status status = fits(other);
  if (status.failed()) return status;
  for (const Property& property : other) {
    auto it = std::find_if(items_.begin(), items_.end(),
                           [&](const Property& p) { return p.name == property.name; });
    if (it != items_.end()) {
      it->type = property.type;
      it->value = property.value;
    } else {
      items_.push_back({property.name, property.type, property.value, nextOrder_++});
    }
  }
  return Status::ok();
}

const Property* PropertyList::find(const std::string& name) const {
  for (const Property& property : items_) {
    if (property.name == name) return &property;
  }
  return nullptr;
}

bool PropertyList::erase(const std::string& name) {
  auto it = std::find_if(items_.begin(), items_.end(), [&](const Property& p) { return p.name == name; });
  if (it == items_.end()) return false;
  items_.erase(it);
  return true;
}

const Property* PropertyList::next(const NamePattern& pattern, uint64_t after) const {
  for (const Property& property : items_) {
    if (property.order > after && pattern.accepts(property.name)) return &property;
  }
  return nullptr;
}

int32_t encodedLength(const PropertyList& list, const NamePattern& pattern, int32_t& count) {
  int32_t length = VXPBH_LENGTH;  // a handle's properties stay within VX_MAX_PROPERTIES_LENGTH
  count = 0;
  for (const Property& property : list.items()) {
    if (!pattern.accepts(property.name)) continue;
    length += recordLength(property);
    ++count;
  }
  return length;
}

void encode(const PropertyList& list, const NamePattern& pattern, const std::string& format,
            uint8_t* out) {
  int32_t count = 0;
  int32_t total = encodedLength(list, pattern, count);
  std::memset(out, 0, static_cast<size_t>(total));
  std::memcpy(out, VXPBH_STRUC_ID, 4);
  store(out + offsetof(VXPBH, Version), VXPBH_CURRENT_VERSION);
  store(out + offsetof(VXPBH, TotalLength), total);
  store(out + offsetof(VXPBH, PropertyCount), count);
  char* formatField = reinterpret_cast<char*>(out + offsetof(VXPBH, Format));
  std::memset(formatField, ' ', VX_FORMAT_LENGTH);
  std::memcpy(formatField, format.data(), std::min<size_t>(format.size(), VX_FORMAT_LENGTH));
  uint8_t* at = out + VXPBH_LENGTH;
  for (const Property& property : list.items()) {
    if (!pattern.accepts(property.name)) continue;
    int32_t length = recordLength(property);
    store(at + offsetof(VXPBR, RecordLength), length);
    store(at + offsetof(VXPBR, Type), property.type);
    store(at + offsetof(VXPBR, NameLength), static_cast<int32_t>(property.name.size()));
    store(at + offsetof(VXPBR, ValueLength), static_cast<int32_t>(property.value.size()));
    std::memcpy(at + VXPBR_LENGTH, property.name.data(), property.name.size());
    if (!property.value.empty()) {
      std::memcpy(at + VXPBR_LENGTH + property.name.size(), property.value.data(), property.value.size());
    }
    at += length;
  }
}

// Every length is checked against what is left of the block before it is
// used, so that a damaged block is refused without reading past it.
Status decode(const uint8_t* buffer, int32_t length, std::vector<Property>& properties,
              int32_t& blockLength, std::string& format) {
  const Status bad = Status::failure(VXRC_PROPERTIES_BUFFER_ERROR);
  if (buffer == nullptr || length < VXPBH_LENGTH) return bad;
  VXPBH header;
  std::memcpy(&header, buffer, sizeof header);
  if (std::memcmp(header.StrucId, VXPBH_STRUC_ID, 4) != 0 || header.Version < 1 ||
      header.Version > VXPBH_CURRENT_VERSION) {
    return bad;
  }
  int32_t total = header.TotalLength;
  if (total < VXPBH_LENGTH || total > length || total % 4 != 0 || total > VX_MAX_PROPERTIES_LENGTH ||
      header.PropertyCount < 0 || header.PropertyCount > VX_MAX_PROPERTIES) {
    return bad;
  }
  std::vector<Property> read;
  int32_t at = VXPBH_LENGTH;
  for (int32_t i = 0; i < header.PropertyCount; ++i) {
    if (total - at < VXPBR_LENGTH) return bad;
    VXPBR record;
    std::memcpy(&record, buffer + at, sizeof record);
    if (record.RecordLength % 4 != 0 || record.RecordLength < VXPBR_LENGTH ||
        record.RecordLength > total - at || record.NameLength < 1 ||
        record.NameLength > VX_MAX_PROPERTY_NAME_LENGTH || record.ValueLength < 0 ||
        record.ValueLength > VX_MAX_PROPERTY_VALUE_LENGTH ||
        recordLength(static_cast<size_t>(record.NameLength), static_cast<size_t>(record.ValueLength)) !=
            record.RecordLength) {
      return bad;
    }
    const uint8_t* name = buffer + at + VXPBR_LENGTH;
    const uint8_t* value = name + record.NameLength;
    const uint8_t* end = buffer + at + record.RecordLength;
    if (std::any_of(value + record.ValueLength, end, [](uint8_t b) { return b != 0; })) return bad;
    Property property;
    property.name.assign(reinterpret_cast<const char*>(name), static_cast<size_t>(record.NameLength));
    if (!validPropertyName(property.name) ||
        checkPropertyValue(record.Type, value, record.ValueLength).failed()) {
      return bad;
    }
    property.type = record.Type;
    property.value.assign(value, value + record.ValueLength);
    read.push_back(std::move(property));
    at += record.RecordLength;
  }
  if (at != total) return bad;
  properties = std::move(read);
  blockLength = total;
  format.assign(header.Format, sizeof header.Format);
  return Status::ok();
}

Status MessageHandles::create(int32_t hconn, int64_t& hmsg) {
  if (handles_.size() >= static_cast<size_t>(VX_MAX_MSG_HANDLES)) {
    return Status::failure(VXRC_MSG_HANDLE_LIMIT);
  }
  uint64_t high = static_cast<uint64_t>(static_cast<uint32_t>(hconn)) << 32;
  for (;;) {
    if (++next_ == 0) continue;
    int64_t value = static_cast<int64_t>(high | next_);
    if (value == 0 || !handles_.emplace(value, MessageHandle{}).second) continue;
    hmsg = value;
    return Status::ok();
  }
}

MessageHandle* MessageHandles::find(int64_t hmsg) {
  auto it = handles_.find(hmsg);
  return it != handles_.end() ? &it->second : nullptr;
}

}  // namespace vxqm
