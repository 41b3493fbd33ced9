// Lists of the vector's entries, for code that treats every entry alike
// (a runtime that fills every slot, a recorder that stands in for each).
#ifndef VX_VECTOR_ENTRIES_H
#define VX_VECTOR_ENTRIES_H

#define VX_PUBLIC_CALLS(X)                                                                 \
  X(VXBACK) X(VXBEGIN) X(VXBUFMH) X(VXCB) X(VXCLOSE) X(VXCMIT) X(VXCONN) X(VXCONNX)        \
  X(VXCRTMH) X(VXCTL) X(VXDISC) X(VXDLTMH) X(VXDLTMP) X(VXGET) X(VXINQ) X(VXINQMP)         \
  X(VXMHBUF) X(VXOPEN) X(VXPUT) X(VXPUT1) X(VXSET) X(VXSETMP) X(VXSTAT) X(VXSUB) X(VXSUBRQ)

#define VX_SERVICE_ENTRIES(X) X(metadataQuery) X(xcsSetPointer) X(threadIdText) X(callInProgress)

// The XA entries; vpiConvertData shares their table but is a call with codes.
#define VX_XA_ENTRIES(X) \
  X(close) X(commit) X(complete) X(end) X(forget) X(open) X(prepare) X(recover) X(rollback) X(start)

#define VX_SPI_CALLS(X)                                                                   \
  X(lpiSPIActivateMessage) X(lpiSPIAdoptUser) X(lpiSPIDefine) X(lpiSPIDelete) X(lpiSPIGet) \
  X(spiInquire) X(lpiSPIInquireNamedSubscribers) X(lpiSPIVXConnect) X(lpiSPINotify)        \
  X(lpiSPIOpen) X(lpiSPIPut) X(lpiSPISubscribe) X(lpiSPISubscriptionRequest)              \
  X(lpiSPISyncPoint) X(lpiSPIUnsubscribe) X(lpiSPICHLAUTH) X(lpiSPIMapCredentials)

#endif
