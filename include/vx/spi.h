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
#include "vx/subscriptions.h"

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

// Security context: the lexPContext of adopt-user and map-credentials,
// version 1, 400 bytes. The queue manager's users are those of the
// configuration's user statements (see README); a user acts under its user
// identifier (recorded as UserIdentifier in the descriptor of every message
// it puts).
struct LpiSecurityContext {
  char StrucId[4];        //   0 "LSCX"
  int32_t Version;        //   4 1
  int32_t Options;        //   8 LPISCX_NONE
  char UserId[64];        //  12 map-credentials: the user presented
  char Password[256];     //  76 map-credentials, and adopt-user with
                          //     LPIADU_AUTHENTICATE: that user's password
  char MappedUserId[12];  // 332 out: the user identifier the user acts under
  char Reserved[56];      // 344 not used
};

// Adopt-user, through the record the library builds (LpiAdoptUser, vx/structs.h,
// identifier "LADU", version 3). The user to adopt is the client identifier:
// ClientIdLength bytes at ClientIdPtr + ClientIdOffset, within ClientIdBufSize,
// trailing blanks and NULs dropped. The in/out value holds LPIADU_* options
// on entry and, after a call that did not fail, LPIADU_OUT_* saying how the
// user was adopted. The product identifier is replaced by
// LPI_PRODUCT_IDENTIFIER. The channel, connection name, the integer
// arguments, the security parameters and the connection identifier are not
// read.

// Options of a named-subscriber inquiry, version 1, 24 bytes. The name buffer
// holds the topic string or the subscription name, as many bytes as the
// inquiry's integer argument says. Into the identifier buffer go the names of
// the named subscriptions found, in name order, each followed by a NUL, as
// many whole names as its length (the in/out value on entry) allows. On
// return the in/out value holds the number of named subscriptions found and
// the output value how many of them are open on a connection now.
struct LpiNamedSubscriberOptions {
  char StrucId[4];         //  0 "LNSO"
  int32_t Version;         //  4 1
  int32_t Options;         //  8 LPINSO_BY_TOPIC or LPINSO_BY_NAME
  int32_t ReturnedLength;  // 12 out: bytes placed in the identifier buffer
  char Reserved[8];        // 16 not used
};

// Private subscription descriptor, beside the VXSD of the private subscribe,
// version 1, 32 bytes.
struct LpiSubscribeDescriptor {
  char StrucId[4];        //  0 "LPSD"
  int32_t Version;        //  4 1
  int32_t Options;        //  8 LPISO_*
  int32_t RetainedCount;  // 12 out: retained publications placed on the destination
  char Reserved[16];      // 16 not used
};

// Private subscription request descriptor, beside the VXSRO (which may be
// null) of the private subscription request, version 1, 16 bytes.
struct LpiSubscriptionRequestDescriptor {
  char StrucId[4];   //  0 "LSRD"
  int32_t Version;   //  4 1
  int32_t Options;   //  8 LPISRD_NONE
  int32_t Matched;   // 12 out: retained publications the subscription matches
};

// Private unsubscribe descriptor, version 1, 1048 bytes: removes a
// subscription, durable or not, by the handle this connection has open or by
// name. A subscription open on another connection is not removed.
struct LpiUnsubscribeDescriptor {
  char StrucId[4];                      //    0 "LUSD"
  int32_t Version;                      //    4 1
  int32_t Options;                      //    8 LPIUS_BY_HANDLE or LPIUS_BY_NAME
  int32_t Hsub;                         //   12 by handle: the subscription handle
  int32_t SubNameLength;                //   16 by name: bytes of SubName used
  int32_t Reserved;                     //   20 not used
  char SubName[VX_MAX_SUB_NAME_LENGTH]; //   24 by name: the subscription's name
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
#define LPISCX_STRUC_ID "LSCX"
#define LPIADU_STRUC_ID "LADU"
#define LPINSO_STRUC_ID "LNSO"
#define LPISD_STRUC_ID "LPSD"
#define LPISRD_STRUC_ID "LSRD"
#define LPIUSD_STRUC_ID "LUSD"
// The product identifier that adopt-user answers with, 12 characters.
#define LPI_PRODUCT_IDENTIFIER "VXRT 1.0    "

constexpr int32_t LPI_CURRENT_VERSION = 1;  // of every structure here
constexpr int32_t LPI_NO_ENVIRONMENT = -1;
constexpr int32_t LPICNO_ENVIRONMENT_PTR = 128;
constexpr int32_t LPIADU_VERSION = 3;  // the adopt-user record's only version

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
  LPISCX_NONE = 0,
  // Adopt-user options (the in/out value on entry). Without
  // LPIADU_AUTHENTICATE the privileged connection vouches for the user.
  LPIADU_NONE = 0,
  LPIADU_AUTHENTICATE = 0x1,  // the security context's password must be the user's
  LPIADU_RESTORE = 0x2,       // act as the connection's own user again; alone
  // How the user was adopted (the in/out value on return).
  LPIADU_OUT_TRUSTED = 1,
  LPIADU_OUT_AUTHENTICATED = 2,
  LPIADU_OUT_RESTORED = 3,
  // Named-subscriber inquiry: by the topic a publication would be put to
  // (every named subscription that would receive it, wildcards matched), or by
  // name (exactly, or a prefix ending in '*').
  LPINSO_BY_TOPIC = 1,
  LPINSO_BY_NAME = 2,
  LPISO_NONE = 0,
  LPISO_RETAINED_AT_RESUME = 0x1,  // a resumed subscription gets the retained publications too
  LPISRD_NONE = 0,
  LPIUS_BY_HANDLE = 1,
  LPIUS_BY_NAME = 2,
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
  VXCALL_SPI_ADOPT_USER = 105,
  VXCALL_SPI_MAP_CREDENTIALS = 106,
  VXCALL_SPI_INQUIRE_SUBSCRIBERS = 107,
  VXCALL_SPI_SUBSCRIBE = 108,
  VXCALL_SPI_SUBSCRIPTION_REQUEST = 109,
  VXCALL_SPI_UNSUBSCRIBE = 110,
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
static_assert(offsetof(LpiSecurityContext, Password) == 76 && sizeof(LpiSecurityContext) == 400);
static_assert(offsetof(LpiSecurityContext, MappedUserId) == 332);
static_assert(offsetof(LpiNamedSubscriberOptions, ReturnedLength) == 12);
static_assert(sizeof(LpiNamedSubscriberOptions) == 24);
static_assert(offsetof(LpiSubscribeDescriptor, RetainedCount) == 12 && sizeof(LpiSubscribeDescriptor) == 32);
static_assert(offsetof(LpiSubscriptionRequestDescriptor, Matched) == 12);
static_assert(sizeof(LpiSubscriptionRequestDescriptor) == 16);
static_assert(offsetof(LpiUnsubscribeDescriptor, SubName) == 24 && sizeof(LpiUnsubscribeDescriptor) == 1048);

#endif
