// The XA entries: they read the open string and the XIDs, call the queue
// manager, and write the XIDs that a recovery scan finds.
#include <cstring>
#include <string>
#include <vector>

#include "entries/entries.h"
#include "vx/structs.h"
#include "vx/xa.h"

namespace vxrt {
namespace xa {

namespace {

// Runs one call; the runtime's own failures become XAER_RMERR.
template <typename Body>
VXINT answerXa(Body&& body) {
  try {
    return body();
  } catch (...) {
    return XAER_RMERR;
  }
}

bool readXid(const void* address, vxqm::Xid& out) {
  if (address == nullptr) return false;
  XID xid;
  std::memcpy(&xid, address, sizeof xid);
  if (xid.formatID == NULLXID_FORMAT_ID) return false;
  if (xid.gtrid_length < 1 || xid.gtrid_length > MAXGTRIDSIZE) return false;
  if (xid.bqual_length < 0 || xid.bqual_length > MAXBQUALSIZE) return false;
  out.formatId = xid.formatID;
  out.gtrid.assign(xid.data, static_cast<size_t>(xid.gtrid_length));
  out.bqual.assign(xid.data + xid.gtrid_length, static_cast<size_t>(xid.bqual_length));
  return true;
}

void writeXid(const vxqm::Xid& in, void* address) {
  XID xid;
  std::memset(&xid, 0, sizeof xid);
  xid.formatID = static_cast<long>(in.formatId);
  xid.gtrid_length = static_cast<long>(in.gtrid.size());
  xid.bqual_length = static_cast<long>(in.bqual.size());
  std::memcpy(xid.data, in.gtrid.data(), in.gtrid.size());
  std::memcpy(xid.data + in.gtrid.size(), in.bqual.data(), in.bqual.size());
  std::memcpy(address, &xid, sizeof xid);
}

// Calls the queue manager with the XID, or refuses one that is not valid.
template <typename Call>
VXINT onXid(PVXVOID address, Call call) {
  return answerXa([&] {
    vxqm::Xid xid;
    return readXid(address, xid) ? call(xid) : XAER_INVAL;
  });
}

bool blank(char c) { return c == ' ' || c == '\t' || c == ','; }

// The open string: up to its NUL, at most MAXINFOSIZE bytes with the NUL,
// items separated by blanks or commas. The one item is qmgr=NAME; an empty
// string, or one without qmgr, opens this queue manager.
bool readOpenString(const char* info, std::string& qmgrName) {
  if (info == nullptr) return false;
  size_t length = 0;
  while (length < static_cast<size_t>(MAXINFOSIZE) && info[length] != '\0') ++length;
  if (length == static_cast<size_t>(MAXINFOSIZE)) return false;
  std::string text(info, length);
  bool named = false;
  size_t at = 0;
  for (;;) {
    while (at < text.size() && blank(text[at])) ++at;
    if (at == text.size()) return true;
    size_t end = at;
    while (end < text.size() && !blank(text[end])) ++end;
    std::string item = text.substr(at, end - at);
    at = end;
    size_t equals = item.find('=');
    if (equals == std::string::npos || item.substr(0, equals) != "qmgr" || named) return false;
    qmgrName = item.substr(equals + 1);
    if (qmgrName.empty()) return false;
    named = true;
  }
}

}  // namespace

VXINT open(PVXVOID info, VXINT rmid, VXINT flags, VXINT code, VXINT, VXINT) {
  return answerXa([&] {
    std::string qmgrName;
    if (code != VXXA_OPEN_CODE_RESOURCE && code != VXXA_OPEN_CODE_TM) return XAER_INVAL;
    if (!readOpenString(static_cast<const char*>(info), qmgrName)) return XAER_INVAL;
    return queueManager().xaOpen(qmgrName, rmid, flags);
  });
}

// The close string says nothing this runtime needs: it is not read.
VXINT close(PVXVOID, VXINT rmid, VXINT flags) {
  return answerXa([&] { return queueManager().xaClose(rmid, flags); });
}

VXINT start(PVXVOID xid, VXINT rmid, VXINT flags, VXINT) {
  return onXid(xid, [&](const vxqm::Xid& x) { return queueManager().xaStart(x, rmid, flags); });
}

VXINT end(PVXVOID xid, VXINT rmid, VXINT flags) {
  return onXid(xid, [&](const vxqm::Xid& x) { return queueManager().xaEnd(x, rmid, flags); });
}

VXINT prepare(PVXVOID xid, VXINT rmid, VXINT flags) {
  return onXid(xid, [&](const vxqm::Xid& x) { return queueManager().xaPrepare(x, rmid, flags); });
}

VXINT commit(PVXVOID xid, VXINT rmid, VXINT flags) {
  return onXid(xid, [&](const vxqm::Xid& x) { return queueManager().xaCommit(x, rmid, flags); });
}

VXINT rollback(PVXVOID xid, VXINT rmid, VXINT flags) {
  return onXid(xid, [&](const vxqm::Xid& x) { return queueManager().xaRollback(x, rmid, flags); });
}

VXINT forget(PVXVOID xid, VXINT rmid, VXINT flags) {
  return onXid(xid, [&](const vxqm::Xid& x) { return queueManager().xaForget(x, rmid, flags); });
}

// The XIDs found fill the array from its start; the rest is not touched.
VXINT recover(PVXVOID xids, VXINT count, VXINT rmid, VXINT flags) {
  return answerXa([&] {
    if (xids == nullptr && count > 0) return XAER_INVAL;
    std::vector<vxqm::Xid> found;
    VXINT rc = queueManager().xaRecover(found, count, rmid, flags);
    char* out = static_cast<char*>(xids);
    for (const vxqm::Xid& xid : found) {
      writeXid(xid, out);
      out += sizeof(XID);
    }
    return rc;
  });
}

VXINT complete(PVXINT handle, PVXINT retval, VXINT rmid, VXINT flags) {
  return answerXa([&] {
    if (handle == nullptr || retval == nullptr) return XAER_INVAL;
    return queueManager().xaComplete(rmid, flags);
  });
}

}  // namespace xa
}  // namespace vxrt
