// The native diagnostic trace: lines on standard error, independent of Java.
//
// One threshold, read once per process from TalyEarlyTrace (or
// TALYEARLYTRACE), decides which lines appear: a line of level L is written
// when L is at least the threshold. Levels in use: 300 progress markers and
// array views, 400 details, 500 entry and exit, 700 status, 900 dumps.
#ifndef TALY_EARLY_TRACE_H
#define TALY_EARLY_TRACE_H

#include <atomic>
#include <cstdint>

// The threshold once read (never 0 then), and its first read.
extern std::atomic<int32_t> earlyTraceThreshold;
int32_t readEarlyTraceThreshold();

// Every export tests levels on entry and exit: one load once read.
inline bool earlyTraceEnabled(int32_t level) {
  int32_t threshold = earlyTraceThreshold.load(std::memory_order_relaxed);
  if (threshold == 0) threshold = readEarlyTraceThreshold();
  return level >= threshold;
}

void earlyTrace(const char* sourceFile, int sourceLine, int32_t level, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// A title line and, for a non-null address, a hex dump of at most 4096 bytes.
void earlyDump(const void* address, int32_t length, int32_t level, const char* titleFormat, ...)
    __attribute__((format(printf, 4, 5)));

// Hex dump rows of length bytes from address, 16 bytes a row.
void hexdump2(const void* address, int32_t length);

// Callers test the level before building any argument.
#define TALY_TRACE(level, ...)                                                \
  do {                                                                        \
    if (earlyTraceEnabled(level)) earlyTrace(__FILE__, __LINE__, (level), __VA_ARGS__); \
  } while (0)

// A dump whose level is tested before the call: a call with a variable
// argument list costs even when it writes nothing, and callbacks dump on
// every delivery.
#define TALY_DUMP(address, length, level, ...)                               \
  do {                                                                       \
    if (earlyTraceEnabled(level)) earlyDump((address), (length), (level), __VA_ARGS__); \
  } while (0)

// A progress marker: an empty line that shows only where the code got to.
#define TALY_MARK() TALY_TRACE(300, "%s", "")

#endif
