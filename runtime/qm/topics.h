// Topics and subscriptions: the subscriptions of the queue manager, the
// retained publication of each topic, the topic handles of a connection, and
// the status of a connection's puts. Used with the queue manager's lock held.
#ifndef VXQM_TOPICS_H
#define VXQM_TOPICS_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "qm/message.h"
#include "qm/queue.h"

namespace vxqm {

struct Subscription {
  std::string name;                 // empty for an unnamed subscription
  std::string topic;                // as subscribed, wildcards included
  std::vector<std::string> levels;  // of topic
  bool durable = false;
  bool managed = false;             // the destination goes with the subscription
  std::shared_ptr<Queue> destination;
  CorrelId correlId{};              // carried by every delivery
  int32_t hconn = 0;                // the connection that has it open, 0 for none
  int32_t hsub = 0;
  int64_t storeId = 0;              // the database store's identifier
};

struct RetainedPublication {
  MessageDescriptor md;
  std::vector<uint8_t> data;
  std::shared_ptr<const PropertyList> properties;
  int64_t expiresAt = 0;  // on the queue manager's clock; 0 never
};

class Topics {
 public:
  size_t count() const { return all_.size(); }
  // The shared subscription that is this one, or null.
  std::shared_ptr<Subscription> find(const Subscription& subscription) const;
  // The subscription of that name, or null.
  std::shared_ptr<Subscription> named(const std::string& name) const;
  // Every named subscription, in name order.
  std::vector<std::shared_ptr<Subscription>> allNamed() const;
  void add(const std::shared_ptr<Subscription>& subscription);
  void remove(const std::shared_ptr<Subscription>& subscription);
  // The subscriptions whose topic strings match a publication's.
  std::vector<std::shared_ptr<Subscription>> matching(const std::string& topic) const;

  void retain(const std::string& topic, RetainedPublication publication);
  // The retained publications the subscription matches, in topic order;
  // expired ones are dropped on the way.
  std::vector<const RetainedPublication*> retainedFor(const Subscription& subscription, int64_t now);

 private:
  std::unordered_set<std::shared_ptr<Subscription>> all_;
  std::unordered_map<std::string, std::shared_ptr<Subscription>> named_;
  std::map<std::string, RetainedPublication> retained_;
};

// A topic opened for output on a connection.
struct TopicHandle {
  std::string topic;
};

// The object a put went to, for the status.
struct PutTarget {
  int32_t type = 0;  // VXOT_QUEUE, VXOT_TOPIC, or 0 before the object is known
  FixedText<VX_NAME_LENGTH> name;  // a queue's, held in place: every put sets it
};

// The outcome of a connection's puts since the last status call.
struct PutStatus {
  int32_t compCode = VXCC_OK;
  int32_t reason = VXRC_NONE;
  int32_t successes = 0;
  int32_t warnings = 0;
  int32_t failures = 0;
  int32_t publications = 0;
  int32_t deliveries = 0;
  int32_t deliveryFailures = 0;
  int32_t objectType = 0;  // of the put that reason is for
  std::string objectName;

  // Counts a put to the target. Counts stop at their maximum.
  void record(const Status& status, const PutTarget& target);
  // A success counts and names nothing.
  void recordSuccess() { add(successes, 1); }
  static void add(int32_t& count, int64_t n);
};

}  // namespace vxqm

#endif
