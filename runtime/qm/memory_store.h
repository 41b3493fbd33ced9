// The store that keeps everything in this process: the queue manager as it
// runs embedded, for one process.
#ifndef VXQM_MEMORY_STORE_H
#define VXQM_MEMORY_STORE_H

#include <memory>
#include <unordered_map>
#include <vector>

#include "qm/store.h"

namespace vxqm {

class MemoryStore : public Store {
 public:
  explicit MemoryStore(const std::vector<QueueDefinition>& queues);

  bool shared() const override { return false; }
  Status attach(Connection&) override { return Status::ok(); }
  void detach(Connection&) override {}

  Status findQueue(Connection* connection, const std::string& name,
                   std::shared_ptr<Queue>& queue) override;
  Status createQueue(Connection* connection, const QueueDefinition& definition,
                     const QueueOrigin& origin, std::shared_ptr<Queue>& made) override;
  Status changeQueue(Connection* connection, Queue& queue, const QueueAttributes& attributes) override;
  Status deleteQueue(Connection* connection, Queue& queue) override;
  Status depth(Connection* connection, Queue& queue, int32_t& depth) override;
  Status refresh(Connection*, Queue&) override { return Status::ok(); }
  Status opened(Connection&, Queue&, const OpenOptions&) override { return Status::ok(); }
  void closed(Connection&, Queue&, const OpenOptions&) override {}
  bool openElsewhere(Connection&, Queue&) override { return false; }
  std::vector<std::shared_ptr<Queue>> knownQueues() override;

  Status put(Connection* connection, const std::shared_ptr<Queue>& queue,
             std::unique_ptr<StoredMessage> message, UnitOfWork* work) override;
  Status fetch(Connection& connection, const std::shared_ptr<Queue>& queue, const Fetch& fetch,
               Fetched& fetched) override;
  void prune(Connection& connection, Queue& queue, std::set<MessageKey>& keys) override;
  Status commit(Connection* connection, UnitOfWork& work) override;
  Status backout(Connection* connection, UnitOfWork& work) override;

  Status subscriptionCount(Connection& connection, size_t& count) override;
  Status addSubscription(Connection& connection,
                         const std::shared_ptr<Subscription>& subscription) override;
  Status removeSubscription(Connection* connection, Subscription& subscription) override;
  Status namedSubscription(Connection& connection, const std::string& name,
                           std::shared_ptr<Subscription>& found) override;
  Status namedSubscriptions(Connection& connection,
                            std::vector<std::shared_ptr<Subscription>>& all) override;
  Status matchingSubscriptions(Connection& connection, const std::string& topic,
                               std::vector<std::shared_ptr<Subscription>>& found) override;
  Status holdSubscription(Connection* connection, Subscription& subscription, int32_t hconn,
                          int32_t hsub) override;
  Status retain(Connection& connection, const std::string& topic,
                const RetainedPublication& publication) override;
  Status retainedFor(Connection& connection, const Subscription& subscription, int64_t now,
                     std::vector<RetainedPublication>& found) override;

  // A prepared branch lives in this process: nothing to write down.
  int32_t prepare(Branch& branch) override;
  int32_t commitBranch(Branch& branch) override;
  int32_t rollbackBranch(Branch& branch) override;
  int32_t preparedElsewhere(std::vector<Xid>& xids) override;
  int32_t completeElsewhere(const Xid& xid, bool commit) override;

 private:
  std::unordered_map<std::string, std::shared_ptr<Queue>> queues_;
  Topics topics_;
};

}  // namespace vxqm

#endif
