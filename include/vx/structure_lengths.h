// How much of each structure the runtime reads and writes: all of its
// layout, at every version (every version of a structure here shares one
// layout, so one length serves them all). The runtime reads and writes no
// byte of a structure past this length, and the library refuses an array
// shorter than it before the runtime sees the array. Strings and records
// that a structure names by offset lie after it; the library checks them
// against the array too.
#ifndef VX_STRUCTURE_LENGTHS_H
#define VX_STRUCTURE_LENGTHS_H

#include <cstdint>

#include "vx/api.h"
#include "vx/spi.h"

enum class VxStructure {
  MD,
  GMO,
  PMO,
  OD,
  CNO,
  CSP,
  BO,
  SD,
  SRO,
  STS,
  CMHO,
  DMHO,
  SMPO,
  DMPO,
  PD,
  IMPO,
  MHBO,
  BMHO,
  PropertyName,  // a VXCHARV, the name's bytes after it
  CTLO,
  CBD,
  SpiConnectOptions,
  SpiOpenOptions,
  SpiPutOptions,
  SpiGetOptions,
  SpiSyncPointOptions,
  SpiActivation,
  SpiNotifyDetails,
  SpiObjectSelector,
  SpiFilterElement,
  SpiAttrErrors,
  SpiChlAuthParms,
  SpiSecurityContext,
  SpiNamedSubscriberOptions,
  SpiSubscribeDescriptor,
  SpiSubscriptionRequest,
  SpiUnsubscribeDescriptor,
};

constexpr int32_t vxStructureLength(VxStructure structure) {
  switch (structure) {
    case VxStructure::MD: return sizeof(VXMD);
    case VxStructure::GMO: return sizeof(VXGMO);
    case VxStructure::PMO: return sizeof(VXPMO);
    case VxStructure::OD: return sizeof(VXOD);
    case VxStructure::CNO: return sizeof(VXCNO);
    case VxStructure::CSP: return sizeof(VXCSP);
    case VxStructure::BO: return sizeof(VXBO);
    case VxStructure::SD: return sizeof(VXSD);
    case VxStructure::SRO: return sizeof(VXSRO);
    case VxStructure::STS: return sizeof(VXSTS);
    case VxStructure::CMHO: return sizeof(VXCMHO);
    case VxStructure::DMHO: return sizeof(VXDMHO);
    case VxStructure::SMPO: return sizeof(VXSMPO);
    case VxStructure::DMPO: return sizeof(VXDMPO);
    case VxStructure::PD: return sizeof(VXPD);
    case VxStructure::IMPO: return sizeof(VXIMPO);
    case VxStructure::MHBO: return sizeof(VXMHBO);
    case VxStructure::BMHO: return sizeof(VXBMHO);
    case VxStructure::PropertyName: return sizeof(VXCHARV);
    case VxStructure::CTLO: return sizeof(VXCTLO);
    case VxStructure::CBD: return sizeof(VXCBD);
    case VxStructure::SpiConnectOptions: return sizeof(LpiConnectOptions);
    case VxStructure::SpiOpenOptions: return sizeof(LpiOpenOptions);
    case VxStructure::SpiPutOptions: return sizeof(LpiPutOptions);
    case VxStructure::SpiGetOptions: return sizeof(LpiGetOptions);
    case VxStructure::SpiSyncPointOptions: return sizeof(LpiSyncPointOptions);
    case VxStructure::SpiActivation: return sizeof(LpiActivation);
    case VxStructure::SpiNotifyDetails: return sizeof(LpiNotifyDetails);
    case VxStructure::SpiObjectSelector: return sizeof(LpiObjectSelector);
    case VxStructure::SpiFilterElement: return sizeof(LpiFilterElement);
    case VxStructure::SpiAttrErrors: return sizeof(LpiAttrErrors);
    case VxStructure::SpiChlAuthParms: return sizeof(LpiChlAuthParms);
    case VxStructure::SpiSecurityContext: return sizeof(LpiSecurityContext);
    case VxStructure::SpiNamedSubscriberOptions: return sizeof(LpiNamedSubscriberOptions);
    case VxStructure::SpiSubscribeDescriptor: return sizeof(LpiSubscribeDescriptor);
    case VxStructure::SpiSubscriptionRequest: return sizeof(LpiSubscriptionRequestDescriptor);
    case VxStructure::SpiUnsubscribeDescriptor: return sizeof(LpiUnsubscribeDescriptor);
  }
  return 0;
}

#endif
