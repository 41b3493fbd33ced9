// Object calls: VXOPEN, VXCLOSE, VXINQ and VXSET.
#include "exports.h"

namespace {

// Inquire and set share their arguments; they differ in the call, its
// function number and what is copied back. Returns the reason.
using AttributeCall = decltype(VXVector::VXINQ);

int32_t attributeCall(JNIEnv* env, jboolean trace, int32_t function, const char* callName,
                   AttributeCall (VXVector::*entry), ReleaseMode attributesMode, jint hconn,
                   jint hobj, jint selectorCount, jbyteArray selectors, jint intAttrCount,
                   jbyteArray intAttrs, jint charAttrLength, jbyteArray charAttrs,
                   jobject ccHolder, jobject reasonHolder) {
  ExportFrame f(env, trace, function);
  f.entry();
  f.fits(selectors, selectorCount, 4, 6, "native_selectors") &&
      f.fits(intAttrs, intAttrCount, 4, 7, "native_int_attributes") &&
      f.fits(charAttrs, charAttrLength, 1, 8, "native_char_attributes");
  PlainBytes selectorBytes(ReleaseMode::Abort);
  PlainBytes intBytes(attributesMode);
  PlainBytes charBytes(attributesMode);
  f.pin(selectorBytes, selectors, 6, "native_selectors is null") &&
      f.pin(intBytes, intAttrs, 7, "native_int_attributes is null") &&
      f.pin(charBytes, charAttrs, 8, "native_char_attributes is null");
  if (f.ok()) {
    (runtimeVector().*entry)(hconn, hobj, selectorCount, selectorBytes.data(), intAttrCount,
                             intBytes.data(), charAttrLength, charBytes.data(), &f.cc,
                             &f.reason);
    f.callResult(hconn, callName);
  }
  selectorBytes.release();
  intBytes.release();
  charBytes.release();
  f.leave(ccHolder, reasonHolder);
  return f.reason;
}

}  // namespace

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXOPEN(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jbyteArray objDesc,
    jint openOptions, jobject hobjHolder, jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("VXOPEN(entry)"));
  ExportFrame f(env, trace, 7);
  f.entry();
  StructureView od(ReleaseMode::CopyBack);
  if (f.pinStructure(od, objDesc, VxStructure::OD, 4, "native_vxod")) {
    int32_t hobj = f.hobj(hobjHolder);
    runtimeVector().VXOPEN(hconn, od.data(), openOptions, &hobj, &f.cc, &f.reason);
    f.callResult(hconn, "VXOPEN");
    if (f.ok()) f.setHobj(hobjHolder, hobj);
  }
  if (od) {
    TALY_MARK();
    od.release();
  }
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXOPEN(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXCLOSE(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jobject hobjHolder,
    jint closeOptions, jobject ccHolder, jobject reasonHolder) {
  ExportFrame f(env, trace, 2);
  f.entry();
  int32_t hobjOnEntry = f.hobj(hobjHolder);
  TALY_TRACE(500, TALY_NATIVE("VXCLOSE(entry): hconn:%d, hobj:%d"), hconn, hobjOnEntry);
  if (f.ok()) {
    int32_t hobj = f.hobj(hobjHolder);
    runtimeVector().VXCLOSE(hconn, &hobj, closeOptions, &f.cc, &f.reason);
    f.callResult(hconn, "VXCLOSE");
    if (f.ok()) f.setHobj(hobjHolder, hobj);
  }
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXCLOSE(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXINQ(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jint hobj, jint selectorCount,
    jbyteArray selectors, jint intAttrCount, jbyteArray intAttrs, jint charAttrLength,
    jbyteArray charAttrs, jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("VXINQ(entry)"));
  int32_t reason = attributeCall(env, trace, 6, "VXINQ", &VXVector::VXINQ, ReleaseMode::CopyBack,
                                 hconn, hobj, selectorCount, selectors, intAttrCount, intAttrs,
                                 charAttrLength, charAttrs, ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXINQ(exit): rc:%d"), reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXSET(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jint hobj, jint selectorCount,
    jbyteArray selectors, jint intAttrCount, jbyteArray intAttrs, jint charAttrLength,
    jbyteArray charAttrs, jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("VXSET(entry)"));
  int32_t reason = attributeCall(env, trace, 10, "VXSET", &VXVector::VXSET, ReleaseMode::Abort,
                                 hconn, hobj, selectorCount, selectors, intAttrCount, intAttrs,
                                 charAttrLength, charAttrs, ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXSET(exit): rc:%d"), reason);
}
