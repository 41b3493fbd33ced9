// Service-provider administration and subscriptions: spiDefine, spiDelete,
// spiInquire, lpiSPIInquireNamedSubscribers, lpiSPISubscriptionRequest,
// lpiSpiSubscribe and lpiSpiUnsubscribe. Every array is copied back, and
// every release follows a progress marker.
#include "util/name_array.h"
#include "vxi/spi_calls.h"

namespace {

constexpr int32_t kAdminFunction = 0;

// The object selector of define, delete and inquire, and the filter element
// of define and inquire.
bool pinSelector(ExportFrame& f, PinnedBytes& selector, jbyteArray array) {
  return f.pinStructure(selector, array, VxStructure::SpiObjectSelector, 3, "native_ObjectSelector");
}

bool pinFilter(ExportFrame& f, PinnedBytes& filter, jbyteArray array) {
  return f.pinStructure(filter, array, VxStructure::SpiFilterElement, 4, "native_FilterElement");
}

// The attribute arrays of define and inquire, in pin order. A count or
// length is refused before its array is pinned when the runtime would read
// or write past the array.
struct AttributeArrays {
  PlainBytes selectors{ReleaseMode::CopyBack};
  PlainBytes intAttrs{ReleaseMode::CopyBack};
  PlainBytes charAttrs{ReleaseMode::CopyBack};

  bool pin(ExportFrame& f, jint selectorCount, jbyteArray selectorArray, jint intAttrCount,
           jbyteArray intAttrArray, jint charAttrLength, jbyteArray charAttrArray) {
    return f.fits(selectorArray, selectorCount, 4, 6, "native_Selectors") &&
           f.pin(selectors, selectorArray, 6, "native_Selectors is null") &&
           f.fits(intAttrArray, intAttrCount, 4, 6, "native_IntAttrs") &&
           f.pin(intAttrs, intAttrArray, 6, "native_IntAttrs is null") &&
           f.fits(charAttrArray, charAttrLength, 1, 8, "native_CharAttrs") &&
           f.pin(charAttrs, charAttrArray, 8, "native_CharAttrs is null");
  }

  void release() {
    releaseMarked(selectors);
    releaseMarked(intAttrs);
    releaseMarked(charAttrs);
  }
};

}  // namespace

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_spiDefine(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jboolean define,
    jbyteArray objectSelector, jbyteArray likeObject, jint selectorCount, jbyteArray selectors,
    jint intAttrCount, jbyteArray intAttrs, jint charAttrLength, jbyteArray charAttrs,
    jbyteArray filterElement, jint, jbyteArray attrErrors, jobject ccHolder,
    jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("spiDefine(entry)"));
  ExportFrame f(env, trace, kAdminFunction);
  f.entry();
  StructureView selector(ReleaseMode::CopyBack);
  PlainBytes like(ReleaseMode::CopyBack);
  AttributeArrays attributes;
  StructureView filter(ReleaseMode::CopyBack);
  PlainBytes errors(ReleaseMode::CopyBack);
  pinSelector(f, selector, objectSelector);
  // The like object is pinned even when the selector could not be.
  NameForRuntime likeName;
  if (likeObject != nullptr) {
    if (!like.pin(env, likeObject)) f.fail(1, "native_LikeObject is null");
    likeName.take(like, env->GetArrayLength(likeObject));
  }
  attributes.pin(f, selectorCount, selectors, intAttrCount, intAttrs, charAttrLength, charAttrs) &&
      pinFilter(f, filter, filterElement) &&
      f.pinStructure(errors, attrErrors, VxStructure::SpiAttrErrors, 6, "native_AttrErrorss");
  if (f.ok()) {
    spiTable().lpiSPIDefine(hconn, define ? 1 : 0, selector.data(), likeName.address(),
                            selectorCount, attributes.selectors.data(), intAttrCount,
                            attributes.intAttrs.data(), charAttrLength,
                            attributes.charAttrs.data(), filter.data(), errors.data(), &f.cc,
                            &f.reason);
    f.callResult(hconn, "lpiSPIDefine");
  }
  releaseMarked(selector);
  releaseMarked(like);
  attributes.release();
  releaseMarked(filter);
  releaseMarked(errors);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("lpiSpiDefine(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_spiDelete(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jbyteArray objectSelector,
    jboolean remove, jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("lpiSpiDelete(entry)"));
  ExportFrame f(env, trace, kAdminFunction);
  f.entry();
  StructureView selector(ReleaseMode::CopyBack);
  if (pinSelector(f, selector, objectSelector)) {
    spiTable().lpiSPIDelete(hconn, selector.data(), remove ? 1 : 0, &f.cc, &f.reason);
    f.callResult(hconn, "lpiSPIDelete");
  }
  releaseMarked(selector);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("lpiSpiDelete(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_spiInquire(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jbyteArray objectSelector,
    jint selectorCount, jbyteArray selectors, jint intAttrCount, jbyteArray intAttrs,
    jint charAttrLength, jbyteArray charAttrs, jbyteArray filterElement, jobject ccHolder,
    jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("spiInquire(entry)"));
  ExportFrame f(env, trace, kAdminFunction);
  f.entry();
  StructureView selector(ReleaseMode::CopyBack);
  AttributeArrays attributes;
  StructureView filter(ReleaseMode::CopyBack);
  pinSelector(f, selector, objectSelector) &&
      attributes.pin(f, selectorCount, selectors, intAttrCount, intAttrs, charAttrLength,
                     charAttrs) &&
      pinFilter(f, filter, filterElement);
  if (f.ok()) {
    spiTable().spiInquire(hconn, selector.data(), selectorCount, attributes.selectors.data(),
                          intAttrCount, attributes.intAttrs.data(), charAttrLength,
                          attributes.charAttrs.data(), filter.data(), &f.cc, &f.reason);
    f.callResult(hconn, "spiInquire");
  }
  releaseMarked(selector);
  attributes.release();
  releaseMarked(filter);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("spiInquire(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_lpiSPIInquireNamedSubscribers(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jbyteArray callOptionsBuffer,
    jbyteArray subNameBuffer, jint passThrough, jbyteArray subIdBuffer, jobject inOutHolder,
    jobject outHolder, jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("lpiSPIInquireNamedSubscribers(entry)"));
  ExportFrame f(env, trace, kAdminFunction);
  f.entry();
  int32_t inOut = 0;
  int32_t out = 0;
  StructureView callOptions(ReleaseMode::CopyBack);
  PlainBytes subName(ReleaseMode::CopyBack);
  PlainBytes subIds(ReleaseMode::CopyBack);
  // The runtime reads as many bytes of the name as its length says, and
  // writes identifiers up to the length the in/out value gives.
  f.pinStructure(callOptions, callOptionsBuffer, VxStructure::SpiNamedSubscriberOptions, 4,
                 "native_callOptionsBuffer") &&
      f.within(subNameBuffer, passThrough, 5, "native_subNameBuffer") &&
      f.pin(subName, subNameBuffer, 5, "native_subNameBuffer is null");
  int32_t idBufferLength = f.ok() ? f.pint(inOutHolder) : 0;
  f.within(subIdBuffer, idBufferLength, 5, "native_subIdBuffer") &&
      f.pin(subIds, subIdBuffer, 5, "native_subIdBuffer is null");
  if (f.ok()) {
    inOut = idBufferLength;
    spiTable().lpiSPIInquireNamedSubscribers(hconn, callOptions.data(), subName.data(),
                                             passThrough, subIds.data(), &inOut, &out, &f.cc,
                                             &f.reason);
    f.callResult(hconn, "lpiSPIInquireNamedSubscribers");
  }
  releaseMarked(callOptions);
  releaseMarked(subName);
  releaseMarked(subIds);
  // Both values go back on every path, 0 when the runtime was not called.
  f.setPint(inOutHolder, inOut);
  f.setPint(outHolder, out);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("lpiSPIInquireNamedSubscribers(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_lpiSPISubscriptionRequest(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jobject hsubHolder,
    jint request, jbyteArray lpisrd, jbyteArray vxsro, jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("lpiSPISubscriptionRequest(entry)"));
  ExportFrame f(env, trace, kAdminFunction);
  f.entry();
  StructureView requestDesc(ReleaseMode::CopyBack);
  StructureView options(ReleaseMode::CopyBack);
  if (f.pinStructure(requestDesc, lpisrd, VxStructure::SpiSubscriptionRequest, 4,
                     "native_lpisrd") &&
      f.pinStructure(options, vxsro, VxStructure::SRO, 5, "native_vxsro")) {
    int32_t hsub = f.hobj(hsubHolder);
    spiTable().lpiSPISubscriptionRequest(hconn, hsub, request, requestDesc.data(),
                                         options.data(), &f.cc, &f.reason);
    f.callResult(hconn, "lpiSPISubscriptionRequest");
  }
  releaseMarked(requestDesc);
  releaseMarked(options);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("lpiSPISubscriptionRequest(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_lpiSpiSubscribe(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jbyteArray lpiSD,
    jbyteArray subDesc, jobject hobjHolder, jobject hsubHolder, jobject ccHolder,
    jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("lpiSpiSubscribe(entry)"));
  ExportFrame f(env, trace, 48);
  f.entry();
  StructureView spiSd(ReleaseMode::CopyBack);
  StructureView sd(ReleaseMode::CopyBack);
  if (f.pinStructure(spiSd, lpiSD, VxStructure::SpiSubscribeDescriptor, 3, "native_lpiSD") &&
      f.pinStructure(sd, subDesc, VxStructure::SD, 4, "native_subDesc")) {
    int32_t hobj = f.hobj(hobjHolder);
    int32_t hsub = 0;
    spiTable().lpiSPISubscribe(hconn, spiSd.data(), sd.data(), &hobj, &hsub, &f.cc, &f.reason);
    f.callResult(hconn, "lpiSPISubscribe");
    if (f.ok()) {
      f.setHobj(hobjHolder, hobj);
      f.setHobj(hsubHolder, hsub);
    }
  }
  releaseMarked(spiSd);
  releaseMarked(sd);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("lpiSpiSubscribe(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_lpiSpiUnsubscribe(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jbyteArray lpiUSD,
    jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("lpiSpiUnsubscribe(entry)"));
  ExportFrame f(env, trace, 49);
  f.entry();
  StructureView usd(ReleaseMode::CopyBack);
  if (f.pinStructure(usd, lpiUSD, VxStructure::SpiUnsubscribeDescriptor, 3, "native_lpiUSD")) {
    spiTable().lpiSPIUnsubscribe(hconn, usd.data(), &f.cc, &f.reason);
    f.callResult(hconn, "lpiSPIUnsubscribe");
  }
  releaseMarked(usd);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("lpiSpiUnsubscribe(exit): rc:%d"), f.reason);
}
