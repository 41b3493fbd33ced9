// A callback for the tests: it records every call it gets (on which thread,
// with what) and can be given something to do inside the call.
#ifndef TEST_RECORDER_H
#define TEST_RECORDER_H

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "qm/consumers.h"

struct Recorded {
  int32_t callType = 0;
  int32_t hconn = 0;
  int32_t hobj = 0;
  vxqm::Status status;
  int32_t state = 0;
  bool hasMd = false;
  vxqm::MessageDescriptor md;
  bool hasData = false;
  std::string text;
  int32_t dataLength = 0;
  int32_t bufferLength = 0;
  std::string queueName;
  std::thread::id thread;
};

class Recorder : public vxqm::Callback {
 public:
  void call(const vxqm::Delivery& d) override {
    Recorded r;
    r.callType = d.callType;
    r.hconn = d.hconn;
    r.hobj = d.hobj;
    r.status = d.status;
    r.state = d.state;
    r.hasMd = d.md != nullptr;
    if (r.hasMd) r.md = *d.md;
    r.hasData = d.data != nullptr;
    if (r.hasData) r.text.assign(reinterpret_cast<const char*>(d.data), static_cast<size_t>(d.bufferLength));
    r.dataLength = d.dataLength;
    r.bufferLength = d.bufferLength;
    r.queueName = d.queueName.str();
    r.thread = std::this_thread::get_id();
    std::function<void(const vxqm::Delivery&)> act;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      calls_.push_back(r);
      act = action_;
    }
    changed_.notify_all();
    if (act) act(d);
  }

  // Runs inside every later call, after it is recorded; it may be set while
  // the dispatcher calls.
  void setAction(std::function<void(const vxqm::Delivery&)> act) {
    std::lock_guard<std::mutex> lock(mutex_);
    action_ = std::move(act);
  }

  std::vector<Recorded> calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }
  std::vector<int32_t> types() const {
    std::vector<int32_t> out;
    for (const Recorded& r : calls()) out.push_back(r.callType);
    return out;
  }
  size_t count(int32_t callType) const {
    size_t n = 0;
    for (const Recorded& r : calls()) n += r.callType == callType;
    return n;
  }
  // Waits, for a minute at most, until the calls satisfy done.
  bool await(const std::function<bool(const std::vector<Recorded>&)>& done) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::minutes(1), [&] { return done(calls_); });
  }
  bool awaitCount(int32_t callType, size_t n) const {
    return await([&](const std::vector<Recorded>& calls) {
      size_t seen = 0;
      for (const Recorded& r : calls) seen += r.callType == callType;
      return seen >= n;
    });
  }

 private:
  std::function<void(const vxqm::Delivery&)> action_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<Recorded> calls_;
};

// Whether done() becomes true within a minute; it is asked again and again.
inline bool eventually(const std::function<bool()>& done) {
  auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::yield();
  }
  return true;
}

// A gate that a callback waits at until the test opens it; it opens when it
// goes, and waits for those inside to leave.
class Gate {
 public:
  ~Gate() {
    open();
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return inside_ == 0; });
  }
  void open() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      open_ = true;
    }
    changed_.notify_all();
  }
  void pass() {
    std::unique_lock<std::mutex> lock(mutex_);
    ++waiting_;
    ++inside_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return open_; });
    --inside_;
    changed_.notify_all();
  }
  // Waits, for a minute at most, until a thread waits at the gate.
  bool awaitWaiter() {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::minutes(1), [&] { return waiting_ > 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
  int waiting_ = 0;
  int inside_ = 0;
};

// Opens a gate when it goes, so that a test that stops early leaves no
// callback waiting.
struct OpenAtEnd {
  Gate& gate;
  ~OpenAtEnd() { gate.open(); }
};

#endif
