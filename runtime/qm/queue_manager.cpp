// Connections, opening and closing objects, units of work, and the dump.
#include "qm/queue_manager.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>

#include "qm/call.h"
#include "db/database_store.h"
#include "qm/memory_store.h"

namespace vxqm {

QueueManager::QueueManager(QueueManagerConfig config, Clock& clock)
    : config_(std::move(config)),
      // Processes that share a database share its expiry times: they count
      // on the wall clock.
      clock_(config_.database.empty() || &clock != &steadyClock() ? clock : systemClock()) {
  if (config_.database.empty()) {
    store_ = std::make_unique<MemoryStore>(config_.queues);
    sharedCalls_ = true;
  } else {
    store_ = std::make_unique<vxdb::DatabaseStore>(config_, clock_, mutex_);
    mutex_.neverShared();
  }
  spareMessages_.reserve(kSpareMessages);
  auto now = std::chrono::system_clock::now().time_since_epoch().count();
  instance_ = static_cast<uint64_t>(now) ^ (static_cast<uint64_t>(getpid()) << 40);
}

// Every connection's consumers get their STOP and DEREGISTER calls first.
QueueManager::~QueueManager() {
  std::unique_lock<QmLock> lock(mutex_);
  for (const auto& entry : connections_) {
    leaveAll(*entry.second);
    retired_.push_back(entry.second);
  }
  for (const std::shared_ptr<Connection>& connection : retired_) {
    Consumers& consumers = connection->consumers;
    consumers.changed.wait(lock, [&] { return !consumers.running; });
  }
  reap(lock);
}

Status QueueManager::enter(int32_t hconn, int32_t call, std::shared_ptr<Connection>& out,
                           Claim& claim, std::unique_lock<QmLock>* keep) {
  std::unique_lock<QmLock> lock(mutex_);
  auto it = connections_.find(hconn);
  if (it == connections_.end()) return Status::failure(VXRC_HCONN_ERROR);
  std::shared_ptr<Connection> connection = it->second;
  Status status = this->claim(*connection, call, claim, lock);
  if (status.failed()) return status;
  out = std::move(connection);
  if (keep != nullptr) *keep = std::move(lock);
  return Status::ok();
}

// Connection and object handles come from one sequence, so that neither can
// be taken for the other, and a value is not handed out again while it lives.
int32_t QueueManager::newHandle() {
  for (;;) {
    int32_t handle = nextHandle_;
    nextHandle_ = nextHandle_ == INT32_MAX ? 1 : nextHandle_ + 1;
    if (liveHandles_.insert(handle).second) return handle;
  }
}

Status QueueManager::connect(const ConnectRequest& request, int32_t& hconn, ConnectionId* id) {
  if (!config_.problem.empty()) return Status::failure(VXRC_CONFIGURATION_ERROR);
  if (!request.qmgrName.empty() && request.qmgrName != config_.name) {
    return Status::failure(VXRC_QMGR_NAME_ERROR);
  }
  if (!config_.users.empty()) {
    const std::optional<Credentials>& given = request.credentials;
    bool known = given && std::any_of(config_.users.begin(), config_.users.end(),
                                      [&](const Credentials& user) {
                                        return user.user == given->user &&
                                               user.password == given->password;
                                      });
    if (!known) return Status::failure(VXRC_NOT_AUTHORIZED);
  }
  std::string user = request.credentials ? request.credentials->user : std::string();
  ConnectionId connectionId = newId();
  std::unique_lock<QmLock> lock(mutex_);
  reap(lock);
  if (connections_.size() >= static_cast<size_t>(config_.limits.maxConnections)) {
    return Status::failure(VXRC_CONNECTION_LIMIT);
  }
  int32_t handle = newHandle();
  auto connection =
      std::make_shared<Connection>(handle, std::move(user), request.applName, connectionId);
  // The store may open a connection of its own: not under the lock.
  lock.unlock();
  Status attached = store_->attach(*connection);
  lock.lock();
  if (attached.failed()) {
    liveHandles_.erase(handle);
    return attached;
  }
  bindPendingOpen(*connection);
  connection->privileged = request.privileged;
  connection->identity = identityOf(connection->user());
  connection->environment = request.environment;
  connection->spareMessages.reserve(kSpareMessages);
  connections_.emplace(handle, std::move(connection));
  hconn = handle;
  if (id != nullptr) *id = connectionId;
  return Status::ok();
}

Status QueueManager::disconnect(int32_t& hconn) {
  Call call(*this, hconn, VXCALL_DISC);
  if (!call.connection) return call.status;
  Connection& connection = *call.connection;
  bool hadWork = false;
  {
    std::unique_lock<QmLock> lock(mutex_);
    hadWork = connection.unitOfWork.hasWork();
    store_->backout(&connection, connection.unitOfWork);
    leaveTransactions(connection);
    leaveTopics(connection);
    while (!connection.handles.empty()) closeHandle(connection, connection.handles.begin()->first);
    for (const std::shared_ptr<Queue>& queue : connection.dynamicQueues) {
      deleteQueue(&connection, queue);
    }
    connection.dynamicQueues.clear();
    leaveAll(connection);
    connection.closed.store(true);
    connections_.erase(connection.hconn());
    liveHandles_.erase(connection.hconn());
    // Its dispatcher, if it has one, is joined once it has made its last calls.
    if (connection.consumers.thread.joinable()) retired_.push_back(call.connection);
    connection.consumers.changed.notify_all();
  }
  call.end();
  hconn = 0;
  store_->detach(connection);
  if (!onDispatcher(&connection)) {
    Consumers& consumers = connection.consumers;
    std::unique_lock<QmLock> lock(mutex_);
    consumers.changed.wait(lock, [&] { return !consumers.running; });
    reap(lock);
  }
  return hadWork ? Status::warning(VXRC_BACKED_OUT_AT_DISCONNECT) : Status::ok();
}

ObjectHandle* QueueManager::findHandle(Connection& connection, int32_t hobj) {
  auto it = connection.handles.find(hobj);
  return it != connection.handles.end() ? &it->second : nullptr;
}

Status QueueManager::resolve(Connection* connection, const ObjectRequest& object,
                             std::shared_ptr<Queue>& queue) {
  if (!object.qmgrName.empty() && object.qmgrName != config_.name) {
    return Status::failure(VXRC_QMGR_NAME_ERROR);
  }
  if (object.type != VXOT_QUEUE) return Status::failure(VXRC_OBJECT_TYPE_ERROR);
  return store_->findQueue(connection, object.name, queue);
}

Status QueueManager::makeQueue(Connection& connection, const std::string& prefix,
                               const QueueDefinition& like, const QueueOrigin& origin,
                               std::shared_ptr<Queue>& made) {
  for (;;) {
    char suffix[17];
    std::snprintf(suffix, sizeof suffix, "%016llX",
                  static_cast<unsigned long long>(instance_ + nextDynamic_++));
    QueueDefinition definition{prefix + suffix, QueueType::Dynamic, like.attributes};
    Status status = store_->createQueue(&connection, definition, origin, made);
    if (status.reason != VXRC_OBJECT_ALREADY_EXISTS) return status;
  }
}

Status QueueManager::makeDynamicQueue(Connection& connection, const Queue& model,
                                      const std::string& pattern, std::shared_ptr<Queue>& made) {
  constexpr size_t kSuffixLength = 16;
  QueueOrigin origin{connection.hconn(), false};
  size_t star = pattern.find('*');
  Status status;
  if (star == std::string::npos) {
    if (!validObjectName(pattern)) return Status::failure(VXRC_DYNAMIC_NAME_ERROR);
    QueueDefinition definition{pattern, QueueType::Dynamic, model.definition().attributes};
    status = store_->createQueue(&connection, definition, origin, made);
    if (status.reason == VXRC_OBJECT_ALREADY_EXISTS) return Status::failure(VXRC_DYNAMIC_NAME_ERROR);
  } else {
    std::string prefix = pattern.substr(0, star);
    if (star != pattern.size() - 1 || prefix.size() > VX_NAME_LENGTH - kSuffixLength ||
        (!prefix.empty() && !validObjectName(prefix))) {
      return Status::failure(VXRC_DYNAMIC_NAME_ERROR);
    }
    status = makeQueue(connection, prefix, model.definition(), origin, made);
  }
  if (status.failed()) return status;
  connection.dynamicQueues.push_back(made);
  return Status::ok();
}

void QueueManager::deleteQueue(Connection* connection, const std::shared_ptr<Queue>& queue) {
  store_->deleteQueue(connection, *queue);
}

Status QueueManager::open(int32_t hconn, const ObjectRequest& object, const OpenOptions& options,
                          int32_t& hobj, ObjectResolution& resolution) {
  Call call(*this, hconn, VXCALL_OPEN);
  if (!call.connection) return call.status;
  bool access = options.input() || options.browse || options.output || options.inquire || options.set;
  if (!access || (options.inputShared && options.inputExclusive)) {
    return Status::failure(VXRC_OPEN_OPTIONS_ERROR);
  }
  Connection& connection = *call.connection;
  std::lock_guard<QmLock> lock(mutex_);
  if (openObjects(connection) >= static_cast<size_t>(config_.limits.maxHandlesPerConnection)) {
    return Status::failure(VXRC_HANDLE_LIMIT);
  }
  if (object.type == VXOT_TOPIC) return openTopic(connection, object, options, hobj, resolution);
  std::shared_ptr<Queue> queue;
  Status status = resolve(&connection, object, queue);
  if (status.failed()) return status;

  const QueueAttributes& attributes = queue->attributes();
  if ((options.input() || options.browse) && attributes.inhibitGet) {
    return Status::failure(VXRC_GET_INHIBITED);
  }
  if (options.output && attributes.inhibitPut) return Status::failure(VXRC_PUT_INHIBITED);
  if (queue->type() == QueueType::Model) {
    std::shared_ptr<Queue> made;
    status = makeDynamicQueue(connection, *queue, object.dynamicName, made);
    if (status.failed()) return status;
    queue = made;
  }
  OpenCounts& counts = queue->counts();
  if ((options.inputExclusive && counts.input > 0) ||
      (options.inputShared && counts.exclusiveInput > 0)) {
    return Status::failure(VXRC_OBJECT_IN_USE);
  }
  status = store_->opened(connection, *queue, options);
  if (status.failed()) return status;

  int32_t handle = newHandle();
  connection.handles.emplace(handle, ObjectHandle{queue, options, false, {}});
  ++counts.handles;
  if (options.input()) ++counts.input;
  if (options.inputExclusive) ++counts.exclusiveInput;
  if (options.output) ++counts.output;
  resolution.objectName = queue->name();
  resolution.resolvedQName = queue->name();
  resolution.resolvedQMgrName = config_.name;
  resolution.resolvedType = VXOT_QUEUE;
  hobj = handle;
  return Status::ok();
}

void QueueManager::closeHandle(Connection& connection, int32_t hobj) {
  auto it = connection.handles.find(hobj);
  if (it == connection.handles.end()) return;
  // Its message consumer leaves with it.
  if (std::shared_ptr<Consumer> consumer = findConsumer(connection, hobj, ConsumerKind::Message)) {
    leaveConsumer(connection, *consumer);
  }
  const OpenOptions& options = it->second.options;
  store_->closed(connection, *it->second.queue, options);
  OpenCounts& counts = it->second.queue->counts();
  --counts.handles;
  if (options.input()) --counts.input;
  if (options.inputExclusive) --counts.exclusiveInput;
  if (options.output) --counts.output;
  connection.handles.erase(it);
  liveHandles_.erase(hobj);
}

Status QueueManager::close(int32_t hconn, int32_t& hobj, int32_t options) {
  Call call(*this, hconn, VXCALL_CLOSE);
  if (!call.connection) return call.status;
  Connection& connection = *call.connection;
  std::shared_ptr<Consumer> consumer;
  {
    std::lock_guard<QmLock> lock(mutex_);
    ObjectHandle* handle = findHandle(connection, hobj);
    if (handle == nullptr) return closeTopicOrSubscription(connection, hobj, options);
    if ((options & ~VXCO_DELETE) != 0) return Status::failure(VXRC_CLOSE_OPTIONS_ERROR);
    bool deleteIt = (options & VXCO_DELETE) != 0;
    std::shared_ptr<Queue> queue = handle->queue;
    if (deleteIt) {
      if (queue->managed) return Status::failure(VXRC_MANAGED_QUEUE);
      if (queue->type() != QueueType::Dynamic) return Status::failure(VXRC_CLOSE_OPTIONS_ERROR);
      if (!queue->deleted() && (queue->counts().handles > 1 || store_->openElsewhere(connection, *queue))) {
        return Status::failure(VXRC_OBJECT_IN_USE);
      }
    }
    consumer = findConsumer(connection, hobj, ConsumerKind::Message);
    closeHandle(connection, hobj);
    if (deleteIt && !queue->deleted()) {
      deleteQueue(&connection, queue);
      auto creator = connections_.find(queue->creator);
      if (creator != connections_.end()) {
        auto& made = creator->second->dynamicQueues;
        made.erase(std::remove(made.begin(), made.end(), queue), made.end());
      }
    }
  }
  call.end();
  hobj = 0;
  if (consumer) awaitGone(connection, *consumer);
  return Status::ok();
}

Status QueueManager::begin(int32_t hconn) {
  std::unique_lock<QmLock> lock;
  Call call(*this, hconn, VXCALL_BEGIN, lock);
  if (!call.connection) return call.status;
  if (inBranch(*call.connection)) return Status::failure(VXRC_GLOBAL_UOW_ACTIVE);
  UnitOfWork& unitOfWork = call.connection->unitOfWork;
  if (unitOfWork.active()) return Status::failure(VXRC_UOW_IN_PROGRESS);
  unitOfWork.begin();
  return Status::ok();
}

Status QueueManager::commit(int32_t hconn) {
  std::unique_lock<QmLock> lock;
  Call call(*this, hconn, VXCALL_CMIT, lock);
  if (!call.connection) return call.status;
  if (inBranch(*call.connection)) return Status::failure(VXRC_GLOBAL_UOW_ACTIVE);
  return store_->commit(call.connection.get(), call.connection->unitOfWork);
}

Status QueueManager::backout(int32_t hconn) {
  std::unique_lock<QmLock> lock;
  Call call(*this, hconn, VXCALL_BACK, lock);
  if (!call.connection) return call.status;
  if (inBranch(*call.connection)) return Status::failure(VXRC_GLOBAL_UOW_ACTIVE);
  return store_->backout(call.connection.get(), call.connection->unitOfWork);
}

int32_t QueueManager::callInProgress(int32_t hconn) {
  std::lock_guard<QmLock> lock(mutex_);
  auto it = connections_.find(hconn);
  return it != connections_.end() ? it->second->callInProgress() : VXCALL_NONE;
}

bool QueueManager::connected(int32_t hconn) {
  std::lock_guard<QmLock> lock(mutex_);
  return connections_.count(hconn) != 0;
}

int32_t QueueManager::waitingGetters(const std::string& name) {
  std::lock_guard<QmLock> lock(mutex_);
  std::shared_ptr<Queue> queue;
  return store_->findQueue(nullptr, name, queue).failed() ? 0 : queue->waiters();
}

void QueueManager::dump(int32_t hconn, std::FILE* out) {
  constexpr size_t kMaxQueues = 64;
  std::lock_guard<QmLock> lock(mutex_);
  std::vector<std::shared_ptr<Queue>> queues = store_->knownQueues();
  std::fprintf(out, "vxrt dump: queue manager %s, %zu connections, %zu queues\n",
               config_.name.c_str(), connections_.size(), queues.size());
  auto it = connections_.find(hconn);
  if (it == connections_.end()) {
    std::fprintf(out, "vxrt dump: connection %d is not connected\n", hconn);
  } else {
    const Connection& connection = *it->second;
    std::fprintf(out,
                 "vxrt dump: connection %d user '%s' handles %zu unit of work %s (%zu messages)"
                 " call in progress %d\n",
                 hconn, connection.user().c_str(), connection.handles.size(),
                 connection.unitOfWork.active() ? "open" : "none", connection.unitOfWork.size(),
                 connection.callInProgress());
  }
  std::vector<Queue*> sorted;
  for (const auto& queue : queues) sorted.push_back(queue.get());
  std::sort(sorted.begin(), sorted.end(),
            [](const Queue* a, const Queue* b) { return a->name() < b->name(); });
  if (sorted.size() > kMaxQueues) sorted.resize(kMaxQueues);
  for (Queue* queue : sorted) {
    Queue& q = *queue;
    int32_t depth = 0;
    store_->depth(nullptr, q, depth);
    std::fprintf(out, "vxrt dump: queue %s type %d depth %d handles %d input %d output %d%s%s\n",
                 q.name().c_str(), static_cast<int>(q.type()), depth, q.counts().handles,
                 q.counts().input, q.counts().output,
                 q.attributes().inhibitPut ? " put-inhibited" : "",
                 q.attributes().inhibitGet ? " get-inhibited" : "");
  }
  std::fflush(out);
}

}  // namespace vxqm
