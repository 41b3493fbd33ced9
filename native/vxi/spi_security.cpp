// Service-provider security: lpiSPIAdoptUser, lpiSPIMapCredentials and
// lpiSPICHLAUTH. Every array is copied back on every path.
#include <cstring>

#include "vxi/spi_calls.h"

namespace {

constexpr int32_t kSecurityFunction = 0;
constexpr int32_t kAdoptUserVersion = 3;
constexpr jsize kProductIdLength = sizeof(LpiAdoptUser::ProductIdentifier);

// The record that tells the runtime whom to adopt. It lives for the call
// only, like the in/out value it points at.
LpiAdoptUser adoptUserRecord(const PinnedBytes& channel, const PinnedBytes& connectionName,
                             int32_t* inOut, jint parm19, const PinnedBytes& productId,
                             const PinnedBytes& clientId, jsize clientIdLength, jint clientCcsid) {
  LpiAdoptUser record{};
  std::memcpy(record.StrucId, "LADU", sizeof record.StrucId);
  record.Version = kAdoptUserVersion;
  record.Channel = channel.data();
  record.ConnectionName = connectionName.data();
  record.InOutValue = inOut;
  record.Parm19 = parm19;
  // Without a product identifier the field stays zero.
  if (productId) std::memcpy(record.ProductIdentifier, productId.data(), kProductIdLength);
  record.ClientIdPtr = clientId.data();
  record.ClientIdOffset = 0;
  record.ClientIdBufSize = clientIdLength;
  record.ClientIdLength = clientIdLength;
  record.ClientIdCCSID = clientCcsid;
  return record;
}

}  // namespace

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_lpiSPIAdoptUser(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jint parm5,
    jbyteArray lexPContext, jbyteArray applName, jint parm8, jbyteArray acctToken, jint parm10,
    jbyteArray channel, jbyteArray connectionName, jobject inOutHolder, jint,
    jbyteArray productIdentifier, jbyteArray clientIdentifier, jint clientCcsid,
    jbyteArray securityParms, jint parm19, jbyteArray connectionId, jobject ccHolder,
    jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("lpiSPIAdoptUser(entry)"));
  ExportFrame f(env, trace, kSecurityFunction);
  f.entry();
  StructureView lexP(ReleaseMode::CopyBack);
  PlainBytes acct(ReleaseMode::CopyBack);
  PlainBytes appl(ReleaseMode::CopyBack);
  StructureView chan(ReleaseMode::CopyBack);
  PlainBytes connName(ReleaseMode::CopyBack);
  PlainBytes productId(ReleaseMode::CopyBack);
  PlainBytes clientId(ReleaseMode::CopyBack);
  PlainBytes connId(ReleaseMode::CopyBack);
  StructureView security(ReleaseMode::CopyBack);
  jsize clientIdLength = 0;
  f.pinStructure(lexP, lexPContext, VxStructure::SpiSecurityContext, 2, "native_lexPContext") &&
      f.pin(acct, acctToken, 1, "native_acctToken is null") &&
      f.pin(appl, applName, 1, "native_applName is null") &&
      f.pin(chan, channel, 2, "native_channel is null") &&
      f.pin(connName, connectionName, 1, "native_connectionName is null") &&
      // The record takes the first bytes of the product identifier and gives them back.
      f.fits(productIdentifier, kProductIdLength, 1, 1, "native_productIdentifier") &&
      f.pin(productId, productIdentifier, 1, "native_productIdentifier is null");
  if (f.ok() && clientIdentifier != nullptr) clientIdLength = env->GetArrayLength(clientIdentifier);
  f.pin(clientId, clientIdentifier, 1, "native_clientIdentifier is null") &&
      f.pin(connId, connectionId, 1, "native_connectionId is null") &&
      f.pin(security, securityParms, 2, "native_securityParms is null");

  int32_t inOut = f.pint(inOutHolder);
  LpiAdoptUser record = adoptUserRecord(chan, connName, &inOut, parm19, productId, clientId,
                                        clientIdLength, clientCcsid);
  if (f.ok()) {
    spiTable().lpiSPIAdoptUser(hconn, parm5, lexP.data(), appl.data(), parm8, acct.data(), parm10,
                               &record, security.data(), parm19, connId.data(), &f.cc,
                               &f.reason);
    f.callResult(hconn, "lpiSPIAdoptUser");
  }
  releaseMarked(lexP);
  releaseMarked(security);
  releaseMarked(chan);
  appl.release();
  acct.release();
  connId.release();
  connName.release();
  // A product identifier that the runtime changed reaches Java.
  if (productId) std::memcpy(productId.data(), record.ProductIdentifier, kProductIdLength);
  productId.release();
  clientId.release();
  f.setPint(inOutHolder, inOut);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("lpiSPIAdoptUser(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_lpiSPIMapCredentials(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jbyteArray lexPContext,
    jbyteArray mcaUser, jbyteArray vxcspBuf, jbyteArray acctToken, jbyteArray applName,
    jbyteArray channelName, jbyteArray connectionName, jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("lpiSPIMapCredentials(entry)"));
  ExportFrame f(env, trace, kSecurityFunction);
  f.entry();
  StructureView lexP(ReleaseMode::CopyBack);
  PlainBytes user(ReleaseMode::CopyBack);
  StructureView csp(ReleaseMode::CopyBack);
  PlainBytes acct(ReleaseMode::CopyBack);
  PlainBytes appl(ReleaseMode::CopyBack);
  PlainBytes chanName(ReleaseMode::CopyBack);
  PlainBytes connName(ReleaseMode::CopyBack);
  if (f.pinStructure(lexP, lexPContext, VxStructure::SpiSecurityContext, 2, "native_lexPContext") &&
      f.pin(user, mcaUser, 2, "native_mcaUser is null") &&
      f.pin(csp, vxcspBuf, 2, "native_vxcsp_buf is null") &&
      f.pin(acct, acctToken, 1, "native_acctToken is null") &&
      f.pin(appl, applName, 1, "native_applName is null") &&
      f.pin(chanName, channelName, 2, "native_channelName is null") &&
      f.pin(connName, connectionName, 1, "native_connectionName is null")) {
    spiTable().lpiSPIMapCredentials(hconn, lexP.data(), user.data(), csp.data(), acct.data(),
                                    appl.data(), chanName.data(), connName.data(), &f.cc,
                                    &f.reason);
    f.callResult(hconn, "lpiSPIMapCredentials");
  }
  releaseMarked(lexP);
  user.release();
  releaseMarked(csp);
  acct.release();
  appl.release();
  chanName.release();
  connName.release();
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("lpiSPIMapCredentials(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_lpiSPICHLAUTH(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jbyteArray pParms,
    jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("lpiSPICHLAUTH(entry)"));
  ExportFrame f(env, trace, kSecurityFunction);
  f.entry();
  StructureView parms(ReleaseMode::CopyBack);
  // The rules cannot be checked without parameters.
  if (pParms == nullptr) {
    f.fail(1, "native_pParms is null");
  } else if (f.pinStructure(parms, pParms, VxStructure::SpiChlAuthParms, 1, "native_pParms")) {
    spiTable().lpiSPICHLAUTH(hconn, parms.data(), nullptr, nullptr, &f.cc, &f.reason);
    f.callResult(hconn, "lpiSPICHLAUTH");
  }
  releaseMarked(parms);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("lpiSPICHLAUTH(exit): rc:%d"), f.reason);
}
