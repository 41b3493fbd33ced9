#include "db/columns.h"

namespace vxdb {

namespace {

const char* const kDescriptorTypes[kDescriptorColumnCount] = {
    "integer", "integer", "integer", "integer", "integer", "integer", "text", "bytea",
    "bytea",   "integer", "text",    "text",    "text",    "text",    "text"};

}  // namespace

std::string descriptorPlaceholders(int first) {
  std::string text;
  for (int i = 0; i < kDescriptorColumnCount; ++i) {
    if (i > 0) text += ", ";
    text += "$" + std::to_string(first + i) + "::" + kDescriptorTypes[i];
  }
  return text;
}

void bindDescriptor(Params& params, const vxqm::MessageDescriptor& md) {
  params.i32(md.msgType)
      .i32(md.priority)
      .i32(md.persistence)
      .i32(md.expiry)
      .i32(md.encoding)
      .i32(md.codedCharSetId)
      .text(md.format)
      .bytes(md.msgId.data(), md.msgId.size())
      .bytes(md.correlId.data(), md.correlId.size())
      .i32(md.backoutCount)
      .text(md.replyToQ)
      .text(md.replyToQMgr)
      .text(md.userIdentifier)
      .text(md.putDate)
      .text(md.putTime);
}

void readDescriptor(const Row& row, int first, vxqm::MessageDescriptor& md) {
  int c = first;
  md.msgType = row.i32(c++);
  md.priority = row.i32(c++);
  md.persistence = row.i32(c++);
  md.expiry = row.i32(c++);
  md.encoding = row.i32(c++);
  md.codedCharSetId = row.i32(c++);
  md.format = row.text(c++);
  for (auto* id : {md.msgId.data(), md.correlId.data()}) {
    size_t length = std::min<size_t>(static_cast<size_t>(row.length(c)), md.msgId.size());
    std::fill(id, id + md.msgId.size(), 0);
    std::copy(row.bytes(c), row.bytes(c) + length, id);
    ++c;
  }
  md.backoutCount = row.i32(c++);
  md.replyToQ = row.text(c++);
  md.replyToQMgr = row.text(c++);
  md.userIdentifier = row.text(c++);
  md.putDate = row.text(c++);
  md.putTime = row.text(c++);
}

void bindProperties(Params& params, const vxqm::PropertyList* properties, std::string& block) {
  if (properties == nullptr || properties->empty()) {
    params.null();
    return;
  }
  vxqm::NamePattern all;
  all.parse("%", true);
  int32_t count = 0;
  block.assign(static_cast<size_t>(vxqm::encodedLength(*properties, all, count)), '\0');
  vxqm::encode(*properties, all, std::string(), reinterpret_cast<uint8_t*>(&block[0]));
  params.bytes(block.data(), block.size());
}

std::shared_ptr<const vxqm::PropertyList> readProperties(const Row& row, int column) {
  if (row.isNull(column)) return nullptr;
  std::vector<vxqm::Property> items;
  int32_t blockLength = 0;
  std::string format;
  if (vxqm::decode(row.bytes(column), row.length(column), items, blockLength, format).failed()) {
    return nullptr;
  }
  auto list = std::make_shared<vxqm::PropertyList>();
  list->merge(items);
  return list;
}

std::string preparedPrefix(const std::string& schema) { return "vx:" + schema + ":"; }

}  // namespace vxdb
