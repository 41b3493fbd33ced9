// Named subscriptions for the private calls: which exist for a topic or a
// name, and removing one by handle or by name.
#include "qm/call.h"
#include "qm/queue_manager.h"
#include "qm/topic_string.h"
#include "vx/spi.h"

namespace vxqm {

namespace {

bool nameMatches(const std::string& pattern, const std::string& name) {
  if (!pattern.empty() && pattern.back() == '*') {
    return name.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
  }
  return name == pattern;
}

}  // namespace

Status QueueManager::inquireNamedSubscribers(int32_t hconn, bool byTopic, const std::string& text,
                                             NamedSubscribers& found) {
  Call call(*this, hconn, VXCALL_SPI_INQUIRE_SUBSCRIBERS);
  Status status = privilegedCall(call);
  if (status.failed()) return status;
  if (byTopic && !validTopicString(text, TopicUse::Publication)) {
    return Status::failure(VXRC_TOPIC_STRING_ERROR);
  }
  if (!byTopic && (text.empty() || text.size() > static_cast<size_t>(VX_MAX_SUB_NAME_LENGTH))) {
    return Status::failure(VXRC_SUB_NAME_ERROR);
  }
  std::lock_guard<QmLock> lock(mutex_);
  std::vector<std::string> levels = byTopic ? topicLevels(text) : std::vector<std::string>();
  found = NamedSubscribers();
  std::vector<std::shared_ptr<Subscription>> named;
  status = store_->namedSubscriptions(*call.connection, named);
  if (status.failed()) return status;
  for (const std::shared_ptr<Subscription>& subscription : named) {
    bool match = byTopic ? topicMatches(subscription->levels, levels) : nameMatches(text, subscription->name);
    if (!match) continue;
    found.names.push_back(subscription->name);
    if (subscription->hconn != 0) ++found.inUse;
  }
  return Status::ok();
}

Status QueueManager::unsubscribe(int32_t hconn, bool byName, int32_t hsub, const std::string& name) {
  Call call(*this, hconn, VXCALL_SPI_UNSUBSCRIBE);
  Status status = privilegedCall(call);
  if (status.failed()) return status;
  Connection& connection = *call.connection;
  std::lock_guard<QmLock> lock(mutex_);
  std::shared_ptr<Subscription> subscription;
  if (byName) {
    if (name.empty() || name.size() > static_cast<size_t>(VX_MAX_SUB_NAME_LENGTH)) {
      return Status::failure(VXRC_SUB_NAME_ERROR);
    }
    status = store_->namedSubscription(connection, name, subscription);
    if (status.failed()) return status;
    if (!subscription) return Status::failure(VXRC_NO_SUBSCRIPTION);
    if (subscription->hconn != 0 && subscription->hconn != connection.hconn()) {
      return Status::failure(VXRC_SUBSCRIPTION_IN_USE);
    }
    hsub = subscription->hsub;
  } else {
    auto it = connection.subscriptions.find(hsub);
    if (it == connection.subscriptions.end()) return Status::failure(VXRC_HSUB_ERROR);
    subscription = it->second;
  }
  if (hsub != 0 && subscription->hconn == connection.hconn()) {
    connection.subscriptions.erase(hsub);
    liveHandles_.erase(hsub);
  }
  endSubscription(&connection, subscription);
  return Status::ok();
}

}  // namespace vxqm
