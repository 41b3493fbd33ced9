// What a dispatcher delivers in one callback: the consumer called, the call,
// and the message it takes, with its descriptor.
#ifndef VXQM_DISPATCH_WORK_H
#define VXQM_DISPATCH_WORK_H

#include <memory>

#include "qm/queue_manager.h"

namespace vxqm {

struct QueueManager::Work {
  std::shared_ptr<Consumer> target;
  Delivery delivery;
  MessageDescriptor md;
  std::unique_ptr<StoredMessage> taken;  // the message's data, removed or a copy
};

}  // namespace vxqm

#endif
