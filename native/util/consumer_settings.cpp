#include "util/consumer_settings.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "util/early_trace.h"
#include "util/settings.h"

namespace {

// A flag that the first letter of its value turns on (a letter of on) or
// off (a letter of off); any other value leaves the default. When reported,
// a recognised value is traced, even one that equals the default.
struct Flag {
  const char* name;
  const char* upperName;
  const char* on;
  const char* off;
  bool reported;
};

bool readFlag(const Flag& flag) {
  const char* value = settingValue(flag.name, flag.upperName);
  if (value == nullptr || value[0] == '\0') return false;
  char first = static_cast<char>(std::tolower(static_cast<unsigned char>(value[0])));
  bool on = std::strchr(flag.on, first) != nullptr;
  bool off = std::strchr(flag.off, first) != nullptr;
  if (flag.reported && (on || off)) {
    TALY_TRACE(400, "%s set to %s", flag.name, on ? "TRUE" : "FALSE");
  }
  return on;
}

int32_t readAttachRetry() {
  const char* value = settingValue("TalyAttachRetry", "TALYATTACHRETRY");
  if (value == nullptr) return 1;
  int32_t retry = std::atoi(value);
  TALY_TRACE(400, "TalyAttachRetry set to %d", retry);
  return retry;
}

}  // namespace

bool asyncConsumeTrace() {
  static const bool value =
      readFlag({"TalyAsyncConsumeTrace", "TALYASYNCCONSUMETRACE", "yt", "", false});
  return value;
}

int32_t attachRetry() {
  static const int32_t value = readAttachRetry();
  return value;
}

bool attachNonDaemon() {
  static const bool value =
      readFlag({"TalyAttachNonDaemon", "TALYATTACHNONDAEMON", "yt", "", true});
  return value;
}

bool asyncOrig() {
  static const bool value = readFlag({"TalyAsyncOrig", "TALYASYNCORIG", "y", "n", true});
  return value;
}

bool alwaysAttachAsyncThread() {
  static const bool value = readFlag(
      {"TalyAlwaysAttachAsyncThread", "TALYALWAYSATTACHASYNCTHREAD", "yt", "nf", true});
  return value;
}

bool asyncThreadSafe() {
  static const bool value =
      readFlag({"TalyAsyncThreadSafe", "TALYASYNCTHREADSAFE", "yt", "nf", true});
  return value;
}
