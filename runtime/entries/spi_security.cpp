// Channel authentication by the rules of the queue manager's configuration,
// and the users of its user table: adopt-user and map-credentials.
#include <cstring>

#include "entries/entries.h"
#include "entries/spi_entries.h"
#include "entries/structures.h"
#include "vx/spi.h"

namespace vxrt {

using vxqm::Status;

namespace {

// The user to adopt: the record's client identifier, checked against the
// bounds the record gives for it.
Status clientIdentifier(const LpiAdoptUser& record, std::string& user) {
  const char* base = static_cast<const char*>(record.ClientIdPtr);
  if (base == nullptr || record.ClientIdLength <= 0) return Status::failure(VXRC_USER_ID_ERROR);
  if (record.ClientIdOffset < 0 || record.ClientIdBufSize < 0 ||
      record.ClientIdBufSize - record.ClientIdOffset < record.ClientIdLength) {
    return Status::failure(VXRC_ADOPT_USER_ERROR);
  }
  user = vxqm::fieldText(base + record.ClientIdOffset, static_cast<size_t>(record.ClientIdLength));
  return Status::ok();
}

}  // namespace

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

// The security context is read only when the options ask for a password; it
// is written (the identifier acted under) whenever given and the call does
// not fail, as are the in/out value and the product identifier.
void lpiSPIAdoptUser(VXINT hconn, VXINT, PVXVOID lexPContext, PVXVOID, VXINT, PVXVOID, VXINT,
                     PVXVOID adoptUser, PVXVOID, VXINT, PVXVOID, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    LpiAdoptUser* record = static_cast<LpiAdoptUser*>(adoptUser);
    if (record == nullptr || std::memcmp(record->StrucId, LPIADU_STRUC_ID, 4) != 0 ||
        record->Version != LPIADU_VERSION || record->InOutValue == nullptr) {
      return Status::failure(VXRC_ADOPT_USER_ERROR);
    }
    LpiSecurityContext* context = static_cast<LpiSecurityContext*>(lexPContext);
    if (context != nullptr && (!validHeader(context, LPISCX_STRUC_ID, LPI_CURRENT_VERSION) ||
                               context->Options != LPISCX_NONE)) {
      return Status::failure(VXRC_SECURITY_CONTEXT_ERROR);
    }
    vxqm::AdoptRequest request;
    request.options = *record->InOutValue;
    if ((request.options & LPIADU_AUTHENTICATE) != 0) {
      if (context == nullptr) return Status::failure(VXRC_SECURITY_CONTEXT_ERROR);
      request.password = vxqm::fieldText(context->Password, sizeof context->Password);
    }
    if (request.options != LPIADU_RESTORE) {
      Status status = clientIdentifier(*record, request.user);
      if (status.failed()) return status;
    }
    vxqm::AdoptResult result;
    Status status = queueManager().adoptUser(hconn, request, result);
    if (status.failed()) return status;
    *record->InOutValue = result.how;
    std::memcpy(record->ProductIdentifier, LPI_PRODUCT_IDENTIFIER, sizeof record->ProductIdentifier);
    if (context != nullptr) putText(context->MappedUserId, sizeof context->MappedUserId, result.identifier);
    return status;
  });
}

// The credentials are the security context's user and password; the other
// arguments are not read.
void lpiSPIMapCredentials(VXINT hconn, PVXVOID lexPContext, PVXVOID, PVXVOID, PVXVOID, PVXVOID,
                          PVXVOID, PVXVOID, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    LpiSecurityContext* context = static_cast<LpiSecurityContext*>(lexPContext);
    if (!validHeader(context, LPISCX_STRUC_ID, LPI_CURRENT_VERSION) || context->Options != LPISCX_NONE) {
      return Status::failure(VXRC_SECURITY_CONTEXT_ERROR);
    }
    vxqm::Credentials given;
    given.user = vxqm::fieldText(context->UserId, sizeof context->UserId);
    given.password = vxqm::fieldText(context->Password, sizeof context->Password);
    std::string identifier;
    Status status = queueManager().mapCredentials(hconn, given, identifier);
    if (!status.failed()) putText(context->MappedUserId, sizeof context->MappedUserId, identifier);
    return status;
  });
}

}  // namespace vxrt
