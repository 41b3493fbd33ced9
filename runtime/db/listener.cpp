// The anchor of the database store: this process's session, the
// notifications of other processes' puts and commits, and the clean-up after
// processes that are gone.
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "db/database_store.h"

namespace vxdb {

namespace {

// How often the anchor cleans up after processes that are gone and
// removes expired messages, and how long it waits before it connects again.
constexpr int64_t kHousekeepingMs = 1000;
constexpr int kWaitMs = 200;
constexpr int kRetryMs = 500;

int64_t nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string hostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "unknown";
  return name;
}

// The stores whose anchors are to end before the process does: at exit the
// libraries under libpq free their state, while an anchor might be inside
// them (a connect after the server went). The queue manager of the
// runtime is never destroyed, so its store is stopped here.
std::mutex exitMutex;
std::set<DatabaseStore*>* atExit = nullptr;

}  // namespace

void stopAnchorsAtExit() {
  std::set<DatabaseStore*> stores;
  {
    std::lock_guard<std::mutex> lock(exitMutex);
    if (atExit != nullptr) stores.swap(*atExit);
  }
  for (DatabaseStore* store : stores) store->stopAnchor();
}

void stopAtExit(DatabaseStore* store) {
  std::lock_guard<std::mutex> lock(exitMutex);
  if (atExit == nullptr) {
    atExit = new std::set<DatabaseStore*>();
    std::atexit(stopAnchorsAtExit);
  }
  atExit->insert(store);
}

void DatabaseStore::stopAnchor() {
  {
    std::lock_guard<std::mutex> lock(exitMutex);
    if (atExit != nullptr) atExit->erase(this);
  }
  if (!listener_.joinable()) return;
  stopping_.store(true);
  uint64_t one = 1;
  if (wake_ >= 0 && write(wake_, &one, sizeof one) < 0) {
    // The anchor sees stopping_ at its next wait's end.
  }
  std::unique_lock<std::mutex> lock(leftMutex_);
  bool left = left_.wait_for(lock, std::chrono::seconds(2), [this] { return listenerLeft_; });
  lock.unlock();
  if (left) {
    listener_.join();
  } else {
    listener_.detach();
  }
}

void DatabaseStore::pause(int ms) {
  pollfd fd{wake_, POLLIN, 0};
  poll(&fd, wake_ >= 0 ? 1 : 0, ms);
}

// A new session: its row, its lock, and the notifications. Connections made
// before belong to the session before, which other processes may now take
// for dead: they fail from here on.
bool DatabaseStore::openAnchor(std::string& problem) {
  if (!anchor_.open(config_.database)) {
    problem = anchor_.error();
    return false;
  }
  Result session = anchor_.run(statements_.newSession,
                               Params().i32(getpid()).text(hostName()).i32(classes_.session));
  if (!session.ok() || session.rows() == 0 || !session.row(0).boolean(1) ||
      !anchor_.simple("LISTEN \"" + channel_ + "\"").ok()) {
    problem = anchor_.error();
    if (problem.empty()) {
      problem = "the lock of session " + std::to_string(session.rows() > 0 ? session.row(0).i64(0) : 0) +
                " is taken";
    }
    anchor_.close();
    return false;
  }
  int64_t id = session.row(0).i64(0);
  anchor_.simple("SET application_name = 'vxrt " + std::to_string(getpid()) + " anchor'");
  session_.store(id);
  ++epoch_;
  housekeep(anchor_);
  return true;
}

void DatabaseStore::listen() {
  int64_t nextHousekeeping = nowMs() + kHousekeepingMs;
  while (!stopping_.load()) {
    if (anchor_.broken()) {
      std::string problem;
      if (!openAnchor(problem)) {
        pause(kRetryMs);
        continue;
      }
      // Waiters look again, and learn that their connections broke.
      std::lock_guard<vxqm::QmLock> lock(qmMutex_);
      onNotification("*");
      continue;
    }
    pollfd fds[2] = {{PQsocket(anchor_.raw()), POLLIN, 0}, {wake_, POLLIN, 0}};
    int ready = poll(fds, wake_ >= 0 ? 2 : 1, kWaitMs);
    if (stopping_.load()) break;
    if (ready > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0 &&
        PQconsumeInput(anchor_.raw()) == 0) {
      anchor_.close();
      continue;
    }
    std::vector<std::string> payloads;
    while (PGnotify* notification = PQnotifies(anchor_.raw())) {
      payloads.emplace_back(notification->extra);
      PQfreemem(notification);
    }
    if (!payloads.empty()) {
      std::lock_guard<vxqm::QmLock> lock(qmMutex_);
      for (const std::string& payload : payloads) onNotification(payload);
    }
    if (nowMs() >= nextHousekeeping) {
      housekeep(anchor_);
      nextHousekeeping = nowMs() + kHousekeepingMs;
    }
  }
}

// Called with the queue manager's lock held. A payload is "QUEUE RANK ID"
// for a message that became visible, "a QUEUE" for changed attributes,
// "d QUEUE" for a deleted queue, "*" for anything.
void DatabaseStore::onNotification(const std::string& payload) {
  if (payload == "*") {
    for (auto& entry : byId_) {
      entry.second.floor = {0, 0};
      arrived(entry.second, {0, 0});
      if (std::shared_ptr<vxqm::Queue> queue = entry.second.queue.lock()) queue->wakeWaiters();
    }
    return;
  }
  char kind = payload.empty() ? ' ' : payload[0];
  if (kind == 'a' || kind == 'd') {
    int64_t id = std::strtoll(payload.c_str() + 1, nullptr, 10);
    auto state = byId_.find(id);
    if (state == byId_.end()) return;
    std::shared_ptr<vxqm::Queue> queue = state->second.queue.lock();
    if (!queue) return;
    if (kind == 'd') {
      queue->markDeleted();
      auto known = byName_.find(queue->name());
      if (known != byName_.end() && known->second == queue) byName_.erase(known);
      byId_.erase(state);
      return;
    }
    // Attributes: the defaults a put stamps come from here; a get served
    // from a read-ahead looks in the database again (inhibited?).
    arrived(state->second, {0, 0});
    Result result = anchor_.run(statements_.queueById, Params().i64(id));
    if (result.ok() && result.rows() > 0) adopt(result.row(0), 0, queue->name());
    queue->wakeWaiters();
    return;
  }
  long long queueId = 0;
  int rank = 0;
  unsigned long long sequence = 0;
  if (std::sscanf(payload.c_str(), "%lld %d %llu", &queueId, &rank, &sequence) != 3) return;
  auto state = byId_.find(queueId);
  if (state == byId_.end()) return;
  lower(queueId, {rank, sequence});
  if (std::shared_ptr<vxqm::Queue> queue = state->second.queue.lock()) queue->wakeWaiters();
}

void DatabaseStore::housekeep(Connection& pg) {
  pg.run(statements_.cleanup, Params().i64(session_.load()).i32(classes_.session).text(channel_));
  pg.run(statements_.sweep, Params().i64(clock_.nowMs()));
}

}  // namespace vxdb
