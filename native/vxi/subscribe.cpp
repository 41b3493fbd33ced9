// Subscriptions and status: VXSUB, VXSUBRQ and VXSTAT. Each hands the
// runtime one structure, which is copied back whatever the outcome.
#include "exports.h"

namespace {

// Releases the structure, if it was pinned, after a progress marker.
void releaseView(StructureView& view) {
  if (!view) return;
  TALY_MARK();
  view.release();
}

}  // namespace

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXSUB(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jbyteArray subDesc,
    jobject hobjHolder, jobject hsubHolder, jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("VXSUB(entry)"));
  ExportFrame f(env, trace, 38);
  f.entry();
  StructureView sd(ReleaseMode::CopyBack);
  if (f.pinStructure(sd, subDesc, VxStructure::SD, 4, "native_vxsd")) {
    // The object handle goes both ways; the subscription handle only comes back.
    int32_t hobj = f.hobj(hobjHolder);
    int32_t hsub = 0;
    runtimeVector().VXSUB(hconn, sd.data(), &hobj, &hsub, &f.cc, &f.reason);
    f.callResult(hconn, "VXSUB");
    if (f.ok()) {
      f.setHobj(hobjHolder, hobj);
      f.setHobj(hsubHolder, hsub);
    }
  }
  releaseView(sd);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXSUB(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXSUBRQ(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jobject hsubHolder,
    jint action, jbyteArray subRqOpts, jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("VXSUBRQ(entry)"));
  ExportFrame f(env, trace, 0);
  f.entry();
  StructureView sro(ReleaseMode::CopyBack);
  if (f.pinStructure(sro, subRqOpts, VxStructure::SRO, 4, "native_vxsro")) {
    int32_t hsub = f.hobj(hsubHolder);
    runtimeVector().VXSUBRQ(hconn, hsub, action, sro.data(), &f.cc, &f.reason);
    f.callResult(hconn, "VXSUBRQ");
  }
  releaseView(sro);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXSUBRQ(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXSTAT(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jint statusType,
    jbyteArray status, jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("VXSTAT(entry)"));
  ExportFrame f(env, trace, 32);
  f.entry();
  StructureView sts(ReleaseMode::CopyBack);
  if (f.pinStructure(sts, status, VxStructure::STS, 4, "native_vxsts")) {
    runtimeVector().VXSTAT(hconn, statusType, sts.data(), &f.cc, &f.reason);
    f.callResult(hconn, "VXSTAT");
  }
  releaseView(sts);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXSTAT(exit): rc:%d"), f.reason);
}
