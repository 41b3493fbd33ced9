// The vector's queueing entries. Each checks what it is given (null
// addresses, structure identifiers, versions, option words), turns the
// structures into the queue manager's requests, and writes the results back.
// Nothing is written when the completion code or reason address is null.
#ifndef VXRT_ENTRIES_H
#define VXRT_ENTRIES_H

#include <new>

#include "qm/queue_manager.h"
#include "vx/vector.h"

namespace vxrt {

// The queue manager that the entries serve.
vxqm::QueueManager& queueManager();

// Runs one call and reports its outcome; the runtime's own failures (no
// memory, anything unexpected) become completion code 2.
template <typename Body>
void answer(PVXINT cc, PVXINT reason, Body&& body) {
  if (cc == nullptr || reason == nullptr) return;
  vxqm::Status status;
  try {
    status = body();
  } catch (const std::bad_alloc&) {
    status = vxqm::Status::failure(VXRC_STORAGE_NOT_AVAILABLE);
  } catch (...) {
    status = vxqm::Status::failure(VXRC_INTERNAL_ERROR);
  }
  *cc = status.cc;
  *reason = status.reason;
}

void VXBACK(VXINT hconn, PVXINT cc, PVXINT reason);
void VXBEGIN(VXINT hconn, PVXVOID bo, PVXINT cc, PVXINT reason);
void VXCB(VXINT hconn, VXINT operation, PVXVOID cbd, VXINT hobj, PVXVOID md, PVXVOID gmo,
          PVXINT cc, PVXINT reason);
void VXCLOSE(VXINT hconn, PVXINT hobj, VXINT options, PVXINT cc, PVXINT reason);
void VXCMIT(VXINT hconn, PVXINT cc, PVXINT reason);
void VXCONN(PVXVOID qmgrName, PVXINT hconn, PVXINT cc, PVXINT reason);
void VXCONNX(PVXVOID qmgrName, PVXVOID cno, PVXINT hconn, PVXINT cc, PVXINT reason);
void VXCTL(VXINT hconn, VXINT operation, PVXVOID ctlo, PVXINT cc, PVXINT reason);
void VXDISC(PVXINT hconn, PVXINT cc, PVXINT reason);
void VXGET(VXINT hconn, VXINT hobj, PVXVOID md, PVXVOID gmo, VXINT bufferLength, PVXVOID buffer,
           PVXINT dataLength, PVXINT cc, PVXINT reason);
void VXINQ(VXINT hconn, VXINT hobj, VXINT selectorCount, PVXVOID selectors, VXINT intAttrCount,
           PVXVOID intAttrs, VXINT charAttrLength, PVXVOID charAttrs, PVXINT cc, PVXINT reason);
void VXOPEN(VXINT hconn, PVXVOID od, VXINT options, PVXINT hobj, PVXINT cc, PVXINT reason);
void VXPUT(VXINT hconn, VXINT hobj, PVXVOID md, PVXVOID pmo, VXINT bufferLength, PVXVOID buffer,
           PVXINT cc, PVXINT reason);
void VXPUT1(VXINT hconn, PVXVOID od, PVXVOID md, PVXVOID pmo, VXINT bufferLength, PVXVOID buffer,
            PVXINT cc, PVXINT reason);
void VXSET(VXINT hconn, VXINT hobj, VXINT selectorCount, PVXVOID selectors, VXINT intAttrCount,
           PVXVOID intAttrs, VXINT charAttrLength, PVXVOID charAttrs, PVXINT cc, PVXINT reason);
void VXSUB(VXINT hconn, PVXVOID sd, PVXINT hobj, PVXINT hsub, PVXINT cc, PVXINT reason);
void VXSUBRQ(VXINT hconn, VXINT hsub, VXINT action, PVXVOID sro, PVXINT cc, PVXINT reason);
void VXSTAT(VXINT hconn, VXINT type, PVXVOID sts, PVXINT cc, PVXINT reason);
void VXCRTMH(VXINT hconn, PVXVOID opts, int64_t* hmsg, PVXINT cc, PVXINT reason);
void VXDLTMH(VXINT hconn, int64_t* hmsg, PVXVOID opts, PVXINT cc, PVXINT reason);
void VXSETMP(VXINT hconn, VXINT hmsgLow, VXINT hmsgHigh, PVXVOID opts, PVXVOID name,
             PVXVOID propDesc, VXINT type, VXINT valueLength, PVXVOID value, PVXINT cc,
             PVXINT reason);
void VXINQMP(VXINT hconn, VXINT hmsgLow, VXINT hmsgHigh, PVXVOID opts, PVXVOID name,
             PVXVOID propDesc, PVXINT type, VXINT valueLength, PVXVOID value, PVXINT dataLength,
             PVXINT cc, PVXINT reason);
void VXDLTMP(VXINT hconn, VXINT hmsgLow, VXINT hmsgHigh, PVXVOID opts, PVXVOID name, PVXINT cc,
             PVXINT reason);
void VXMHBUF(VXINT hconn, VXINT hmsgLow, VXINT hmsgHigh, PVXVOID opts, PVXVOID name, PVXVOID md,
             VXINT bufferLength, PVXVOID buffer, PVXINT dataLength, PVXINT cc, PVXINT reason);
void VXBUFMH(VXINT hconn, VXINT hmsgLow, VXINT hmsgHigh, PVXVOID opts, PVXVOID md,
             VXINT bufferLength, PVXVOID buffer, PVXINT dataLength, PVXINT cc, PVXINT reason);

// The entries above, as vxrt.cpp puts them into the vector.
#define VXRT_IMPLEMENTED_CALLS(X)                                                         \
  X(VXBACK) X(VXBEGIN) X(VXCB) X(VXCLOSE) X(VXCMIT) X(VXCONN) X(VXCONNX) X(VXCTL) X(VXDISC) \
  X(VXGET) X(VXINQ) X(VXOPEN) X(VXPUT) X(VXPUT1) X(VXSET) X(VXSUB) X(VXSUBRQ) X(VXSTAT)      \
  X(VXCRTMH) X(VXDLTMH) X(VXSETMP) X(VXINQMP) X(VXDLTMP) X(VXMHBUF) X(VXBUFMH)

// The XA entries: each answers with an XA return code (vx/xa.h); a null or
// null-format XID, or one whose lengths are out of range, gets XAER_INVAL.
namespace xa {
VXINT close(PVXVOID xaInfo, VXINT rmid, VXINT flags);
VXINT commit(PVXVOID xid, VXINT rmid, VXINT flags);
VXINT complete(PVXINT handle, PVXINT retval, VXINT rmid, VXINT flags);
VXINT end(PVXVOID xid, VXINT rmid, VXINT flags);
VXINT forget(PVXVOID xid, VXINT rmid, VXINT flags);
VXINT open(PVXVOID xaInfo, VXINT rmid, VXINT flags, VXINT code, VXINT zero1, VXINT zero2);
VXINT prepare(PVXVOID xid, VXINT rmid, VXINT flags);
VXINT recover(PVXVOID xids, VXINT count, VXINT rmid, VXINT flags);
VXINT rollback(PVXVOID xid, VXINT rmid, VXINT flags);
VXINT start(PVXVOID xid, VXINT rmid, VXINT flags, VXINT zero);
}  // namespace xa

}  // namespace vxrt

#endif
