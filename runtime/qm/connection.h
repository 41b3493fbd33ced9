// A connection: who it is, the objects it has open, its unit of work, the
// dynamic queues it made, its consumers, and the call in progress on it.
#ifndef VXQM_CONNECTION_H
#define VXQM_CONNECTION_H

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "qm/consumers.h"
#include "qm/properties.h"
#include "qm/queue.h"
#include "qm/topics.h"
#include "qm/unit_of_work.h"

namespace vxqm {

struct OpenOptions {
  bool inputShared = false;
  bool inputExclusive = false;
  bool browse = false;
  bool output = false;
  bool inquire = false;
  bool set = false;

  bool input() const { return inputShared || inputExclusive; }
};

struct ObjectHandle {
  std::shared_ptr<Queue> queue;
  OpenOptions options;
  bool browsing = false;  // the browse cursor below is set
  MessageKey browseCursor;
};

// What a store keeps for a connection (the database store: its database
// connection).
struct StoreLink {
  virtual ~StoreLink() = default;
};

class Connection {
 public:
  Connection(int32_t hconn, std::string user, std::string applName, const ConnectionId& id)
      : hconn_(hconn), user_(std::move(user)), applName_(std::move(applName)), id_(id) {}
  virtual ~Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  int32_t hconn() const { return hconn_; }
  const std::string& user() const { return user_; }
  const std::string& applName() const { return applName_; }
  const ConnectionId& id() const { return id_; }

  // One call at a time: a call claims the connection and gives it back.
  bool claim(int32_t call) {
    int32_t none = VXCALL_NONE;
    return call_.compare_exchange_strong(none, call, std::memory_order_acq_rel);
  }
  void release() { call_.store(VXCALL_NONE, std::memory_order_release); }
  int32_t callInProgress() const { return call_.load(std::memory_order_acquire); }
  // A call made from inside a callback runs within the callback's claim:
  // it names itself the call in progress and gives the name back after.
  int32_t nest(int32_t call) { return call_.exchange(call, std::memory_order_acq_rel); }
  void unnest(int32_t previous) { call_.store(previous, std::memory_order_release); }

  // Set by disconnect while it holds the connection; a later claim sees it.
  std::atomic<bool> closed{false};

  // Guarded by the queue manager's lock.
  std::unordered_map<int32_t, ObjectHandle> handles;
  UnitOfWork unitOfWork;
  std::vector<std::shared_ptr<Queue>> dynamicQueues;
  // Topics open for output and subscriptions open. The message handles and
  // the status of the puts are used only by the call that holds the
  // connection, with or without the lock.
  std::unordered_map<int32_t, TopicHandle> topicHandles;
  std::unordered_map<int32_t, std::shared_ptr<Subscription>> subscriptions;
  MessageHandles messageHandles;
  PutStatus putStatus;
  // Set at connect: made by the privileged connect, and its environment value.
  bool privileged = false;
  // The user identifier that puts record: the connected user's, or the one
  // adopted since (by the call that holds the connection).
  std::string identity;
  int32_t environment = -1;
  Consumers consumers;
  // Blocks of short messages got or delivered on this connection, kept for
  // its next puts so that each thread reuses blocks it has in its cache;
  // used by the call that holds the connection or by its dispatcher. Room
  // for them is made at connect, so that keeping one never fails.
  std::vector<std::unique_ptr<StoredMessage>> spareMessages;
  // Puts, gets and deliveries made with the queue manager's lock held
  // shared (tests).
  int64_t sharedCalls = 0;
  // Counts of message identifiers taken ahead from the queue manager's
  // sequence, by the call that holds the connection: puts on different
  // connections do not each bump one shared counter.
  uint64_t nextIdCount = 0;
  uint64_t idCountsEnd = 0;
  // Set by the store at connect, released at disconnect.
  std::unique_ptr<StoreLink> storeLink;

 private:
  const int32_t hconn_;
  const std::string user_;
  const std::string applName_;
  const ConnectionId id_;
  std::atomic<int32_t> call_{VXCALL_NONE};
};

}  // namespace vxqm

#endif
