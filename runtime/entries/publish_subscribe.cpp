// Subscribe, subscription request and status.
#include "entries/entries.h"
#include "entries/strings.h"
#include "entries/structures.h"

namespace vxrt {

using vxqm::Status;

Status readSubscription(const VXSD* descriptor, vxqm::SubscribeRequest& request) {
  request.options = descriptor->Options;
  Status status;
  if ((request.options & VXSO_CREATE) != 0) {
    status = readString(descriptor, VxStructure::SD, descriptor->ObjectString, VX_MAX_TOPIC_STRING_LENGTH,
                        VXRC_TOPIC_STRING_ERROR, request.topic);
    if (status.failed()) return status;
  }
  status = readString(descriptor, VxStructure::SD, descriptor->SubName, VX_MAX_SUB_NAME_LENGTH,
                      VXRC_SUB_NAME_ERROR, request.name);
  if (status.failed()) return status;
  std::memcpy(request.correlId.data(), descriptor->SubCorrelId, sizeof descriptor->SubCorrelId);
  return status;
}

void writeSubscription(const vxqm::SubscribeResult& result, VXSD* descriptor) {
  std::memcpy(descriptor->SubCorrelId, result.correlId.data(), sizeof descriptor->SubCorrelId);
  putText(descriptor->ResolvedQName, sizeof descriptor->ResolvedQName, result.destination);
}

void VXSUB(VXINT hconn, PVXVOID sd, PVXINT hobj, PVXINT hsub, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    VXSD* descriptor = static_cast<VXSD*>(sd);
    if (!validHeader(descriptor, VXSD_STRUC_ID, VXSD_CURRENT_VERSION)) {
      return Status::failure(VXRC_SD_ERROR);
    }
    if (hobj == nullptr) return Status::failure(VXRC_HOBJ_ERROR);
    if (hsub == nullptr) return Status::failure(VXRC_HSUB_ERROR);
    vxqm::SubscribeRequest request;
    Status status = readSubscription(descriptor, request);
    if (status.failed()) return status;
    int32_t object = *hobj;
    int32_t subscription = 0;
    vxqm::SubscribeResult result;
    status = queueManager().subscribe(hconn, request, object, subscription, result);
    if (status.failed()) return status;
    *hobj = object;
    *hsub = subscription;
    writeSubscription(result, descriptor);
    return status;
  });
}

void VXSUBRQ(VXINT hconn, VXINT hsub, VXINT action, PVXVOID sro, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    VXSRO* options = static_cast<VXSRO*>(sro);
    if (options != nullptr && (!validHeader(options, VXSRO_STRUC_ID, VXSRO_CURRENT_VERSION) ||
                               options->Options != VXSRO_NONE)) {
      return Status::failure(VXRC_SRO_ERROR);
    }
    int32_t count = 0;
    Status status = queueManager().requestPublications(hconn, hsub, action, count);
    if (!status.failed() && options != nullptr) options->NumPubs = count;
    return status;
  });
}

void VXSTAT(VXINT hconn, VXINT type, PVXVOID sts, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    VXSTS* out = static_cast<VXSTS*>(sts);
    if (!validHeader(out, VXSTS_STRUC_ID, VXSTS_CURRENT_VERSION)) return Status::failure(VXRC_STS_ERROR);
    if (type != VXSTAT_PUTS) return Status::failure(VXRC_STATUS_TYPE_ERROR);
    vxqm::PutStatus puts;
    Status status = queueManager().putStatus(hconn, puts);
    if (status.failed()) return status;
    out->CompCode = puts.compCode;
    out->Reason = puts.reason;
    out->PutSuccessCount = puts.successes;
    out->PutWarningCount = puts.warnings;
    out->PutFailureCount = puts.failures;
    out->PublicationCount = puts.publications;
    out->DeliveryCount = puts.deliveries;
    out->DeliveryFailureCount = puts.deliveryFailures;
    out->ObjectType = puts.objectType;
    putText(out->ObjectName, sizeof out->ObjectName, puts.objectName);
    return status;
  });
}

}  // namespace vxrt
