#include "qm/unit_of_work.h"

namespace vxqm {

void UnitOfWork::recordPut(std::shared_ptr<Queue> queue, const MessageKey& key) {
  operations_.push_back({Kind::Put, std::move(queue), key});
}

void UnitOfWork::recordGet(std::shared_ptr<Queue> queue, const MessageKey& key) {
  operations_.push_back({Kind::Get, std::move(queue), key});
}

// A queue deleted meanwhile took its messages with it: nothing to do there.
void UnitOfWork::commit() {
  for (Operation& op : operations_) {
    if (op.queue->deleted()) continue;
    if (op.kind == Kind::Put) {
      op.queue->makeVisible(op.key);
    } else {
      op.queue->take(op.key);
    }
  }
  end();
}

void UnitOfWork::backout() {
  for (Operation& op : operations_) {
    if (op.queue->deleted()) continue;
    if (op.kind == Kind::Put) {
      op.queue->take(op.key);
    } else if (StoredMessage* message = op.queue->at(op.key)) {
      ++message->md.backoutCount;
      op.queue->makeVisible(op.key);
    }
  }
  end();
}

}  // namespace vxqm
