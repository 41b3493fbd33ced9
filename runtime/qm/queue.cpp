#include "qm/queue.h"

#include <algorithm>

namespace vxqm {

MessageKey Queue::add(std::unique_ptr<StoredMessage> message, bool wakeNow) {
  MessageKey key{VXPRI_HIGHEST - message->md.priority, nextSequence_++};
  bool visible = message->state == MessageState::Visible;
  // The sequence grows, so a message goes last unless one of a lower
  // priority is queued: the end is then the place, found without a search.
  auto hint = messages_.empty() || messages_.rbegin()->first < key ? messages_.end()
                                                                   : messages_.upper_bound(key);
  if (spareNodes_.empty()) {
    messages_.emplace_hint(hint, key, std::move(message));
  } else {
    Messages::node_type node = std::move(spareNodes_.back());
    spareNodes_.pop_back();
    node.key() = key;
    node.mapped() = std::move(message);
    messages_.insert(hint, std::move(node));
  }
  if (visible) {
    ++generation_;
    if (wakeNow) wake();
  }
  return key;
}

StoredMessage* Queue::find(const Match& match, const MessageKey* after, const ExpiryTime& now,
                           MessageKey& key) {
  found_ = messages_.end();  // the expired ones erased below may hold it
  auto it = after != nullptr ? messages_.upper_bound(*after) : messages_.begin();
  while (it != messages_.end()) {
    StoredMessage& message = *it->second;
    if (message.state != MessageState::Visible) {
      ++it;
      continue;
    }
    if (message.expiresAt != 0 && message.expiresAt <= now.ms()) {
      it = messages_.erase(it);
      continue;
    }
    if (match.accepts(message.md)) {
      key = it->first;
      found_ = it;
      return &message;
    }
    ++it;
  }
  return nullptr;
}

StoredMessage* Queue::at(const MessageKey& key) {
  auto it = messages_.find(key);
  return it != messages_.end() ? it->second.get() : nullptr;
}

std::unique_ptr<StoredMessage> Queue::take(const MessageKey& key) {
  // Most takes follow the find that found the message.
  auto it = found_ != messages_.end() && found_->first == key ? found_ : messages_.find(key);
  found_ = messages_.end();
  if (it == messages_.end()) return nullptr;
  Messages::node_type node = messages_.extract(it);
  std::unique_ptr<StoredMessage> message = std::move(node.mapped());
  if (spareNodes_.size() < kSpareNodes) spareNodes_.push_back(std::move(node));
  return message;
}

void Queue::makeVisible(const MessageKey& key) {
  if (StoredMessage* message = at(key)) {
    message->state = MessageState::Visible;
    notify();
  }
}

void Queue::markDeleted() {
  deleted_ = true;
  messages_.clear();
  found_ = messages_.end();
  notify();
}

void Queue::unwatch(Condition* dispatcher) {
  auto it = std::find(watchers_.begin(), watchers_.end(), dispatcher);
  if (it != watchers_.end()) watchers_.erase(it);
}

std::atomic<uint64_t>& Queue::wakeUps() {
  alignas(64) static std::atomic<uint64_t> count{0};
  return count;
}

std::atomic<int32_t>& Queue::wakeUpWatchers() {
  // Apart from the count: written only when a dispatcher goes idle, read by
  // every put to a watched queue.
  alignas(64) static std::atomic<int32_t> count{0};
  return count;
}

void Queue::notify() {
  ++generation_;
  wake();
}

void Queue::wake() {
  available_.notify_all();
  if (watchers_.empty()) return;
  // Only dispatchers look at the count, and only for their own queues.
  if (wakeUpWatchers().load(std::memory_order_seq_cst) != 0) {
    wakeUps().fetch_add(1, std::memory_order_release);
  }
  for (Condition* watcher : watchers_) watcher->notify_all();
}

}  // namespace vxqm
