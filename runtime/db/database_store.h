// The store that keeps what connections share in a PostgreSQL database, so
// that every process naming the same database and schema shares one queue
// manager. Per process, as with the memory store: connections, handles,
// consumers. In the database: queue definitions and attributes, messages,
// subscriptions, retained publications, prepared XA branches, and one
// session row per process.
//
// Each connection has a database connection of its own; the process has
// one more (the anchor) that holds its session's advisory lock, listens for
// notifications of new messages, and cleans up after processes that are
// gone; and one for calls that come without a connection (XA completion,
// the dump). When the database connection of a call breaks, the call fails
// with VXRC_CONNECTION_BROKEN; when the anchor's breaks, every connection
// made before fails so, since other processes then back out its work.
#ifndef VXDB_DATABASE_STORE_H
#define VXDB_DATABASE_STORE_H

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "db/pg.h"
#include "db/schema.h"
#include "db/statements.h"
#include "qm/qm_lock.h"
#include "qm/queue_manager.h"

namespace vxdb {

struct Link;

class DatabaseStore : public vxqm::Store {
 public:
  // qmMutex is the queue manager's lock, which the store's own thread takes
  // to wake waiters.
  DatabaseStore(const vxqm::QueueManagerConfig& config, vxqm::Clock& clock, vxqm::QmLock& qmMutex);
  ~DatabaseStore() override;

  bool shared() const override { return true; }
  vxqm::Status attach(vxqm::Connection& connection) override;
  void detach(vxqm::Connection& connection) override;

  vxqm::Status findQueue(vxqm::Connection* connection, const std::string& name,
                         std::shared_ptr<vxqm::Queue>& queue) override;
  vxqm::Status createQueue(vxqm::Connection* connection, const vxqm::QueueDefinition& definition,
                           const vxqm::QueueOrigin& origin, std::shared_ptr<vxqm::Queue>& made) override;
  vxqm::Status changeQueue(vxqm::Connection* connection, vxqm::Queue& queue,
                           const vxqm::QueueAttributes& attributes) override;
  vxqm::Status deleteQueue(vxqm::Connection* connection, vxqm::Queue& queue) override;
  vxqm::Status depth(vxqm::Connection* connection, vxqm::Queue& queue, int32_t& depth) override;
  vxqm::Status refresh(vxqm::Connection* connection, vxqm::Queue& queue) override;
  vxqm::Status opened(vxqm::Connection& connection, vxqm::Queue& queue,
                      const vxqm::OpenOptions& options) override;
  void closed(vxqm::Connection& connection, vxqm::Queue& queue,
              const vxqm::OpenOptions& options) override;
  bool openElsewhere(vxqm::Connection& connection, vxqm::Queue& queue) override;
  std::vector<std::shared_ptr<vxqm::Queue>> knownQueues() override;

  vxqm::Status put(vxqm::Connection* connection, const std::shared_ptr<vxqm::Queue>& queue,
                   std::unique_ptr<vxqm::StoredMessage> message, vxqm::UnitOfWork* work) override;
  vxqm::Status fetch(vxqm::Connection& connection, const std::shared_ptr<vxqm::Queue>& queue,
                     const vxqm::Fetch& fetch, vxqm::Fetched& fetched) override;
  void prune(vxqm::Connection& connection, vxqm::Queue& queue,
             std::set<vxqm::MessageKey>& keys) override;
  vxqm::Status commit(vxqm::Connection* connection, vxqm::UnitOfWork& work) override;
  vxqm::Status backout(vxqm::Connection* connection, vxqm::UnitOfWork& work) override;

  vxqm::Status subscriptionCount(vxqm::Connection& connection, size_t& count) override;
  vxqm::Status addSubscription(vxqm::Connection& connection,
                               const std::shared_ptr<vxqm::Subscription>& subscription) override;
  vxqm::Status removeSubscription(vxqm::Connection* connection,
                                  vxqm::Subscription& subscription) override;
  vxqm::Status namedSubscription(vxqm::Connection& connection, const std::string& name,
                                 std::shared_ptr<vxqm::Subscription>& found) override;
  vxqm::Status namedSubscriptions(vxqm::Connection& connection,
                                  std::vector<std::shared_ptr<vxqm::Subscription>>& all) override;
  vxqm::Status matchingSubscriptions(vxqm::Connection& connection, const std::string& topic,
                                     std::vector<std::shared_ptr<vxqm::Subscription>>& found) override;
  vxqm::Status holdSubscription(vxqm::Connection* connection, vxqm::Subscription& subscription,
                                int32_t hconn, int32_t hsub) override;
  vxqm::Status retain(vxqm::Connection& connection, const std::string& topic,
                      const vxqm::RetainedPublication& publication) override;
  vxqm::Status retainedFor(vxqm::Connection& connection, const vxqm::Subscription& subscription,
                           int64_t now, std::vector<vxqm::RetainedPublication>& found) override;

  int32_t prepare(vxqm::Branch& branch) override;
  int32_t commitBranch(vxqm::Branch& branch) override;
  int32_t rollbackBranch(vxqm::Branch& branch) override;
  int32_t preparedElsewhere(std::vector<vxqm::Xid>& xids) override;
  int32_t completeElsewhere(const vxqm::Xid& xid, bool commit) override;

 private:
  // What this process knows of one queue of the database.
  struct QueueState {
    std::weak_ptr<vxqm::Queue> queue;
    // No visible message lies before this key: gets start their search
    // here, past the rows that others have removed (which, while an old
    // transaction holds the database's horizon, cannot be cleaned away).
    vxqm::MessageKey floor{0, 0};
    // The depth last counted, when, and puts since: a put counts the depth
    // again only when the queue may be near its maximum.
    int64_t counted = 0;
    int64_t countedAt = -1000000;
    int64_t putsSince = 0;
    // Puts of this process's units of work not yet committed.
    int32_t pending = 0;
    // When the attributes were last read.
    int64_t refreshedAt = 0;
    // The latest keys that became visible, numbered up to arrivalsEnd:
    // a get served from its read-ahead checks that none lies before it.
    std::deque<vxqm::MessageKey> arrivals;
    uint64_t arrivalsEnd = 0;
  };

  // The database connection of a call: the connection's own, or the one
  // for calls without a connection. Null with status set when there is none.
  class Use;
  friend class Use;

  vxqm::Status start();
  Params definitionParams(const vxqm::QueueDefinition& definition, const vxqm::QueueOrigin& origin);
  vxqm::Status broken(vxdb::Connection& pg, const std::string& what);
  vxqm::Status failed(vxdb::Connection& pg, const std::string& what);
  std::shared_ptr<vxqm::Queue> adopt(const Row& row, int first, const std::string& name);
  QueueState& stateOf(vxqm::Queue& queue);
  void lower(int64_t queueId, const vxqm::MessageKey& key);
  static void arrived(QueueState& state, const vxqm::MessageKey& key);
  vxqm::Status checkPut(vxdb::Connection& pg, vxqm::Queue& queue, size_t length);
  vxqm::Status count(vxdb::Connection& pg, vxqm::Queue& queue, int32_t& depth);
  Connection::Step announcement() const;
  void bindMessage(Params& params, vxqm::Queue& queue, const vxqm::StoredMessage& message,
                   std::string& block, bool announce);
  vxqm::Status insert(vxdb::Connection& pg, vxqm::Queue& queue, const vxqm::StoredMessage& message,
                      int64_t& id);
  vxqm::Status fetchOnce(vxdb::Connection& pg, vxqm::Queue& queue, const vxqm::Fetch& fetch,
                         const vxqm::MessageKey& from, uint64_t holder, vxqm::Fetched& fetched);
  vxqm::Status fetchFirst(vxdb::Connection& pg, const std::shared_ptr<vxqm::Queue>& queue,
                          const vxqm::Fetch& request, vxqm::Fetched& fetched);
  bool workSteps(vxqm::UnitOfWork& work, bool commit, std::vector<Connection::Step>& steps,
                 std::vector<std::string>& blocks);
  void madeVisible(vxqm::UnitOfWork& work, const std::vector<Result>& results);
  static Link* ownLink(vxqm::Connection* connection, const vxqm::UnitOfWork& work);
  vxqm::Status release(vxdb::Connection& pg, vxqm::UnitOfWork& work, Link* link);
  void afterWork(vxqm::UnitOfWork& work);

  // Read-ahead (read_ahead.cpp).
  bool clearAhead(Link& link, QueueState& state);
  vxqm::Status fetchAhead(Link& link, const std::shared_ptr<vxqm::Queue>& queue, const vxqm::Fetch& request,
                          vxqm::Fetched& fetched);
  vxqm::Status holdAhead(Link& link, vxqm::Queue& queue, const vxqm::Fetch& request, const vxqm::MessageKey& from,
                         int32_t count);
  void serveAhead(Link& link, const vxqm::Fetch& request, vxqm::Fetched& fetched);
  // The step that lets go what a link holds ahead; false when it holds nothing.
  bool aheadStep(Link* link, const vxqm::UnitOfWork& work, Connection::Step& step);
  void aheadGone(Link* link);
  vxqm::Status letAheadGo(Link& link, const vxqm::UnitOfWork& work);
  std::shared_ptr<vxqm::Subscription> subscriptionFrom(vxdb::Connection& pg, const Row& row);
  std::shared_ptr<vxqm::Queue> queueById(vxdb::Connection& pg, int64_t id);
  int32_t finishPrepared(vxdb::Connection& pg, int64_t branchId, int64_t holderSession,
                         int64_t holderUow, bool commit);

  // The anchor: session, notifications, clean-up (listener.cpp).
  bool openAnchor(std::string& problem);
  void listen();
  // Waits up to ms for the anchor to be woken (stopAnchor).
  void pause(int ms);
  // Ends the anchor's thread: at once when it is between statements, within
  // a bound otherwise (a connect under way), and then leaves it behind.
  void stopAnchor();
  friend void stopAnchorsAtExit();
  void onNotification(const std::string& payload);
  void housekeep(vxdb::Connection& pg);

  const vxqm::QueueManagerConfig& config_;
  vxqm::Clock& clock_;
  vxqm::QmLock& qmMutex_;
  const std::string schema_;
  const std::string channel_;
  const LockClasses classes_;
  const Statements statements_;

  // Guards the start, the service connection and the anchor's session.
  std::mutex startMutex_;
  bool started_ = false;
  std::string lastProblem_;
  vxdb::Connection service_;
  std::mutex serviceMutex_;

  vxdb::Connection anchor_;
  std::atomic<int64_t> session_{0};
  std::atomic<uint64_t> epoch_{0};
  std::atomic<uint64_t> nextHolder_{0};
  std::thread listener_;
  std::atomic<bool> stopping_{false};
  int wake_ = -1;  // an eventfd that ends the anchor's waits
  std::mutex leftMutex_;
  std::condition_variable left_;
  bool listenerLeft_ = false;

  // Guarded by the queue manager's lock.
  std::unordered_map<std::string, std::shared_ptr<vxqm::Queue>> byName_;
  std::unordered_map<int64_t, QueueState> byId_;
  int errorsReported_ = 0;
};

// Whether a get takes the first message of its queue that it accepts (no
// cursor, no identifier, nothing skipped); a fetch row's key, length and
// expiry, with its descriptor and its message (properties and data) when
// asked; what a get's first row says of its queue (database_store.cpp).
bool headGet(const vxqm::Fetch& request);
void readFetched(const Row& row, vxqm::Fetched& fetched, bool descriptor, bool message);
vxqm::Status queueFound(const Row& row, vxqm::Queue& queue);
// A head get under syncpoint, the get a read-ahead serves (read_ahead.cpp).
bool plainGet(const vxqm::Fetch& request);

// Has the store's anchor stopped when the process exits (listener.cpp).
void stopAtExit(DatabaseStore* store);
void stopAnchorsAtExit();

}  // namespace vxdb

#endif
