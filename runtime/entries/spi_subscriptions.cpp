// The private subscription calls: the named-subscriber inquiry, and
// subscribe, subscription request and unsubscribe with the private
// descriptors as extra controls. Privileged connections only.
#include <cstring>

#include "entries/entries.h"
#include "entries/spi_entries.h"
#include "entries/strings.h"
#include "entries/structures.h"
#include "vx/spi.h"

namespace vxrt {

using vxqm::Status;

namespace {

// Names, each followed by a NUL, as many whole ones as fit in length bytes.
int32_t writeNames(const std::vector<std::string>& names, char* buffer, int32_t length, bool& all) {
  int32_t used = 0;
  all = true;
  for (const std::string& name : names) {
    if (buffer == nullptr || static_cast<int64_t>(length) - used < static_cast<int64_t>(name.size()) + 1) {
      all = false;
      break;
    }
    std::memcpy(buffer + used, name.data(), name.size());
    buffer[used + static_cast<int32_t>(name.size())] = '\0';
    used += static_cast<int32_t>(name.size()) + 1;
  }
  return used;
}

}  // namespace

// nameLength bytes of the name buffer hold the topic string or name; the
// in/out value gives the identifier buffer's length on entry and the number
// found on return, the output value how many of them are in use. Neither is
// written after a failure.
void lpiSPIInquireNamedSubscribers(VXINT hconn, PVXVOID callOptions, PVXVOID subName, VXINT nameLength,
                                   PVXVOID subIds, PVXINT inOut, PVXINT out, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    LpiNamedSubscriberOptions* options = static_cast<LpiNamedSubscriberOptions*>(callOptions);
    if (!validHeader(options, LPINSO_STRUC_ID, LPI_CURRENT_VERSION) ||
        (options->Options != LPINSO_BY_TOPIC && options->Options != LPINSO_BY_NAME) ||
        inOut == nullptr || out == nullptr || *inOut < 0) {
      return Status::failure(VXRC_SPI_OPTIONS_ERROR);
    }
    bool byTopic = options->Options == LPINSO_BY_TOPIC;
    int32_t limit = byTopic ? VX_MAX_TOPIC_STRING_LENGTH : VX_MAX_SUB_NAME_LENGTH;
    if (subName == nullptr || nameLength <= 0 || nameLength > limit) {
      return Status::failure(byTopic ? VXRC_TOPIC_STRING_ERROR : VXRC_SUB_NAME_ERROR);
    }
    std::string text(static_cast<const char*>(subName), static_cast<size_t>(nameLength));
    vxqm::NamedSubscribers found;
    Status status = queueManager().inquireNamedSubscribers(hconn, byTopic, text, found);
    if (status.failed()) return status;
    bool all = true;
    options->ReturnedLength = writeNames(found.names, static_cast<char*>(subIds), *inOut, all);
    *inOut = static_cast<int32_t>(found.names.size());
    *out = found.inUse;
    return all ? status : Status::warning(VXRC_SUBSCRIBER_LIST_TRUNCATED);
  });
}

// The VXSD is read and written as by VXSUB.
void lpiSPISubscribe(VXINT hconn, PVXVOID lpiSD, PVXVOID sd, PVXINT hobj, PVXINT hsub, PVXINT cc,
                     PVXINT reason) {
  answer(cc, reason, [&] {
    LpiSubscribeDescriptor* spi = static_cast<LpiSubscribeDescriptor*>(lpiSD);
    if (!validHeader(spi, LPISD_STRUC_ID, LPI_CURRENT_VERSION) ||
        (spi->Options & ~LPISO_RETAINED_AT_RESUME) != 0) {
      return Status::failure(VXRC_SPI_OPTIONS_ERROR);
    }
    VXSD* descriptor = static_cast<VXSD*>(sd);
    if (!validHeader(descriptor, VXSD_STRUC_ID, VXSD_CURRENT_VERSION)) return Status::failure(VXRC_SD_ERROR);
    if (hobj == nullptr) return Status::failure(VXRC_HOBJ_ERROR);
    if (hsub == nullptr) return Status::failure(VXRC_HSUB_ERROR);
    vxqm::SubscribeRequest request;
    Status status = readSubscription(descriptor, request);
    if (status.failed()) return status;
    request.privateCall = true;
    request.retainedAtResume = (spi->Options & LPISO_RETAINED_AT_RESUME) != 0;
    int32_t object = *hobj;
    int32_t subscription = 0;
    vxqm::SubscribeResult result;
    status = queueManager().subscribe(hconn, request, object, subscription, result);
    if (status.failed()) return status;
    *hobj = object;
    *hsub = subscription;
    writeSubscription(result, descriptor);
    spi->RetainedCount = result.retained;
    return status;
  });
}

void lpiSPISubscriptionRequest(VXINT hconn, VXINT hsub, VXINT action, PVXVOID lpisrd, PVXVOID sro,
                               PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    LpiSubscriptionRequestDescriptor* spi = static_cast<LpiSubscriptionRequestDescriptor*>(lpisrd);
    if (!validHeader(spi, LPISRD_STRUC_ID, LPI_CURRENT_VERSION) || spi->Options != LPISRD_NONE) {
      return Status::failure(VXRC_SPI_OPTIONS_ERROR);
    }
    VXSRO* options = static_cast<VXSRO*>(sro);
    if (options != nullptr && (!validHeader(options, VXSRO_STRUC_ID, VXSRO_CURRENT_VERSION) ||
                               options->Options != VXSRO_NONE)) {
      return Status::failure(VXRC_SRO_ERROR);
    }
    int32_t count = 0;
    int32_t matched = 0;
    Status status = queueManager().requestPublications(hconn, hsub, action, count, &matched, true);
    if (status.failed()) return status;
    spi->Matched = matched;
    if (options != nullptr) options->NumPubs = count;
    return status;
  });
}

void lpiSPIUnsubscribe(VXINT hconn, PVXVOID lpiUSD, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    LpiUnsubscribeDescriptor* spi = static_cast<LpiUnsubscribeDescriptor*>(lpiUSD);
    if (!validHeader(spi, LPIUSD_STRUC_ID, LPI_CURRENT_VERSION) ||
        (spi->Options != LPIUS_BY_HANDLE && spi->Options != LPIUS_BY_NAME)) {
      return Status::failure(VXRC_SPI_OPTIONS_ERROR);
    }
    bool byName = spi->Options == LPIUS_BY_NAME;
    std::string name;
    if (byName) {
      if (spi->SubNameLength <= 0 || spi->SubNameLength > VX_MAX_SUB_NAME_LENGTH) {
        return Status::failure(VXRC_SUB_NAME_ERROR);
      }
      name.assign(spi->SubName, static_cast<size_t>(spi->SubNameLength));
    }
    return queueManager().unsubscribe(hconn, byName, spi->Hsub, name);
  });
}

}  // namespace vxrt
