#include "entries/strings.h"

#include <algorithm>
#include <cstring>

#include "vx/subscriptions.h"

namespace vxrt {

namespace {

// Where the string's bytes are, or null when the offset is out of bounds.
const char* locate(const void* base, VxStructure structure, const VXCHARV& string) {
  if (string.VSPtr != nullptr) return static_cast<const char*>(string.VSPtr);
  if (string.VSOffset < vxStructureLength(structure) ||
      string.VSOffset > VX_MAX_STRING_OFFSET) {
    return nullptr;
  }
  return static_cast<const char*>(base) + string.VSOffset;
}

}  // namespace

vxqm::Status readString(const void* base, VxStructure structure, const VXCHARV& string,
                        int32_t maxLength, int32_t reason, std::string& out) {
  out.clear();
  if (string.VSLength == 0) return vxqm::Status::ok();
  if (string.VSLength < 0 || string.VSLength > maxLength) return vxqm::Status::failure(reason);
  const char* bytes = locate(base, structure, string);
  if (bytes == nullptr) return vxqm::Status::failure(reason);
  out.assign(bytes, static_cast<size_t>(string.VSLength));
  return vxqm::Status::ok();
}

void writeString(void* base, VxStructure structure, VXCHARV& string, const std::string& text) {
  int32_t length = static_cast<int32_t>(text.size());
  if (string.VSBufSize > 0) {
    char* bytes = const_cast<char*>(locate(base, structure, string));
    if (bytes != nullptr) {
      std::memcpy(bytes, text.data(), static_cast<size_t>(std::min(length, string.VSBufSize)));
    }
  }
  string.VSLength = length;
}

}  // namespace vxrt
