// Topics, subscriptions and the status of a connection's puts: the
// structures of VXSUB, VXSUBRQ and VXSTAT, their options and values.
//
// A topic is named by its topic string: levels separated by '/', for example
// "prices/fruit/apples". A publication is a put to a topic (a VXOD of object
// type VXOT_TOPIC with the topic string in ObjectString, opened for output,
// or the same VXOD given to VXPUT1). It is delivered, as one message each, to
// every subscription whose topic string matches it. A subscription's topic
// string may hold wildcards, each a whole level:
//   "*"   matches exactly one level:       "prices/*/apples" matches
//         "prices/fruit/apples", not "prices/apples"
//   "**"  matches any number of levels, none included: "prices/**" matches
//         "prices", "prices/fruit" and "prices/fruit/apples"
// Elsewhere '*' is an ordinary character in a subscription and refused in a
// publication's topic string. Topic strings are 1 to VX_MAX_TOPIC_STRING_LENGTH
// bytes without NUL; levels may be empty ("a//b").
//
// Strings that do not fit a fixed field are given by a VXCHARV (vx/structs.h):
// the bytes are at VSPtr when it is not null, otherwise at VSOffset bytes from
// the start of the structure holding the VXCHARV (from the Java side they
// follow the structure in the same array). VSLength is the length in bytes;
// VSBufSize and VSCCSID are not used. Nothing past VSLength is read.
#ifndef VX_SUBSCRIPTIONS_H
#define VX_SUBSCRIPTIONS_H

#include <cstddef>
#include <cstdint>

#include "vx/structs.h"

constexpr int32_t VX_MAX_TOPIC_STRING_LENGTH = 10240;
constexpr int32_t VX_MAX_SUB_NAME_LENGTH = 1024;
// A string's offset may not lie past this many bytes from its structure.
constexpr int32_t VX_MAX_STRING_OFFSET = 1024 * 1024;

extern "C" {

// Subscription descriptor, for VXSUB; version 1. It holds pointers (in its
// VXCHARVs), so its length is sizeof(VXSD): 168 bytes on 32 bits, 176 on 64.
struct VXSD {
  char StrucId[4];          //   0 "SD  "
  int32_t Version;          //   4 1
  int32_t Options;          //   8 VXSO_*
  int32_t Reserved1;        //  12 not used
  uint8_t SubCorrelId[24];  //  16 the correlation identifier that every delivery of the
                            //     subscription carries: given with VXSO_SET_CORREL_ID,
                            //     otherwise out (made at create, the kept one at resume)
  char ResolvedQName[48];   //  40 out: the queue that the subscription delivers to
  char Reserved2[40];       //  88 not used
  VXCHARV ObjectString;     // 128 the topic string, wildcards allowed; needed to create,
                            //     not read at resume
  VXCHARV SubName;          // 148 (32 bits) / 152 (64 bits): the subscription's name;
                            //     needed for a durable subscription and for a resume,
                            //     optional otherwise; names are unique in the queue manager
};

// Subscription request options, for VXSUBRQ; version 1, 32 bytes.
struct VXSRO {
  char StrucId[4];      //  0 "SRO "
  int32_t Version;      //  4 1
  int32_t Options;      //  8 VXSRO_NONE
  int32_t NumPubs;      // 12 out: the publications delivered by the request
  char Reserved[16];    // 16 not used
};

// Status of the connection's puts, for VXSTAT with VXSTAT_PUTS; version 1,
// 112 bytes. Every field after the version is out. The counts cover the puts
// and put-ones made on the connection since it connected or since the last
// VXSTAT of this type, which starts them again at zero.
struct VXSTS {
  char StrucId[4];             //   0 "STS "
  int32_t Version;             //   4 1
  int32_t CompCode;            //   8 the highest completion code of the puts counted
  int32_t Reason;              //  12 the reason of the last put that did not complete
                               //     with VXCC_OK, VXRC_NONE if there was none
  int32_t PutSuccessCount;     //  16 puts that completed with VXCC_OK
  int32_t PutWarningCount;     //  20 puts that completed with VXCC_WARNING
  int32_t PutFailureCount;     //  24 puts that failed
  int32_t PublicationCount;    //  28 puts to topics that did not fail
  int32_t DeliveryCount;       //  32 messages those publications placed on queues
  int32_t DeliveryFailureCount;//  36 matching subscriptions they did not reach
  int32_t ObjectType;          //  40 the object of the put that Reason is for: VXOT_QUEUE,
                               //     VXOT_TOPIC, or 0 when the handle named no object
  char ObjectName[48];         //  44 that queue's name; blank for a topic
  char Reserved[20];           //  92 not used
};

}  // extern "C"

#define VXSD_STRUC_ID "SD  "
#define VXSRO_STRUC_ID "SRO "
#define VXSTS_STRUC_ID "STS "
constexpr int32_t VXSD_CURRENT_VERSION = 1;  // length: sizeof(VXSD)
constexpr int32_t VXSRO_CURRENT_VERSION = 1, VXSRO_LENGTH = 32;
constexpr int32_t VXSTS_CURRENT_VERSION = 1, VXSTS_LENGTH = 112;

// Object type of a topic (VXOD.ObjectType; VXOD.ResolvedType after the open).
// A topic is opened for output only; ObjectName must be blank, and the
// resolved topic string goes to ResObjectString when that has room
// (VSBufSize), with VSLength set to its full length.
constexpr int32_t VXOT_TOPIC = 8;

// Subscription options (VXSD.Options). VXSO_CREATE, VXSO_RESUME or both
// (resume if the name exists, create if not). Without VXSO_DURABLE the
// subscription ends when its handle is closed or its connection ends; a
// durable one stays, keeps collecting publications, and is resumed by name.
// With VXSO_MANAGED the queue manager makes the destination queue, opens it
// for input, browse and inquire on the object handle, and deletes it with the
// subscription; without it the caller gives an open queue's handle in the
// object handle and the publications go to that queue.
enum : int32_t {
  VXSO_CREATE = 0x1,
  VXSO_RESUME = 0x2,
  VXSO_DURABLE = 0x4,
  VXSO_MANAGED = 0x8,
  VXSO_NEW_PUBLICATIONS_ONLY = 0x10,  // no retained publications at create
  VXSO_SET_CORREL_ID = 0x20,          // deliveries carry VXSD.SubCorrelId
};

// Close options for a subscription handle (VXCLOSE). A non-durable
// subscription always ends; a durable one stays unless VXCO_REMOVE_SUB.
enum : int32_t {
  VXCO_KEEP_SUB = 0x2,
  VXCO_REMOVE_SUB = 0x4,
};

// Put option: the publication also becomes the retained publication of its
// topic, replacing the one before; subscriptions made later receive it, and
// VXSUBRQ asks for it again. Not with VXPMO_SYNCPOINT, and only to a topic.
enum : int32_t { VXPMO_RETAIN = 0x10 };

// VXSUBRQ actions.
enum : int32_t {
  VXSR_RETAINED = 1,  // deliver again the retained publication of every topic the
                      // subscription matches; none: warning VXRC_NO_RETAINED_MSG
};
enum : int32_t { VXSRO_NONE = 0 };

// VXSTAT types.
enum : int32_t {
  VXSTAT_PUTS = 1,  // VXSTS: the connection's puts, counted since the last such call
};

// Limits.
constexpr int32_t VX_MAX_SUBSCRIPTIONS = 10000;  // in the queue manager

static_assert(offsetof(VXSD, SubCorrelId) == 16 && offsetof(VXSD, ResolvedQName) == 40);
static_assert(offsetof(VXSD, ObjectString) == 128);
static_assert(sizeof(VXSRO) == VXSRO_LENGTH && offsetof(VXSRO, NumPubs) == 12);
static_assert(offsetof(VXSTS, DeliveryCount) == 32 && offsetof(VXSTS, ObjectName) == 44);
static_assert(sizeof(VXSTS) == VXSTS_LENGTH);
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(VXSD, SubName) == 148 && sizeof(VXSD) == 168);
#else
static_assert(offsetof(VXSD, SubName) == 152 && sizeof(VXSD) == 176);
#endif

#endif
