// The structures of the queueing calls, their options and selectors.
//
// Every structure starts with a four-character identifier and a version, and
// has the length that init_conversion's structure table reports for it (the
// index is given with each). Integers are signed 32-bit in the machine's byte
// order; character fields are fixed-length, blank- or NUL-padded on input and
// blank-padded when the runtime writes them. The runtime accepts every version
// from 1 to the current one: they share one layout. "out" marks fields that the
// runtime writes; everything else it only reads. Fields marked "carried" are
// stored with the message and returned unchanged.
//
// VXOD, which holds pointers, is declared in vx/structs.h; its integer and
// character fields before the first pointer keep their offsets on every build.
#ifndef VX_API_H
#define VX_API_H

#include <cstddef>
#include <cstdint>

#include "vx/properties.h"
#include "vx/async.h"
#include "vx/reasons.h"
#include "vx/structs.h"
#include "vx/subscriptions.h"

// Lengths of the character and byte fields.
constexpr int32_t VX_NAME_LENGTH = 48;        // queue and queue-manager names
constexpr int32_t VX_MSG_ID_LENGTH = 24;      // message identifier, bytes
constexpr int32_t VX_CORREL_ID_LENGTH = 24;   // correlation identifier, bytes
constexpr int32_t VX_FORMAT_LENGTH = 8;       // format name
constexpr int32_t VX_USER_ID_LENGTH = 12;     // user identifier
constexpr int32_t VX_APPL_NAME_LENGTH = 28;   // application name
constexpr int32_t VX_CONNECTION_ID_LENGTH = 24;

extern "C" {

// Message descriptor: structure table index 4, version 2, 364 bytes.
struct VXMD {
  char StrucId[4];        //   0 "MD  "
  int32_t Version;        //   4 1 or 2
  int32_t MsgType;        //   8 carried: VXMT_*
  int32_t Priority;       //  12 0 (lowest) to 9; VXPRI_AS_QUEUE takes the queue's default;
                          //     out on put (the priority used) and get
  int32_t Persistence;    //  16 VXPER_*; VXPER_AS_QUEUE takes the queue's default; out
  int32_t Expiry;         //  20 lifetime in milliseconds, 0 unlimited; on get (out) the
                          //     lifetime left, at least 1, or 0 for unlimited
  int32_t Encoding;       //  24 carried
  int32_t CodedCharSetId; //  28 carried
  char Format[8];         //  32 carried: name of the data's format, VXFMT_*
  uint8_t MsgId[24];      //  40 put: kept unless all zero or VXPMO_NEW_MSG_ID (then out,
                          //     generated); get: the match value, and out
  uint8_t CorrelId[24];   //  64 put: kept unless VXPMO_NEW_CORREL_ID (then out, generated);
                          //     get: the match value, and out
  int32_t BackoutCount;   //  88 out: how often a get of this message was backed out
  char ReplyToQ[48];      //  92 carried
  char ReplyToQMgr[48];   // 140 carried
  char UserIdentifier[12];// 188 out: the user of the putting connection
  char PutDate[8];        // 200 out: "YYYYMMDD", UTC
  char PutTime[8];        // 208 out: "HHMMSSTT", UTC, TT in hundredths of a second
  char Reserved[148];     // 216 not used
};

// Get-message options: structure table index 3, version 4, 112 bytes.
struct VXGMO {
  char StrucId[4];          //   0 "GMO "
  int32_t Version;          //   4 1 to 4
  int32_t Options;          //   8 VXGMO_*
  int32_t WaitInterval;     //  12 milliseconds to wait with VXGMO_WAIT; VXWI_UNLIMITED
  int32_t MatchOptions;     //  16 VXMO_*: which VXMD fields a message must match
  int32_t MsgLength;        //  20 out: full length of the message found, also when it
                            //     did not fit the buffer (completion code 1 or 2)
  int32_t ReturnedLength;   //  24 out: bytes placed in the buffer
  char ResolvedQName[48];   //  28 out: the queue the message came from
  int32_t Reserved1;        //  76 not used
  VXHMSG MsgHandle;         //  80 a message handle of the connection, or 0: the
                            //     message's properties replace the handle's
                            //     (vx/properties.h); read at every version
  uint8_t FoundMsgId[24];   //  88 out: the message identifier of the message found, also
                            //     when it did not fit the buffer (completion code 1 or 2),
                            //     so that a retry can name the same message
};

// Put-message options: structure table index 8, version 3, 176 bytes.
struct VXPMO {
  char StrucId[4];           //   0 "PMO "
  int32_t Version;           //   4 1 to 3
  int32_t Options;           //   8 VXPMO_*
  char ResolvedQName[48];    //  12 out: the queue the message was put to
  char ResolvedQMgrName[48]; //  60 out: this queue manager's name
  int32_t Reserved1;         // 108 not used
  VXHMSG MsgHandle;          // 112 a message handle of the connection, or 0: the message
                             //     carries a copy of the handle's properties
                             //     (vx/properties.h); read at every version
  char Reserved2[56];        // 120 not used
};

// Connect options: structure table index 2, version 6, 208 bytes.
struct VXCNO {
  char StrucId[4];               //   0 "CNO "
  int32_t Version;               //   4 1 to 6
  int32_t Options;               //   8 VXCNO_NONE; no options are defined yet
  char ApplName[28];             //  12 name of the application, kept with the connection
  uint8_t ConnectionId[24];      //  40 out: identifier of the new connection
  char Reserved1[116];           //  64 not used
  int32_t SecurityParmsOffset;   // 180 from version 5: offset of a VXCSP from the start
                                 //     of this structure, 0 for none; the VXCSP follows
                                 //     the options (at least VXCNO_LENGTH)
  char Reserved2[24];            // 184 not used
};

// Security parameters, found through VXCNO.SecurityParmsOffset: structure
// table index 14, version 1, 48 bytes. The user identifier and password lie
// after it, each at its offset from the start of this structure.
struct VXCSP {
  char StrucId[4];          //  0 "CSP "
  int32_t Version;          //  4 1
  int32_t AuthenticationType; // 8 VXCSP_AUTH_*
  char Reserved[20];        // 12 not used
  int32_t UserIdOffset;     // 32 offset of the user identifier
  int32_t UserIdLength;     // 36 its length, 0 to VXCSP_MAX_USER_ID_LENGTH
  int32_t PasswordOffset;   // 40 offset of the password
  int32_t PasswordLength;   // 44 its length, 0 to VXCSP_MAX_PASSWORD_LENGTH
};

// Begin options: structure table index 1, version 1, 12 bytes. May be null.
struct VXBO {
  char StrucId[4];  // 0 "BO  "
  int32_t Version;  // 4 1
  int32_t Options;  // 8 VXBO_NONE
};

}  // extern "C"

// Structure identifiers, current versions and lengths.
#define VXMD_STRUC_ID "MD  "
#define VXGMO_STRUC_ID "GMO "
#define VXPMO_STRUC_ID "PMO "
#define VXOD_STRUC_ID "OD  "
#define VXCNO_STRUC_ID "CNO "
#define VXCSP_STRUC_ID "CSP "
#define VXBO_STRUC_ID "BO  "
constexpr int32_t VXMD_CURRENT_VERSION = 2, VXMD_LENGTH = 364;
constexpr int32_t VXGMO_CURRENT_VERSION = 4, VXGMO_LENGTH = 112;
constexpr int32_t VXPMO_CURRENT_VERSION = 3, VXPMO_LENGTH = 176;
constexpr int32_t VXOD_CURRENT_VERSION = 4;  // length: sizeof(VXOD), 400 on 32 bits
constexpr int32_t VXCNO_CURRENT_VERSION = 6, VXCNO_LENGTH = 208;
constexpr int32_t VXCNO_VERSION_WITH_SECURITY = 5;
constexpr int32_t VXCSP_CURRENT_VERSION = 1, VXCSP_LENGTH = 48;
constexpr int32_t VXBO_CURRENT_VERSION = 1, VXBO_LENGTH = 12;

// VXOD: the object a descriptor names. ObjectName, ObjectQMgrName (blank or
// this queue manager's name) and DynamicQName are read; RecsPresent must be 0;
// ObjectName (for a model queue: the made name), ResolvedQName,
// ResolvedQMgrName and ResolvedType are written. A topic (VXOT_TOPIC,
// vx/subscriptions.h) is named by ObjectString instead, and its topic string
// is written to ResObjectString. The other fields are not used.
constexpr int32_t VXOT_QUEUE = 1;
// The dump request: an open of this type with the name below writes a short
// state dump to standard error and returns object handle 0 (nothing to close).
constexpr int32_t VXOT_DUMP_SERVICE = 999;
#define VX_DUMP_SERVICE_NAME "SERVICE1.DUMP"

// Open options (VXOPEN, and output for VXPUT1). At least one access option;
// input shared and exclusive exclude each other.
enum : int32_t {
  VXOO_INPUT_SHARED = 0x1,     // get; others may get too
  VXOO_INPUT_EXCLUSIVE = 0x2,  // get; no other handle may be open for input
  VXOO_BROWSE = 0x4,           // browse
  VXOO_OUTPUT = 0x8,           // put
  VXOO_INQUIRE = 0x10,         // VXINQ
  VXOO_SET = 0x20,             // VXSET
};

// Close options.
enum : int32_t {
  VXCO_NONE = 0,
  VXCO_DELETE = 0x1,  // delete a dynamic queue with its messages; nothing else may
                      // have it open
};

// Get options (VXGMO.Options). Without either syncpoint option a get is
// outside any unit of work. Bit 0x400 is never assigned: the library leaves
// the buffer and data length alone when it is set, so the runtime refuses it.
enum : int32_t {
  VXGMO_NONE = 0,
  VXGMO_SYNCPOINT = 0x1,         // remove under the connection's unit of work
  VXGMO_NO_SYNCPOINT = 0x2,      // remove at once
  VXGMO_WAIT = 0x4,              // wait up to WaitInterval for a message
  VXGMO_ACCEPT_TRUNCATED = 0x8,  // a message longer than the buffer is removed anyway
  VXGMO_BROWSE_FIRST = 0x10,     // copy the first message, leave it on the queue
  VXGMO_BROWSE_NEXT = 0x20,      // copy the message after the handle's browse cursor
  VXGMO_RESERVED = 0x400,
};
constexpr int32_t VXWI_UNLIMITED = -1;

// Match options (VXGMO.MatchOptions).
enum : int32_t {
  VXMO_NONE = 0,
  VXMO_MATCH_MSG_ID = 0x1,
  VXMO_MATCH_CORREL_ID = 0x2,
};

// Put options (VXPMO.Options). Without either syncpoint option a put is
// outside any unit of work.
enum : int32_t {
  VXPMO_NONE = 0,
  VXPMO_SYNCPOINT = 0x1,
  VXPMO_NO_SYNCPOINT = 0x2,
  VXPMO_NEW_MSG_ID = 0x4,      // generate a message identifier even if one is given
  VXPMO_NEW_CORREL_ID = 0x8,   // generate a correlation identifier
};

// Connect and begin options, and authentication types.
enum : int32_t { VXCNO_NONE = 0 };
enum : int32_t { VXBO_NONE = 0 };
enum : int32_t {
  VXCSP_AUTH_NONE = 0,
  VXCSP_AUTH_USER_PASSWORD = 1,
};
constexpr int32_t VXCSP_MAX_USER_ID_LENGTH = 64;
constexpr int32_t VXCSP_MAX_PASSWORD_LENGTH = 256;
constexpr int32_t VXCNO_MAX_SECURITY_PARMS_OFFSET = 65536;

// Message descriptor values.
enum : int32_t {
  VXMT_DATAGRAM = 1,
  VXMT_REQUEST = 2,
  VXMT_REPLY = 3,
  VXMT_REPORT = 4,
};
enum : int32_t {
  VXPRI_AS_QUEUE = -1,
  VXPRI_LOWEST = 0,
  VXPRI_HIGHEST = 9,
};
enum : int32_t {
  VXPER_AS_QUEUE = -1,
  VXPER_NOT_PERSISTENT = 0,
  VXPER_PERSISTENT = 1,
};
constexpr int32_t VXEXP_UNLIMITED = 0;
#define VXFMT_NONE "        "
#define VXFMT_TEXT "TEXT    "

// Selectors of VXINQ and VXSET. Integer attributes come back in selector
// order; character attributes are laid end to end, each at its length.
enum : int32_t {
  VXIA_CURRENT_DEPTH = 1,      // messages on the queue, uncommitted ones included
  VXIA_MAX_DEPTH = 2,
  VXIA_MAX_MSG_LENGTH = 3,
  VXIA_INHIBIT_PUT = 4,        // VXINHIBIT_*; settable
  VXIA_INHIBIT_GET = 5,        // VXINHIBIT_*; settable
  VXIA_OPEN_INPUT_COUNT = 6,   // handles open for input
  VXIA_OPEN_OUTPUT_COUNT = 7,  // handles open for output
  VXIA_QUEUE_TYPE = 8,         // VXQT_*
  VXIA_DEFAULT_PRIORITY = 9,
  VXIA_DEFAULT_PERSISTENCE = 10,
  VXCA_FIRST = 1001,           // selectors from here on are character attributes
  VXCA_QUEUE_NAME = 1001,      // 48 characters
  VXCA_QMGR_NAME = 1002,       // 48 characters
  VXCA_QUEUE_DESC = 1003,      // 48 characters, blank when none; set by the private define
};
constexpr int32_t VX_MAX_SELECTORS = 256;
enum : int32_t {
  VXINHIBIT_ALLOWED = 0,
  VXINHIBIT_INHIBITED = 1,
};
enum : int32_t {
  VXQT_LOCAL = 1,
  VXQT_MODEL = 2,
  VXQT_DYNAMIC = 3,  // made from a model queue; deleted with its connection
};

// Numbers of the calls, as the services entry "call in progress" reports them.
enum : int32_t {
  VXCALL_NONE = 0,
  VXCALL_CONN = 1,
  VXCALL_DISC = 2,
  VXCALL_OPEN = 3,
  VXCALL_CLOSE = 4,
  VXCALL_PUT = 5,
  VXCALL_PUT1 = 6,
  VXCALL_GET = 7,
  VXCALL_INQ = 8,
  VXCALL_SET = 9,
  VXCALL_BEGIN = 10,
  VXCALL_CMIT = 11,
  VXCALL_BACK = 12,
  VXCALL_SUB = 20,
  VXCALL_SUBRQ = 21,
  VXCALL_STAT = 22,
  VXCALL_CRTMH = 23,
  VXCALL_DLTMH = 24,
  VXCALL_SETMP = 25,
  VXCALL_INQMP = 26,
  VXCALL_DLTMP = 27,
  VXCALL_MHBUF = 28,
  VXCALL_BUFMH = 29,
  VXCALL_CB = 13,
  VXCALL_CTL = 14,
  VXCALL_CALLBACK = 15,  // a callback function of the connection is running
};

static_assert(offsetof(VXMD, Priority) == 12 && offsetof(VXMD, Format) == 32);
static_assert(offsetof(VXMD, MsgId) == 40 && offsetof(VXMD, CorrelId) == 64);
static_assert(offsetof(VXMD, BackoutCount) == 88 && offsetof(VXMD, ReplyToQ) == 92);
static_assert(offsetof(VXMD, UserIdentifier) == 188 && offsetof(VXMD, PutDate) == 200);
static_assert(offsetof(VXMD, PutTime) == 208 && sizeof(VXMD) == VXMD_LENGTH);
static_assert(offsetof(VXGMO, Options) == VXGMO_OPTIONS && offsetof(VXGMO, WaitInterval) == 12);
static_assert(offsetof(VXGMO, MsgLength) == 20 && offsetof(VXGMO, ResolvedQName) == 28);
static_assert(offsetof(VXGMO, MsgHandle) == 80 && sizeof(VXGMO) == VXGMO_LENGTH);
static_assert(offsetof(VXPMO, ResolvedQMgrName) == 60 && offsetof(VXPMO, MsgHandle) == 112);
static_assert(sizeof(VXPMO) == VXPMO_LENGTH && alignof(VXPMO) == 4 && alignof(VXGMO) == 4);
static_assert(offsetof(VXCNO, Version) == VXCNO_VERSION && offsetof(VXCNO, ConnectionId) == 40);
static_assert(offsetof(VXCNO, SecurityParmsOffset) == VXCNO_SECURITY_PARMS_OFFSET);
static_assert(sizeof(VXCNO) == VXCNO_LENGTH);
static_assert(offsetof(VXCSP, PasswordOffset) == VXCSP_PASSWORD_OFFSET);
static_assert(offsetof(VXCSP, PasswordLength) == VXCSP_PASSWORD_LENGTH);
static_assert(offsetof(VXCSP, UserIdOffset) == 32 && sizeof(VXCSP) == VXCSP_LENGTH);
static_assert(sizeof(VXBO) == VXBO_LENGTH);
static_assert(offsetof(VXOD, ObjectType) == 8 && offsetof(VXOD, ObjectName) == 12);
static_assert(offsetof(VXOD, ObjectQMgrName) == 60 && offsetof(VXOD, DynamicQName) == 108);

#endif
