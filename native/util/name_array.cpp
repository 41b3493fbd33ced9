#include "util/name_array.h"

#include <cstring>

void NameForRuntime::take(const PinnedBytes& pinned, jsize length) {
  if (!pinned) {
    address_ = nullptr;
  } else if (length >= VX_NAME_LENGTH) {
    address_ = pinned.data();
  } else {
    std::memset(padded_, 0, sizeof padded_);
    std::memcpy(padded_, pinned.data(), static_cast<size_t>(length));
    address_ = padded_;
  }
}
