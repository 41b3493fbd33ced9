// A scripted runtime vector for tests. While a ScriptedRuntime lives,
// VXInterface points at its vector: every entry records the call with its
// arguments and answers as the test programmed it.
#ifndef TEST_SCRIPTED_RUNTIME_H
#define TEST_SCRIPTED_RUNTIME_H

#include <cstdint>
#include <functional>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "vx/vector.h"

struct RecordedCall {
  std::string name;
  std::vector<uint64_t> args;  // integers sign-extended, pointers as addresses
  std::map<size_t, std::vector<uint8_t>> bytes;  // captured behind pointer arguments
  int64_t result = 0;  // what an entry with a result returns

  int32_t i(size_t n) const { return static_cast<int32_t>(args.at(n)); }
  template <typename T = void>
  T* p(size_t n) const {
    return reinterpret_cast<T*>(static_cast<uintptr_t>(args.at(n)));
  }
};

class ScriptedRuntime {
 public:
  using Handler = std::function<void(RecordedCall&)>;

  ScriptedRuntime();
  ~ScriptedRuntime();
  ScriptedRuntime(const ScriptedRuntime&) = delete;
  ScriptedRuntime& operator=(const ScriptedRuntime&) = delete;

  // The completion code and reason that a call with codes answers (0, 0 by default).
  void answer(const std::string& entry, int32_t cc, int32_t reason);
  // Runs after the codes are written: writes outputs or sets a result.
  void on(const std::string& entry, Handler handler);
  // Copies size bytes behind pointer argument arg of every call of entry.
  void capture(const std::string& entry, size_t arg, size_t size);

  std::vector<RecordedCall> calls() const;
  std::vector<std::string> names() const;
  size_t count(const std::string& entry) const;
  // The one call of entry; fails the test unless there was exactly one.
  RecordedCall only(const std::string& entry) const;
  void clear();

  // What the thread-identifier service writes. The native trace asks for it
  // on every line, so its calls are recorded only when a test wants them.
  std::string threadText = "scripted-thread";
  bool recordThreadText = false;
  // What the metadata query writes into its field.
  int32_t metadataValue = 0x5C;

  // Used by the entries.
  static ScriptedRuntime& current();
  RecordedCall& record(const char* name, std::vector<uint64_t> args);
  void respond(RecordedCall& call, int ccArg);

 private:
  void install();

  VXVector vector_{};
  VXPrivate private_{};
  VXServices services_{};
  VXXaTable xa_{};
  VXSpiTable spi_{};
  VXVector* saved_;

  mutable std::recursive_mutex mutex_;
  std::deque<RecordedCall> calls_;
  std::map<std::string, std::pair<int32_t, int32_t>> answers_;
  std::map<std::string, Handler> handlers_;
  std::multimap<std::string, std::pair<size_t, size_t>> captures_;
};

#endif
