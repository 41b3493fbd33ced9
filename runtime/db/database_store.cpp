// The database store: its start, the connections' database connections,
// queues, messages and units of work.
#include "db/database_store.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>

#include "db/columns.h"
#include "db/openssl_exit.h"
#include "db/use.h"
#include "qm/copy_bytes.h"

namespace vxdb {

using vxqm::Status;

namespace {

int16_t rankOf(int32_t priority) { return static_cast<int16_t>(VXPRI_HIGHEST - priority); }

// The first key after the given one.
vxqm::MessageKey after(const vxqm::MessageKey& key) { return {key.rank, key.sequence + 1}; }

bool before(const vxqm::MessageKey& a, const vxqm::MessageKey& b) { return a < b; }

// How old a depth count, or the attributes a put under syncpoint checks, may
// be before they are read again.
constexpr int64_t kCountInterval = 1000;
constexpr int64_t kAttributesInterval = 1000;

int64_t steadyMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

DatabaseStore::DatabaseStore(const vxqm::QueueManagerConfig& config, vxqm::Clock& clock,
                             vxqm::QmLock& qmMutex)
    : config_(config),
      clock_(clock),
      qmMutex_(qmMutex),
      schema_(config.databaseSchema.empty() ? "vxrt" : config.databaseSchema),
      channel_(notificationChannel(schema_)),
      classes_(lockClasses(schema_)),
      statements_(schema_) {
  service_.reconnectWhenBroken();
  wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

DatabaseStore::~DatabaseStore() {
  stopAnchor();
  if (wake_ >= 0) close(wake_);
}

// Every problem is printed once, however many connects meet it.
Status DatabaseStore::start() {
  std::lock_guard<std::mutex> lock(startMutex_);
  if (started_) return Status::ok();
  keepOpenSslToTheEnd();
  std::string problem;
  int32_t reason = VXRC_STORE_NOT_AVAILABLE;
  if (!validSchemaName(schema_)) {
    problem = "schema name '" + schema_ + "' is not valid (a-z, 0-9 and _, starting with a letter)";
  } else if (!service_.open(config_.database)) {
    problem = service_.error();
  } else if (!(problem = ensureSchema(service_, schema_, config_.name)).empty()) {
    reason = service_.broken() ? VXRC_STORE_NOT_AVAILABLE : VXRC_STORE_SCHEMA_ERROR;
  } else {
    // The built-in queues and those of the configuration, where missing.
    for (const vxqm::QueueDefinition& definition : config_.queues) {
      Params params = definitionParams(definition, vxqm::QueueOrigin());
      if (!service_.run(statements_.createQueue, params).ok()) {
        problem = service_.error();
        break;
      }
    }
    if (problem.empty()) openAnchor(problem);
  }
  if (!problem.empty()) {
    service_.close();
    if (problem != lastProblem_) {
      std::fprintf(stderr, "vxrt: the database %s cannot be used: %s\n",
                   withoutPassword(config_.database).c_str(), problem.c_str());
      std::fflush(stderr);
      lastProblem_ = problem;
    }
    return Status::failure(reason);
  }
  started_ = true;
  listener_ = std::thread([this] {
    listen();
    std::lock_guard<std::mutex> left(leftMutex_);
    listenerLeft_ = true;
    left_.notify_all();
  });
  stopAtExit(this);
  return Status::ok();
}

Status DatabaseStore::attach(vxqm::Connection& connection) {
  Status status = start();
  if (status.failed()) return status;
  auto link = std::make_unique<Link>();
  if (!link->pg.open(config_.database) ||
      !link->pg.simple("SET lock_timeout = '10s'").ok() ||
      !link->pg.simple("SET application_name = 'vxrt " + std::to_string(getpid()) + "'").ok()) {
    std::fprintf(stderr, "vxrt: cannot connect to the database %s: %s\n",
                 withoutPassword(config_.database).c_str(), link->pg.error().c_str());
    std::fflush(stderr);
    return Status::failure(VXRC_STORE_NOT_AVAILABLE);
  }
  // The connection belongs to the session whose lock the anchor holds now.
  // When the lock is free, the anchor has lost it (the server restarted) and
  // is about to make a new session: the connection waits for that one.
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  for (;;) {
    uint64_t epoch = epoch_.load();
    Params session;
    session.i32(classes_.session).i32(static_cast<int32_t>(session_.load()));
    Result free = link->pg.run(statements_.sessionLost, session);
    if (!free.ok()) return broken(link->pg, "a connect");
    if (!free.row(0).boolean(0)) {
      link->epoch = epoch;
      break;
    }
    if (std::chrono::steady_clock::now() > until) return Status::failure(VXRC_STORE_NOT_AVAILABLE);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  connection.storeLink = std::move(link);
  return Status::ok();
}

void DatabaseStore::detach(vxqm::Connection& connection) { connection.storeLink.reset(); }

Status DatabaseStore::broken(Connection& pg, const std::string& what) {
  if (pg.broken()) return Status::failure(VXRC_CONNECTION_BROKEN);
  return failed(pg, what);
}

// A statement the server refused: printed (the first few), reported.
Status DatabaseStore::failed(Connection& pg, const std::string& what) {
  if (pg.broken()) return Status::failure(VXRC_CONNECTION_BROKEN);
  constexpr int kReported = 20;
  if (errorsReported_++ < kReported) {
    std::fprintf(stderr, "vxrt: the database refused %s: %s\n", what.c_str(), pg.error().c_str());
    std::fflush(stderr);
  }
  return Status::failure(VXRC_STORE_ERROR);
}

DatabaseStore::QueueState& DatabaseStore::stateOf(vxqm::Queue& queue) {
  return byId_[queue.storeId];
}

std::shared_ptr<vxqm::Queue> DatabaseStore::adopt(const Row& row, int first, const std::string& name) {
  int64_t id = row.i64(first + kQueueId);
  vxqm::QueueAttributes attributes;
  attributes.maxDepth = row.i32(first + kQueueMaxDepth);
  attributes.maxMsgLength = row.i32(first + kQueueMaxMsgLength);
  attributes.inhibitPut = row.boolean(first + kQueueInhibitPut);
  attributes.inhibitGet = row.boolean(first + kQueueInhibitGet);
  attributes.defaultPriority = row.i32(first + kQueueDefaultPriority);
  attributes.defaultPersistence = row.i32(first + kQueueDefaultPersistence);
  attributes.description = row.text(first + kQueueDescription);
  std::shared_ptr<vxqm::Queue>& known = byName_[name];
  if (known && known->storeId != id) {
    // Deleted and defined again by another process meanwhile.
    known->markDeleted();
    byId_.erase(known->storeId);
    known = nullptr;
  }
  if (!known) {
    auto type = static_cast<vxqm::QueueType>(row.i32(first + kQueueType));
    known = std::make_shared<vxqm::Queue>(vxqm::QueueDefinition{name, type, attributes});
    known->storeId = id;
    known->managed = row.boolean(first + kQueueManaged);
    byId_[id].queue = known;
  }
  known->attributes() = attributes;
  byId_[id].refreshedAt = steadyMs();
  return known;
}

Status DatabaseStore::findQueue(vxqm::Connection* connection, const std::string& name,
                                std::shared_ptr<vxqm::Queue>& queue) {
  Use use(*this, connection);
  if (!use) return use.status;
  Result result = use->run(statements_.queueByName, Params().text(name));
  if (!result.ok()) return broken(*use, "a queue lookup");
  if (result.rows() == 0) {
    auto known = byName_.find(name);
    if (known != byName_.end()) {
      known->second->markDeleted();
      byId_.erase(known->second->storeId);
      byName_.erase(known);
    }
    return Status::failure(VXRC_UNKNOWN_OBJECT_NAME);
  }
  queue = adopt(result.row(0), 0, name);
  return Status::ok();
}

std::shared_ptr<vxqm::Queue> DatabaseStore::queueById(Connection& pg, int64_t id) {
  auto state = byId_.find(id);
  if (state != byId_.end()) {
    if (std::shared_ptr<vxqm::Queue> queue = state->second.queue.lock()) return queue;
  }
  Result result = pg.run(statements_.queueById, Params().i64(id));
  if (result.ok() && result.rows() > 0) return adopt(result.row(0), 0, result.row(0).text(kQueueName));
  // Gone: deliveries to it fail as to a deleted queue.
  auto gone = std::make_shared<vxqm::Queue>(vxqm::QueueDefinition{});
  gone->storeId = id;
  gone->markDeleted();
  return gone;
}

// The parameters of create_queue. A dynamic queue goes with the process
// that made it, when nobody deleted it before.
Params DatabaseStore::definitionParams(const vxqm::QueueDefinition& definition,
                                       const vxqm::QueueOrigin& origin) {
  const vxqm::QueueAttributes& a = definition.attributes;
  Params params;
  params.text(definition.name)
      .i32(static_cast<int32_t>(definition.type))
      .i32(a.maxDepth)
      .i32(a.maxMsgLength)
      .boolean(a.inhibitPut)
      .boolean(a.inhibitGet)
      .i32(a.defaultPriority)
      .i32(a.defaultPersistence)
      .boolean(origin.managed);
  if (definition.type == vxqm::QueueType::Dynamic && !origin.managed) {
    params.i64(session_.load()).i32(origin.creator);
  } else {
    params.null().null();
  }
  params.text(a.description);
  return params;
}

Status DatabaseStore::createQueue(vxqm::Connection* connection, const vxqm::QueueDefinition& definition,
                                  const vxqm::QueueOrigin& origin, std::shared_ptr<vxqm::Queue>& made) {
  Use use(*this, connection);
  if (!use) return use.status;
  Params params = definitionParams(definition, origin);
  Result result = use->run(statements_.createQueue, params);
  if (!result.ok()) return broken(*use, "a queue definition");
  if (result.rows() == 0) return Status::failure(VXRC_OBJECT_ALREADY_EXISTS);
  made = adopt(result.row(0), 0, definition.name);
  made->creator = origin.creator;
  made->managed = origin.managed;
  return Status::ok();
}

Status DatabaseStore::changeQueue(vxqm::Connection* connection, vxqm::Queue& queue,
                                  const vxqm::QueueAttributes& a) {
  Use use(*this, connection);
  if (!use) return use.status;
  Params params;
  params.i64(queue.storeId)
      .i32(a.maxDepth)
      .i32(a.maxMsgLength)
      .boolean(a.inhibitPut)
      .boolean(a.inhibitGet)
      .i32(a.defaultPriority)
      .i32(a.defaultPersistence)
      .text(channel_)
      .text(a.description);
  Result result = use->run(statements_.changeQueue, params);
  if (!result.ok()) return broken(*use, "a change of queue attributes");
  if (result.rows() == 0 || result.row(0).i64(0) == 0) {
    queue.markDeleted();
    return Status::failure(VXRC_OBJECT_DELETED);
  }
  queue.attributes() = a;
  queue.wakeWaiters();
  return Status::ok();
}

Status DatabaseStore::deleteQueue(vxqm::Connection* connection, vxqm::Queue& queue) {
  if (queue.deleted()) return Status::ok();
  Use use(*this, connection);
  if (!use) return use.status;
  Result result = use->run(statements_.deleteQueue, Params().i64(queue.storeId).text(channel_));
  if (!result.ok()) return broken(*use, "a queue deletion");
  queue.markDeleted();
  auto known = byName_.find(queue.name());
  if (known != byName_.end() && known->second.get() == &queue) byName_.erase(known);
  byId_.erase(queue.storeId);
  return Status::ok();
}

Status DatabaseStore::count(Connection& pg, vxqm::Queue& queue, int32_t& depth) {
  Result result = pg.run(statements_.depth, Params().i64(queue.storeId).i64(clock_.nowMs()));
  if (!result.ok()) return broken(pg, "a depth count");
  QueueState& state = stateOf(queue);
  state.counted = result.row(0).i64(0);
  state.countedAt = steadyMs();
  state.putsSince = 0;
  depth = static_cast<int32_t>(std::min<int64_t>(INT32_MAX, state.counted + state.pending));
  return Status::ok();
}

Status DatabaseStore::depth(vxqm::Connection* connection, vxqm::Queue& queue, int32_t& depth) {
  Use use(*this, connection);
  if (!use) return use.status;
  return count(*use, queue, depth);
}

Status DatabaseStore::refresh(vxqm::Connection* connection, vxqm::Queue& queue) {
  if (queue.deleted()) return Status::failure(VXRC_OBJECT_DELETED);
  Use use(*this, connection);
  if (!use) return use.status;
  Result result = use->run(statements_.queueById, Params().i64(queue.storeId));
  if (!result.ok()) return broken(*use, "a queue lookup");
  if (result.rows() == 0) {
    queue.markDeleted();
    return Status::failure(VXRC_OBJECT_DELETED);
  }
  adopt(result.row(0), 0, queue.name());
  return Status::ok();
}

namespace {

int32_t inputMode(const vxqm::OpenOptions& options) {
  return options.inputExclusive ? 2 : options.inputShared ? 1 : 0;
}

}  // namespace

Status DatabaseStore::opened(vxqm::Connection& connection, vxqm::Queue& queue,
                             const vxqm::OpenOptions& options) {
  Use use(*this, &connection);
  if (!use) return use.status;
  Params params;
  params.i32(classes_.open).i32(classes_.input).i32(static_cast<int32_t>(queue.storeId)).i32(inputMode(options));
  Result result = use->run(statements_.opened, params);
  if (!result.ok()) return broken(*use, "an open");
  if (!result.row(0).boolean(0)) {
    // Exclusive input elsewhere, or input elsewhere for an exclusive open.
    closed(connection, queue, vxqm::OpenOptions());
    return Status::failure(VXRC_OBJECT_IN_USE);
  }
  return Status::ok();
}

void DatabaseStore::closed(vxqm::Connection& connection, vxqm::Queue& queue,
                           const vxqm::OpenOptions& options) {
  Use use(*this, &connection);
  if (!use) return;
  Params params;
  params.i32(classes_.open).i32(classes_.input).i32(static_cast<int32_t>(queue.storeId)).i32(inputMode(options));
  use->run(statements_.closed, params);
}

bool DatabaseStore::openElsewhere(vxqm::Connection& connection, vxqm::Queue& queue) {
  Use use(*this, &connection);
  if (!use) return false;
  Result result = use->run(statements_.openElsewhere,
                           Params().i32(classes_.open).i32(static_cast<int32_t>(queue.storeId)));
  return result.ok() && result.row(0).boolean(0);
}

std::vector<std::shared_ptr<vxqm::Queue>> DatabaseStore::knownQueues() {
  std::vector<std::shared_ptr<vxqm::Queue>> all;
  for (const auto& entry : byName_) all.push_back(entry.second);
  return all;
}

// What the queue allows, for a put under syncpoint, which is written only at
// commit: from the attributes this process has, read again when they are
// older than a second (changes from other processes arrive as notifications
// before that).
Status DatabaseStore::checkPut(Connection& pg, vxqm::Queue& queue, size_t length) {
  if (steadyMs() - stateOf(queue).refreshedAt > kAttributesInterval) {
    Result result = pg.run(statements_.queueById, Params().i64(queue.storeId));
    if (!result.ok()) return broken(pg, "a put check");
    if (result.rows() == 0) {
      queue.markDeleted();
      return Status::failure(VXRC_OBJECT_DELETED);
    }
    adopt(result.row(0), 0, queue.name());
  }
  const vxqm::QueueAttributes& attributes = queue.attributes();
  if (attributes.inhibitPut) return Status::failure(VXRC_PUT_INHIBITED);
  if (length > static_cast<size_t>(attributes.maxMsgLength)) return Status::failure(VXRC_MSG_TOO_BIG_FOR_QUEUE);
  return Status::ok();
}

// What runs after a commit that remembered messages to announce.
Connection::Step DatabaseStore::announcement() const {
  return {&statements_.announce, Params().text(channel_)};
}

// Binds a message for putVisible and insertPending (their parameters are
// the same, whether to announce it last).
void DatabaseStore::bindMessage(Params& params, vxqm::Queue& queue, const vxqm::StoredMessage& message,
                                std::string& block, bool announce) {
  params.i64(queue.storeId).i16(rankOf(message.md.priority)).i64(message.expiresAt);
  bindDescriptor(params, message.md);
  bindProperties(params, message.properties.get(), block);
  params.bytes(message.data.data(), message.data.size());
  params.boolean(announce);
}

Status DatabaseStore::insert(Connection& pg, vxqm::Queue& queue, const vxqm::StoredMessage& message,
                             int64_t& id) {
  std::vector<Connection::Step> steps(1, {&statements_.putVisible, Params()});
  std::string block;
  bindMessage(steps[0].params, queue, message, block, true);
  Connection::Step announce = announcement();
  std::vector<Result> results;
  if (!pg.pipeline(steps, results, &announce)) return broken(pg, "a put");
  Row row = results[0].row(0);
  if (row.i64(0) == 0) {
    queue.markDeleted();
    return Status::failure(VXRC_OBJECT_DELETED);
  }
  if (row.isNull(2)) {
    return Status::failure(row.boolean(1) ? VXRC_PUT_INHIBITED : VXRC_MSG_TOO_BIG_FOR_QUEUE);
  }
  id = row.i64(2);
  return Status::ok();
}

Status DatabaseStore::put(vxqm::Connection* connection, const std::shared_ptr<vxqm::Queue>& queue,
                          std::unique_ptr<vxqm::StoredMessage> message, vxqm::UnitOfWork* work) {
  if (queue->deleted()) return Status::failure(VXRC_OBJECT_DELETED);
  Use use(*this, connection);
  if (!use) return use.status;
  QueueState& state = stateOf(*queue);
  // The depth is counted again when the queue may be near its maximum, or
  // when the last count is old; other processes' puts since are not seen.
  int32_t maxDepth = queue->attributes().maxDepth;
  bool near = state.counted + state.putsSince + state.pending >= maxDepth / 2;
  if (near || steadyMs() - state.countedAt > kCountInterval) {
    int32_t current = 0;
    Status status = count(*use, *queue, current);
    if (status.failed()) return status;
    if (current >= maxDepth) return Status::failure(VXRC_QUEUE_FULL);
  }
  if (work != nullptr) {
    Status status = checkPut(*use, *queue, message->data.size());
    if (status.failed()) return status;
    if (state.counted + state.putsSince + state.pending >= queue->attributes().maxDepth) {
      return Status::failure(VXRC_QUEUE_FULL);
    }
    vxqm::UnitOfWork::Operation operation;
    operation.kind = vxqm::UnitOfWork::Kind::Put;
    operation.queue = queue;
    operation.persistent = message->md.persistence == VXPER_PERSISTENT;
    operation.message = std::move(message);
    work->record(std::move(operation));
    ++state.pending;
    return Status::ok();
  }
  int64_t id = 0;
  Status status = insert(*use, *queue, *message, id);
  if (status.failed()) return status;
  ++state.putsSince;
  // This process's waiters need not wait for the notification.
  lower(queue->storeId, {rankOf(message->md.priority), static_cast<uint64_t>(id)});
  queue->wakeWaiters();
  return Status::ok();
}

// Lowers a queue's floor to a key that has become visible.
void DatabaseStore::lower(int64_t queueId, const vxqm::MessageKey& key) {
  auto state = byId_.find(queueId);
  if (state == byId_.end()) return;
  if (before(key, state->second.floor)) state->second.floor = key;
  arrived(state->second, key);
}

bool headGet(const vxqm::Fetch& request) {
  return request.after == nullptr && !request.match.byMsgId && !request.match.byCorrelId &&
         (request.skip == nullptr || request.skip->empty());
}

void readFetched(const Row& row, vxqm::Fetched& fetched, bool descriptor, bool message) {
  fetched.found = true;
  fetched.key = {row.i16(kFetchRank), static_cast<uint64_t>(row.i64(kFetchId))};
  fetched.length = row.i32(kFetchLength);
  fetched.expiresAt = row.i64(kFetchExpiresAt);
  if (descriptor) readDescriptor(row, kFetchDescriptor, fetched.md);
  if (!message) return;
  fetched.properties = readProperties(row, kFetchProperties);
  fetched.message = std::make_unique<vxqm::StoredMessage>();
  vxqm::assignBytes(fetched.message->data, row.bytes(kFetchData), static_cast<size_t>(row.length(kFetchData)));
}

// What a get's first row says of its queue: gone, gets inhibited, or there.
Status queueFound(const Row& row, vxqm::Queue& queue) {
  if (row.i64(kFetchQueueFound) == 0) {
    queue.markDeleted();
    return Status::failure(VXRC_OBJECT_DELETED);
  }
  queue.attributes().inhibitGet = row.boolean(kFetchInhibited);
  return queue.attributes().inhibitGet ? Status::failure(VXRC_GET_INHIBITED) : Status::ok();
}

Status DatabaseStore::fetchOnce(Connection& pg, vxqm::Queue& queue, const vxqm::Fetch& request,
                                const vxqm::MessageKey& from, uint64_t holder, vxqm::Fetched& fetched) {
  FetchShape shape;
  shape.mode = static_cast<int>(request.mode);
  shape.byMsgId = request.match.byMsgId;
  shape.byCorrelId = request.match.byCorrelId;
  shape.skip = request.skip != nullptr && !request.skip->empty();
  Params params;
  params.i64(queue.storeId).i16(static_cast<int16_t>(from.rank)).i64(static_cast<int64_t>(from.sequence));
  params.i64(request.now.ms());
  if (shape.byMsgId) params.bytes(request.match.msgId.data(), request.match.msgId.size());
  if (shape.byCorrelId) params.bytes(request.match.correlId.data(), request.match.correlId.size());
  if (shape.skip) {
    std::vector<int64_t> ids;
    for (const vxqm::MessageKey& key : *request.skip) ids.push_back(static_cast<int64_t>(key.sequence));
    params.int64Array(ids);
  }
  if (request.mode != vxqm::Fetch::Mode::Peek) params.i32(std::max(request.limit, 0)).boolean(request.acceptTruncated);
  if (request.mode == vxqm::Fetch::Mode::Hold) {
    params.i64(session_.load()).i64(static_cast<int64_t>(holder));
  }
  Result result = pg.run(statements_.fetch[static_cast<size_t>(shape.index())], params);
  if (!result.ok()) return broken(pg, "a get");
  Row row = result.row(0);
  Status status = queueFound(row, queue);
  if (status.failed() || row.isNull(kFetchId)) return status;
  // A peek has no more than the key and length; a message left on the queue
  // no data.
  bool peek = request.mode == vxqm::Fetch::Mode::Peek;
  fetched.left = row.i32(kFetchLength) > request.limit && !request.acceptTruncated;
  readFetched(row, fetched, !peek, !peek && !fetched.left);
  return Status::ok();
}

Status DatabaseStore::fetch(vxqm::Connection& connection, const std::shared_ptr<vxqm::Queue>& queue,
                            const vxqm::Fetch& request, vxqm::Fetched& fetched) {
  if (queue->deleted()) return Status::failure(VXRC_OBJECT_DELETED);
  Use use(*this, &connection);
  if (!use) return use.status;
  if (request.mode == vxqm::Fetch::Mode::Hold && request.work->holder == 0) {
    request.work->holder = static_cast<int64_t>(++nextHolder_);
    request.work->holderSession = session_.load();
  }
  auto& link = static_cast<Link&>(*connection.storeLink);
  bool reading = config_.readAhead > 1 && plainGet(request) && request.work == &connection.unitOfWork;
  Status status;
  if (reading && link.aheadQueue == queue && link.aheadGot > 0) {
    status = fetchAhead(link, queue, request, fetched);
  } else {
    // Held ahead for gets that are not coming: back first.
    if (!link.ahead.empty() || !link.aheadExpired.empty()) status = letAheadGo(link, connection.unitOfWork);
    if (!status.failed()) status = fetchFirst(*use, queue, request, fetched);
    if (reading && !status.failed()) {
      link.aheadQueue = queue;
      link.aheadGot = fetched.found && !fetched.left ? 1 : 0;
      link.arrivalsSeen = stateOf(*queue).arrivalsEnd;
    }
  }
  if (status.failed()) return status;
  if (fetched.found && !fetched.left && request.mode == vxqm::Fetch::Mode::Hold) {
    vxqm::UnitOfWork::Operation operation;
    operation.kind = vxqm::UnitOfWork::Kind::Get;
    operation.queue = queue;
    operation.key = fetched.key;
    operation.persistent = fetched.md.persistence == VXPER_PERSISTENT;
    request.work->record(std::move(operation));
  }
  // Data that stays on the queue goes where the caller asked, as from the
  // memory store.
  if (fetched.message && request.buffer != nullptr && request.mode != vxqm::Fetch::Mode::Remove) {
    size_t returned = std::min(fetched.message->data.size(), static_cast<size_t>(std::max(request.limit, 0)));
    vxqm::copyBytes(request.buffer, fetched.message->data.data(), returned);
    fetched.message.reset();
  }
  return Status::ok();
}

// The first message the get accepts, from the queue's floor, or from the
// start when nothing lies after the floor.
Status DatabaseStore::fetchFirst(Connection& pg, const std::shared_ptr<vxqm::Queue>& queue,
                                 const vxqm::Fetch& request, vxqm::Fetched& fetched) {
  uint64_t holder = request.work != nullptr ? static_cast<uint64_t>(request.work->holder) : 0;
  vxqm::MessageKey start = request.after != nullptr ? after(*request.after) : vxqm::MessageKey{0, 0};
  QueueState& state = stateOf(*queue);
  vxqm::MessageKey from = before(start, state.floor) ? state.floor : start;
  Status status = fetchOnce(pg, *queue, request, from, holder, fetched);
  if (status.failed()) return status;
  if (!fetched.found && !(from == start)) {
    status = fetchOnce(pg, *queue, request, start, holder, fetched);
    if (status.failed()) return status;
  }
  // A get of the first message the queue has: nothing visible lies before it.
  if (headGet(request) && fetched.found) state.floor = fetched.key;
  return Status::ok();
}

void DatabaseStore::prune(vxqm::Connection& connection, vxqm::Queue&, std::set<vxqm::MessageKey>& keys) {
  if (keys.empty()) return;
  Use use(*this, &connection);
  if (!use) return;
  std::vector<int64_t> ids;
  for (const vxqm::MessageKey& key : keys) ids.push_back(static_cast<int64_t>(key.sequence));
  Result result = use->run(statements_.existing, Params().int64Array(ids));
  if (!result.ok()) return;
  std::set<int64_t> there;
  for (int i = 0; i < result.rows(); ++i) there.insert(result.row(i).i64(0));
  for (auto it = keys.begin(); it != keys.end();) {
    it = there.count(static_cast<int64_t>(it->sequence)) != 0 ? std::next(it) : keys.erase(it);
  }
}

// The statements of a commit: the unit's puts, those to announce remembered,
// and the deletion of the messages it holds; relaxed, a unit without
// persistent messages does not wait for the log's flush. A prepare's are
// neither announced nor relaxed. Whether anything is to be announced.
bool DatabaseStore::workSteps(vxqm::UnitOfWork& work, bool commit, std::vector<Connection::Step>& steps,
                              std::vector<std::string>& blocks) {
  std::vector<int64_t> held;
  bool persistent = false;
  blocks.reserve(work.size());
  // The puts announced: of each queue, the first of the highest priority
  // (the lowest key, as ids grow in the order of the inserts).
  std::unordered_map<int64_t, std::pair<int32_t, const vxqm::UnitOfWork::Operation*>> lowest;
  for (const vxqm::UnitOfWork::Operation& op : work.operations()) {
    if (op.kind != vxqm::UnitOfWork::Kind::Put) continue;
    auto known = lowest.find(op.queue->storeId);
    if (known == lowest.end() || op.message->md.priority > known->second.first) {
      lowest[op.queue->storeId] = {op.message->md.priority, &op};
    }
  }
  for (vxqm::UnitOfWork::Operation& op : work.operations()) {
    persistent = persistent || op.persistent;
    if (op.kind == vxqm::UnitOfWork::Kind::Get) {
      held.push_back(static_cast<int64_t>(op.key.sequence));
      continue;
    }
    steps.push_back({commit ? &statements_.insertPending : &statements_.insertQuiet, Params()});
    blocks.emplace_back();
    bindMessage(steps.back().params, *op.queue, *op.message, blocks.back(),
                lowest[op.queue->storeId].second == &op);
  }
  if (!held.empty()) {
    steps.push_back({&statements_.deleteHeld, Params()});
    steps.back().params.int64Array(held).i64(work.holderSession).i64(work.holder);
  }
  if (commit && !persistent) steps.push_back({&statements_.relaxCommit, Params()});
  return !lowest.empty();
}

// The keys of the messages a commit made visible, from its results.
void DatabaseStore::madeVisible(vxqm::UnitOfWork& work, const std::vector<Result>& results) {
  size_t next = 0;
  for (vxqm::UnitOfWork::Operation& op : work.operations()) {
    if (op.kind != vxqm::UnitOfWork::Kind::Put) continue;
    const Result& result = results[next++];
    if (result.rows() == 0) continue;  // its queue was deleted meanwhile
    lower(op.queue->storeId, {rankOf(op.message->md.priority), static_cast<uint64_t>(result.row(0).i64(0))});
  }
}

// After commit or back-out: this process's waiters are woken at once, and
// its pending counts drop.
void DatabaseStore::afterWork(vxqm::UnitOfWork& work) {
  for (vxqm::UnitOfWork::Operation& op : work.operations()) {
    QueueState& state = stateOf(*op.queue);
    if (op.kind == vxqm::UnitOfWork::Kind::Put) {
      if (state.pending > 0) --state.pending;
      ++state.putsSince;
    }
    op.queue->wakeWaiters();
  }
  work.end();
  work.holder = 0;
  work.holderSession = 0;
}

// One round trip: the puts, the deletion of what the unit held, as one
// transaction of the database.
Status DatabaseStore::commit(vxqm::Connection* connection, vxqm::UnitOfWork& work) {
  if (!work.hasWork()) {
    work.end();
    return Status::ok();
  }
  Use use(*this, connection);
  Link* link = ownLink(connection, work);
  if (!use) {
    aheadGone(link);
    afterWork(work);
    return use.status;
  }
  std::vector<Connection::Step> steps;
  std::vector<std::string> blocks;
  bool puts = workSteps(work, true, steps, blocks);
  // What it held ahead and did not get goes back in the same transaction.
  Connection::Step back;
  bool letting = aheadStep(link, work, back);
  if (letting) steps.push_back(std::move(back));
  std::vector<Result> results;
  Status status;
  Connection::Step announce = announcement();
  if (use->pipeline(steps, results, puts || letting ? &announce : nullptr)) {
    madeVisible(work, results);
  } else {
    // Held messages that were let go meanwhile (the session was taken for
    // dead) are no longer this unit's: nothing of it happened.
    status = use->failedState() == "VX001" ? Status::failure(VXRC_CONNECTION_BROKEN) : broken(*use, "a commit");
    release(*use, work, link);
  }
  aheadGone(link);
  afterWork(work);
  return status;
}

// The link of a connection's own unit of work, the only one that reads ahead.
Link* DatabaseStore::ownLink(vxqm::Connection* connection, const vxqm::UnitOfWork& work) {
  if (connection == nullptr || &work != &connection->unitOfWork) return nullptr;
  return static_cast<Link*>(connection->storeLink.get());
}

// Lets the held messages go, their backout count raised, and those held
// ahead as they were.
Status DatabaseStore::release(Connection& pg, vxqm::UnitOfWork& work, Link* link) {
  std::vector<int64_t> held;
  for (vxqm::UnitOfWork::Operation& op : work.operations()) {
    if (op.kind != vxqm::UnitOfWork::Kind::Get) continue;
    held.push_back(static_cast<int64_t>(op.key.sequence));
    lower(op.queue->storeId, op.key);
  }
  std::vector<Connection::Step> steps;
  if (!held.empty()) {
    steps.push_back({&statements_.releaseHeld, Params()});
    steps.back().params.int64Array(held).i64(work.holderSession).i64(work.holder).text(channel_);
  }
  Connection::Step back;
  bool letting = aheadStep(link, work, back);
  if (letting) steps.push_back(std::move(back));
  if (steps.empty()) return Status::ok();
  Connection::Step announce = announcement();
  std::vector<Result> results;
  if (!pg.pipeline(steps, results, letting ? &announce : nullptr)) return broken(pg, "a back-out");
  return Status::ok();
}

Status DatabaseStore::backout(vxqm::Connection* connection, vxqm::UnitOfWork& work) {
  if (!work.hasWork()) {
    work.end();
    return Status::ok();
  }
  Use use(*this, connection);
  Link* link = ownLink(connection, work);
  // Without the database, what the unit holds comes back when the clean-up
  // finds its session gone.
  Status status = use ? release(*use, work, link) : use.status;
  aheadGone(link);
  afterWork(work);
  return status;
}

}  // namespace vxdb
