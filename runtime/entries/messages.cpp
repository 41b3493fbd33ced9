// Put, put-one and get.
#include "entries/entries.h"
#include "entries/structures.h"

namespace vxrt {

using vxqm::Status;

namespace {

// The descriptor and put options that every put needs.
Status readPut(VXMD* md, VXPMO* pmo, vxqm::MessageDescriptor& descriptor, vxqm::PutOptions& options) {
  Status status = readMd(md, descriptor);
  return status.failed() ? status : readPmo(pmo, options);
}

void writePut(const vxqm::MessageDescriptor& descriptor, const vxqm::PutResult& result, VXMD* md,
              VXPMO* pmo) {
  writeMd(descriptor, md);
  writePmo(result, pmo);
}

}  // namespace

void VXPUT(VXINT hconn, VXINT hobj, PVXVOID md, PVXVOID pmo, VXINT bufferLength, PVXVOID buffer,
           PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    VXMD* mdView = static_cast<VXMD*>(md);
    VXPMO* pmoView = static_cast<VXPMO*>(pmo);
    vxqm::MessageDescriptor descriptor;
    vxqm::PutOptions options;
    Status status = readPut(mdView, pmoView, descriptor, options);
    if (status.failed()) return status;
    vxqm::PutResult result;
    status = queueManager().put(hconn, hobj, descriptor, options, buffer, bufferLength, result);
    if (!status.failed()) writePut(descriptor, result, mdView, pmoView);
    return status;
  });
}

void VXPUT1(VXINT hconn, PVXVOID od, PVXVOID md, PVXVOID pmo, VXINT bufferLength, PVXVOID buffer,
            PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    VXOD* odView = static_cast<VXOD*>(od);
    VXMD* mdView = static_cast<VXMD*>(md);
    VXPMO* pmoView = static_cast<VXPMO*>(pmo);
    vxqm::ObjectRequest object;
    Status status = readOd(odView, object);
    if (status.failed()) return status;
    vxqm::MessageDescriptor descriptor;
    vxqm::PutOptions options;
    status = readPut(mdView, pmoView, descriptor, options);
    if (status.failed()) return status;
    vxqm::PutResult result;
    status = queueManager().put1(hconn, object, descriptor, options, buffer, bufferLength, result);
    if (!status.failed()) {
      writePut(descriptor, result, mdView, pmoView);
      writeOd({object.name, result.resolvedQName, result.resolvedQMgrName, VXOT_QUEUE}, odView);
    }
    return status;
  });
}

// The descriptor is written only when a message was got; the lengths in the
// get options also when it did not fit, so that the caller can size a buffer.
void VXGET(VXINT hconn, VXINT hobj, PVXVOID md, PVXVOID gmo, VXINT bufferLength, PVXVOID buffer,
           PVXINT dataLength, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    VXMD* mdView = static_cast<VXMD*>(md);
    VXGMO* gmoView = static_cast<VXGMO*>(gmo);
    vxqm::MessageDescriptor descriptor;
    Status status = readMd(mdView, descriptor);
    if (status.failed()) return status;
    vxqm::GetOptions options;
    status = readGmo(gmoView, options);
    if (status.failed()) return status;
    if (dataLength == nullptr) return Status::failure(VXRC_DATA_LENGTH_ERROR);
    vxqm::GetResult result;
    status = queueManager().get(hconn, hobj, descriptor, options, buffer, bufferLength,
                                *dataLength, result);
    if (!status.failed()) writeMd(descriptor, mdView);
    if (!status.failed() || status.reason == VXRC_TRUNCATED_MSG_FAILED) writeGmo(result, gmoView);
    return status;
  });
}

}  // namespace vxrt
