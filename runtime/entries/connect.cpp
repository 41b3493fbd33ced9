// Connect and disconnect.
#include "entries/entries.h"
#include "entries/structures.h"

namespace vxrt {

using vxqm::Status;

void VXCONN(PVXVOID qmgrName, PVXINT hconn, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    if (hconn == nullptr) return Status::failure(VXRC_HCONN_ERROR);
    vxqm::ConnectRequest request;
    request.qmgrName = vxrt::qmgrName(qmgrName);
    return queueManager().connect(request, *hconn);
  });
}

void VXCONNX(PVXVOID qmgrName, PVXVOID cno, PVXINT hconn, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    if (hconn == nullptr) return Status::failure(VXRC_HCONN_ERROR);
    vxqm::ConnectRequest request;
    VXCNO* options = static_cast<VXCNO*>(cno);
    if (options != nullptr) {
      Status status = readCno(options, request);
      if (status.failed()) return status;
    }
    request.qmgrName = vxrt::qmgrName(qmgrName);
    vxqm::ConnectionId id{};
    Status status = queueManager().connect(request, *hconn, &id);
    if (!status.failed() && options != nullptr) {
      std::memcpy(options->ConnectionId, id.data(), sizeof options->ConnectionId);
    }
    return status;
  });
}

void VXDISC(PVXINT hconn, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    if (hconn == nullptr) return Status::failure(VXRC_HCONN_ERROR);
    return queueManager().disconnect(*hconn);
  });
}

}  // namespace vxrt
