// The vector's private (service-provider) entries that the embedded queue
// manager answers: every entry of the SPI table.
#ifndef VXRT_SPI_ENTRIES_H
#define VXRT_SPI_ENTRIES_H

#include "vx/vector.h"

namespace vxrt {

void lpiSPIVXConnect(PVXVOID qmgrName, PVXVOID spiConnectOptions, PVXVOID cno, PVXINT hconn,
                     PVXINT cc, PVXINT reason);
void lpiSPIOpen(VXINT hconn, PVXVOID od, PVXVOID spiOpenOptions, PVXINT hobj, PVXINT cc, PVXINT reason);
void lpiSPIPut(VXINT hconn, VXINT hobj, PVXVOID md, PVXVOID pmo, VXINT bufferLength, PVXVOID buffer,
               PVXVOID spiPutOptions, PVXINT cc, PVXINT reason);
void lpiSPIGet(VXINT hconn, VXINT hobj, PVXVOID md, PVXVOID gmo, VXINT bufferLength, PVXVOID buffer,
               PVXINT dataLength, PVXVOID spiGetOptions, PVXINT cc, PVXINT reason);
void lpiSPISyncPoint(VXINT hconn, PVXVOID syncPointOptions, PVXINT cc, PVXINT reason);
void lpiSPIActivateMessage(VXINT hconn, PVXVOID activation, PVXINT cc, PVXINT reason);
void lpiSPINotify(VXINT hconn, VXINT value, PVXVOID details, PVXINT cc, PVXINT reason);

void lpiSPIDefine(VXINT hconn, VXINT define, PVXVOID objectSelector, PVXVOID likeObject,
                  VXINT selectorCount, PVXVOID selectors, VXINT intAttrCount, PVXVOID intAttrs,
                  VXINT charAttrLength, PVXVOID charAttrs, PVXVOID filterElement, PVXVOID attrErrors,
                  PVXINT cc, PVXINT reason);
void lpiSPIDelete(VXINT hconn, PVXVOID objectSelector, VXINT remove, PVXINT cc, PVXINT reason);
void spiInquire(VXINT hconn, PVXVOID objectSelector, VXINT selectorCount, PVXVOID selectors,
                VXINT intAttrCount, PVXVOID intAttrs, VXINT charAttrLength, PVXVOID charAttrs,
                PVXVOID filterElement, PVXINT cc, PVXINT reason);

void lpiSPICHLAUTH(VXINT hconn, PVXVOID parms, PVXVOID unused1, PVXVOID unused2, PVXINT cc, PVXINT reason);
void lpiSPIAdoptUser(VXINT hconn, VXINT p5, PVXVOID lexPContext, PVXVOID applName, VXINT p8,
                     PVXVOID acctToken, VXINT p10, PVXVOID adoptUser, PVXVOID securityParms, VXINT p19,
                     PVXVOID connectionId, PVXINT cc, PVXINT reason);
void lpiSPIMapCredentials(VXINT hconn, PVXVOID lexPContext, PVXVOID mcaUser, PVXVOID csp,
                          PVXVOID acctToken, PVXVOID applName, PVXVOID channelName,
                          PVXVOID connectionName, PVXINT cc, PVXINT reason);

void lpiSPIInquireNamedSubscribers(VXINT hconn, PVXVOID callOptions, PVXVOID subName, VXINT nameLength,
                                   PVXVOID subIds, PVXINT inOut, PVXINT out, PVXINT cc, PVXINT reason);
void lpiSPISubscribe(VXINT hconn, PVXVOID lpiSD, PVXVOID sd, PVXINT hobj, PVXINT hsub, PVXINT cc,
                     PVXINT reason);
void lpiSPISubscriptionRequest(VXINT hconn, VXINT hsub, VXINT action, PVXVOID lpisrd, PVXVOID sro,
                               PVXINT cc, PVXINT reason);
void lpiSPIUnsubscribe(VXINT hconn, PVXVOID lpiUSD, PVXINT cc, PVXINT reason);

// The conversion entry of the XA and conversion table (spi_convert.cpp).
void vpiConvertData(VXINT hconn, VXINT options, VXINT encoding, VXINT ccsid, VXINT anyFormat, PVXVOID md,
                    PVXVOID data, PVXINT dataLength, VXINT reserved, VXINT bufferLength, PVXINT cc,
                    PVXINT reason, PVXINT unmapped);

#define VXRT_SPI_IMPLEMENTED_CALLS(X)                                                         \
  X(lpiSPIVXConnect) X(lpiSPIOpen) X(lpiSPIPut) X(lpiSPIGet) X(lpiSPISyncPoint)             \
  X(lpiSPIActivateMessage) X(lpiSPINotify) X(lpiSPIDefine) X(lpiSPIDelete) X(spiInquire) \
  X(lpiSPICHLAUTH) X(lpiSPIAdoptUser) X(lpiSPIMapCredentials) X(lpiSPIInquireNamedSubscribers) \
  X(lpiSPISubscribe) X(lpiSPISubscriptionRequest) X(lpiSPIUnsubscribe)

}  // namespace vxrt

#endif
