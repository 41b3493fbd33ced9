// Units of work: begin, commit and back out.
#include "entries/entries.h"
#include "entries/structures.h"

namespace vxrt {

using vxqm::Status;

void VXBEGIN(VXINT hconn, PVXVOID bo, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    const VXBO* options = static_cast<const VXBO*>(bo);
    if (options != nullptr) {
      if (!validHeader(options, VXBO_STRUC_ID, VXBO_CURRENT_VERSION)) {
        return Status::failure(VXRC_BO_ERROR);
      }
      if (options->Options != VXBO_NONE) return Status::failure(VXRC_BEGIN_OPTIONS_ERROR);
    }
    return queueManager().begin(hconn);
  });
}

void VXCMIT(VXINT hconn, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] { return queueManager().commit(hconn); });
}

void VXBACK(VXINT hconn, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] { return queueManager().backout(hconn); });
}

}  // namespace vxrt
