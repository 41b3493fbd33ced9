// The database store's subscriptions and retained publications. A
// subscription's row says which process (session) and connection has it
// open; a subscription open in another process shows a connection handle of
// -1, which no connection here has.
#include "db/columns.h"
#include "db/database_store.h"
#include "db/use.h"
#include "qm/copy_bytes.h"
#include "qm/topic_string.h"

namespace vxdb {

using vxqm::Status;

std::shared_ptr<vxqm::Subscription> DatabaseStore::subscriptionFrom(Connection& pg, const Row& row) {
  auto subscription = std::make_shared<vxqm::Subscription>();
  subscription->storeId = row.i64(kSubId);
  subscription->name = row.text(kSubName);
  subscription->topic = row.text(kSubTopic);
  subscription->levels = vxqm::topicLevels(subscription->topic);
  subscription->durable = row.boolean(kSubDurable);
  subscription->managed = row.boolean(kSubManaged);
  subscription->destination = queueById(pg, row.i64(kSubDestination));
  size_t length = std::min<size_t>(static_cast<size_t>(row.length(kSubCorrelId)), subscription->correlId.size());
  std::copy(row.bytes(kSubCorrelId), row.bytes(kSubCorrelId) + length, subscription->correlId.begin());
  if (!row.isNull(kSubOpenSession)) {
    bool here = row.i64(kSubOpenSession) == session_.load();
    subscription->hconn = here ? row.i32(kSubOpenHconn) : -1;
    subscription->hsub = here ? row.i32(kSubOpenHsub) : 0;
  }
  return subscription;
}

Status DatabaseStore::subscriptionCount(vxqm::Connection& connection, size_t& count) {
  Use use(*this, &connection);
  if (!use) return use.status;
  Result result = use->run(statements_.subCount);
  if (!result.ok()) return broken(*use, "a subscription count");
  count = static_cast<size_t>(result.row(0).i64(0));
  return Status::ok();
}

Status DatabaseStore::addSubscription(vxqm::Connection& connection,
                                      const std::shared_ptr<vxqm::Subscription>& subscription) {
  Use use(*this, &connection);
  if (!use) return use.status;
  const vxqm::Subscription& s = *subscription;
  Params params;
  params.text(s.name)
      .text(s.topic)
      .boolean(s.durable)
      .boolean(s.managed)
      .i64(s.destination->storeId)
      .bytes(s.correlId.data(), s.correlId.size());
  if (s.hconn != 0) {
    params.i64(session_.load()).i32(s.hconn).i32(s.hsub);
  } else {
    params.null().null().null();
  }
  Result result = use->run(statements_.subAdd, params);
  if (!result.ok()) return broken(*use, "a subscription");
  if (result.rows() == 0) return Status::failure(VXRC_DUPLICATE_SUBSCRIPTION);
  subscription->storeId = result.row(0).i64(0);
  return Status::ok();
}

Status DatabaseStore::removeSubscription(vxqm::Connection* connection, vxqm::Subscription& subscription) {
  Use use(*this, connection);
  if (!use) return use.status;
  if (!use->run(statements_.subRemove, Params().i64(subscription.storeId)).ok()) {
    return broken(*use, "the end of a subscription");
  }
  return Status::ok();
}

Status DatabaseStore::namedSubscription(vxqm::Connection& connection, const std::string& name,
                                        std::shared_ptr<vxqm::Subscription>& found) {
  Use use(*this, &connection);
  if (!use) return use.status;
  Result result = use->run(statements_.subNamed, Params().text(name));
  if (!result.ok()) return broken(*use, "a subscription lookup");
  found = result.rows() > 0 ? subscriptionFrom(*use, result.row(0)) : nullptr;
  return Status::ok();
}

Status DatabaseStore::namedSubscriptions(vxqm::Connection& connection,
                                         std::vector<std::shared_ptr<vxqm::Subscription>>& all) {
  Use use(*this, &connection);
  if (!use) return use.status;
  Result result = use->run(statements_.subAllNamed);
  if (!result.ok()) return broken(*use, "a subscription lookup");
  all.clear();
  for (int i = 0; i < result.rows(); ++i) all.push_back(subscriptionFrom(*use, result.row(i)));
  return Status::ok();
}

// Every subscription is read in the publishing call: one made a moment ago
// in another process gets the publication too.
Status DatabaseStore::matchingSubscriptions(vxqm::Connection& connection, const std::string& topic,
                                            std::vector<std::shared_ptr<vxqm::Subscription>>& found) {
  Use use(*this, &connection);
  if (!use) return use.status;
  Result result = use->run(statements_.subAll);
  if (!result.ok()) return broken(*use, "a subscription lookup");
  std::vector<std::string> levels = vxqm::topicLevels(topic);
  found.clear();
  for (int i = 0; i < result.rows(); ++i) {
    Row row = result.row(i);
    if (!vxqm::topicMatches(vxqm::topicLevels(row.text(kSubTopic)), levels)) continue;
    found.push_back(subscriptionFrom(*use, row));
  }
  return Status::ok();
}

Status DatabaseStore::holdSubscription(vxqm::Connection* connection, vxqm::Subscription& subscription,
                                       int32_t hconn, int32_t hsub) {
  Use use(*this, connection);
  if (!use) return use.status;
  if (hconn != 0) {
    Params params;
    params.i64(subscription.storeId).i64(session_.load()).i32(hconn).i32(hsub);
    Result result = use->run(statements_.subTake, params);
    if (!result.ok()) return broken(*use, "a subscription resumed");
    if (result.rows() == 0) return Status::failure(VXRC_SUBSCRIPTION_IN_USE);
  } else if (subscription.hconn > 0) {
    Params params;
    params.i64(subscription.storeId).i64(session_.load()).i32(subscription.hconn);
    if (!use->run(statements_.subLetGo, params).ok()) return broken(*use, "a subscription let go");
  }
  subscription.hconn = hconn;
  subscription.hsub = hsub;
  return Status::ok();
}

Status DatabaseStore::retain(vxqm::Connection& connection, const std::string& topic,
                             const vxqm::RetainedPublication& publication) {
  Use use(*this, &connection);
  if (!use) return use.status;
  Params params;
  params.text(topic).i64(publication.expiresAt);
  bindDescriptor(params, publication.md);
  std::string block;
  bindProperties(params, publication.properties.get(), block);
  params.bytes(publication.data.data(), publication.data.size());
  if (!use->run(statements_.retain, params).ok()) return broken(*use, "a retained publication");
  return Status::ok();
}

Status DatabaseStore::retainedFor(vxqm::Connection& connection, const vxqm::Subscription& subscription,
                                  int64_t now, std::vector<vxqm::RetainedPublication>& found) {
  Use use(*this, &connection);
  if (!use) return use.status;
  if (!use->run(statements_.retainedExpire, Params().i64(now)).ok()) {
    return broken(*use, "the expiry of retained publications");
  }
  Result result = use->run(statements_.retainedAll);
  if (!result.ok()) return broken(*use, "a retained publication lookup");
  found.clear();
  for (int i = 0; i < result.rows(); ++i) {
    Row row = result.row(i);
    if (!vxqm::topicMatches(subscription.levels, vxqm::topicLevels(row.text(0)))) continue;
    vxqm::RetainedPublication publication;
    publication.expiresAt = row.i64(1);
    readDescriptor(row, 2, publication.md);
    publication.properties = readProperties(row, 2 + kDescriptorColumnCount);
    int data = 3 + kDescriptorColumnCount;
    vxqm::assignBytes(publication.data, row.bytes(data), static_cast<size_t>(row.length(data)));
    found.push_back(std::move(publication));
  }
  return Status::ok();
}

}  // namespace vxdb
