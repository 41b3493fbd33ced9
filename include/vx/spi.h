// The structures of the runtime's private (service-provider) calls, their
// options and the reasons they answer with.
//
// Like the public structures, each starts with a four-character identifier
// and a version; the runtime accepts every version from 1 to the current one.
// Integers are signed 32-bit in the machine's byte order, character fields are
// blank- or NUL-padded. "out" marks fields that the runtime writes.
//
// Only the private connect options hold a pointer: the address of the
// environment value at byte 128, which stays at 128 on every build; the
// structure is 132 bytes on a 32-bit build and 136 on a 64-bit one. Every
// other structure here has the same layout on every build.
#ifndef VX_SPI_H
#define VX_SPI_H

#include <cstddef>
#include <cstdint>

#include "vx/api.h"

extern "C" {

// Private connect options of the privileged connect, version 1.
struct LpiConnectOptions {
  char StrucId[4];          //   0 "LCNO"
  int32_t Version;          //   4 1
  int32_t Options;          //   8 LPICNO_NONE
  int32_t Environment;      //  12 out: the environment value the connection keeps,
                            //     LPI_NO_ENVIRONMENT for none
  char Reserved[112];       //  16 not used
  int32_t* EnvironmentPtr;  // 128 address of the environment value, read during the
                            //     call; null or a value of LPI_NO_ENVIRONMENT for none
};

// Private open options, version 1, 32 bytes. The private open has no options
// word of its own: it is here.
struct LpiOpenOptions {
  char StrucId[4];     //  0 "LOPO"
  int32_t Version;     //  4 1
  int32_t Options;     //  8 VXOO_* as for the public open
  char Reserved[20];   // 12 not used
};

// Private put options, version 1, 296 bytes.
struct LpiPutOptions {
  char StrucId[4];     //   0 "LPPO"
  int32_t Version;     //   4 1
  int32_t Options;     //   8 LPIPO_*: overrides the syncpoint choice of the VXPMO
  uint8_t MsgId[24];   //  12 out: identifier of the message put
  char Reserved[260];  //  36 not used
};

// Private get options, version 1, 48 bytes.
struct LpiGetOptions {
  char StrucId[4];         //  0 "LGTO"
  int32_t Version;         //  4 1
  int32_t Options;         //  8 LPIGO_*: override the syncpoint and wait choices of the VXGMO
  int32_t MsgLength;       // 12 out: full length of the message found
  int32_t ReturnedLength;  // 16 out: bytes placed in the buffer
  char Reserved[28];       // 20 not used
};

// Private syncpoint options, version 1, 16 bytes.
struct LpiSyncPointOptions {
  char StrucId[4];   //  0 "LSPO"
  int32_t Version;   //  4 1
  int32_t Options;   //  8 exactly one of LPISPO_COMMIT, LPISPO_BACKOUT
  int32_t Reserved;  // 12 not used
};

// Activation record and notification details, version 1, 132 bytes each.
// This queue manager keeps no deferred messages and sends no notifications:
// it checks the identifier and version and answers LPIRC_FUNCTION_NOT_SUPPORTED.
struct LpiActivation {
  char StrucId[4];     //   0 "LACT"
  int32_t Version;     //   4 1
  char Reserved[124];  //   8 not used
};

struct LpiNotifyDetails {
  char StrucId[4];     //   0 "LNTD"
  int32_t Version;     //   4 1
  char Reserved[124];  //   8 not used
};

// Object selector of define, delete and inquire, version 1, 64 bytes.
struct LpiObjectSelector {
  char StrucId[4];      //  0 "LOSL"
  int32_t Version;      //  4 1
  int32_t ObjectType;   //  8 VXOT_QUEUE
  int32_t QueueType;    // 12 define: VXQT_LOCAL or VXQT_MODEL; 0 takes the like
                        //    object's type, or local without one. Otherwise not used
  char ObjectName[48];  // 16 the queue's name
};

// Filter element of an inquiry, version 1, 20 bytes: the inquiry answers only
// when the queue's integer attribute Selector compares with Value as Operator
// says; otherwise it fails with LPIRC_FILTER_NOT_MATCHED. Define refuses one.
struct LpiFilterElement {
  char StrucId[4];   //  0 "LFLT"
  int32_t Version;   //  4 1
  int32_t Selector;  //  8 an integer selector VXIA_*
  int32_t Operator;  // 12 LPIFLT_*
  int32_t Value;     // 16
};

// Attribute errors of a definition, version 1, 16 bytes. The runtime writes
// it only when its identifier is present.
struct LpiAttrErrors {
  char StrucId[4];   //  0 "LAER"
  int32_t Version;   //  4 1
  int32_t Selector;  //  8 out: the first selector refused, 0 for none
  int32_t Reason;    // 12 out: why, VXRC_NONE for none
};

// Channel-authentication request, version 1, 80 bytes: may a channel from
// this address, for this user, connect? The rules of the queue manager's
// configuration decide; a blocked channel also fails with VXRC_NOT_AUTHORIZED.
struct LpiChlAuthParms {
  char StrucId[4];   //  0 "LCHA"
  int32_t Version;   //  4 1
  int32_t Decision;  //  8 out: LPICHLAUTH_ALLOWED or LPICHLAUTH_BLOCKED
  char Address[48];  // 12 the channel's connection name (address)
  char User[12];     // 60 the user it asserts
  char Reserved[8];  // 72 not used
};

}  // extern "C"

#define LPICNO_STRUC_ID "LCNO"
#define LPIOPO_STRUC_ID "LOPO"
#define LPIPO_STRUC_ID "LPPO"
#define LPIGO_STRUC_ID "LGTO"
#define LPISPO_STRUC_ID "LSPO"
#define LPIACT_STRUC_ID "LACT"
#define LPINTD_STRUC_ID "LNTD"
#define LPIOSL_STRUC_ID "LOSL"
#define LPIFLT_STRUC_ID "LFLT"
#define LPIAER_STRUC_ID "LAER"
#define LPICHA_STRUC_ID "LCHA"

constexpr int32_t LPI_CURRENT_VERSION = 1;  // of every structure here
constexpr int32_t LPI_NO_ENVIRONMENT = -1;
constexpr int32_t LPICNO_ENVIRONMENT_PTR = 128;

enum : int32_t {
  LPICNO_NONE = 0,
  LPIPO_NONE = 0,
  LPIPO_SYNCPOINT = 0x1,     // put under the unit of work whatever the VXPMO says
  LPIPO_NO_SYNCPOINT = 0x2,  // put at once whatever the VXPMO says
  LPIGO_NONE = 0,
  LPIGO_SYNCPOINT = 0x1,     // get under the unit of work whatever the VXGMO says
  LPIGO_NO_SYNCPOINT = 0x2,  // get at once whatever the VXGMO says
  LPIGO_NO_WAIT = 0x4,       // do not wait, even with VXGMO_WAIT
  LPISPO_COMMIT = 0x1,
  LPISPO_BACKOUT = 0x2,
  LPIFLT_EQUAL = 1,
  LPIFLT_LESS = 2,
  LPIFLT_GREATER = 3,
  LPICHLAUTH_ALLOWED = 0,
  LPICHLAUTH_BLOCKED = 1,
};

// Values of spiDefine's define word.
enum : int32_t {
  LPIDEF_REPLACE = 0,  // change the attributes of an existing queue
  LPIDEF_CREATE = 1,   // make a new queue; it must not exist
};

// Call numbers of the private calls, as "call in progress" reports them.
enum : int32_t {
  VXCALL_SPI_DEFINE = 101,
  VXCALL_SPI_DELETE = 102,
  VXCALL_SPI_INQUIRE = 103,
  VXCALL_SPI_CHLAUTH = 104,
};

static_assert(offsetof(LpiConnectOptions, Environment) == 12);
static_assert(offsetof(LpiConnectOptions, EnvironmentPtr) == LPICNO_ENVIRONMENT_PTR);
static_assert(sizeof(LpiConnectOptions) == LPICNO_ENVIRONMENT_PTR + sizeof(void*));
static_assert(sizeof(LpiOpenOptions) == 32);
static_assert(offsetof(LpiPutOptions, MsgId) == 12 && sizeof(LpiPutOptions) == 296);
static_assert(offsetof(LpiGetOptions, MsgLength) == 12 && sizeof(LpiGetOptions) == 48);
static_assert(sizeof(LpiSyncPointOptions) == 16);
static_assert(sizeof(LpiActivation) == 132 && sizeof(LpiNotifyDetails) == 132);
static_assert(offsetof(LpiObjectSelector, ObjectName) == 16 && sizeof(LpiObjectSelector) == 64);
static_assert(offsetof(LpiFilterElement, Value) == 16 && sizeof(LpiFilterElement) == 20);
static_assert(offsetof(LpiAttrErrors, Reason) == 12 && sizeof(LpiAttrErrors) == 16);
static_assert(offsetof(LpiChlAuthParms, User) == 60 && sizeof(LpiChlAuthParms) == 80);

#endif
