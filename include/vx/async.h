// Asynchronous consumption: the values of the callback descriptor (VXCBD)
// and the callback context (VXCBC), both declared in vx/structs.h because
// they hold pointers, the operations of VXCB and VXCTL, and the control
// options (VXCTLO).
//
// VXCB registers a callback for a connection: a message consumer on an open
// object handle, or the connection's event handler. VXCTL starts, stops,
// suspends and resumes the connection's consumers. A started connection has
// a dispatcher thread of the queue manager that gets messages for its
// consumers and calls each callback function as
//   function(hconn, VXMD*, VXGMO*, data, VXCBC*)
// never on the thread of a caller.
#ifndef VX_ASYNC_H
#define VX_ASYNC_H

#include <cstddef>
#include <cstdint>

#include "vx/structs.h"

// VXCBD, callback descriptor: structure table index 22, version 1; 156 bytes
// on 32 bits (sizeof(VXCBD) on the build).
//   StrucId           "CBD "
//   Version           1
//   CallbackType      VXCBT_*
//   Options           VXCBDO_NONE; no options are defined yet
//   CallbackArea      handed back unchanged in VXCBC.CallbackArea of every call
//   CallbackFunction  the function called; not null
//   CallbackName      not used
//   MaxMsgLength      the longest message the function takes whole, in bytes,
//                     or VXCBD_FULL_MSG_LENGTH; a longer message is removed
//                     truncated with VXGMO_ACCEPT_TRUNCATED, else left on the
//                     queue and reported (VXCBCT_MSG_NOT_REMOVED, 3403)
// Only REGISTER needs a descriptor. For the other operations a descriptor
// whose CallbackType is VXCBT_EVENT_HANDLER names the event handler; without
// one, or with any other type, the object handle names a message consumer.
#define VXCBD_STRUC_ID "CBD "
constexpr int32_t VXCBD_CURRENT_VERSION = 1;
constexpr int32_t VXCBD_FULL_MSG_LENGTH = -1;
enum : int32_t {
  VXCBT_MESSAGE_CONSUMER = 1,  // messages of an object handle, got by the VXMD and
                               // VXGMO given at registration (match values and
                               // get options; the wait options are not used)
  VXCBT_EVENT_HANDLER = 2,     // events of the connection's consumers; no handle
};
enum : int32_t { VXCBDO_NONE = 0 };

// VXCBC, callback context, passed to every call: structure table index 21,
// version 1; 52 bytes on 32 bits (sizeof(VXCBC) on the build).
//   StrucId, Version  "CBC ", 1
//   CallType          VXCBCT_*
//   Hobj              the consumer's object handle (for an event, the handle
//                     of the consumer concerned); 0 for the event handler
//   CallbackArea      as registered; the callee may clear it at DEREGISTER
//   ConnectionArea    null
//   CompCode, Reason  the outcome of the get, or of the event
//   State             VXCS_*: the consumer's state
//   DataLength        the message's full length (0 without a message)
//   BufferLength      the bytes of the message that the data address holds
//   Flags             VXCBCF_NONE
//   ReconnectDelay    0
// Message calls pass the VXMD (the message's descriptor) and the VXGMO (the
// registration's options, with MsgLength, ReturnedLength and ResolvedQName
// filled); every other call passes null for both and for the data.
#define VXCBC_STRUC_ID "CBC "
constexpr int32_t VXCBC_CURRENT_VERSION = 1;

// Call types, in the order a consumer meets them: REGISTER once and first,
// then for each start START, messages and events, STOP, and DEREGISTER last.
// A consumer that leaves while its connection is started gets START (if it
// had none yet) and STOP before its DEREGISTER; one that leaves while it is
// stopped gets REGISTER (if it had none yet) and DEREGISTER.
enum : int32_t {
  VXCBCT_START_CALL = 1,
  VXCBCT_STOP_CALL = 2,
  VXCBCT_REGISTER_CALL = 3,
  VXCBCT_DEREGISTER_CALL = 4,
  VXCBCT_EVENT_CALL = 5,
  VXCBCT_MSG_REMOVED = 6,      // got: CompCode 0, or 1 with 3402 (truncated)
  VXCBCT_MSG_NOT_REMOVED = 7,  // browsed (CompCode 0, or 1 with 3402), or too long for
                               // MaxMsgLength (CompCode 2, 3403: no data, the
                               // message stays on the queue and is not offered to
                               // this consumer again)
};

// Consumer states (VXCBC.State).
enum : int32_t {
  VXCS_NONE = 0,                 // started and receiving
  VXCS_SUSPENDED_USER = 1,       // suspended by VXCB or VXCTL
  VXCS_SUSPENDED_TEMPORARY = 2,  // waiting for the condition an event reported to end
  VXCS_SUSPENDED = 3,            // its queue is gone: no more messages
  VXCS_STOPPED = 4,              // the connection's consumers are stopped
};
enum : int32_t { VXCBCF_NONE = 0 };

// Operations. VXCB: VXOP_REGISTER (alone, or with VXOP_SUSPEND or
// VXOP_RESUME to register suspended or not), VXOP_DEREGISTER, VXOP_SUSPEND or
// VXOP_RESUME. VXCTL: one of VXOP_START, VXOP_START_WAIT, VXOP_STOP,
// VXOP_SUSPEND and VXOP_RESUME.
enum : int32_t {
  VXOP_START = 0x1,
  VXOP_START_WAIT = 0x2,
  VXOP_STOP = 0x4,
  VXOP_REGISTER = 0x100,
  VXOP_DEREGISTER = 0x200,
  VXOP_SUSPEND = 0x10000,
  VXOP_RESUME = 0x20000,
};

extern "C" {

// Control options: 12 bytes, version 1. May be null.
struct VXCTLO {
  char StrucId[4];  // 0 "CTLO"
  int32_t Version;  // 4 1
  int32_t Options;  // 8 VXCTLO_NONE
};

}  // extern "C"

#define VXCTLO_STRUC_ID "CTLO"
constexpr int32_t VXCTLO_CURRENT_VERSION = 1, VXCTLO_LENGTH = 12;
enum : int32_t { VXCTLO_NONE = 0 };

static_assert(sizeof(VXCTLO) == VXCTLO_LENGTH);
static_assert(offsetof(VXCBD, CallbackType) == 8 && offsetof(VXCBD, Options) == 12);
static_assert(offsetof(VXCBC, Hobj) == 12);

#endif
