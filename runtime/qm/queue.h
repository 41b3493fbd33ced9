// A queue: its definition, its messages in priority order, and the handles
// open on it. Every member is used with the queue manager's lock held whole,
// except that a put or get holding it shared adds or takes a message (and
// keeps the spare nodes) under sharedAccess().
#ifndef VXQM_QUEUE_H
#define VXQM_QUEUE_H

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "qm/message.h"
#include "qm/qm_lock.h"

namespace vxqm {

enum class QueueType : int32_t {
  Local = VXQT_LOCAL,
  Model = VXQT_MODEL,    // a template: opening it makes a dynamic queue
  Dynamic = VXQT_DYNAMIC,
};

struct QueueAttributes {
  int32_t maxDepth = 10000;
  int32_t maxMsgLength = 4 * 1024 * 1024;
  bool inhibitPut = false;
  bool inhibitGet = false;
  int32_t defaultPriority = 0;
  int32_t defaultPersistence = VXPER_NOT_PERSISTENT;
  std::string description;  // trailing blanks dropped
};

struct QueueDefinition {
  std::string name;
  QueueType type = QueueType::Local;
  QueueAttributes attributes;
};

// How many handles are open on a queue, and for what.
struct OpenCounts {
  int32_t handles = 0;
  int32_t input = 0;
  int32_t exclusiveInput = 0;
  int32_t output = 0;
};

class Queue {
 public:
  // Room for the spare nodes is made here, so that keeping one never fails.
  explicit Queue(QueueDefinition definition) : definition_(std::move(definition)) {
    spareNodes_.reserve(kSpareNodes);
  }
  Queue(const Queue&) = delete;
  Queue& operator=(const Queue&) = delete;

  const std::string& name() const { return definition_.name; }
  QueueType type() const { return definition_.type; }
  QueueAttributes& attributes() { return definition_.attributes; }
  const QueueDefinition& definition() const { return definition_; }
  OpenCounts& counts() { return counts_; }

  // Messages on the queue, pending ones included.
  int32_t depth() const { return static_cast<int32_t>(messages_.size()); }

  // Adds a message behind those of its priority and returns its key; a
  // visible one wakes the waiters, unless the caller wakes them itself
  // (wake) once it has let sharedAccess() go.
  MessageKey add(std::unique_ptr<StoredMessage> message, bool wakeNow = true);
  // The first visible message that the match accepts, after the given key if
  // there is one; expired visible messages met on the way are discarded.
  StoredMessage* find(const Match& match, const MessageKey* after, const ExpiryTime& now,
                      MessageKey& key);
  StoredMessage* at(const MessageKey& key);
  std::unique_ptr<StoredMessage> take(const MessageKey& key);
  // A pending message becomes visible and waiting getters are woken.
  void makeVisible(const MessageKey& key);
  void wakeWaiters() { notify(); }
  // Wakes the getters and dispatchers waiting on the queue.
  void wake();

  // A deleted queue drops its messages and wakes its waiters; it stays alive
  // as long as a handle or unit of work refers to it.
  void markDeleted();
  bool deleted() const { return deleted_; }

  Condition& available() { return available_; }
  // Taken by puts and gets that hold the queue manager's lock shared; who
  // holds it whole has the queue to itself without it.
  SpinLock& sharedAccess() { return sharedAccess_; }

  // Counts the wake-ups: a waiter that saw one value waits for another.
  uint64_t generation() const { return generation_; }
  int32_t& waiters() { return waiters_; }
  // Dispatchers with consumers on this queue, woken with its getters; one
  // entry per consumer.
  void watch(Condition* dispatcher) { watchers_.push_back(dispatcher); }
  void unwatch(Condition* dispatcher);
  // Counts the wake-ups of every queue a dispatcher watches, read without
  // the lock by a dispatcher that looks for more work a moment before it
  // sleeps. Only counted while such a dispatcher waits for one (a
  // WakeUpWatch, below): a put made while every dispatcher is busy then
  // writes nothing that they read.
  static std::atomic<uint64_t>& wakeUps();
  static std::atomic<int32_t>& wakeUpWatchers();
  static constexpr size_t kSpareNodes = 16;

  // The connection that made a dynamic queue (0 for defined queues).
  int32_t creator = 0;
  // Made for a subscription, and deleted with it rather than by a close.
  bool managed = false;
  // The database store's identifier of the queue.
  int64_t storeId = 0;

 private:
  void notify();

  // Read by every put and get, written with the lock held whole.
  QueueDefinition definition_;
  OpenCounts counts_;
  bool deleted_ = false;
  int32_t waiters_ = 0;
  std::vector<Condition*> watchers_;
  Condition available_;

  // Written by every put and get: on cache lines of their own, so that two
  // threads on one queue do not also wait for each other's writes to read
  // the fields above. The spin lock comes first, with the index beside it.
  using Messages = std::map<MessageKey, std::unique_ptr<StoredMessage>>;
  alignas(64) SpinLock sharedAccess_;
  Messages messages_;
  uint64_t nextSequence_ = 0;
  uint64_t generation_ = 0;
  // The message the last find returned, until the next find, a take or the
  // queue's deletion: nothing else removes a message.
  Messages::iterator found_ = messages_.end();
  // Nodes of messages taken off, used again by the next puts: a put and a
  // get on different threads then pass no memory between their allocators.
  std::vector<Messages::node_type> spareNodes_;
};

// Held by a dispatcher from a look that found nothing until it stops waiting
// for a wake-up: puts count their wake-ups meanwhile. A look made after the
// watch began misses no put made after that look: the put and the look
// exclude each other by the queue's spin lock (or, for a put with the queue
// manager's lock held whole, by that lock), so either the look finds the
// message or the put sees the watch and counts its wake-up.
class WakeUpWatch {
 public:
  WakeUpWatch() = default;
  WakeUpWatch(const WakeUpWatch&) = delete;
  WakeUpWatch& operator=(const WakeUpWatch&) = delete;
  ~WakeUpWatch() { end(); }
  void begin() {
    if (on_) return;
    on_ = true;
    Queue::wakeUpWatchers().fetch_add(1, std::memory_order_seq_cst);
  }
  void end() {
    if (!on_) return;
    on_ = false;
    Queue::wakeUpWatchers().fetch_sub(1, std::memory_order_release);
  }
  bool on() const { return on_; }

 private:
  bool on_ = false;
};

}  // namespace vxqm

#endif
