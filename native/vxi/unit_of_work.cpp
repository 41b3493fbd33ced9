// Local units of work: begin, commit and back out.
#include "exports.h"

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXBEGIN(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jbyteArray vxbo,
    jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("VXBEGIN(entry)"));
  ExportFrame f(env, trace, 12);
  f.entry();
  StructureView bo(ReleaseMode::CopyBack);
  if (f.pinStructure(bo, vxbo, VxStructure::BO, 1, "native_vxbo")) {
    runtimeVector().VXBEGIN(hconn, bo.data(), &f.cc, &f.reason);
    f.callResult(hconn, "VXBEGIN");
  }
  if (bo) {
    TALY_MARK();
    bo.release();
  }
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXBEGIN(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXCMIT(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jobject ccHolder,
    jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("VXCMIT(entry)"));
  ExportFrame f(env, trace, 3);
  f.entry();
  TALY_TRACE(400, "VXCMIT");
  runtimeVector().VXCMIT(hconn, &f.cc, &f.reason);
  TALY_TRACE(400, "VXCMIT --> Reason:%d", f.reason);
  f.callResult(hconn, "VXCMIT");
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXCMIT(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXBACK(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jobject ccHolder,
    jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("VXBACK(entry)"));
  ExportFrame f(env, trace, 1);
  f.entry();
  runtimeVector().VXBACK(hconn, &f.cc, &f.reason);
  f.callResult(hconn, "VXBACK");
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXBACK(exit): rc:%d"), f.reason);
}
