// A unit of work: what a connection (or an XA branch) has put and got under
// syncpoint, as the store recorded it. The store interprets the record at
// commit and back-out. Used with the queue manager's lock held.
#ifndef VXQM_UNIT_OF_WORK_H
#define VXQM_UNIT_OF_WORK_H

#include <cstdint>
#include <memory>
#include <vector>

#include "qm/queue.h"

namespace vxqm {

class UnitOfWork {
 public:
  enum class Kind { Put, Get };
  struct Operation {
    Kind kind = Kind::Put;
    std::shared_ptr<Queue> queue;
    // The message's place on its queue: for the memory store the key of
    // the pending message, for the database store its rank and row.
    MessageKey key;
    // A put that the database store writes only at commit.
    std::unique_ptr<StoredMessage> message;
    bool persistent = false;
  };

  UnitOfWork() = default;
  UnitOfWork(const UnitOfWork&) = delete;
  UnitOfWork& operator=(const UnitOfWork&) = delete;
  virtual ~UnitOfWork() = default;

  // Begun explicitly, or by a first put or get under syncpoint.
  bool active() const { return begun_ || !operations_.empty(); }
  bool hasWork() const { return !operations_.empty(); }
  size_t size() const { return operations_.size(); }
  void begin() { begun_ = true; }

  void record(Operation operation) { operations_.push_back(std::move(operation)); }
  std::vector<Operation>& operations() { return operations_; }
  // After commit or back-out.
  void end() {
    operations_.clear();
    begun_ = false;
  }

  // The database store's name for the unit of work while it holds
  // messages: the session of the process and a number of its own.
  int64_t holderSession = 0;
  int64_t holder = 0;

 private:
  std::vector<Operation> operations_;
  bool begun_ = false;
};

}  // namespace vxqm

#endif
