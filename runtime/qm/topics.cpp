#include "qm/topics.h"

#include <algorithm>
#include <climits>

#include "qm/topic_string.h"

namespace vxqm {

std::shared_ptr<Subscription> Topics::find(const Subscription& subscription) const {
  for (const std::shared_ptr<Subscription>& known : all_) {
    if (known.get() == &subscription) return known;
  }
  return nullptr;
}

std::shared_ptr<Subscription> Topics::named(const std::string& name) const {
  auto it = named_.find(name);
  return it != named_.end() ? it->second : nullptr;
}

std::vector<std::shared_ptr<Subscription>> Topics::allNamed() const {
  std::vector<std::shared_ptr<Subscription>> all;
  all.reserve(named_.size());
  for (const auto& entry : named_) all.push_back(entry.second);
  std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a->name < b->name; });
  return all;
}

void Topics::add(const std::shared_ptr<Subscription>& subscription) {
  all_.insert(subscription);
  if (!subscription->name.empty()) named_[subscription->name] = subscription;
}

void Topics::remove(const std::shared_ptr<Subscription>& subscription) {
  all_.erase(subscription);
  auto it = named_.find(subscription->name);
  if (it != named_.end() && it->second == subscription) named_.erase(it);
}

std::vector<std::shared_ptr<Subscription>> Topics::matching(const std::string& topic) const {
  std::vector<std::string> levels = topicLevels(topic);
  std::vector<std::shared_ptr<Subscription>> found;
  for (const std::shared_ptr<Subscription>& subscription : all_) {
    if (topicMatches(subscription->levels, levels)) found.push_back(subscription);
  }
  return found;
}

void Topics::retain(const std::string& topic, RetainedPublication publication) {
  retained_[topic] = std::move(publication);
}

std::vector<const RetainedPublication*> Topics::retainedFor(const Subscription& subscription,
                                                            int64_t now) {
  std::vector<const RetainedPublication*> found;
  for (auto it = retained_.begin(); it != retained_.end();) {
    if (it->second.expiresAt != 0 && it->second.expiresAt <= now) {
      it = retained_.erase(it);
      continue;
    }
    if (topicMatches(subscription.levels, topicLevels(it->first))) found.push_back(&it->second);
    ++it;
  }
  return found;
}

void PutStatus::add(int32_t& count, int64_t n) {
  count = static_cast<int32_t>(std::min<int64_t>(INT32_MAX, count + n));
}

void PutStatus::record(const Status& status, const PutTarget& target) {
  if (status.cc == VXCC_OK) {
    recordSuccess();
    return;
  }
  add(status.cc == VXCC_WARNING ? warnings : failures, 1);
  compCode = std::max(compCode, status.cc);
  reason = status.reason;
  objectType = target.type;
  objectName = target.name.str();
}

}  // namespace vxqm
