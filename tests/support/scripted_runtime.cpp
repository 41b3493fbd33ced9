#include "scripted_runtime.h"

#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>

#include "vx/vector_entries.h"

namespace {

ScriptedRuntime* active = nullptr;

template <typename T>
uint64_t word(T value) {
  if constexpr (std::is_pointer_v<T>) {
    return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(value));
  } else {
    return static_cast<uint64_t>(static_cast<int64_t>(value));
  }
}

template <typename R>
R resultOf(const RecordedCall& call) {
  if constexpr (std::is_pointer_v<R>) {
    return reinterpret_cast<R>(static_cast<uintptr_t>(call.result));
  } else {
    return static_cast<R>(call.result);
  }
}

// One entry of the vector: records the call, then answers it. A call with
// codes has them as its last two arguments (the conversion call excepted).
template <auto Member, typename Fn>
struct Entry;

template <auto Member, typename R, typename... A>
struct Entry<Member, R (*)(A...)> {
  static inline const char* name = "";
  static inline int ccArg = -1;

  static R call(A... args) {
    ScriptedRuntime& runtime = ScriptedRuntime::current();
    RecordedCall& recorded = runtime.record(name, {word(args)...});
    runtime.respond(recorded, ccArg);
    if constexpr (!std::is_void_v<R>) return resultOf<R>(recorded);
  }
};

template <auto Member, typename Fn>
void install(Fn& slot, const char* name, int ccArg) {
  using E = Entry<Member, Fn>;
  E::name = name;
  E::ccArg = ccArg;
  slot = &E::call;
}

template <typename Fn>
struct Arity;
template <typename R, typename... A>
struct Arity<R (*)(A...)> {
  static constexpr int value = sizeof...(A);
};

template <typename Fn>
constexpr int lastTwo() {
  return Arity<Fn>::value - 2;
}

}  // namespace

ScriptedRuntime::ScriptedRuntime() : saved_(VXInterface) {
  install();
  active = this;
  VXInterface = &vector_;
}

ScriptedRuntime::~ScriptedRuntime() {
  VXInterface = saved_;
  active = nullptr;
}

ScriptedRuntime& ScriptedRuntime::current() { return *active; }

void ScriptedRuntime::install() {
  vector_.priv = &private_;
  private_.services = &services_;
  private_.xa = &xa_;
  private_.spi = &spi_;
#define PUBLIC(entry) \
  ::install<&VXVector::entry>(vector_.entry, #entry, lastTwo<decltype(VXVector::entry)>());
  VX_PUBLIC_CALLS(PUBLIC)
#undef PUBLIC
#define SPI(entry) \
  ::install<&VXSpiTable::entry>(spi_.entry, #entry, lastTwo<decltype(VXSpiTable::entry)>());
  VX_SPI_CALLS(SPI)
#undef SPI
#define XA(entry) ::install<&VXXaTable::entry>(xa_.entry, #entry, -1);
  VX_XA_ENTRIES(XA)
#undef XA
#define SERVICE(entry) ::install<&VXServices::entry>(services_.entry, #entry, -1);
  VX_SERVICE_ENTRIES(SERVICE)
#undef SERVICE
  ::install<&VXXaTable::vpiConvertData>(xa_.vpiConvertData, "vpiConvertData", 10);
}

void ScriptedRuntime::answer(const std::string& entry, int32_t cc, int32_t reason) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  answers_[entry] = {cc, reason};
}

void ScriptedRuntime::on(const std::string& entry, Handler handler) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  handlers_[entry] = std::move(handler);
}

void ScriptedRuntime::capture(const std::string& entry, size_t arg, size_t size) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  captures_.emplace(entry, std::make_pair(arg, size));
}

RecordedCall& ScriptedRuntime::record(const char* name, std::vector<uint64_t> args) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  RecordedCall call;
  call.name = name;
  call.args = std::move(args);
  auto range = captures_.equal_range(call.name);
  for (auto it = range.first; it != range.second; ++it) {
    auto [arg, size] = it->second;
    const uint8_t* at = call.p<const uint8_t>(arg);
    if (at != nullptr) call.bytes[arg].assign(at, at + size);
  }
  if (call.name == "threadIdText" && !recordThreadText) {
    thread_local RecordedCall unrecorded;
    unrecorded = std::move(call);
    return unrecorded;
  }
  calls_.push_back(std::move(call));
  return calls_.back();
}

void ScriptedRuntime::respond(RecordedCall& call, int ccArg) {
  Handler handler;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (ccArg >= 0) {
      auto codes = answers_.count(call.name) ? answers_[call.name] : std::make_pair(0, 0);
      *call.p<int32_t>(ccArg) = codes.first;
      *call.p<int32_t>(ccArg + 1) = codes.second;
    } else if (call.name == "threadIdText") {
      std::strcpy(call.p<char>(0), threadText.c_str());
      call.result = static_cast<int64_t>(call.args[0]);
    } else if (call.name == "metadataQuery") {
      std::memcpy(call.p(1), &metadataValue, sizeof metadataValue);
    }
    auto it = handlers_.find(call.name);
    if (it != handlers_.end()) handler = it->second;
  }
  if (handler) handler(call);
}

std::vector<RecordedCall> ScriptedRuntime::calls() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return std::vector<RecordedCall>(calls_.begin(), calls_.end());
}

std::vector<std::string> ScriptedRuntime::names() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::vector<std::string> names;
  for (const RecordedCall& call : calls_) names.push_back(call.name);
  return names;
}

size_t ScriptedRuntime::count(const std::string& entry) const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  size_t n = 0;
  for (const RecordedCall& call : calls_) n += call.name == entry;
  return n;
}

RecordedCall ScriptedRuntime::only(const std::string& entry) const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  RecordedCall found;
  size_t n = 0;
  for (const RecordedCall& call : calls_) {
    if (call.name == entry) {
      found = call;
      ++n;
    }
  }
  EXPECT_EQ(n, 1u) << "calls of " << entry;
  return found;
}

void ScriptedRuntime::clear() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  calls_.clear();
}
