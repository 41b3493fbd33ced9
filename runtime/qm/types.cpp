#include "qm/types.h"

#include <chrono>

namespace vxqm {

namespace {

class SteadyClock : public Clock {
 public:
  int64_t nowMs() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }
};

class SystemClock : public Clock {
 public:
  int64_t nowMs() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  }
};

}  // namespace

Clock& systemClock() {
  static SystemClock clock;
  return clock;
}

Clock& steadyClock() {
  static SteadyClock clock;
  return clock;
}

std::string fieldText(const char* field, size_t length) {
  if (field == nullptr) return {};
  // Byte by byte: nothing after the NUL is read.
  size_t end = 0;
  while (end < length && field[end] != '\0') ++end;
  while (end > 0 && field[end - 1] == ' ') --end;
  return std::string(field, end);
}

bool validObjectName(std::string_view name) {
  if (name.empty() || name.size() > static_cast<size_t>(VX_NAME_LENGTH)) return false;
  for (char c : name) {
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              c == '.' || c == '_' || c == '/' || c == '%';
    if (!ok) return false;
  }
  return true;
}

}  // namespace vxqm
