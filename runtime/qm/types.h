// Values shared by every part of the queue manager: the outcome of a call,
// identifiers, and the clock that expiry runs on.
#ifndef VXQM_TYPES_H
#define VXQM_TYPES_H

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "vx/api.h"

namespace vxqm {

// Completion code and reason of one call.
struct Status {
  int32_t cc = VXCC_OK;
  int32_t reason = VXRC_NONE;

  static Status ok() { return {}; }
  static Status failure(int32_t reason) { return {VXCC_FAILED, reason}; }
  static Status warning(int32_t reason) { return {VXCC_WARNING, reason}; }
  bool failed() const { return cc == VXCC_FAILED; }
};

using MsgId = std::array<uint8_t, VX_MSG_ID_LENGTH>;
using CorrelId = std::array<uint8_t, VX_CORREL_ID_LENGTH>;
using ConnectionId = std::array<uint8_t, VX_CONNECTION_ID_LENGTH>;

// Milliseconds on a clock that never goes back; expiry is measured on it.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual int64_t nowMs() = 0;
};
Clock& steadyClock();

// The time that expiry is judged by, read from the clock at the first
// question: a look at messages that have no expiry reads no clock.
class ExpiryTime {
 public:
  ExpiryTime() = default;
  explicit ExpiryTime(Clock& clock) : clock_(&clock) {}
  int64_t ms() const {
    if (!read_) {
      now_ = clock_ != nullptr ? clock_->nowMs() : 0;
      read_ = true;
    }
    return now_;
  }

 private:
  Clock* clock_ = nullptr;
  mutable int64_t now_ = 0;
  mutable bool read_ = false;
};
// Milliseconds since the epoch, the same in every process.
Clock& systemClock();

// "YYYYMMDD" and "HHMMSSTT" (hundredths) of a time in milliseconds since
// the epoch, UTC, written into 8 characters each (no NUL).
void putDateAndTime(int64_t millis, char* date, char* time);

// A name as it stands in a fixed-length field: up to the first NUL, without
// trailing blanks.
std::string fieldText(const char* field, size_t length);
// The same, without a copy: a view into the field.
std::string_view fieldView(const char* field, size_t length);
// fieldView of a field whose length bytes may all be read (a member of a
// structure): it looks at them a word at a time, where fieldView stops at
// a NUL byte by byte.
std::string_view wholeFieldView(const char* field, size_t length);

// Queue names: 1 to 48 characters of letters, digits and "._/%".
bool validObjectName(std::string_view name);

}  // namespace vxqm

#endif
