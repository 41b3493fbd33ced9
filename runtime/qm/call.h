// The claim of a connection for the length of one call.
#ifndef VXQM_CALL_H
#define VXQM_CALL_H

#include "qm/queue_manager.h"

namespace vxqm {

// Claims a connection for one call and gives it back at the end; status says
// whether the claim succeeded.
class QueueManager::Call {
 public:
  Call(QueueManager& qm, int32_t hconn, int32_t number)
      : qm_(qm), status(qm.enter(hconn, number, connection, claim_, nullptr)) {}
  // Keeps the queue manager's lock taken for the claim in `lock` (made
  // without a mutex), for a call that goes on under it: the lock is taken
  // once rather than twice. It is given back before the connection is.
  Call(QueueManager& qm, int32_t hconn, int32_t number, std::unique_lock<QmLock>& lock)
      : qm_(qm), kept_(&lock), status(qm.enter(hconn, number, connection, claim_, &lock)) {}
  ~Call() { end(); }
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;

  // Gives the connection back before the end of the scope (for a call that
  // waits for the dispatcher afterwards); the connection stays referenced.
  void end() {
    if (kept_ != nullptr && kept_->owns_lock()) kept_->unlock();
    if (connection && claim_.held) qm_.leave(*connection, claim_);
    claim_.held = false;
  }

 private:
  QueueManager& qm_;
  Claim claim_;
  std::unique_lock<QmLock>* kept_ = nullptr;

 public:
  // Declared after the claim and before status: enter() fills them while
  // status is initialised.
  std::shared_ptr<Connection> connection;
  Status status;
};

}  // namespace vxqm

#endif
