#include "entries/structures.h"

#include <algorithm>

#include "entries/strings.h"

namespace vxrt {

using vxqm::Status;

namespace {

template <size_t N>
std::string text(const char (&field)[N]) {
  return vxqm::fieldText(field, N);
}

// A member of a structure, read whole; assigned to a FixedText, it is
// written in place.
template <size_t N>
std::string_view view(const char (&field)[N]) {
  return vxqm::wholeFieldView(field, N);
}

template <size_t N>
void put(char (&field)[N], std::string_view value) {
  putText(field, N, value);
}

bool only(int32_t options, int32_t known) { return (options & ~known) == 0; }

}  // namespace

void putText(char* field, size_t length, std::string_view text) {
  std::memset(field, ' ', length);
  std::memcpy(field, text.data(), std::min(length, text.size()));
}

Status readMd(const VXMD* md, vxqm::MessageDescriptor& out) {
  if (!validHeader(md, VXMD_STRUC_ID, VXMD_CURRENT_VERSION)) return Status::failure(VXRC_MD_ERROR);
  out.msgType = md->MsgType;
  out.priority = md->Priority;
  out.persistence = md->Persistence;
  out.expiry = md->Expiry;
  out.encoding = md->Encoding;
  out.codedCharSetId = md->CodedCharSetId;
  out.format = view(md->Format);
  std::memcpy(out.msgId.data(), md->MsgId, sizeof md->MsgId);
  std::memcpy(out.correlId.data(), md->CorrelId, sizeof md->CorrelId);
  out.backoutCount = md->BackoutCount;
  out.replyToQ = view(md->ReplyToQ);
  out.replyToQMgr = view(md->ReplyToQMgr);
  out.userIdentifier = view(md->UserIdentifier);
  return Status::ok();
}

void writeMd(const vxqm::MessageDescriptor& in, VXMD* md) {
  md->MsgType = in.msgType;
  md->Priority = in.priority;
  md->Persistence = in.persistence;
  md->Expiry = in.expiry;
  md->Encoding = in.encoding;
  md->CodedCharSetId = in.codedCharSetId;
  put(md->Format, in.format);
  std::memcpy(md->MsgId, in.msgId.data(), sizeof md->MsgId);
  std::memcpy(md->CorrelId, in.correlId.data(), sizeof md->CorrelId);
  md->BackoutCount = in.backoutCount;
  put(md->ReplyToQ, in.replyToQ);
  put(md->ReplyToQMgr, in.replyToQMgr);
  put(md->UserIdentifier, in.userIdentifier);
  put(md->PutDate, in.putDate);
  put(md->PutTime, in.putTime);
}

Status readGmo(const VXGMO* gmo, vxqm::GetOptions& out) {
  if (!validHeader(gmo, VXGMO_STRUC_ID, VXGMO_CURRENT_VERSION)) {
    return Status::failure(VXRC_GMO_ERROR);
  }
  int32_t o = gmo->Options;
  constexpr int32_t known = VXGMO_SYNCPOINT | VXGMO_NO_SYNCPOINT | VXGMO_WAIT |
                            VXGMO_ACCEPT_TRUNCATED | VXGMO_BROWSE_FIRST | VXGMO_BROWSE_NEXT;
  bool syncpoint = o & VXGMO_SYNCPOINT;
  bool first = o & VXGMO_BROWSE_FIRST;
  bool next = o & VXGMO_BROWSE_NEXT;
  if (!only(o, known) || (syncpoint && (o & VXGMO_NO_SYNCPOINT)) || (first && next) ||
      (syncpoint && (first || next))) {
    return Status::failure(VXRC_GET_OPTIONS_ERROR);
  }
  if (!only(gmo->MatchOptions, VXMO_MATCH_MSG_ID | VXMO_MATCH_CORREL_ID)) {
    return Status::failure(VXRC_MATCH_OPTIONS_ERROR);
  }
  out.msgHandle = gmo->MsgHandle;
  out.wait = o & VXGMO_WAIT;
  if (out.wait && gmo->WaitInterval < VXWI_UNLIMITED) return Status::failure(VXRC_WAIT_INTERVAL_ERROR);
  out.waitInterval = gmo->WaitInterval;
  out.syncpoint = syncpoint;
  out.acceptTruncated = o & VXGMO_ACCEPT_TRUNCATED;
  out.browse = first ? vxqm::Browse::First : next ? vxqm::Browse::Next : vxqm::Browse::None;
  out.matchMsgId = gmo->MatchOptions & VXMO_MATCH_MSG_ID;
  out.matchCorrelId = gmo->MatchOptions & VXMO_MATCH_CORREL_ID;
  return Status::ok();
}

void writeGmo(const vxqm::GetResult& in, VXGMO* gmo) {
  gmo->MsgLength = in.msgLength;
  gmo->ReturnedLength = in.returnedLength;
  std::memcpy(gmo->FoundMsgId, in.msgId.data(), sizeof gmo->FoundMsgId);
  put(gmo->ResolvedQName, in.resolvedQName);
}

Status readPmo(const VXPMO* pmo, vxqm::PutOptions& out) {
  if (!validHeader(pmo, VXPMO_STRUC_ID, VXPMO_CURRENT_VERSION)) {
    return Status::failure(VXRC_PMO_ERROR);
  }
  int32_t o = pmo->Options;
  constexpr int32_t known = VXPMO_SYNCPOINT | VXPMO_NO_SYNCPOINT | VXPMO_NEW_MSG_ID |
                            VXPMO_NEW_CORREL_ID | VXPMO_RETAIN;
  if (!only(o, known) || ((o & VXPMO_SYNCPOINT) && (o & VXPMO_NO_SYNCPOINT))) {
    return Status::failure(VXRC_PUT_OPTIONS_ERROR);
  }
  out.syncpoint = o & VXPMO_SYNCPOINT;
  out.newMsgId = o & VXPMO_NEW_MSG_ID;
  out.newCorrelId = o & VXPMO_NEW_CORREL_ID;
  out.retain = o & VXPMO_RETAIN;
  out.msgHandle = pmo->MsgHandle;
  return Status::ok();
}

void writePmo(const vxqm::PutResult& in, VXPMO* pmo) {
  put(pmo->ResolvedQName, in.resolvedQName);
  put(pmo->ResolvedQMgrName, in.resolvedQMgrName);
}

Status readOd(const VXOD* od, vxqm::ObjectRequest& out) {
  if (!validHeader(od, VXOD_STRUC_ID, VXOD_CURRENT_VERSION) || od->RecsPresent != 0) {
    return Status::failure(VXRC_OD_ERROR);
  }
  out.type = od->ObjectType;
  out.name = text(od->ObjectName);
  out.qmgrName = text(od->ObjectQMgrName);
  out.dynamicName = text(od->DynamicQName);
  if (out.type != VXOT_TOPIC) return Status::ok();
  return readString(od, VxStructure::OD, od->ObjectString, VX_MAX_TOPIC_STRING_LENGTH,
                    VXRC_TOPIC_STRING_ERROR, out.topicString);
}

void writeOd(const vxqm::ObjectResolution& in, VXOD* od) {
  put(od->ObjectName, in.objectName);
  put(od->ResolvedQName, in.resolvedQName);
  put(od->ResolvedQMgrName, in.resolvedQMgrName);
  od->ResolvedType = in.resolvedType;
  if (in.resolvedType == VXOT_TOPIC) writeString(od, VxStructure::OD, od->ResObjectString, in.topicString);
}

Status readOpenOptions(int32_t options, vxqm::OpenOptions& out) {
  constexpr int32_t known = VXOO_INPUT_SHARED | VXOO_INPUT_EXCLUSIVE | VXOO_BROWSE | VXOO_OUTPUT |
                            VXOO_INQUIRE | VXOO_SET;
  bool shared = options & VXOO_INPUT_SHARED;
  bool exclusive = options & VXOO_INPUT_EXCLUSIVE;
  if (!only(options, known) || (options & known) == 0 || (shared && exclusive)) {
    return Status::failure(VXRC_OPEN_OPTIONS_ERROR);
  }
  out.inputShared = shared;
  out.inputExclusive = exclusive;
  out.browse = options & VXOO_BROWSE;
  out.output = options & VXOO_OUTPUT;
  out.inquire = options & VXOO_INQUIRE;
  out.set = options & VXOO_SET;
  return Status::ok();
}

namespace {

// A user identifier or password: its offset and length within the VXCSP.
bool credentialField(const VXCSP* csp, int32_t offset, int32_t length, int32_t maxLength,
                     std::string& out) {
  if (length < 0 || length > maxLength) return false;
  if (length == 0) return true;
  if (offset < vxStructureLength(VxStructure::CSP) || offset > VXCNO_MAX_SECURITY_PARMS_OFFSET) {
    return false;
  }
  out.assign(reinterpret_cast<const char*>(csp) + offset, static_cast<size_t>(length));
  return true;
}

}  // namespace

Status readCno(const VXCNO* cno, vxqm::ConnectRequest& out) {
  if (!validHeader(cno, VXCNO_STRUC_ID, VXCNO_CURRENT_VERSION)) {
    return Status::failure(VXRC_CNO_ERROR);
  }
  if (cno->Options != VXCNO_NONE) return Status::failure(VXRC_CONNECT_OPTIONS_ERROR);
  out.applName = text(cno->ApplName);
  if (cno->Version < VXCNO_VERSION_WITH_SECURITY || cno->SecurityParmsOffset == 0) {
    return Status::ok();
  }
  int32_t offset = cno->SecurityParmsOffset;
  if (offset < vxStructureLength(VxStructure::CNO) || offset > VXCNO_MAX_SECURITY_PARMS_OFFSET ||
      offset % 4 != 0) {
    return Status::failure(VXRC_CSP_ERROR);
  }
  const VXCSP* csp = reinterpret_cast<const VXCSP*>(reinterpret_cast<const char*>(cno) + offset);
  if (!validHeader(csp, VXCSP_STRUC_ID, VXCSP_CURRENT_VERSION)) {
    return Status::failure(VXRC_CSP_ERROR);
  }
  if (csp->AuthenticationType == VXCSP_AUTH_NONE) return Status::ok();
  vxqm::Credentials credentials;
  if (csp->AuthenticationType != VXCSP_AUTH_USER_PASSWORD ||
      !credentialField(csp, csp->UserIdOffset, csp->UserIdLength, VXCSP_MAX_USER_ID_LENGTH,
                       credentials.user) ||
      !credentialField(csp, csp->PasswordOffset, csp->PasswordLength, VXCSP_MAX_PASSWORD_LENGTH,
                       credentials.password)) {
    return Status::failure(VXRC_CSP_ERROR);
  }
  out.credentials = std::move(credentials);
  return Status::ok();
}

std::string qmgrName(const void* name) {
  return vxqm::fieldText(static_cast<const char*>(name), VX_NAME_LENGTH);
}

}  // namespace vxrt
