// The queue manager: connections, queues, messages and units of work, safe
// for many threads at once. It knows nothing of how calls reach it; callers
// decode their structures into the requests below.
//
// One lock guards every queue, handle and unit of work, so that a commit is
// seen whole. The commonest puts and gets take it shared and the queue's own
// lock with it (qm/qm_lock.h, shared_calls.cpp), so that calls on different
// queues run side by side; everything else takes it whole. What connections
// share lives in a store (qm/store.h): in this process, or in a database
// that other processes share. A connection serves one call at a time: a call made while
// another is in progress on the same connection fails with
// VXRC_CALL_IN_PROGRESS, and callInProgress names the call that holds it.
// Callbacks of a connection's consumers take turns with its calls (see
// qm/consumers.h).
#ifndef VXQM_QUEUE_MANAGER_H
#define VXQM_QUEUE_MANAGER_H

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "qm/connection.h"
#include "qm/qm_lock.h"
#include "qm/store.h"
#include "qm/transactions.h"

namespace vxqm {

struct Credentials {
  std::string user;
  std::string password;
};

// Adopt-user: the user to act as, from now on, on a privileged connection.
struct AdoptRequest {
  int32_t options = 0;   // LPIADU_*
  std::string user;      // not used with LPIADU_RESTORE
  std::string password;  // with LPIADU_AUTHENTICATE
};
struct AdoptResult {
  int32_t how = 0;         // LPIADU_OUT_*
  std::string identifier;  // the user identifier the connection acts under now
};

// Named subscriptions found by an inquiry.
struct NamedSubscribers {
  std::vector<std::string> names;  // in name order
  int32_t inUse = 0;               // of them open on a connection
};

struct Limits {
  int32_t maxConnections = 1024;
  int32_t maxHandlesPerConnection = 1024;
  int32_t maxUncommittedMessages = 10000;  // per unit of work
  int32_t maxMsgLength = 100 * 1024 * 1024;
  int32_t maxXaOpens = 1024;      // rmids open at once
  int32_t maxXaBranches = 10000;  // transaction branches known at once
};

// A channel-authentication rule: a channel whose address and user match
// is allowed or blocked. A pattern is "*" (anything), a prefix ending in '*',
// or the exact text.
struct ChannelRule {
  bool allow = true;
  std::string address;
  std::string user;
};

struct QueueManagerConfig {
  std::string name = "VXRT.QM";
  std::vector<QueueDefinition> queues;
  // When not empty, every connection must name one of these users. They are
  // also the users that adopt-user and map-credentials know.
  std::vector<Credentials> users;
  // The user identifier that a user of the table acts under, by user name;
  // for a user not here, the first VX_USER_ID_LENGTH characters of the name.
  std::unordered_map<std::string, std::string> userIdentifiers;
  // Checked in order, the first match decides; no match allows.
  std::vector<ChannelRule> channelRules;
  Limits limits;
  // Why the configuration file could not be taken as written (see
  // configFromFile); while set, every connect fails with
  // VXRC_CONFIGURATION_ERROR instead of running without what it defines.
  std::string problem;
  // A libpq connection string: when set, the queue manager keeps what its
  // connections share in that PostgreSQL database, in the schema named here
  // (by default "vxrt"), shared with every process that names it.
  std::string database;
  std::string databaseSchema;
  // How often a get waiting on a shared store, and a dispatcher of its
  // consumers, look again by themselves: what a missed notification costs.
  int64_t sharedPollMs = 1000;
  // On a database: how many messages a get under syncpoint may hold in one
  // round trip for the gets of its unit of work that follow (read ahead).
  // The number grows with the gets the unit has made from the queue, so a
  // unit that gets one message holds one. Messages held ahead are not seen
  // by other connections until the unit ends; those it did not get go back
  // then, their backout count unchanged. 1 reads nothing ahead.
  int32_t readAhead = 1;
};

constexpr int32_t kMaxReadAhead = 1000;

struct ConnectRequest {
  std::string qmgrName;  // empty: this queue manager
  std::string applName;
  std::optional<Credentials> credentials;
  // Made by the privileged connect, with its environment value.
  bool privileged = false;
  int32_t environment = -1;
};

struct ObjectRequest {
  int32_t type = VXOT_QUEUE;
  std::string name;
  std::string qmgrName;     // empty or this queue manager's name
  std::string dynamicName;  // for a model queue; a trailing '*' asks for a unique name
  std::string topicString;  // for a topic
};

struct ObjectResolution {
  std::string objectName;  // for a model queue, the name of the queue made
  std::string resolvedQName;
  std::string resolvedQMgrName;
  int32_t resolvedType = 0;
  std::string topicString;  // for a topic
};

struct PutOptions {
  bool syncpoint = false;
  bool newMsgId = false;
  bool newCorrelId = false;
  bool retain = false;     // to a topic: becomes its retained publication
  int64_t msgHandle = 0;   // the message carries this handle's properties
  // The put's time (milliseconds since the epoch), read before the call
  // takes the lock; -1: read it when the message is stamped.
  int64_t putTime = -1;
};

// Names in place (FixedText): every put and get returns them.
struct PutResult {
  FixedText<VX_NAME_LENGTH> resolvedQName;
  FixedText<VX_NAME_LENGTH> resolvedQMgrName;
};

enum class Browse { None, First, Next };

struct GetOptions {
  bool syncpoint = false;
  bool wait = false;
  int32_t waitInterval = 0;  // milliseconds, or VXWI_UNLIMITED
  bool acceptTruncated = false;
  Browse browse = Browse::None;
  bool matchMsgId = false;
  bool matchCorrelId = false;
  int64_t msgHandle = 0;  // receives the message's properties
};

struct GetResult {
  int32_t msgLength = 0;
  int32_t returnedLength = 0;
  FixedText<VX_NAME_LENGTH> resolvedQName;
  MsgId msgId{};  // of the message found, also when it did not fit
};

struct SubscribeRequest {
  int32_t options = VXSO_CREATE;  // VXSO_*
  std::string topic;
  std::string name;
  CorrelId correlId{};  // with VXSO_SET_CORREL_ID
  // The private subscribe: a privileged connection only, and its option.
  bool privateCall = false;
  bool retainedAtResume = false;
};

struct SubscribeResult {
  CorrelId correlId{};
  std::string destination;  // the queue's name
  int32_t retained = 0;     // retained publications placed on it
};

// A property inquiry: the name or pattern, the type asked for (VXPT_ANY or
// one type), whether to go on after the last property returned, and where
// the value goes. The answer: the property's name, type and full length.
struct PropertyInquiry {
  std::string name;
  int32_t type = VXPT_ANY;
  bool next = false;
  void* value = nullptr;
  int32_t valueLength = 0;
};
struct PropertyAnswer {
  std::string name;
  int32_t type = VXPT_ANY;
  int32_t length = 0;
};

// Conversion between a handle's properties and their buffer form.
struct PropertyBuffer {
  void* buffer = nullptr;
  int32_t length = 0;
  std::string format;  // the data's format: in to the block, or out of it
  bool remove = false;  // VXBUFMH: take the block out of the buffer
};

enum class Control { Start, StartWait, Stop, Suspend, Resume };

// A queue to define, or an existing one to change, with attributes by
// selector (see admin.cpp for those accepted).
struct DefineRequest {
  bool create = true;     // false: change an existing queue
  std::string name;
  int32_t queueType = 0;  // VXQT_LOCAL or VXQT_MODEL; 0 as the like object, or local
  std::string likeName;   // empty: the default attributes
  int32_t selectorCount = 0;
  const int32_t* selectors = nullptr;
  int32_t intCount = 0;
  const int32_t* intAttrs = nullptr;
  int32_t charLength = 0;
  const char* charAttrs = nullptr;
};

// The first attribute that a definition refused.
struct AttributeError {
  int32_t selector = 0;
  int32_t reason = VXRC_NONE;
};

// An inquiry answers only for a queue whose integer attribute compares so.
struct QueueFilter {
  int32_t selector = 0;
  int32_t op = 0;  // LPIFLT_*
  int32_t value = 0;
};

class QueueManager {
 public:
  explicit QueueManager(QueueManagerConfig config, Clock& clock = steadyClock());
  ~QueueManager();
  QueueManager(const QueueManager&) = delete;
  QueueManager& operator=(const QueueManager&) = delete;

  const std::string& name() const { return config_.name; }
  Store& store() { return *store_; }

  Status connect(const ConnectRequest& request, int32_t& hconn, ConnectionId* id = nullptr);
  // Backs out the open unit of work (warning VXRC_BACKED_OUT_AT_DISCONNECT if
  // it held messages), closes the connection's handles, deletes the dynamic
  // queues it made, and sets hconn to 0.
  Status disconnect(int32_t& hconn);

  Status open(int32_t hconn, const ObjectRequest& object, const OpenOptions& options,
              int32_t& hobj, ObjectResolution& resolution);
  // Options VXCO_*: with VXCO_DELETE a dynamic queue goes with its messages;
  // a subscription handle takes VXCO_KEEP_SUB or VXCO_REMOVE_SUB. hobj
  // becomes 0.
  Status close(int32_t hconn, int32_t& hobj, int32_t options);

  Status put(int32_t hconn, int32_t hobj, MessageDescriptor& md, const PutOptions& options,
             const void* data, int32_t length, PutResult& result);
  Status put1(int32_t hconn, const ObjectRequest& object, MessageDescriptor& md,
              const PutOptions& options, const void* data, int32_t length, PutResult& result);
  // md holds the match values on entry and the message's descriptor after a
  // get that found one; dataLength is the message's full length.
  Status get(int32_t hconn, int32_t hobj, MessageDescriptor& md, const GetOptions& options,
             void* buffer, int32_t bufferLength, int32_t& dataLength, GetResult& result);

  Status inquire(int32_t hconn, int32_t hobj, int32_t selectorCount, const int32_t* selectors,
                 int32_t intCount, int32_t* intAttrs, int32_t charLength, char* charAttrs);
  Status set(int32_t hconn, int32_t hobj, int32_t selectorCount, const int32_t* selectors,
             int32_t intCount, const int32_t* intAttrs, int32_t charLength, const char* charAttrs);

  // Refused with VXRC_GLOBAL_UOW_ACTIVE while the connection's syncpoint
  // work belongs to an XA branch: its transaction manager completes it.
  Status begin(int32_t hconn);
  Status commit(int32_t hconn);
  Status backout(int32_t hconn);

  // Subscriptions. hobj is read (the destination when not managed) and
  // written (the managed queue's handle); hsub is written.
  Status subscribe(int32_t hconn, const SubscribeRequest& request, int32_t& hobj, int32_t& hsub,
                   SubscribeResult& result);
  // VXSR_RETAINED: the matching retained publications again; count of them
  // delivered, and of them matched. The private request (privateCall) needs a
  // privileged connection.
  Status requestPublications(int32_t hconn, int32_t hsub, int32_t action, int32_t& count,
                             int32_t* matched = nullptr, bool privateCall = false);
  // The connection's puts since the last call, which starts them again.
  Status putStatus(int32_t hconn, PutStatus& status);

  // Message handles and their properties.
  Status createMessageHandle(int32_t hconn, int64_t& hmsg);
  // hmsg becomes 0.
  Status deleteMessageHandle(int32_t hconn, int64_t& hmsg);
  Status setProperty(int32_t hconn, int64_t hmsg, const std::string& name, int32_t type,
                     const void* value, int32_t length);
  Status inquireProperty(int32_t hconn, int64_t hmsg, const PropertyInquiry& inquiry,
                         PropertyAnswer& answer);
  Status deleteProperty(int32_t hconn, int64_t hmsg, const std::string& name);
  // The block of the properties the pattern names; length is what it needs.
  Status propertiesToBuffer(int32_t hconn, int64_t hmsg, const std::string& pattern,
                            PropertyBuffer& buffer, int32_t& length, int32_t& count);
  // Sets the properties of the block the buffer starts with; dataLength is
  // what follows the block.
  Status bufferToProperties(int32_t hconn, int64_t hmsg, PropertyBuffer& buffer,
                            int32_t& dataLength, int32_t& count);

  // A message consumer on hobj, or the event handler (hobj not used).
  // Registering again on the same handle, or a second event handler,
  // replaces the callback: the old one gets its DEREGISTER call.
  Status registerConsumer(int32_t hconn, int32_t hobj, ConsumerKind kind,
                          const ConsumerOptions& options, std::shared_ptr<Callback> callback);
  // Called from outside the connection's callbacks, returns once the
  // DEREGISTER call has been made.
  Status deregisterConsumer(int32_t hconn, int32_t hobj, ConsumerKind kind);
  Status suspendConsumer(int32_t hconn, int32_t hobj, ConsumerKind kind, bool suspend);
  // Start returns at once. Start-wait returns once the consumers have
  // stopped again (by a stop, or when no message consumer is left). Stop,
  // from outside the connection's callbacks, returns once the STOP calls
  // have been made.
  Status control(int32_t hconn, Control operation);

  // The XA calls of a transaction manager (see qm/transactions.h for how an
  // rmid finds its connection). Each answers with an XA return code.
  // qmgrName empty: this queue manager.
  int32_t xaOpen(const std::string& qmgrName, int32_t rmid, int32_t flags);
  int32_t xaClose(int32_t rmid, int32_t flags);
  int32_t xaStart(const Xid& xid, int32_t rmid, int32_t flags);
  int32_t xaEnd(const Xid& xid, int32_t rmid, int32_t flags);
  int32_t xaPrepare(const Xid& xid, int32_t rmid, int32_t flags);
  int32_t xaCommit(const Xid& xid, int32_t rmid, int32_t flags);
  int32_t xaRollback(const Xid& xid, int32_t rmid, int32_t flags);
  int32_t xaForget(const Xid& xid, int32_t rmid, int32_t flags);
  // Up to count XIDs of the rmid's recovery scan of prepared branches, into
  // xids; the result is their number, or an error code.
  int32_t xaRecover(std::vector<Xid>& xids, int32_t count, int32_t rmid, int32_t flags);
  // No call runs asynchronously, so there is never anything to complete.
  int32_t xaComplete(int32_t rmid, int32_t flags);

  // The call in progress on a connection (VXCALL_*), VXCALL_NONE when none
  // or when the handle is not a live connection.
  int32_t callInProgress(int32_t hconn);
  // A few lines on the connection, the queues and their depths.
  void dump(int32_t hconn, std::FILE* out);
  // Whether hconn is a live connection.
  bool connected(int32_t hconn);
  // Getters waiting on a queue right now (tests wait for a getter to block).
  int32_t waitingGetters(const std::string& queue);
  // Calls of this connection waiting for its callback to return (tests).
  int32_t waitingCalls(int32_t hconn);
  // Whether the connection's dispatcher waits for another call to end (tests).
  bool dispatcherWaits(int32_t hconn);

  // Administration of queues by the private calls (admin.cpp): only a
  // connection made by the privileged connect may use them.
  Status privileged(int32_t hconn);
  Status defineQueue(int32_t hconn, const DefineRequest& request, AttributeError& error);
  Status removeQueue(int32_t hconn, const std::string& name, bool purge);
  // Channel authentication (security.cpp): allowed tells the decision; a
  // blocked channel is also a failure with VXRC_NOT_AUTHORIZED.
  Status checkChannel(int32_t hconn, const std::string& address, const std::string& user, bool& allowed);
  // The user table (users.cpp): adopt a user on the connection, or map
  // credentials to a user's identifier. Privileged connections only.
  Status adoptUser(int32_t hconn, const AdoptRequest& request, AdoptResult& result);
  Status mapCredentials(int32_t hconn, const Credentials& given, std::string& identifier);
  // Named subscriptions (spi_subscriptions.cpp), privileged connections only:
  // those a publication on the topic would reach, or those of the name (a
  // trailing '*' makes it a prefix).
  Status inquireNamedSubscribers(int32_t hconn, bool byTopic, const std::string& text,
                                 NamedSubscribers& found);
  // Removes a subscription: the one of hsub on this connection, or the one
  // of the name (not open on another connection).
  Status unsubscribe(int32_t hconn, bool byName, int32_t hsub, const std::string& name);
  Status inquireQueue(int32_t hconn, const std::string& name, const QueueFilter* filter,
                      int32_t selectorCount, const int32_t* selectors, int32_t intCount,
                      int32_t* intAttrs, int32_t charLength, char* charAttrs);

 private:
  class Call;
  friend class Call;
  struct Claim {
    bool held = false;
    bool nested = false;  // made from inside a callback
    int32_t previous = VXCALL_NONE;
  };
  struct Work;

  // With keep, the lock stays taken in it once the claim has succeeded.
  Status enter(int32_t hconn, int32_t call, std::shared_ptr<Connection>& connection, Claim& claim,
               std::unique_lock<QmLock>* keep);
  Status claim(Connection& connection, int32_t call, Claim& claim, std::unique_lock<QmLock>& lock);
  void leave(Connection& connection, Claim& claim);
  int32_t newHandle();
  ObjectHandle* findHandle(Connection& connection, int32_t hobj);
  Status resolve(Connection* connection, const ObjectRequest& object, std::shared_ptr<Queue>& queue);
  Status makeDynamicQueue(Connection& connection, const Queue& model, const std::string& pattern,
                          std::shared_ptr<Queue>& made);
  // A queue made at run time, with a unique name from the prefix.
  Status makeQueue(Connection& connection, const std::string& prefix, const QueueDefinition& like,
                   const QueueOrigin& origin, std::shared_ptr<Queue>& made);
  void deleteQueue(Connection* connection, const std::shared_ptr<Queue>& queue);
  void closeHandle(Connection& connection, int32_t hobj);
  Status putTo(Connection& connection, const std::shared_ptr<Queue>& queue, MessageDescriptor& md,
               const PutOptions& options, const void* data, int32_t length, PutResult& result,
               std::unique_lock<QmLock>& lock);
  Status checkDescriptor(const MessageDescriptor& md) const;
  void stamp(Connection& connection, const QueueAttributes& attributes, MessageDescriptor& md,
             const PutOptions& options);
  MsgId newId();
  // An identifier of a time already read (milliseconds since the epoch),
  // from counts the connection has taken ahead.
  MsgId newId(Connection& connection, int64_t now);
  // By the call that holds the connection, or its dispatcher: a block for a
  // short put's message, one that a get or a delivery gave back when there
  // is one (the connection's own first, then the queue manager's); and the
  // giving back, while there is room.
  std::unique_ptr<StoredMessage> messageBlock(Connection& connection, int32_t length);
  void keepMessageBlock(Connection& connection, std::unique_ptr<StoredMessage>& message);
  static void moveSpares(std::vector<std::unique_ptr<StoredMessage>>& from,
                         std::vector<std::unique_ptr<StoredMessage>>& to);
  // The expiry a message got or delivered still has, as its descriptor
  // tells it: 0 for none, else the milliseconds left, at least 1.
  int32_t expiryLeft(int64_t expiresAt);
  // A block taken off that is copied out under the lock and may be kept.
  static bool isShortBlock(const std::unique_ptr<StoredMessage>& message) {
    return message && message->data.capacity() <= kCopiedUnderLock;
  }
  // Both run under the lock, taken by the call's claim.
  Status putToHandle(Connection& connection, int32_t hobj, MessageDescriptor& md,
                     const PutOptions& options, const void* data, int32_t length,
                     PutResult& result, PutTarget& target, std::unique_lock<QmLock>& lock);
  Status putToObject(Connection& connection, const ObjectRequest& object, MessageDescriptor& md,
                     const PutOptions& options, const void* data, int32_t length,
                     PutResult& result, PutTarget& target, std::unique_lock<QmLock>& lock);

  // The commonest put and get, made with the lock held shared
  // (shared_calls.cpp): a queue by its handle, outside syncpoint, on a
  // connection without consumers. Each returns
  // false, having changed nothing, for anything else, and the call then
  // goes the whole way, which also gives every failure its reason.
  bool sharedPut(int32_t hconn, int32_t hobj, MessageDescriptor& md, const PutOptions& options,
                 const void* data, int32_t length, PutResult& result);
  bool sharedGet(int32_t hconn, int32_t hobj, MessageDescriptor& md, const GetOptions& options,
                 void* buffer, int32_t bufferLength, int32_t& dataLength, GetResult& result,
                 Status& status);
  // With the lock held shared: the connection claimed for the call, or null.
  Connection* claimShared(int32_t hconn, int32_t call);

 public:
  // Puts, gets and deliveries made on the connection with the lock held
  // shared (tests).
  int64_t sharedCallsMade(int32_t hconn);

 private:

  // Topics and subscriptions (publish_subscribe.cpp).
  size_t openObjects(const Connection& connection) const;
  Status checkPutOptions(Connection& connection, const PutOptions& options, bool toTopic);
  Status openTopic(Connection& connection, const ObjectRequest& object, const OpenOptions& options,
                   int32_t& hobj, ObjectResolution& resolution);
  Status publish(Connection& connection, const std::string& topic, MessageDescriptor& md,
                 const PutOptions& options, const void* data, int32_t length, PutResult& result,
                 std::unique_lock<QmLock>& lock);
  // Places a copy on the subscription's destination, pending in work;
  // false when it cannot.
  bool deliver(Connection* connection, const Subscription& subscription, const MessageDescriptor& md,
               const std::vector<uint8_t>& data, const std::shared_ptr<const PropertyList>& properties,
               int64_t expiresAt, UnitOfWork& work);
  // The retained publications the subscription matches (matched) placed on
  // its destination (the result).
  int32_t deliverRetained(Connection& connection, const Subscription& subscription, int32_t& matched);
  Status createSubscription(Connection& connection, const SubscribeRequest& request, int32_t hsub,
                            int32_t& hobj, std::shared_ptr<Subscription>& made);
  Status resumeSubscription(Connection& connection, Subscription& subscription, int32_t hsub,
                            int32_t& hobj);
  int32_t openManagedHandle(Connection& connection, const std::shared_ptr<Queue>& queue);
  // Closes a topic or subscription handle; VXRC_HOBJ_ERROR when it is neither.
  Status closeTopicOrSubscription(Connection& connection, int32_t& hobj, int32_t options);
  void endSubscription(Connection* connection, const std::shared_ptr<Subscription>& subscription);
  // At disconnect: subscriptions end or are let go, topic handles close.
  void leaveTopics(Connection& connection);

  // The user identifier a user of the table (or any other) acts under.
  std::string identityOf(const std::string& user) const;
  const Credentials* findUser(const std::string& user) const;
  Status privilegedCall(Call& call);

  // Message handles (message_handles.cpp).
  std::shared_ptr<const PropertyList> propertiesOf(Connection& connection, int64_t hmsg);

  // Where the connection's syncpoint work goes: the branch its rmid is
  // associated with, or its own unit of work.
  UnitOfWork& workOf(Connection& connection);
  bool roomInUnitOfWork(Connection& connection);
  bool inBranch(const Connection& connection);
  void bindPendingOpen(Connection& connection);
  void leaveTransactions(Connection& connection);
  XaContext* xaContext(int32_t rmid);
  bool outside(const XaContext& context);

  // Consumers (consumers.cpp) and their dispatcher (dispatcher.cpp).
  std::shared_ptr<Consumer> findConsumer(Connection& connection, int32_t hobj, ConsumerKind kind);
  void leaveConsumer(Connection& connection, Consumer& consumer);
  void leaveAll(Connection& connection);
  void awaitGone(Connection& connection, const Consumer& consumer);
  void awaitStopped(Connection& connection, uint64_t starts);
  // Whether this thread is the connection's dispatcher (any dispatcher for null).
  bool onDispatcher(const Connection* connection) const;
  void startDispatcher(Connection& connection);
  void reap(std::unique_lock<QmLock>& lock);
  void dispatch(Connection& connection);
  // Without claimWhenFree, a dispatcher that finds a call in progress asks
  // for the next turn; with it, it only takes a turn that is free.
  bool takeTurn(Connection& connection, bool claimWhenFree = false);
  void endTurn(Connection& connection);
  bool deliverNext(Connection& connection, std::unique_lock<QmLock>& lock);
  bool nextWork(Connection& connection, bool take, Work* work);
  bool controlWork(Connection& connection, bool take, Work* work);
  bool messageWork(Connection& connection, bool take, Work* work);
  bool examine(Connection& connection, Consumer& consumer, bool take, Work* work);
  void pass(Connection& connection, Consumer& consumer, const MessageKey& key);
  bool event(Connection& connection, Consumer& about, Status status, Work* work);
  void deliver(Connection& connection, Work& work, std::unique_lock<QmLock>& lock);
  // With no lock held: the callback, then a long message's block freed; a
  // short one's is left in the work for the caller to keep.
  void callConsumer(Connection& connection, Work& work);
  // Deliveries made with the lock held shared (shared_delivery.cpp), by a
  // dispatcher that has just delivered; the lock, held whole, is let go
  // meanwhile. It takes what is there (with lookFirst), then spins until a
  // queue is woken since the whole way looked and delivers while the plain
  // case holds, and returns, to look the whole way, when the spin ends
  // unwoken, a look finds nothing, or the case is not the plain one.
  // Returns whether it spun.
  enum class SharedDelivery { Delivered, Empty, NotPlain };
  bool deliverWhileShared(Connection& connection, std::unique_lock<QmLock>& lock, bool lookFirst);
  bool plainDispatch(Connection& connection);
  SharedDelivery deliverShared(Connection& connection, uint64_t& seen, WakeUpWatch& watch);
  SharedDelivery lookShared(Connection& connection, Work& work, uint64_t& seen, WakeUpWatch& watch);
  SharedDelivery takeShared(Connection& connection, Work& work);

  QueueManagerConfig config_;
  Clock& clock_;
  QmLock mutex_;
  std::unique_ptr<Store> store_;
  // Puts and gets may take the lock shared: the store is this process's.
  bool sharedCalls_ = false;
  std::unordered_map<int32_t, std::shared_ptr<Connection>> connections_;
  // Disconnected connections whose dispatcher thread nobody has joined yet.
  std::vector<std::shared_ptr<Connection>> retired_;
  std::unordered_set<int32_t> liveHandles_;
  int32_t nextHandle_ = 1001;
  uint64_t nextDynamic_ = 0;
  std::atomic<uint64_t> nextId_{0};
  // Short messages got or delivered and kept for the next puts: a
  // connection's own (Connection::spareMessages), and these for puts on
  // other connections, when a connection's own are full. Room for them is
  // made at the start, so that keeping one never fails. Data up to
  // kCopiedUnderLock long is copied with the lock held.
  static constexpr size_t kSpareMessages = 16;
  SpinLock spareLock_;
  std::vector<std::unique_ptr<StoredMessage>> spareMessages_;
  static constexpr int32_t kCopiedUnderLock = 4096;
  // Message identifier counts a connection takes at a time.
  static constexpr uint64_t kIdCountsAhead = 256;
  uint64_t instance_;  // tells this run's identifiers from another's
  Transactions xa_;
};

}  // namespace vxqm

#endif
