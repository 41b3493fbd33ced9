// A connection's unit of work: the messages it has put and got under
// syncpoint. Used with the queue manager's lock held.
#ifndef VXQM_UNIT_OF_WORK_H
#define VXQM_UNIT_OF_WORK_H

#include <memory>
#include <vector>

#include "qm/queue.h"

namespace vxqm {

class UnitOfWork {
 public:
  // Begun explicitly, or by a first put or get under syncpoint.
  bool active() const { return begun_ || !operations_.empty(); }
  bool hasWork() const { return !operations_.empty(); }
  size_t size() const { return operations_.size(); }
  void begin() { begun_ = true; }

  void recordPut(std::shared_ptr<Queue> queue, const MessageKey& key);
  void recordGet(std::shared_ptr<Queue> queue, const MessageKey& key);

  // Puts become visible, got messages leave their queues.
  void commit();
  // Puts are discarded; got messages become visible again with their backout
  // count raised.
  void backout();

 private:
  enum class Kind { Put, Get };
  struct Operation {
    Kind kind;
    std::shared_ptr<Queue> queue;
    MessageKey key;
  };
  void end() {
    operations_.clear();
    begun_ = false;
  }

  std::vector<Operation> operations_;
  bool begun_ = false;
};

}  // namespace vxqm

#endif
