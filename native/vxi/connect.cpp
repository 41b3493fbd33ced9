// Connect and disconnect: VXCONN, VXCONNX, talyDisc and VXDISC.
#include "exports.h"
#include "util/connect_options.h"

namespace {

constexpr int32_t kSkipRuntimeOption = 2;

}  // namespace

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXCONN(
    JNIEnv* env, jclass, jboolean trace, jbyteArray qmgrName, jint, jobject hconnHolder,
    jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("VXCONN(entry)"));
  ExportFrame f(env, trace, 13);
  f.entry();
  int32_t hconn = f.hconn(hconnHolder);
  QmgrName name;
  if (name.pin(f, qmgrName, 2)) {
    f.qmgrName(f.function, name.traceLength, name.chars());
    runtimeVector().VXCONN(name.address(), &hconn, &f.cc, &f.reason);
    f.callResult(hconn, "VXCONN");
    if (f.ok()) f.setHconn(hconnHolder, hconn);
  }
  name.bytes.release();
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXCONN(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXCONNX(
    JNIEnv* env, jclass, jboolean trace, jbyteArray qmgrName, jint, jbyteArray connectOpts,
    jobject hconnHolder, jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("VXCONNX(entry)"));
  ExportFrame f(env, trace, 11);
  f.entry();
  int32_t hconn = f.hconn(hconnHolder);
  QmgrName name;
  name.pin(f, qmgrName, 2);
  jsize cnoLength = 0;
  StructureView cno(ReleaseMode::CopyBack);
  f.pinStructure(cno, connectOpts, VxStructure::CNO, 4, "native_vxcno", &cnoLength);
  if (f.ok() && f.ctx.trace) traceConnectOptions(f, name, cno, cnoLength);
  if (f.ok()) {
    runtimeVector().VXCONNX(name.address(), cno.data(), &hconn, &f.cc, &f.reason);
    f.callResult(hconn, "VXCONNX");
    if (f.ok()) f.setHconn(hconnHolder, hconn);
  }
  name.bytes.release();
  if (cno) {
    TALY_MARK();
    cno.release();
  }
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXCONNX(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_talyDisc(
    JNIEnv* env, jclass, jint talyOptions, jboolean trace, jobject hconnHolder, jint, jint,
    jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("talyDisc(entry): talyOptions:%d"), talyOptions);
  ExportFrame f(env, trace, 0);
  f.entry();
  int32_t hconn = f.hconn(hconnHolder);
  if ((talyOptions & 3) != kSkipRuntimeOption) {
    runtimeVector().VXDISC(&hconn, &f.cc, &f.reason);
    TALY_TRACE(400, "VXDISC --> %d", f.reason);
    f.callResult(hconn, "VXDISC");
  }
  if (f.ok()) f.setHconn(hconnHolder, hconn);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("talyDisc(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXDISC(
    JNIEnv* env, jclass cls, jboolean trace, jobject hconnHolder, jint ignored1, jint ignored2,
    jobject ccHolder, jobject reasonHolder) {
  Java_com_orvane_vx_taly_local_internal_base_Native_talyDisc(
      env, cls, 0, trace, hconnHolder, ignored1, ignored2, ccHolder, reasonHolder);
}
