// Message handles and message properties: the structures of VXCRTMH,
// VXDLTMH, VXSETMP, VXINQMP, VXDLTMP, VXMHBUF and VXBUFMH, the property
// types, and the buffer form of a handle's properties.
//
// A message handle belongs to the connection that made it and holds named,
// typed properties. A put whose VXPMO.MsgHandle names a handle carries a copy
// of its properties with the message (and with every delivery of a
// publication); a get whose VXGMO.MsgHandle names a handle replaces the
// handle's properties with the message's. Without a handle a get leaves them.
// A handle is 64 bits; 0 is never a handle.
//
// Property names are 1 to VX_MAX_PROPERTY_NAME_LENGTH bytes: a letter or '_',
// then letters, digits, '_' and '.'; case counts. VXINQMP and VXMHBUF also
// take a pattern: a name, or the start of names followed by '%' ("%" alone
// names every property). A name travels as a VXCHARV (vx/structs.h) whose
// bytes are at VSPtr, or when that is null at VSOffset bytes from the start of
// the VXCHARV itself (the Java side puts them right after it); VSLength is the
// length, nothing past it is read.
//
// Every options structure and the property descriptor may be null, which
// means the defaults; one that is given needs its identifier and a version
// from 1 to the current one, and its Options word must hold only the options
// below.
#ifndef VX_PROPERTIES_H
#define VX_PROPERTIES_H

#include <cstddef>
#include <cstdint>

// A message handle inside a structure. Aligned to 4 bytes, as every other
// field, so that a structure holding one needs no more alignment than before
// and keeps its offsets on 32 and 64 bits.
typedef int64_t VXHMSG __attribute__((aligned(4)));

// Property types. A value is given in the machine's byte order, of exactly
// the length its type has; strings (bytes, meant as UTF-8) and byte strings
// of any length up to VX_MAX_PROPERTY_VALUE_LENGTH.
enum : int32_t {
  VXPT_ANY = 0,      // VXINQMP: whatever type the property has
  VXPT_BOOLEAN = 1,  // 4 bytes: a 32-bit 0 or 1
  VXPT_BYTES = 2,
  VXPT_STRING = 3,
  VXPT_INT8 = 4,     // 1 byte
  VXPT_INT16 = 5,    // 2 bytes
  VXPT_INT32 = 6,    // 4 bytes
  VXPT_INT64 = 7,    // 8 bytes
  VXPT_FLOAT32 = 8,  // 4 bytes, IEEE 754
  VXPT_FLOAT64 = 9,  // 8 bytes, IEEE 754
};

constexpr int32_t VX_MAX_PROPERTY_NAME_LENGTH = 128;
constexpr int32_t VX_MAX_PROPERTY_VALUE_LENGTH = 1024 * 1024;
constexpr int32_t VX_MAX_PROPERTIES = 1024;                     // per handle
constexpr int32_t VX_MAX_PROPERTIES_LENGTH = 4 * 1024 * 1024;   // buffer form of a handle's
constexpr int32_t VX_MAX_MSG_HANDLES = 4096;                    // per connection

extern "C" {

// Create- and delete-message-handle options, set-property and
// delete-property options, and the property descriptor: version 1, 16 bytes
// each, with no options defined yet.
struct VXCMHO {
  char StrucId[4];    //  0 "CMHO"
  int32_t Version;    //  4 1
  int32_t Options;    //  8 VXCMHO_NONE
  int32_t Reserved;   // 12 not used
};
struct VXDMHO {
  char StrucId[4];    //  0 "DMHO"
  int32_t Version;    //  4 1
  int32_t Options;    //  8 VXDMHO_NONE
  int32_t Reserved;   // 12 not used
};
struct VXSMPO {
  char StrucId[4];    //  0 "SMPO"
  int32_t Version;    //  4 1
  int32_t Options;    //  8 VXSMPO_NONE
  int32_t Reserved;   // 12 not used
};
struct VXDMPO {
  char StrucId[4];    //  0 "DMPO"
  int32_t Version;    //  4 1
  int32_t Options;    //  8 VXDMPO_NONE
  int32_t Reserved;   // 12 not used
};
struct VXPD {
  char StrucId[4];    //  0 "PD  "
  int32_t Version;    //  4 1
  int32_t Options;    //  8 VXPD_NONE
  int32_t Reserved;   // 12 not used
};

// Inquire-property options: version 1, 160 bytes. VXINQMP returns the first
// property that matches the name (in the order the properties were first
// set), or with VXIMPO_INQ_NEXT the next one after the last that this handle
// returned. The type cell asks for VXPT_ANY or one type (a property of
// another type is refused) and receives the property's type; the data-length
// cell receives the value's full length, also when the value buffer was too
// short (warning VXRC_PROPERTY_VALUE_TRUNCATED, with what fits returned).
struct VXIMPO {
  char StrucId[4];             //   0 "IMPO"
  int32_t Version;             //   4 1
  int32_t Options;             //   8 VXIMPO_*
  int32_t ReturnedNameLength;  //  12 out: the length of the property's name
  char ReturnedName[128];      //  16 out: the property's name, NUL-padded
  char Reserved[16];           // 144 not used
};

// Handle-to-buffer options (VXMHBUF): version 1, 24 bytes.
struct VXMHBO {
  char StrucId[4];         //  0 "MHBO"
  int32_t Version;         //  4 1
  int32_t Options;         //  8 VXMHBO_NONE
  int32_t RequiredLength;  // 12 out: the length of the buffer form, also when the
                           //    buffer was too short (VXRC_PROPERTIES_TOO_BIG)
  int32_t PropertyCount;   // 16 out: the properties written
  int32_t Reserved;        // 20 not used
};

// Buffer-to-handle options (VXBUFMH): version 1, 24 bytes.
struct VXBMHO {
  char StrucId[4];        //  0 "BMHO"
  int32_t Version;        //  4 1
  int32_t Options;        //  8 VXBMHO_*
  int32_t PropertyCount;  // 12 out: the properties set on the handle
  char Reserved[8];       // 16 not used
};

// The buffer form of properties: a block that a message's data may start
// with. VXMHBUF writes the block of the properties that match its name
// pattern; VXBUFMH reads one and sets its properties on a handle. All
// integers are in the machine's byte order.
//
//   header (VXPBH, 24 bytes), then PropertyCount records, each:
//   record header (VXPBR, 16 bytes), the name's bytes, the value's bytes,
//   and zero bytes up to a multiple of 4 (RecordLength counts them all; a
//   block whose padding is not zero is refused).
//
// VXMHBUF with a message descriptor stores the descriptor's Format in the
// header and sets the descriptor's Format to VXFMT_PROPERTIES, so that the
// descriptor describes the block followed by the data. VXBUFMH with a
// descriptor reads a block only when its Format is VXFMT_PROPERTIES (any other
// format: no properties, nothing changes); without one the buffer must start
// with a block. With VXBMHO_DELETE_PROPERTIES it moves the data after the
// block to the start of the buffer and gives the descriptor the header's
// Format. The data-length cell receives the length of the data after the
// block.
struct VXPBH {
  char StrucId[4];        //  0 "PBH "
  int32_t Version;        //  4 1
  int32_t TotalLength;    //  8 the block's length: header and records
  int32_t PropertyCount;  // 12
  char Format[8];         // 16 the format of the data that follows the block
};
struct VXPBR {
  int32_t RecordLength;  //  0 a multiple of 4
  int32_t Type;          //  4 VXPT_*, not VXPT_ANY
  int32_t NameLength;    //  8
  int32_t ValueLength;   // 12
};

}  // extern "C"

#define VXCMHO_STRUC_ID "CMHO"
#define VXDMHO_STRUC_ID "DMHO"
#define VXSMPO_STRUC_ID "SMPO"
#define VXDMPO_STRUC_ID "DMPO"
#define VXPD_STRUC_ID "PD  "
#define VXIMPO_STRUC_ID "IMPO"
#define VXMHBO_STRUC_ID "MHBO"
#define VXBMHO_STRUC_ID "BMHO"
#define VXPBH_STRUC_ID "PBH "
#define VXFMT_PROPERTIES "VXPROPS "
constexpr int32_t VXCMHO_CURRENT_VERSION = 1, VXCMHO_LENGTH = 16;
constexpr int32_t VXDMHO_CURRENT_VERSION = 1, VXDMHO_LENGTH = 16;
constexpr int32_t VXSMPO_CURRENT_VERSION = 1, VXSMPO_LENGTH = 16;
constexpr int32_t VXDMPO_CURRENT_VERSION = 1, VXDMPO_LENGTH = 16;
constexpr int32_t VXPD_CURRENT_VERSION = 1, VXPD_LENGTH = 16;
constexpr int32_t VXIMPO_CURRENT_VERSION = 1, VXIMPO_LENGTH = 160;
constexpr int32_t VXMHBO_CURRENT_VERSION = 1, VXMHBO_LENGTH = 24;
constexpr int32_t VXBMHO_CURRENT_VERSION = 1, VXBMHO_LENGTH = 24;
constexpr int32_t VXPBH_CURRENT_VERSION = 1, VXPBH_LENGTH = 24;
constexpr int32_t VXPBR_LENGTH = 16;

enum : int32_t { VXCMHO_NONE = 0 };
enum : int32_t { VXDMHO_NONE = 0 };
enum : int32_t { VXSMPO_NONE = 0 };
enum : int32_t { VXDMPO_NONE = 0 };
enum : int32_t { VXPD_NONE = 0 };
enum : int32_t {
  VXIMPO_INQ_FIRST = 0,
  VXIMPO_INQ_NEXT = 0x1,
};
enum : int32_t { VXMHBO_NONE = 0 };
enum : int32_t {
  VXBMHO_NONE = 0,
  VXBMHO_DELETE_PROPERTIES = 0x1,
};

static_assert(sizeof(VXCMHO) == VXCMHO_LENGTH && sizeof(VXDMHO) == VXDMHO_LENGTH);
static_assert(sizeof(VXSMPO) == VXSMPO_LENGTH && sizeof(VXDMPO) == VXDMPO_LENGTH);
static_assert(sizeof(VXPD) == VXPD_LENGTH && sizeof(VXIMPO) == VXIMPO_LENGTH);
static_assert(offsetof(VXIMPO, ReturnedName) == 16 && sizeof VXIMPO::ReturnedName ==
              static_cast<size_t>(VX_MAX_PROPERTY_NAME_LENGTH));
static_assert(offsetof(VXMHBO, RequiredLength) == 12 && sizeof(VXMHBO) == VXMHBO_LENGTH);
static_assert(offsetof(VXBMHO, PropertyCount) == 12 && sizeof(VXBMHO) == VXBMHO_LENGTH);
static_assert(offsetof(VXPBH, Format) == 16 && sizeof(VXPBH) == VXPBH_LENGTH);
static_assert(sizeof(VXPBR) == VXPBR_LENGTH);

#endif
