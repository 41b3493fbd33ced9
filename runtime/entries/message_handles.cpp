// Message handles and properties: the handle calls, the property calls, and
// the conversions between properties and their buffer form.
#include "entries/entries.h"
#include "entries/strings.h"
#include "entries/structures.h"

namespace vxrt {

using vxqm::Status;

namespace {

// An options structure or property descriptor: null, or valid with only
// known options.
template <typename S>
Status checkOptions(const void* given, const char* strucId, int32_t version, int32_t known,
                    int32_t reason) {
  const S* options = static_cast<const S*>(given);
  if (options == nullptr) return Status::ok();
  if (!validHeader(options, strucId, version)) return Status::failure(reason);
  if ((options->Options & ~known) != 0) return Status::failure(VXRC_PROPERTY_OPTIONS_ERROR);
  return Status::ok();
}

int64_t handle(VXINT low, VXINT high) {
  return static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32) |
                              static_cast<uint32_t>(low));
}

// A property name or pattern: a VXCHARV with the bytes after it.
Status readName(const void* name, std::string& out) {
  if (name == nullptr) return Status::failure(VXRC_PROPERTY_NAME_ERROR);
  const VXCHARV* string = static_cast<const VXCHARV*>(name);
  return readString(string, VxStructure::PropertyName, *string, VX_MAX_PROPERTY_NAME_LENGTH + 1,
                    VXRC_PROPERTY_NAME_ERROR, out);
}

// A message descriptor, when one is given, and its format.
Status readFormat(const void* md, std::string& format) {
  if (md == nullptr) return Status::ok();
  const VXMD* descriptor = static_cast<const VXMD*>(md);
  if (!validHeader(descriptor, VXMD_STRUC_ID, VXMD_CURRENT_VERSION)) {
    return Status::failure(VXRC_MD_ERROR);
  }
  format.assign(descriptor->Format, sizeof descriptor->Format);
  return Status::ok();
}

void writeFormat(void* md, const std::string& format) {
  if (md != nullptr) putText(static_cast<VXMD*>(md)->Format, VX_FORMAT_LENGTH, format);
}

}  // namespace

void VXCRTMH(VXINT hconn, PVXVOID opts, int64_t* hmsg, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    Status status = checkOptions<VXCMHO>(opts, VXCMHO_STRUC_ID, VXCMHO_CURRENT_VERSION, VXCMHO_NONE,
                                         VXRC_CMHO_ERROR);
    if (status.failed()) return status;
    if (hmsg == nullptr) return Status::failure(VXRC_HMSG_ERROR);
    return queueManager().createMessageHandle(hconn, *hmsg);
  });
}

void VXDLTMH(VXINT hconn, int64_t* hmsg, PVXVOID opts, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    if (hmsg == nullptr) return Status::failure(VXRC_HMSG_ERROR);
    Status status = checkOptions<VXDMHO>(opts, VXDMHO_STRUC_ID, VXDMHO_CURRENT_VERSION, VXDMHO_NONE,
                                         VXRC_DMHO_ERROR);
    if (status.failed()) return status;
    return queueManager().deleteMessageHandle(hconn, *hmsg);
  });
}

void VXSETMP(VXINT hconn, VXINT hmsgLow, VXINT hmsgHigh, PVXVOID opts, PVXVOID name,
             PVXVOID propDesc, VXINT type, VXINT valueLength, PVXVOID value, PVXINT cc,
             PVXINT reason) {
  answer(cc, reason, [&] {
    Status status = checkOptions<VXSMPO>(opts, VXSMPO_STRUC_ID, VXSMPO_CURRENT_VERSION, VXSMPO_NONE,
                                         VXRC_SMPO_ERROR);
    if (status.failed()) return status;
    status = checkOptions<VXPD>(propDesc, VXPD_STRUC_ID, VXPD_CURRENT_VERSION, VXPD_NONE, VXRC_PD_ERROR);
    if (status.failed()) return status;
    std::string text;
    status = readName(name, text);
    if (status.failed()) return status;
    return queueManager().setProperty(hconn, handle(hmsgLow, hmsgHigh), text, type, value, valueLength);
  });
}

void VXINQMP(VXINT hconn, VXINT hmsgLow, VXINT hmsgHigh, PVXVOID opts, PVXVOID name,
             PVXVOID propDesc, PVXINT type, VXINT valueLength, PVXVOID value, PVXINT dataLength,
             PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    Status status = checkOptions<VXIMPO>(opts, VXIMPO_STRUC_ID, VXIMPO_CURRENT_VERSION,
                                         VXIMPO_INQ_NEXT, VXRC_IMPO_ERROR);
    if (status.failed()) return status;
    status = checkOptions<VXPD>(propDesc, VXPD_STRUC_ID, VXPD_CURRENT_VERSION, VXPD_NONE, VXRC_PD_ERROR);
    if (status.failed()) return status;
    if (type == nullptr) return Status::failure(VXRC_PROPERTY_TYPE_ERROR);
    if (dataLength == nullptr) return Status::failure(VXRC_DATA_LENGTH_ERROR);
    VXIMPO* options = static_cast<VXIMPO*>(opts);
    vxqm::PropertyInquiry inquiry;
    status = readName(name, inquiry.name);
    if (status.failed()) return status;
    inquiry.type = *type;
    inquiry.next = options != nullptr && (options->Options & VXIMPO_INQ_NEXT) != 0;
    inquiry.value = value;
    inquiry.valueLength = valueLength;
    vxqm::PropertyAnswer found;
    status = queueManager().inquireProperty(hconn, handle(hmsgLow, hmsgHigh), inquiry, found);
    if (status.failed()) return status;
    *type = found.type;
    *dataLength = found.length;
    if (options != nullptr) {
      std::memset(options->ReturnedName, 0, sizeof options->ReturnedName);
      std::memcpy(options->ReturnedName, found.name.data(), found.name.size());
      options->ReturnedNameLength = static_cast<int32_t>(found.name.size());
    }
    return status;
  });
}

void VXDLTMP(VXINT hconn, VXINT hmsgLow, VXINT hmsgHigh, PVXVOID opts, PVXVOID name, PVXINT cc,
             PVXINT reason) {
  answer(cc, reason, [&] {
    Status status = checkOptions<VXDMPO>(opts, VXDMPO_STRUC_ID, VXDMPO_CURRENT_VERSION, VXDMPO_NONE,
                                         VXRC_DMPO_ERROR);
    if (status.failed()) return status;
    std::string text;
    status = readName(name, text);
    if (status.failed()) return status;
    return queueManager().deleteProperty(hconn, handle(hmsgLow, hmsgHigh), text);
  });
}

void VXMHBUF(VXINT hconn, VXINT hmsgLow, VXINT hmsgHigh, PVXVOID opts, PVXVOID name, PVXVOID md,
             VXINT bufferLength, PVXVOID buffer, PVXINT dataLength, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    Status status = checkOptions<VXMHBO>(opts, VXMHBO_STRUC_ID, VXMHBO_CURRENT_VERSION, VXMHBO_NONE,
                                         VXRC_MHBO_ERROR);
    if (status.failed()) return status;
    std::string pattern;
    status = readName(name, pattern);
    if (status.failed()) return status;
    vxqm::PropertyBuffer block{buffer, bufferLength, VXFMT_NONE, false};
    status = readFormat(md, block.format);
    if (status.failed()) return status;
    if (dataLength == nullptr) return Status::failure(VXRC_DATA_LENGTH_ERROR);
    int32_t length = 0;
    int32_t count = 0;
    status = queueManager().propertiesToBuffer(hconn, handle(hmsgLow, hmsgHigh), pattern, block,
                                               length, count);
    VXMHBO* options = static_cast<VXMHBO*>(opts);
    if (options != nullptr && (!status.failed() || status.reason == VXRC_PROPERTIES_TOO_BIG)) {
      options->RequiredLength = length;
    }
    if (status.failed()) return status;
    *dataLength = length;
    if (options != nullptr) options->PropertyCount = count;
    writeFormat(md, VXFMT_PROPERTIES);
    return status;
  });
}

void VXBUFMH(VXINT hconn, VXINT hmsgLow, VXINT hmsgHigh, PVXVOID opts, PVXVOID md,
             VXINT bufferLength, PVXVOID buffer, PVXINT dataLength, PVXINT cc, PVXINT reason) {
  answer(cc, reason, [&] {
    Status status = checkOptions<VXBMHO>(opts, VXBMHO_STRUC_ID, VXBMHO_CURRENT_VERSION,
                                         VXBMHO_DELETE_PROPERTIES, VXRC_BMHO_ERROR);
    if (status.failed()) return status;
    VXBMHO* options = static_cast<VXBMHO*>(opts);
    vxqm::PropertyBuffer block{buffer, bufferLength, std::string(), false};
    block.remove = options != nullptr && (options->Options & VXBMHO_DELETE_PROPERTIES) != 0;
    status = readFormat(md, block.format);
    if (status.failed()) return status;
    if (dataLength == nullptr) return Status::failure(VXRC_DATA_LENGTH_ERROR);
    bool hadBlock = block.format.empty() || block.format == VXFMT_PROPERTIES;
    int32_t remaining = 0;
    int32_t count = 0;
    status = queueManager().bufferToProperties(hconn, handle(hmsgLow, hmsgHigh), block, remaining,
                                               count);
    if (status.failed()) return status;
    *dataLength = remaining;
    if (options != nullptr) options->PropertyCount = count;
    if (hadBlock && block.remove) writeFormat(md, block.format);
    return status;
  });
}

}  // namespace vxrt
