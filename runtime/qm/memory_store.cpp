#include "qm/memory_store.h"

#include <algorithm>
#include <cstring>

#include "qm/copy_bytes.h"
#include "vx/xa.h"

namespace vxqm {

MemoryStore::MemoryStore(const std::vector<QueueDefinition>& queues) {
  for (const QueueDefinition& definition : queues) {
    queues_[definition.name] = std::make_shared<Queue>(definition);
  }
}

Status MemoryStore::findQueue(Connection*, const std::string& name, std::shared_ptr<Queue>& queue) {
  auto it = queues_.find(name);
  if (it == queues_.end()) return Status::failure(VXRC_UNKNOWN_OBJECT_NAME);
  queue = it->second;
  return Status::ok();
}

Status MemoryStore::createQueue(Connection*, const QueueDefinition& definition,
                                const QueueOrigin& origin, std::shared_ptr<Queue>& made) {
  if (queues_.count(definition.name) != 0) return Status::failure(VXRC_OBJECT_ALREADY_EXISTS);
  made = std::make_shared<Queue>(definition);
  made->creator = origin.creator;
  made->managed = origin.managed;
  queues_.emplace(definition.name, made);
  return Status::ok();
}

Status MemoryStore::changeQueue(Connection*, Queue& queue, const QueueAttributes& attributes) {
  queue.attributes() = attributes;
  queue.wakeWaiters();  // waiting getters learn of an inhibited get
  return Status::ok();
}

Status MemoryStore::deleteQueue(Connection*, Queue& queue) {
  if (queue.deleted()) return Status::ok();
  queue.markDeleted();
  auto it = queues_.find(queue.name());
  if (it != queues_.end() && it->second.get() == &queue) queues_.erase(it);
  return Status::ok();
}

Status MemoryStore::depth(Connection*, Queue& queue, int32_t& depth) {
  depth = queue.depth();
  return Status::ok();
}

std::vector<std::shared_ptr<Queue>> MemoryStore::knownQueues() {
  std::vector<std::shared_ptr<Queue>> all;
  all.reserve(queues_.size());
  for (const auto& entry : queues_) all.push_back(entry.second);
  return all;
}

Status MemoryStore::put(Connection*, const std::shared_ptr<Queue>& queue,
                        std::unique_ptr<StoredMessage> message, UnitOfWork* work) {
  const QueueAttributes& attributes = queue->attributes();
  if (queue->deleted()) return Status::failure(VXRC_OBJECT_DELETED);
  if (attributes.inhibitPut) return Status::failure(VXRC_PUT_INHIBITED);
  if (message->data.size() > static_cast<size_t>(attributes.maxMsgLength)) {
    return Status::failure(VXRC_MSG_TOO_BIG_FOR_QUEUE);
  }
  if (queue->depth() >= attributes.maxDepth) return Status::failure(VXRC_QUEUE_FULL);
  message->state = work != nullptr ? MessageState::PendingPut : MessageState::Visible;
  bool persistent = message->md.persistence == VXPER_PERSISTENT;
  MessageKey key = queue->add(std::move(message));
  if (work != nullptr) {
    UnitOfWork::Operation operation;
    operation.kind = UnitOfWork::Kind::Put;
    operation.queue = queue;
    operation.key = key;
    operation.persistent = persistent;
    work->record(std::move(operation));
  }
  return Status::ok();
}

Status MemoryStore::fetch(Connection&, const std::shared_ptr<Queue>& queue, const Fetch& request,
                          Fetched& fetched) {
  if (queue->deleted()) return Status::failure(VXRC_OBJECT_DELETED);
  if (queue->attributes().inhibitGet) return Status::failure(VXRC_GET_INHIBITED);
  MessageKey key;
  MessageKey last;
  const MessageKey* after = request.after;
  StoredMessage* message = nullptr;
  for (;;) {
    message = queue->find(request.match, after, request.now, key);
    if (message == nullptr || request.skip == nullptr || request.skip->count(key) == 0) break;
    last = key;
    after = &last;
  }
  if (message == nullptr) return Status::ok();

  fetched.found = true;
  fetched.key = key;
  fetched.length = static_cast<int32_t>(message->data.size());
  fetched.expiresAt = message->expiresAt;
  fetched.left = fetched.length > request.limit && !request.acceptTruncated;
  if (request.mode == Fetch::Mode::Peek) return Status::ok();
  if (fetched.left) {
    fetched.md = message->md;
    return Status::ok();
  }
  fetched.properties = message->properties;
  size_t returned = static_cast<size_t>(std::min(fetched.length, request.limit));
  if (request.mode == Fetch::Mode::Remove) {
    fetched.message = queue->take(key);
    fetched.descriptorInMessage = true;
    return Status::ok();
  }
  fetched.md = message->md;
  if (request.buffer != nullptr) {
    copyBytes(request.buffer, message->data.data(), returned);
  } else {
    fetched.message = std::make_unique<StoredMessage>();
    assignBytes(fetched.message->data, message->data.data(), returned);
  }
  if (request.mode == Fetch::Mode::Hold) {
    message->state = MessageState::PendingGet;
    UnitOfWork::Operation operation;
    operation.kind = UnitOfWork::Kind::Get;
    operation.queue = queue;
    operation.key = key;
    operation.persistent = message->md.persistence == VXPER_PERSISTENT;
    request.work->record(std::move(operation));
  }
  return Status::ok();
}

void MemoryStore::prune(Connection&, Queue& queue, std::set<MessageKey>& keys) {
  for (auto it = keys.begin(); it != keys.end();) {
    it = queue.at(*it) != nullptr ? std::next(it) : keys.erase(it);
  }
}

// A queue deleted meanwhile took its messages with it: nothing to do there.
Status MemoryStore::commit(Connection*, UnitOfWork& work) {
  for (UnitOfWork::Operation& op : work.operations()) {
    if (op.queue->deleted()) continue;
    if (op.kind == UnitOfWork::Kind::Put) {
      op.queue->makeVisible(op.key);
    } else {
      op.queue->take(op.key);
    }
  }
  work.end();
  return Status::ok();
}

Status MemoryStore::backout(Connection*, UnitOfWork& work) {
  for (UnitOfWork::Operation& op : work.operations()) {
    if (op.queue->deleted()) continue;
    if (op.kind == UnitOfWork::Kind::Put) {
      op.queue->take(op.key);
    } else if (StoredMessage* message = op.queue->at(op.key)) {
      ++message->md.backoutCount;
      op.queue->makeVisible(op.key);
    }
  }
  work.end();
  return Status::ok();
}

Status MemoryStore::subscriptionCount(Connection&, size_t& count) {
  count = topics_.count();
  return Status::ok();
}

Status MemoryStore::addSubscription(Connection&, const std::shared_ptr<Subscription>& subscription) {
  if (!subscription->name.empty() && topics_.named(subscription->name)) {
    return Status::failure(VXRC_DUPLICATE_SUBSCRIPTION);
  }
  topics_.add(subscription);
  return Status::ok();
}

Status MemoryStore::removeSubscription(Connection*, Subscription& subscription) {
  if (std::shared_ptr<Subscription> known = topics_.find(subscription)) topics_.remove(known);
  return Status::ok();
}

Status MemoryStore::namedSubscription(Connection&, const std::string& name,
                                      std::shared_ptr<Subscription>& found) {
  found = topics_.named(name);
  return Status::ok();
}

Status MemoryStore::namedSubscriptions(Connection&, std::vector<std::shared_ptr<Subscription>>& all) {
  all = topics_.allNamed();
  return Status::ok();
}

Status MemoryStore::matchingSubscriptions(Connection&, const std::string& topic,
                                          std::vector<std::shared_ptr<Subscription>>& found) {
  found = topics_.matching(topic);
  return Status::ok();
}

Status MemoryStore::holdSubscription(Connection*, Subscription& subscription, int32_t hconn,
                                     int32_t hsub) {
  if (hconn != 0 && subscription.hconn != 0) {
    return Status::failure(VXRC_SUBSCRIPTION_IN_USE);
  }
  subscription.hconn = hconn;
  subscription.hsub = hsub;
  return Status::ok();
}

Status MemoryStore::retain(Connection&, const std::string& topic,
                           const RetainedPublication& publication) {
  topics_.retain(topic, publication);
  return Status::ok();
}

Status MemoryStore::retainedFor(Connection&, const Subscription& subscription, int64_t now,
                                std::vector<RetainedPublication>& found) {
  found.clear();
  for (const RetainedPublication* publication : topics_.retainedFor(subscription, now)) {
    found.push_back(*publication);
  }
  return Status::ok();
}

int32_t MemoryStore::prepare(Branch&) { return XA_OK; }

int32_t MemoryStore::commitBranch(Branch& branch) {
  commit(nullptr, branch);
  return XA_OK;
}

int32_t MemoryStore::rollbackBranch(Branch& branch) {
  backout(nullptr, branch);
  return XA_OK;
}

int32_t MemoryStore::preparedElsewhere(std::vector<Xid>& xids) {
  xids.clear();
  return XA_OK;
}

int32_t MemoryStore::completeElsewhere(const Xid&, bool) { return XAER_NOTA; }

}  // namespace vxqm
