// Structures, offsets and constants that the library itself reads or writes.
//
// Integer and character fields of the API structures keep their published
// byte offsets on every build. Structures in which the library stores or
// reads a native pointer are declared as C structs with natural alignment:
// on a 32-bit build they have the published offsets and sizes (asserted
// below), on a 64-bit build each pointer is 8 bytes and later fields move.
#ifndef VX_STRUCTS_H
#define VX_STRUCTS_H

#include <cstddef>
#include <cstdint>

#include "vx/vector.h"

// Completion codes and reasons.
#include "vx/reasons.h"

// Component number of every Java trace event of this library.
constexpr int32_t COMPONENT_NATIVE = 59;

// Fields of public structures, by published byte offset.
constexpr size_t VXGMO_OPTIONS = 8;
constexpr size_t VXCNO_VERSION = 4;
constexpr size_t VXCNO_SECURITY_PARMS_OFFSET = 180;
constexpr size_t VXCSP_PASSWORD_OFFSET = 40;
constexpr size_t VXCSP_PASSWORD_LENGTH = 44;
constexpr size_t SPI_CNO_ENVIRONMENT_PTR = 128;

// Metadata record exchanged by getMetaData.
constexpr size_t TMD_STRUC_ID = 0;
constexpr size_t TMD_VERSION = 4;
constexpr size_t TMD_CAPABILITIES = 8;
constexpr size_t TMD_LEVEL = 12;
constexpr size_t TMD_BUILD_LEVEL = 16;
constexpr size_t TMD_BUILD_LEVEL_LENGTH = 48;
constexpr size_t TMD_RUNTIME_VALUE = 64;
constexpr size_t TMD_LENGTH_V1 = 64;
constexpr size_t TMD_LENGTH_V2 = 68;
constexpr int32_t TMD_CAPABILITY_FLAGS = 0x3E7F | 0x100;
constexpr int32_t TALY_LEVEL = 910;
constexpr int32_t VXMETA_RUNTIME_SELECTOR = 49;

extern "C" {

// Callback descriptor.
struct VXCBD {
  char StrucId[4];
  int32_t Version;
  int32_t CallbackType;
  int32_t Options;
  void* CallbackArea;
  void* CallbackFunction;
  char CallbackName[128];
  int32_t MaxMsgLength;
};

// Callback context that the runtime passes to every callback.
struct VXCBC {
  char StrucId[4];
  int32_t Version;
  int32_t CallType;
  int32_t Hobj;
  void* CallbackArea;
  void* ConnectionArea;
  int32_t CompCode;
  int32_t Reason;
  int32_t State;
  int32_t DataLength;
  int32_t BufferLength;
  int32_t Flags;
  int32_t ReconnectDelay;
};

// The record that carries a registration's Java target to the callback.
struct TalyCallbackArea {
  char StrucId[4];  // "TJCA"
  int32_t Version;  // 1
  int32_t callback_index;
  void* java_callback_instance;  // a JNI global reference
};

// Character string descriptor inside a VXOD.
struct VXCHARV {
  void* VSPtr;
  int32_t VSOffset;
  int32_t VSBufSize;
  int32_t VSLength;
  int32_t VSCCSID;
};

// Object descriptor, as the dump request builds it.
struct VXOD {
  char StrucId[4];
  int32_t Version;
  int32_t ObjectType;
  char ObjectName[48];
  char ObjectQMgrName[48];
  char DynamicQName[48];
  char AlternateUserId[12];
  int32_t RecsPresent;
  int32_t KnownDestCount;
  int32_t UnknownDestCount;
  int32_t InvalidDestCount;
  int32_t ObjectRecOffset;
  int32_t ResponseRecOffset;
  void* ObjectRecPtr;
  void* ResponseRecPtr;
  char AlternateSecurityId[40];
  char ResolvedQName[48];
  char ResolvedQMgrName[48];
  VXCHARV ObjectString;
  VXCHARV SelectionString;
  VXCHARV ResObjectString;
  int32_t ResolvedType;
};

// Adopt-user record of the SPI adopt-user call.
struct LpiAdoptUser {
  char StrucId[4];  // "LADU"
  int32_t Version;  // 3
  void* Channel;
  void* ConnectionName;
  int32_t* InOutValue;
  int32_t Parm19;
  char ProductIdentifier[12];
  void* ClientIdPtr;
  int32_t ClientIdOffset;
  int32_t ClientIdBufSize;
  int32_t ClientIdLength;
  int32_t ClientIdCCSID;
};

// XA transaction identifier.
struct XID {
  long formatID;
  long gtrid_length;
  long bqual_length;
  char data[128];
};

}  // extern "C"

// Integer and character fields keep their published offsets on every build.
static_assert(offsetof(VXCBD, CallbackArea) == 16);
static_assert(offsetof(VXCBC, CallType) == 8);
static_assert(offsetof(VXCBC, CallbackArea) == 16);
static_assert(offsetof(TalyCallbackArea, callback_index) == 8);
static_assert(offsetof(VXOD, AlternateUserId) == 156);
static_assert(offsetof(VXOD, RecsPresent) == 168);
static_assert(offsetof(LpiAdoptUser, Channel) == 8);

#if UINTPTR_MAX == 0xFFFFFFFFu
// 32-bit: the published layout exactly.
static_assert(offsetof(VXCBD, CallbackFunction) == 20 && offsetof(VXCBD, CallbackName) == 24);
static_assert(offsetof(VXCBD, MaxMsgLength) == 152 && sizeof(VXCBD) == 156);
static_assert(offsetof(VXCBC, CompCode) == 24 && offsetof(VXCBC, BufferLength) == 40);
static_assert(sizeof(VXCBC) == 52);
static_assert(sizeof(TalyCallbackArea) == 16);
static_assert(offsetof(LpiAdoptUser, InOutValue) == 16 && offsetof(LpiAdoptUser, ClientIdPtr) == 36);
static_assert(sizeof(LpiAdoptUser) == 56);
static_assert(offsetof(VXOD, AlternateSecurityId) == 200 && offsetof(VXOD, ObjectString) == 336);
static_assert(offsetof(VXOD, ResolvedType) == 396 && sizeof(VXOD) == 400);
static_assert(sizeof(XID) == 140);
#else
static_assert(sizeof(VXCBD) == 168 && sizeof(VXCBC) == 64 && sizeof(TalyCallbackArea) == 24);
static_assert(sizeof(LpiAdoptUser) == 72 && sizeof(VXOD) == 424 && sizeof(XID) == 152);
#endif

#endif
