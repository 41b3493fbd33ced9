#include "util/early_trace.h"

#include <unistd.h>
#include <sys/syscall.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "runtime_vector.h"
#include "util/settings.h"

namespace {

constexpr int32_t kNoThreshold = 0x7FFFFFFF;
constexpr size_t kLineSize = 4096;
constexpr size_t kScratchSize = 512;
constexpr int32_t kMaxDump = 4096;

struct TraceSettings {
  int32_t threshold;
  double startSeconds;  // local time of day at the first level test
  std::chrono::steady_clock::time_point startClock;
};

int32_t thresholdFor(const char* value, int32_t current) {
  static const struct {
    const char* name;
    int32_t level;
  } kLevels[] = {{"severe", 900}, {"warning", 800}, {"info", 700}, {"config", 600},
                 {"fine", 500},   {"finer", 400},   {"finest", 300}};
  for (const auto& level : kLevels) {
    if (std::strcmp(value, level.name) == 0) return level.level;
  }
  int first = std::tolower(static_cast<unsigned char>(value[0]));
  return first == 'y' || first == 't' ? 500 : current;
}

TraceSettings readSettings() {
  TraceSettings settings{kNoThreshold, 0.0, {}};
  if (const char* value = settingValue("TalyEarlyTrace", "TALYEARLYTRACE")) {
    settings.threshold = thresholdFor(value, settings.threshold);
    std::fprintf(stderr, "TalyEarlyTrace set to '%s' --> %d\n", value, settings.threshold);
  }
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  settings.startSeconds = local.tm_sec + 60.0 * local.tm_min + 3600.0 * local.tm_hour;
  // The stamp advances with elapsed wall time in milliseconds, so that it
  // stays a time of day; the process clock would count processor time.
  settings.startClock = std::chrono::steady_clock::now();
  return settings;
}

const TraceSettings& traceSettings() {
  static const TraceSettings settings = readSettings();
  return settings;
}

// Appends formatted text at len, cutting at the buffer's end.
__attribute__((format(printf, 4, 0))) void appendV(char* buffer, size_t size, size_t& len,
                                                   const char* format, va_list args) {
  if (len + 1 >= size) return;
  int written = std::vsnprintf(buffer + len, size - len, format, args);
  if (written > 0) len = std::min(len + static_cast<size_t>(written), size - 1);
}

__attribute__((format(printf, 4, 5))) void append(char* buffer, size_t size, size_t& len,
                                                  const char* format, ...) {
  va_list args;
  va_start(args, format);
  appendV(buffer, size, len, format, args);
  va_end(args);
}

void formatTimeStamp(char* out, size_t size) {
  const TraceSettings& settings = traceSettings();
  double elapsedMs = std::chrono::duration<double, std::milli>(
                         std::chrono::steady_clock::now() - settings.startClock)
                         .count();
  double t = (elapsedMs / 1000.0 + settings.startSeconds) / 3600.0;
  long hours = static_cast<long>(t);
  double m = t * 60 - hours * 60;
  long minutes = static_cast<long>(m);
  double s = m * 60 - minutes * 60;
  long seconds = static_cast<long>(s);
  long millis = static_cast<long>(s * 1000 - seconds * 1000);
  std::snprintf(out, size, "%.2ld:%.2ld:%.2ld.%.3ld", hours, minutes, seconds, millis);
}

// The runtime names the calling thread; without its service, the OS thread id.
const char* threadText(char* scratch) {
  const VXServices* services = runtimeServices();
  if (services != nullptr && services->threadIdText != nullptr) {
    if (const char* text = services->threadIdText(scratch)) return text;
  }
  std::snprintf(scratch, kScratchSize, "%ld", static_cast<long>(syscall(SYS_gettid)));
  return scratch;
}

}  // namespace

std::atomic<int32_t> earlyTraceThreshold{0};

int32_t readEarlyTraceThreshold() {
  int32_t threshold = traceSettings().threshold;
  earlyTraceThreshold.store(threshold, std::memory_order_relaxed);
  return threshold;
}

void earlyTrace(const char* sourceFile, int sourceLine, int32_t level, const char* format, ...) {
  if (!earlyTraceEnabled(level)) return;
  char line[kLineSize];
  size_t len = 0;
  char stamp[64];
  formatTimeStamp(stamp, sizeof stamp);
  append(line, sizeof line, len, "%s ", stamp);

  char scratch[kScratchSize];
  std::snprintf(scratch, sizeof scratch, "%s[%d]", sourceFile, sourceLine);
  const char* base = scratch;
  for (const char* p = scratch; *p != '\0'; ++p) {
    if (*p == '\\' || *p == '/') base = p + 1;
  }
  append(line, sizeof line, len, "%s: ", base);
  append(line, sizeof line, len, "tid:%s ", threadText(scratch));

  va_list args;
  va_start(args, format);
  appendV(line, sizeof line, len, format, args);
  va_end(args);

  std::fprintf(stderr, "%s\n", line);
  std::fflush(stderr);
}

void earlyDump(const void* address, int32_t length, int32_t level, const char* titleFormat, ...) {
  if (!earlyTraceEnabled(level)) return;
  char title[kLineSize];
  size_t len = 0;
  va_list args;
  va_start(args, titleFormat);
  appendV(title, sizeof title, len, titleFormat, args);
  va_end(args);
  if (address == nullptr) {
    append(title, sizeof title, len, " == NULL");
    earlyTrace(__FILE__, __LINE__, 900, "%s", title);
    return;
  }
  append(title, sizeof title, len, " [length = %d]", length);
  earlyTrace(__FILE__, __LINE__, 900, "%s", title);
  hexdump2(address, std::min(length, kMaxDump));
}

void hexdump2(const void* address, int32_t length) {
  earlyTrace(__FILE__, __LINE__, 300, "Entered hexdump2 with ptr =  {%p} , len = %d", address,
             length);
  if (address == nullptr || length <= 0 || !earlyTraceEnabled(900)) return;

  const unsigned char* byte = static_cast<const unsigned char*>(address);
  char row[kScratchSize];
  size_t len = 0;
  char printable[17];
  size_t printed = 0;
  int column = static_cast<int>(reinterpret_cast<uintptr_t>(byte) % 16);
  if (column != 0) {
    append(row, sizeof row, len, "%p  ", static_cast<const void*>(byte - column));
    for (int i = 0; i < column; ++i) {
      append(row, sizeof row, len, "   ");
      printable[printed++] = ' ';
    }
  }
  for (int32_t i = 0; i < length; ++i, ++byte) {
    if (column == 16) {
      printable[printed] = '\0';
      append(row, sizeof row, len, "   %s", printable);
      earlyTrace(__FILE__, __LINE__, 900, "%s", row);
      len = 0;
      printed = 0;
      column = 0;
    }
    if (column == 0) append(row, sizeof row, len, "%p  ", static_cast<const void*>(byte));
    append(row, sizeof row, len, "%c%02x", column == 8 ? '-' : ' ', *byte);
    printable[printed++] = std::isprint(*byte) ? static_cast<char>(*byte) : '.';
    ++column;
  }
  printable[printed] = '\0';
  append(row, sizeof row, len, "  %*s%s", 49 - 3 * column, " ", printable);
  earlyTrace(__FILE__, __LINE__, 900, "%s", row);
}
