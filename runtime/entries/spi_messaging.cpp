// The privileged connect, and the private open, put, get and syncpoint: the
// public calls of the queue manager with the private options as extra
// controls. Every call but the connect needs a privileged connection.
#include "entries/entries.h"
#include "entries/spi_entries.h"
#include "entries/structures.h"
#include "vx/spi.h"

namespace vxrt {

using vxqm::Status;

namespace {

Status readEnvironment(const LpiConnectOptions* options, int32_t& environment) {
  environment = LPI_NO_ENVIRONMENT;
  if (options->EnvironmentPtr != nullptr) environment = *options->EnvironmentPtr;
  return environment >= LPI_NO_ENVIRONMENT ? Status::ok() : Status::failure(VXRC_ENVIRONMENT_ERROR);
}

// Applies a private override of the syncpoint choice.
Status overrideSyncpoint(int32_t options, int32_t known, bool& syncpoint) {
  const int32_t both = LPIPO_SYNCPOINT | LPIPO_NO_SYNCPOINT;
  if ((options & ~known) != 0 || (options & both) == both) {
    return Status::failure(VXRC_SPI_OPTIONS_ERROR);
  }
  if (options & LPIPO_SYNCPOINT) syncpoint = true;
  if (options & LPIPO_NO_SYNCPOINT) syncpoint = false;
  return Status::ok();
}

}  // namespace

// The environment value is read through the pointer at byte 128 now, during
// the call, and kept with the connection; the options report it back.
void lpiSPIVXConnect(PVXVOID qmgrName, PVXVOID spiConnectOptions, PVXVOID cno, PVXINT hconn,
                     PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    if (hconn == nullptr) return Status::failure(VXRC_HCONN_ERROR);
    LpiConnectOptions* spi = static_cast<LpiConnectOptions*>(spiConnectOptions);
    if (!validHeader(spi, LPICNO_STRUC_ID, LPI_CURRENT_VERSION) || spi->Options != LPICNO_NONE) {
      return Status::failure(VXRC_SPI_OPTIONS_ERROR);
    }
    vxqm::ConnectRequest request;
    Status status = readEnvironment(spi, request.environment);
    if (status.failed()) return status;
    VXCNO* options = static_cast<VXCNO*>(cno);
    if (options != nullptr) {
      status = readCno(options, request);
      if (status.failed()) return status;
    }
    request.qmgrName = vxrt::qmgrName(qmgrName);
    request.privileged = true;
    vxqm::ConnectionId id{};
    status = queueManager().connect(request, *hconn, &id);
    if (!status.failed()) {
      spi->Environment = request.environment;
      if (options != nullptr) std::memcpy(options->ConnectionId, id.data(), sizeof options->ConnectionId);
    }
    return status;
  });
}

void lpiSPIOpen(VXINT hconn, PVXVOID od, PVXVOID spiOpenOptions, PVXINT hobj, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    Status status = queueManager().privileged(hconn);
    if (status.failed()) return status;
    const LpiOpenOptions* spi = static_cast<const LpiOpenOptions*>(spiOpenOptions);
    if (!validHeader(spi, LPIOPO_STRUC_ID, LPI_CURRENT_VERSION)) {
      return Status::failure(VXRC_SPI_OPTIONS_ERROR);
    }
    VXOD* descriptor = static_cast<VXOD*>(od);
    vxqm::ObjectRequest object;
    status = readOd(descriptor, object);
    if (status.failed()) return status;
    if (hobj == nullptr) return Status::failure(VXRC_HOBJ_ERROR);
    if (object.type != VXOT_QUEUE) return Status::failure(VXRC_OBJECT_TYPE_ERROR);
    vxqm::OpenOptions open;
    status = readOpenOptions(spi->Options, open);
    if (status.failed()) return status;
    vxqm::ObjectResolution resolution;
    status = queueManager().open(hconn, object, open, *hobj, resolution);
    if (!status.failed()) writeOd(resolution, descriptor);
    return status;
  });
}

void lpiSPIPut(VXINT hconn, VXINT hobj, PVXVOID md, PVXVOID pmo, VXINT bufferLength, PVXVOID buffer,
               PVXVOID spiPutOptions, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    Status status = queueManager().privileged(hconn);
    if (status.failed()) return status;
    LpiPutOptions* spi = static_cast<LpiPutOptions*>(spiPutOptions);
    if (!validHeader(spi, LPIPO_STRUC_ID, LPI_CURRENT_VERSION)) {
      return Status::failure(VXRC_SPI_OPTIONS_ERROR);
    }
    VXMD* mdView = static_cast<VXMD*>(md);
    VXPMO* pmoView = static_cast<VXPMO*>(pmo);
    vxqm::MessageDescriptor descriptor;
    vxqm::PutOptions options;
    status = readMd(mdView, descriptor);
    if (!status.failed()) status = readPmo(pmoView, options);
    if (!status.failed()) {
      status = overrideSyncpoint(spi->Options, LPIPO_SYNCPOINT | LPIPO_NO_SYNCPOINT, options.syncpoint);
    }
    if (status.failed()) return status;
    vxqm::PutResult result;
    status = queueManager().put(hconn, hobj, descriptor, options, buffer, bufferLength, result);
    if (!status.failed()) {
      writeMd(descriptor, mdView);
      writePmo(result, pmoView);
      std::memcpy(spi->MsgId, descriptor.msgId.data(), sizeof spi->MsgId);
    }
    return status;
  });
}

void lpiSPIGet(VXINT hconn, VXINT hobj, PVXVOID md, PVXVOID gmo, VXINT bufferLength, PVXVOID buffer,
               PVXINT dataLength, PVXVOID spiGetOptions, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    Status status = queueManager().privileged(hconn);
    if (status.failed()) return status;
    LpiGetOptions* spi = static_cast<LpiGetOptions*>(spiGetOptions);
    if (!validHeader(spi, LPIGO_STRUC_ID, LPI_CURRENT_VERSION)) {
      return Status::failure(VXRC_SPI_OPTIONS_ERROR);
    }
    VXMD* mdView = static_cast<VXMD*>(md);
    VXGMO* gmoView = static_cast<VXGMO*>(gmo);
    vxqm::MessageDescriptor descriptor;
    status = readMd(mdView, descriptor);
    if (status.failed()) return status;
    vxqm::GetOptions options;
    status = readGmo(gmoView, options);
    if (status.failed()) return status;
    const int32_t known = LPIGO_SYNCPOINT | LPIGO_NO_SYNCPOINT | LPIGO_NO_WAIT;
    status = overrideSyncpoint(spi->Options, known, options.syncpoint);
    if (status.failed()) return status;
    if (options.syncpoint && options.browse != vxqm::Browse::None) {
      return Status::failure(VXRC_SPI_OPTIONS_ERROR);
    }
    if (spi->Options & LPIGO_NO_WAIT) options.wait = false;
    if (dataLength == nullptr) return Status::failure(VXRC_DATA_LENGTH_ERROR);
    vxqm::GetResult result;
    status = queueManager().get(hconn, hobj, descriptor, options, buffer, bufferLength, *dataLength,
                                result);
    if (!status.failed()) writeMd(descriptor, mdView);
    if (!status.failed() || status.reason == VXRC_TRUNCATED_MSG_FAILED) {
      writeGmo(result, gmoView);
      spi->MsgLength = result.msgLength;
      spi->ReturnedLength = result.returnedLength;
    }
    return status;
  });
}

void lpiSPISyncPoint(VXINT hconn, PVXVOID syncPointOptions, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    Status status = queueManager().privileged(hconn);
    if (status.failed()) return status;
    const LpiSyncPointOptions* spi = static_cast<const LpiSyncPointOptions*>(syncPointOptions);
    if (!validHeader(spi, LPISPO_STRUC_ID, LPI_CURRENT_VERSION)) {
      return Status::failure(VXRC_SPI_OPTIONS_ERROR);
    }
    if (spi->Options == LPISPO_COMMIT) return queueManager().commit(hconn);
    if (spi->Options == LPISPO_BACKOUT) return queueManager().backout(hconn);
    return Status::failure(VXRC_SPI_OPTIONS_ERROR);
  });
}

// No deferred messages and no notifications here: a good record is answered
// with VXRC_FUNCTION_NOT_SUPPORTED.
void lpiSPIActivateMessage(VXINT hconn, PVXVOID activation, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    Status status = queueManager().privileged(hconn);
    if (status.failed()) return status;
    if (!validHeader(static_cast<const LpiActivation*>(activation), LPIACT_STRUC_ID, LPI_CURRENT_VERSION)) {
      return Status::failure(VXRC_SPI_OPTIONS_ERROR);
    }
    return Status::failure(VXRC_FUNCTION_NOT_SUPPORTED);
  });
}

void lpiSPINotify(VXINT hconn, VXINT, PVXVOID details, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    Status status = queueManager().privileged(hconn);
    if (status.failed()) return status;
    if (!validHeader(static_cast<const LpiNotifyDetails*>(details), LPINTD_STRUC_ID, LPI_CURRENT_VERSION)) {
      return Status::failure(VXRC_SPI_OPTIONS_ERROR);
    }
    return Status::failure(VXRC_FUNCTION_NOT_SUPPORTED);
  });
}

}  // namespace vxrt
