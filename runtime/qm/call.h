// The claim of a connection for the length of one call.
#ifndef VXQM_CALL_H
#define VXQM_CALL_H

#include "qm/queue_manager.h"

namespace vxqm {

// Claims a connection for one call and gives it back at the end; status says
// whether the claim succeeded.
class QueueManager::Call {
 public:
  Call(QueueManager& qm, int32_t hconn, int32_t number) : status(qm.enter(hconn, number, connection)) {}
  ~Call() {
    if (connection) connection->release();
  }
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;

  // Declared first: enter() fills it while status is initialised.
  std::shared_ptr<Connection> connection;
  Status status;
};

}  // namespace vxqm

#endif
