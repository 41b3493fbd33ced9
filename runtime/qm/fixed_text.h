// Text of at most N characters held in place, for the descriptor fields that
// every put and get copies: no allocation, a copy is a few bytes moved.
// Longer text is cut to N, as the fixed-length fields that carry it would.
#ifndef VXQM_FIXED_TEXT_H
#define VXQM_FIXED_TEXT_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>

namespace vxqm {

template <size_t N>
class FixedText {
 public:
  FixedText() = default;
  FixedText(std::string_view text) { assign(text.data(), text.size()); }
  FixedText(const std::string& text) { assign(text.data(), text.size()); }
  FixedText(const char* text) : FixedText(std::string_view(text)) {}
  // In place: a temporary copied over would have its bytes read back right
  // after they were stored in pieces, which the processor makes wait.
  FixedText& operator=(std::string_view text) {
    assign(text.data(), text.size());
    return *this;
  }
  FixedText& operator=(const std::string& text) {
    assign(text.data(), text.size());
    return *this;
  }
  // Null (and so `= {}`) clears it.
  FixedText& operator=(const char* text) {
    if (text == nullptr) {
      clear();
      return *this;
    }
    return *this = std::string_view(text);
  }

  void assign(const char* data, size_t length) {
    size_ = static_cast<uint8_t>(std::min(length, N));
    if (size_ > 0) std::memmove(text_, data, size_);  // it may be a part of itself
  }

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  void clear() { size_ = 0; }
  const char* data() const { return text_; }
  const char* begin() const { return text_; }
  const char* end() const { return text_ + size_; }
  std::string_view view() const { return {text_, size_}; }
  std::string str() const { return std::string(text_, size_); }
  operator std::string_view() const { return view(); }
  operator std::string() const { return str(); }

  friend bool operator==(const FixedText& a, const FixedText& b) { return a.view() == b.view(); }
  friend bool operator==(const FixedText& a, std::string_view b) { return a.view() == b; }
  friend bool operator==(const FixedText& a, const char* b) { return a.view() == b; }
  friend bool operator==(const FixedText& a, const std::string& b) { return a.view() == b; }
  friend bool operator!=(const FixedText& a, std::string_view b) { return a.view() != b; }
  friend std::ostream& operator<<(std::ostream& out, const FixedText& text) { return out << text.view(); }

 private:
  static_assert(N < 256, "the length is kept in one byte");
  uint8_t size_ = 0;
  char text_[N] = {};
};

}  // namespace vxqm

#endif
