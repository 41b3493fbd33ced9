#include "qm/types.h"

#include <chrono>
#include <cstring>

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

void twoDigits(char* at, int64_t value) {
  at[0] = static_cast<char>('0' + value / 10 % 10);
  at[1] = static_cast<char>('0' + value % 10);
}

}  // namespace

// Every put stamps these: the calendar is worked out by arithmetic (days to
// civil date), without the C library's formatting.
void putDateAndTime(int64_t millis, char* date, char* time) {
  // Puts come many to the hundredth of a second: the last one's text is
  // kept, per thread.
  thread_local int64_t lastHundredth = -1;
  thread_local char lastDate[8], lastTime[8];
  if (millis / 10 == lastHundredth && millis >= 0) {
    std::memcpy(date, lastDate, 8);
    std::memcpy(time, lastTime, 8);
    return;
  }
  int64_t days = millis / 86400000;
  int64_t ofDay = millis % 86400000;
  if (ofDay < 0) {
    ofDay += 86400000;
    --days;
  }
  int64_t z = days + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t dayOfEra = z - era * 146097;
  int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  int64_t mp = (5 * dayOfYear + 2) / 153;
  int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
  int64_t month = mp < 10 ? mp + 3 : mp - 9;
  int64_t year = (yearOfEra + era * 400 + (month <= 2 ? 1 : 0)) % 10000;
  twoDigits(date, year / 100);
  twoDigits(date + 2, year % 100);
  twoDigits(date + 4, month);
  twoDigits(date + 6, day);
  twoDigits(time, ofDay / 3600000);
  twoDigits(time + 2, ofDay / 60000 % 60);
  twoDigits(time + 4, ofDay / 1000 % 60);
  twoDigits(time + 6, ofDay % 1000 / 10);
  lastHundredth = millis / 10;
  std::memcpy(lastDate, date, 8);
  std::memcpy(lastTime, time, 8);
}

Clock& systemClock() {
  static SystemClock clock;
  return clock;
}

Clock& steadyClock() {
  static SteadyClock clock;
  return clock;
}

std::string fieldText(const char* field, size_t length) { return std::string(fieldView(field, length)); }

std::string_view fieldView(const char* field, size_t length) {
  if (field == nullptr) return {};
  // Byte by byte: nothing after the NUL is read.
  size_t end = 0;
  while (end < length && field[end] != '\0') ++end;
  while (end > 0 && field[end - 1] == ' ') --end;
  return std::string_view(field, end);
}

std::string_view wholeFieldView(const char* field, size_t length) {
  const void* nul = std::memchr(field, '\0', length);
  size_t end = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - field) : length;
  constexpr uint64_t kEightBlanks = 0x2020202020202020;
  while (end >= 8) {
    uint64_t word;
    std::memcpy(&word, field + end - 8, sizeof word);
    if (word != kEightBlanks) break;
    end -= 8;
  }
  while (end > 0 && field[end - 1] == ' ') --end;
  return std::string_view(field, end);
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
