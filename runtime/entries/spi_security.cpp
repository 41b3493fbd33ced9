// Channel authentication by the rules of the queue manager's configuration.
#include "entries/entries.h"
#include "entries/spi_entries.h"
#include "entries/structures.h"
#include "vx/spi.h"

namespace vxrt {

using vxqm::Status;

// The decision is written whenever the rules were consulted: allowed with
// completion code 0, blocked with completion code 2 and VXRC_NOT_AUTHORIZED.
void lpiSPICHLAUTH(VXINT hconn, PVXVOID parms, PVXVOID, PVXVOID, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    LpiChlAuthParms* request = static_cast<LpiChlAuthParms*>(parms);
    if (!validHeader(request, LPICHA_STRUC_ID, LPI_CURRENT_VERSION)) {
      return Status::failure(VXRC_SPI_OPTIONS_ERROR);
    }
    bool allowed = false;
    Status status = queueManager().checkChannel(
        hconn, vxqm::fieldText(request->Address, sizeof request->Address),
        vxqm::fieldText(request->User, sizeof request->User), allowed);
    if (!status.failed() || status.reason == VXRC_NOT_AUTHORIZED) {
      request->Decision = allowed ? LPICHLAUTH_ALLOWED : LPICHLAUTH_BLOCKED;
    }
    return status;
  });
}

}  // namespace vxrt
