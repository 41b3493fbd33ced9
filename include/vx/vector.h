// The runtime's entry-point vector.
//
// The runtime publishes one data symbol, VXInterface, that points at the
// vector record below. Every queue-manager call of the library goes through
// it, and the library reads VXInterface afresh at every call so that whoever
// repoints it takes over every later call.
//
// The published layout is a record of 32-bit words. Here every word is one
// pointer-sized slot: the entry at byte offset N of the 32-bit record is slot
// N / 4. Unused slots are explicit padding so that each entry sits exactly at
// its slot, which the static_asserts at the end check.
#ifndef VX_VECTOR_H
#define VX_VECTOR_H

#include <cstddef>
#include <cstdint>

extern "C" {

typedef int32_t VXINT;  // every handle, count, length, option and code
typedef int32_t* PVXINT;
typedef void* PVXVOID;  // an API structure or buffer in native layout

// Services table: runtime services that are not queueing calls.
struct VXServices {
  void* unused00[21];
  // 0x54: writes the value named by selector into field; *size is its size.
  VXINT (*metadataQuery)(VXINT selector, void* field, PVXINT size);
  void* unused58[3];
  // 0x64: hands the runtime the JavaVM pointer.
  VXINT (*xcsSetPointer)(void* pointer);
  void* unused68[2];
  // 0x70: writes a short text naming the calling thread at buffer, returns it.
  char* (*threadIdText)(char* buffer);
  // 0x74: the number of the call in progress on hconn.
  VXINT (*callInProgress)(VXINT hconn);
};

// XA and conversion table. XA entries return the XA return code.
struct VXXaTable {
  void* unused00[9];
  // 0x24
  void (*vpiConvertData)(VXINT hconn, VXINT p5, VXINT p6, VXINT p7, VXINT p8, PVXVOID md,
                         PVXVOID data, PVXINT dataLength, VXINT p12, VXINT bufferLength,
                         PVXINT cc, PVXINT reason, PVXINT second);
  void* unused28;
  VXINT (*close)(PVXVOID xaInfo, VXINT rmid, VXINT flags);                    // 0x2C
  VXINT (*commit)(PVXVOID xid, VXINT rmid, VXINT flags);                      // 0x30
  VXINT (*complete)(PVXINT handle, PVXINT retval, VXINT rmid, VXINT flags);   // 0x34
  VXINT (*end)(PVXVOID xid, VXINT rmid, VXINT flags);                         // 0x38
  VXINT (*forget)(PVXVOID xid, VXINT rmid, VXINT flags);                      // 0x3C
  VXINT (*open)(PVXVOID xaInfo, VXINT rmid, VXINT flags, VXINT code, VXINT zero1,
                VXINT zero2);                                                 // 0x40
  VXINT (*prepare)(PVXVOID xid, VXINT rmid, VXINT flags);                     // 0x44
  VXINT (*recover)(PVXVOID xids, VXINT count, VXINT rmid, VXINT flags);       // 0x48
  VXINT (*rollback)(PVXVOID xid, VXINT rmid, VXINT flags);                    // 0x4C
  VXINT (*start)(PVXVOID xid, VXINT rmid, VXINT flags, VXINT zero);           // 0x50
};

// Service-provider (SPI) table: the runtime's private calls.
struct VXSpiTable {
  void* unused00[3];
  void (*lpiSPIActivateMessage)(VXINT hconn, PVXVOID activation, PVXINT cc, PVXINT reason);  // 0x0C
  void (*lpiSPIAdoptUser)(VXINT hconn, VXINT p5, PVXVOID lexPContext, PVXVOID applName, VXINT p8,
                          PVXVOID acctToken, VXINT p10, PVXVOID adoptUser, PVXVOID securityParms,
                          VXINT p19, PVXVOID connectionId, PVXINT cc, PVXINT reason);  // 0x10
  void* unused14[8];
  void (*lpiSPIDefine)(VXINT hconn, VXINT define, PVXVOID objectSelector, PVXVOID likeObject,
                       VXINT selectorCount, PVXVOID selectors, VXINT intAttrCount,
                       PVXVOID intAttrs, VXINT charAttrLength, PVXVOID charAttrs,
                       PVXVOID filterElement, PVXVOID attrErrors, PVXINT cc,
                       PVXINT reason);  // 0x34
  void* unused38;
  void (*lpiSPIDelete)(VXINT hconn, PVXVOID objectSelector, VXINT remove, PVXINT cc,
                       PVXINT reason);  // 0x3C
  void* unused40[5];
  void (*lpiSPIGet)(VXINT hconn, VXINT hobj, PVXVOID md, PVXVOID gmo, VXINT bufferLength,
                    PVXVOID buffer, PVXINT dataLength, PVXVOID spiGetOptions, PVXINT cc,
                    PVXINT reason);  // 0x54
  void* unused58[3];
  void (*spiInquire)(VXINT hconn, PVXVOID objectSelector, VXINT selectorCount, PVXVOID selectors,
                     VXINT intAttrCount, PVXVOID intAttrs, VXINT charAttrLength,
                     PVXVOID charAttrs, PVXVOID filterElement, PVXINT cc,
                     PVXINT reason);  // 0x64
  void* unused68[2];
  void (*lpiSPIInquireNamedSubscribers)(VXINT hconn, PVXVOID callOptions, PVXVOID subName,
                                        VXINT value, PVXVOID subIds, PVXINT inOut, PVXINT out,
                                        PVXINT cc, PVXINT reason);  // 0x70
  void* unused74[10];
  void (*lpiSPIVXConnect)(PVXVOID qmgrName, PVXVOID spiConnectOptions, PVXVOID cno,
                          PVXINT hconn, PVXINT cc, PVXINT reason);  // 0x9C
  void (*lpiSPINotify)(VXINT hconn, VXINT value, PVXVOID details, PVXINT cc,
                       PVXINT reason);  // 0xA0
  void (*lpiSPIOpen)(VXINT hconn, PVXVOID od, PVXVOID spiOpenOptions, PVXINT hobj, PVXINT cc,
                     PVXINT reason);  // 0xA4
  void* unusedA8[4];
  void (*lpiSPIPut)(VXINT hconn, VXINT hobj, PVXVOID md, PVXVOID pmo, VXINT bufferLength,
                    PVXVOID buffer, PVXVOID spiPutOptions, PVXINT cc, PVXINT reason);  // 0xB8
  void* unusedBC[14];
  void (*lpiSPISubscribe)(VXINT hconn, PVXVOID lpiSD, PVXVOID sd, PVXINT hobj, PVXINT hsub,
                          PVXINT cc, PVXINT reason);  // 0xF4
  void (*lpiSPISubscriptionRequest)(VXINT hconn, VXINT hsub, VXINT value, PVXVOID lpisrd,
                                    PVXVOID sro, PVXINT cc, PVXINT reason);  // 0xF8
  void (*lpiSPISyncPoint)(VXINT hconn, PVXVOID syncPointOptions, PVXINT cc,
                          PVXINT reason);  // 0xFC
  void (*lpiSPIUnsubscribe)(VXINT hconn, PVXVOID lpiUSD, PVXINT cc, PVXINT reason);  // 0x100
  void* unused104[4];
  void (*lpiSPICHLAUTH)(VXINT hconn, PVXVOID parms, PVXVOID unused1, PVXVOID unused2, PVXINT cc,
                        PVXINT reason);  // 0x114
  void (*lpiSPIMapCredentials)(VXINT hconn, PVXVOID lexPContext, PVXVOID mcaUser, PVXVOID csp,
                               PVXVOID acctToken, PVXVOID applName, PVXVOID channelName,
                               PVXVOID connectionName, PVXINT cc, PVXINT reason);  // 0x118
};

// Private extension record, reached from slot 0x10 of the vector.
struct VXPrivate {
  void* unused00[8];
  VXServices* services;  // 0x20
  VXXaTable* xa;         // 0x24
  VXSpiTable* spi;       // 0x28
};

// The vector record. The 25 public calls stand in alphabetical order.
struct VXVector {
  void* unused00[4];
  VXPrivate* priv;  // 0x10
  void (*VXBACK)(VXINT hconn, PVXINT cc, PVXINT reason);
  void (*VXBEGIN)(VXINT hconn, PVXVOID bo, PVXINT cc, PVXINT reason);
  void (*VXBUFMH)(VXINT hconn, VXINT hmsgLow, VXINT hmsgHigh, PVXVOID opts, PVXVOID md,
                  VXINT bufferLength, PVXVOID buffer, PVXINT dataLength, PVXINT cc,
                  PVXINT reason);
  void (*VXCB)(VXINT hconn, VXINT operation, PVXVOID cbd, VXINT hobj, PVXVOID md, PVXVOID gmo,
               PVXINT cc, PVXINT reason);
  void (*VXCLOSE)(VXINT hconn, PVXINT hobj, VXINT options, PVXINT cc, PVXINT reason);
  void (*VXCMIT)(VXINT hconn, PVXINT cc, PVXINT reason);
  void (*VXCONN)(PVXVOID qmgrName, PVXINT hconn, PVXINT cc, PVXINT reason);
  void (*VXCONNX)(PVXVOID qmgrName, PVXVOID cno, PVXINT hconn, PVXINT cc, PVXINT reason);
  void (*VXCRTMH)(VXINT hconn, PVXVOID opts, int64_t* hmsg, PVXINT cc, PVXINT reason);
  void (*VXCTL)(VXINT hconn, VXINT operation, PVXVOID ctlo, PVXINT cc, PVXINT reason);
  void (*VXDISC)(PVXINT hconn, PVXINT cc, PVXINT reason);
  void (*VXDLTMH)(VXINT hconn, int64_t* hmsg, PVXVOID opts, PVXINT cc, PVXINT reason);
  void (*VXDLTMP)(VXINT hconn, VXINT hmsgLow, VXINT hmsgHigh, PVXVOID opts, PVXVOID name,
                  PVXINT cc, PVXINT reason);
  void (*VXGET)(VXINT hconn, VXINT hobj, PVXVOID md, PVXVOID gmo, VXINT bufferLength,
                PVXVOID buffer, PVXINT dataLength, PVXINT cc, PVXINT reason);
  void (*VXINQ)(VXINT hconn, VXINT hobj, VXINT selectorCount, PVXVOID selectors,
                VXINT intAttrCount, PVXVOID intAttrs, VXINT charAttrLength, PVXVOID charAttrs,
                PVXINT cc, PVXINT reason);
  void (*VXINQMP)(VXINT hconn, VXINT hmsgLow, VXINT hmsgHigh, PVXVOID opts, PVXVOID name,
                  PVXVOID propDesc, PVXINT type, VXINT valueLength, PVXVOID value,
                  PVXINT dataLength, PVXINT cc, PVXINT reason);
  void (*VXMHBUF)(VXINT hconn, VXINT hmsgLow, VXINT hmsgHigh, PVXVOID opts, PVXVOID name,
                  PVXVOID md, VXINT bufferLength, PVXVOID buffer, PVXINT dataLength, PVXINT cc,
                  PVXINT reason);
  void (*VXOPEN)(VXINT hconn, PVXVOID od, VXINT options, PVXINT hobj, PVXINT cc, PVXINT reason);
  void (*VXPUT)(VXINT hconn, VXINT hobj, PVXVOID md, PVXVOID pmo, VXINT bufferLength,
                PVXVOID buffer, PVXINT cc, PVXINT reason);
  void (*VXPUT1)(VXINT hconn, PVXVOID od, PVXVOID md, PVXVOID pmo, VXINT bufferLength,
                 PVXVOID buffer, PVXINT cc, PVXINT reason);
  void (*VXSET)(VXINT hconn, VXINT hobj, VXINT selectorCount, PVXVOID selectors,
                VXINT intAttrCount, PVXVOID intAttrs, VXINT charAttrLength, PVXVOID charAttrs,
                PVXINT cc, PVXINT reason);
  void (*VXSETMP)(VXINT hconn, VXINT hmsgLow, VXINT hmsgHigh, PVXVOID opts, PVXVOID name,
                  PVXVOID propDesc, VXINT type, VXINT valueLength, PVXVOID value, PVXINT cc,
                  PVXINT reason);
  void (*VXSTAT)(VXINT hconn, VXINT type, PVXVOID sts, PVXINT cc, PVXINT reason);
  void (*VXSUB)(VXINT hconn, PVXVOID sd, PVXINT hobj, PVXINT hsub, PVXINT cc, PVXINT reason);
  void (*VXSUBRQ)(VXINT hconn, VXINT hsub, VXINT action, PVXVOID sro, PVXINT cc, PVXINT reason);
};

// The consumer function that the library hands the runtime at registration.
typedef void (*VXConsumerFunction)(VXINT hconn, void* md, void* gmo, void* buffer, void* cbc);

// Defined by the runtime library.
extern VXVector* VXInterface;

}  // extern "C"

// Byte offset N of the 32-bit record is slot N / 4.
#define VX_SLOT(type, member, offset32) \
  static_assert(offsetof(type, member) == (offset32) / 4 * sizeof(void*), #type "." #member)

VX_SLOT(VXVector, priv, 0x10);
VX_SLOT(VXVector, VXBACK, 0x14);
VX_SLOT(VXVector, VXBEGIN, 0x18);
VX_SLOT(VXVector, VXBUFMH, 0x1C);
VX_SLOT(VXVector, VXCB, 0x20);
VX_SLOT(VXVector, VXCLOSE, 0x24);
VX_SLOT(VXVector, VXCMIT, 0x28);
VX_SLOT(VXVector, VXCONN, 0x2C);
VX_SLOT(VXVector, VXCONNX, 0x30);
VX_SLOT(VXVector, VXCRTMH, 0x34);
VX_SLOT(VXVector, VXCTL, 0x38);
VX_SLOT(VXVector, VXDISC, 0x3C);
VX_SLOT(VXVector, VXDLTMH, 0x40);
VX_SLOT(VXVector, VXDLTMP, 0x44);
VX_SLOT(VXVector, VXGET, 0x48);
VX_SLOT(VXVector, VXINQ, 0x4C);
VX_SLOT(VXVector, VXINQMP, 0x50);
VX_SLOT(VXVector, VXMHBUF, 0x54);
VX_SLOT(VXVector, VXOPEN, 0x58);
VX_SLOT(VXVector, VXPUT, 0x5C);
VX_SLOT(VXVector, VXPUT1, 0x60);
VX_SLOT(VXVector, VXSET, 0x64);
VX_SLOT(VXVector, VXSETMP, 0x68);
VX_SLOT(VXVector, VXSTAT, 0x6C);
VX_SLOT(VXVector, VXSUB, 0x70);
VX_SLOT(VXVector, VXSUBRQ, 0x74);

VX_SLOT(VXPrivate, services, 0x20);
VX_SLOT(VXPrivate, xa, 0x24);
VX_SLOT(VXPrivate, spi, 0x28);

VX_SLOT(VXServices, metadataQuery, 0x54);
VX_SLOT(VXServices, xcsSetPointer, 0x64);
VX_SLOT(VXServices, threadIdText, 0x70);
VX_SLOT(VXServices, callInProgress, 0x74);

VX_SLOT(VXXaTable, vpiConvertData, 0x24);
VX_SLOT(VXXaTable, close, 0x2C);
VX_SLOT(VXXaTable, commit, 0x30);
VX_SLOT(VXXaTable, complete, 0x34);
VX_SLOT(VXXaTable, end, 0x38);
VX_SLOT(VXXaTable, forget, 0x3C);
VX_SLOT(VXXaTable, open, 0x40);
VX_SLOT(VXXaTable, prepare, 0x44);
VX_SLOT(VXXaTable, recover, 0x48);
VX_SLOT(VXXaTable, rollback, 0x4C);
VX_SLOT(VXXaTable, start, 0x50);

VX_SLOT(VXSpiTable, lpiSPIActivateMessage, 0x0C);
VX_SLOT(VXSpiTable, lpiSPIAdoptUser, 0x10);
VX_SLOT(VXSpiTable, lpiSPIDefine, 0x34);
VX_SLOT(VXSpiTable, lpiSPIDelete, 0x3C);
VX_SLOT(VXSpiTable, lpiSPIGet, 0x54);
VX_SLOT(VXSpiTable, spiInquire, 0x64);
VX_SLOT(VXSpiTable, lpiSPIInquireNamedSubscribers, 0x70);
VX_SLOT(VXSpiTable, lpiSPIVXConnect, 0x9C);
VX_SLOT(VXSpiTable, lpiSPINotify, 0xA0);
VX_SLOT(VXSpiTable, lpiSPIOpen, 0xA4);
VX_SLOT(VXSpiTable, lpiSPIPut, 0xB8);
VX_SLOT(VXSpiTable, lpiSPISubscribe, 0xF4);
VX_SLOT(VXSpiTable, lpiSPISubscriptionRequest, 0xF8);
VX_SLOT(VXSpiTable, lpiSPISyncPoint, 0xFC);
VX_SLOT(VXSpiTable, lpiSPIUnsubscribe, 0x100);
VX_SLOT(VXSpiTable, lpiSPICHLAUTH, 0x114);
VX_SLOT(VXSpiTable, lpiSPIMapCredentials, 0x118);

#endif
