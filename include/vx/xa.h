// The XA interface between a transaction manager and the queue manager as a
// resource manager: flags, return codes and limits, with the XA standard's
// names and values. The XID itself is declared in vx/structs.h.
//
// The Java side mirrors these lists in com.orvane.vx.taly.structs.Xa, name for
// name; they agree with javax.transaction.xa.XAResource and XAException.
#ifndef VX_XA_H
#define VX_XA_H

#include <cstdint>

// Limits of an XID and of an open string.
constexpr int32_t XIDDATASIZE = 128;   // bytes of gtrid and bqual together
constexpr int32_t MAXGTRIDSIZE = 64;   // global transaction identifier, 1 to 64 bytes
constexpr int32_t MAXBQUALSIZE = 64;   // branch qualifier, 0 to 64 bytes
constexpr int32_t MAXINFOSIZE = 256;   // open string, its terminating NUL included
constexpr int32_t NULLXID_FORMAT_ID = -1;  // the format identifier of the null XID

// X(name, value, meaning)
#define VX_XA_FLAGS(X)                                                                  \
  X(TMNOFLAGS, 0x00000000, "no flags")                                                  \
  X(TMREGISTER, 0x00000001, "the resource manager registers dynamically (not used)")    \
  X(TMNOMIGRATE, 0x00000002, "the resource manager does not migrate (not used)")        \
  X(TMUSEASYNC, 0x00000004, "the resource manager supports asynchrony (not used)")      \
  X(TMMIGRATE, 0x00100000, "the association may migrate (not supported)")              \
  X(TMJOIN, 0x00200000, "start: join a branch already started")                        \
  X(TMMULTIPLE, 0x00400000, "complete: wait for any operation (not used)")             \
  X(TMENDRSCAN, 0x00800000, "recover: end the recovery scan")                          \
  X(TMSTARTRSCAN, 0x01000000, "recover: start a recovery scan")                        \
  X(TMSUSPEND, 0x02000000, "end: suspend the association")                             \
  X(TMSUCCESS, 0x04000000, "end: the work of the association succeeded")              \
  X(TMRESUME, 0x08000000, "start: resume a suspended association")                     \
  X(TMNOWAIT, 0x10000000, "do not wait (accepted; no call of this runtime blocks)")    \
  X(TMFAIL, 0x20000000, "end: the work failed; the branch may only roll back")         \
  X(TMONEPHASE, 0x40000000, "commit: in one phase, without a prepare")                 \
  X(TMASYNC, INT32_MIN, "asynchronous call (not supported)")

// X(name, value, meaning)
#define VX_XA_CODES(X)                                                                  \
  X(XA_OK, 0, "the call succeeded")                                                     \
  X(XA_RDONLY, 3, "prepare: the branch did no work and has been forgotten")             \
  X(XA_RETRY, 4, "the call may be made again (not returned)")                           \
  X(XA_HEURMIX, 5, "heuristically committed in part (not returned)")                   \
  X(XA_HEURRB, 6, "heuristically rolled back (not returned)")                           \
  X(XA_HEURCOM, 7, "heuristically committed (not returned)")                            \
  X(XA_HEURHAZ, 8, "possibly heuristically completed (not returned)")                  \
  X(XA_NOMIGRATE, 9, "the association cannot migrate (not returned)")                  \
  X(XA_RBROLLBACK, 100, "the branch was marked rollback-only and has been rolled back") \
  X(XA_RBCOMMFAIL, 101, "rolled back: communication failure (not returned)")           \
  X(XA_RBDEADLOCK, 102, "rolled back: deadlock (not returned)")                        \
  X(XA_RBINTEGRITY, 103, "rolled back: integrity (not returned)")                      \
  X(XA_RBOTHER, 104, "rolled back: other reason (not returned)")                       \
  X(XA_RBPROTO, 105, "rolled back: protocol error (not returned)")                     \
  X(XA_RBTIMEOUT, 106, "rolled back: timeout (not returned)")                          \
  X(XA_RBTRANSIENT, 107, "rolled back: transient (not returned)")                      \
  X(XAER_ASYNC, -2, "an asynchronous operation is outstanding (not returned)")         \
  X(XAER_RMERR, -3, "the resource manager failed, or the library refused the call")     \
  X(XAER_NOTA, -4, "the XID names no branch this resource manager knows")              \
  X(XAER_INVAL, -5, "invalid arguments: a flag, an XID, an open string, a count")      \
  X(XAER_PROTO, -6, "the call is not allowed in the branch's or the rmid's state")     \
  X(XAER_RMFAIL, -7, "the resource manager is unavailable (not returned)")             \
  X(XAER_DUPID, -8, "start without join of an XID that is already known")             \
  X(XAER_OUTSIDE, -9, "the connection has a unit of work of its own in progress")

#define VX_XA_CONSTANT(name, value, meaning) constexpr int32_t name = value;
VX_XA_FLAGS(VX_XA_CONSTANT)
VX_XA_CODES(VX_XA_CONSTANT)
#undef VX_XA_CONSTANT

// The fourth argument of the runtime's open entry: 7 from the resource's own
// open, 448 from a transaction manager's. This runtime treats both alike and
// refuses any other value with XAER_INVAL.
constexpr int32_t VXXA_OPEN_CODE_RESOURCE = 7;
constexpr int32_t VXXA_OPEN_CODE_TM = 448;

#endif
