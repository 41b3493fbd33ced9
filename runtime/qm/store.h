// Where a queue manager keeps what its connections share: queue definitions
// and attributes, messages, what a unit of work does at commit and back-out,
// subscriptions, retained publications and prepared XA branches. The queue
// manager keeps the rest itself (connections, handles, consumers, message
// handles, rmids), and calls the store with its lock held.
//
// Two stores: memory_store.h keeps everything in this process; the database
// store (db/) keeps it in PostgreSQL, where every process that names the same
// database shares it.
#ifndef VXQM_STORE_H
#define VXQM_STORE_H

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "qm/connection.h"
#include "qm/topics.h"
#include "qm/transactions.h"

namespace vxqm {

// What a get asks of a queue: which message, and what to do with it.
struct Fetch {
  enum class Mode {
    Remove,  // the message leaves the queue now
    Hold,    // it stays, held by the unit of work, until commit or back-out
    Browse,  // it stays, visible to others
    Peek,    // only whether there is one: found, left, key and length
  };
  Mode mode = Mode::Remove;
  Match match;
  const MessageKey* after = nullptr;            // only messages after this one
  const std::set<MessageKey>* skip = nullptr;   // nor these
  // A message longer than this is left where it is unless truncation is
  // accepted; what is returned of the data is cut to it.
  int32_t limit = INT32_MAX;
  bool acceptTruncated = false;
  // Where the data goes for Hold and Browse (limit bytes at most): null to
  // have it in Fetched::message.
  void* buffer = nullptr;
  UnitOfWork* work = nullptr;  // Hold
  ExpiryTime now;
};

// What a get found. message holds the descriptor and the data (cut to the
// limit, or whole when it is the message taken off the queue), except when
// the data went to Fetch::buffer or the message was left on the queue.
struct Fetched {
  bool found = false;
  bool left = false;  // too long and not accepted: still on the queue
  MessageKey key;
  int32_t length = 0;  // the message's full length
  int64_t expiresAt = 0;
  MessageDescriptor md;
  std::shared_ptr<const PropertyList> properties;
  std::unique_ptr<StoredMessage> message;
  // A message taken off a queue of this process keeps its descriptor in
  // message->md, where the get reads it (for a long message once the lock is
  // let go) rather than have the store copy it.
  bool descriptorInMessage = false;

  MessageDescriptor& descriptor() { return descriptorInMessage ? message->md : md; }
};

// The origin of a queue made at run time.
struct QueueOrigin {
  int32_t creator = 0;   // the connection that made a dynamic queue
  bool managed = false;  // made for a subscription
};

class Store {
 public:
  virtual ~Store() = default;

  // Whether other processes share this store: attributes cached in a Queue
  // may then be stale, and the store checks them itself.
  virtual bool shared() const = 0;

  // A connection's life in the store. attach may refuse the connect.
  virtual Status attach(Connection& connection) = 0;
  virtual void detach(Connection& connection) = 0;

  // Queues. A Queue is this process's object for one queue; the store keeps
  // one per queue it has met.
  virtual Status findQueue(Connection* connection, const std::string& name,
                           std::shared_ptr<Queue>& queue) = 0;
  // VXRC_OBJECT_ALREADY_EXISTS when the name is taken.
  virtual Status createQueue(Connection* connection, const QueueDefinition& definition,
                             const QueueOrigin& origin, std::shared_ptr<Queue>& made) = 0;
  virtual Status changeQueue(Connection* connection, Queue& queue,
                             const QueueAttributes& attributes) = 0;
  // The queue goes with its messages; its Queue is marked deleted.
  virtual Status deleteQueue(Connection* connection, Queue& queue) = 0;
  virtual Status depth(Connection* connection, Queue& queue, int32_t& depth) = 0;
  // Reads the queue's attributes again; VXRC_OBJECT_DELETED when it is gone.
  virtual Status refresh(Connection* connection, Queue& queue) = 0;
  // Opens and closes of a handle, for what other processes must see of them
  // (exclusive input, a queue in use). The caller checks its own counts.
  virtual Status opened(Connection& connection, Queue& queue, const OpenOptions& options) = 0;
  virtual void closed(Connection& connection, Queue& queue, const OpenOptions& options) = 0;
  // Whether another process has the queue open.
  virtual bool openElsewhere(Connection& connection, Queue& queue) = 0;
  // The queues this process knows, for the dump.
  virtual std::vector<std::shared_ptr<Queue>> knownQueues() = 0;

  // Messages. put checks what the queue allows (deleted, put inhibited, depth,
  // length) and places the message, visible at once or pending in work.
  virtual Status put(Connection* connection, const std::shared_ptr<Queue>& queue,
                     std::unique_ptr<StoredMessage> message, UnitOfWork* work) = 0;
  // Finds the first message that the request accepts, in priority then
  // arrival order, and removes, holds or browses it; VXRC_NO_MSG_AVAILABLE
  // is not a failure here: found stays false.
  virtual Status fetch(Connection& connection, const std::shared_ptr<Queue>& queue,
                       const Fetch& fetch, Fetched& fetched) = 0;
  // Drops from keys the messages that have left the queue.
  virtual void prune(Connection& connection, Queue& queue, std::set<MessageKey>& keys) = 0;
  // Puts become visible, held messages leave their queues.
  virtual Status commit(Connection* connection, UnitOfWork& work) = 0;
  // Puts are dropped, held messages are visible again with their backout
  // count raised.
  virtual Status backout(Connection* connection, UnitOfWork& work) = 0;

  // Subscriptions and retained publications.
  virtual Status subscriptionCount(Connection& connection, size_t& count) = 0;
  // VXRC_DUPLICATE_SUBSCRIPTION when a named one of that name exists.
  virtual Status addSubscription(Connection& connection,
                                 const std::shared_ptr<Subscription>& subscription) = 0;
  virtual Status removeSubscription(Connection* connection, Subscription& subscription) = 0;
  // Null when none has the name.
  virtual Status namedSubscription(Connection& connection, const std::string& name,
                                   std::shared_ptr<Subscription>& found) = 0;
  virtual Status namedSubscriptions(Connection& connection,
                                    std::vector<std::shared_ptr<Subscription>>& all) = 0;
  virtual Status matchingSubscriptions(Connection& connection, const std::string& topic,
                                       std::vector<std::shared_ptr<Subscription>>& found) = 0;
  // Takes a subscription up on a connection (VXRC_SUBSCRIPTION_IN_USE when
  // another one has it), or lets it go (hconn 0).
  virtual Status holdSubscription(Connection* connection, Subscription& subscription,
                                  int32_t hconn, int32_t hsub) = 0;
  virtual Status retain(Connection& connection, const std::string& topic,
                        const RetainedPublication& publication) = 0;
  virtual Status retainedFor(Connection& connection, const Subscription& subscription, int64_t now,
                             std::vector<RetainedPublication>& found) = 0;

  // XA branches: prepare makes the branch's work durable and completes
  // nothing; commitBranch and rollbackBranch complete a branch prepared (or,
  // one phase, not prepared) here. Each answers with an XA return code.
  virtual int32_t prepare(Branch& branch) = 0;
  virtual int32_t commitBranch(Branch& branch) = 0;
  virtual int32_t rollbackBranch(Branch& branch) = 0;
  // Branches prepared by another process, or before a restart, that this
  // one does not know.
  virtual int32_t preparedElsewhere(std::vector<Xid>& xids) = 0;
  // Completes such a branch; XAER_NOTA when there is none.
  virtual int32_t completeElsewhere(const Xid& xid, bool commit) = 0;
};

}  // namespace vxqm

#endif
