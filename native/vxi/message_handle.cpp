// Message handles and their properties: VXCRTMH, VXDLTMH, VXSETMP, VXINQMP,
// VXDLTMP, VXMHBUF and VXBUFMH.
//
// A handle held by an HmsgImpl reaches the runtime through a 64-bit cell
// loaded from the holder; a handle passed as a Java long reaches it by value
// as two 32-bit words, low word first. The options are pinned as a
// structure view and the other arrays directly; every array goes back with
// copy-back, whatever the outcome. A value or buffer length is checked
// against its Java array before anything is pinned, so that the runtime
// never reads or writes past the array.
#include <cstdint>
#include <initializer_list>

#include "exports.h"

namespace {

constexpr int32_t kFunction = 0;

// The two words of a 64-bit handle, in the order the runtime takes them.
struct HandleWords {
  explicit HandleWords(jlong hmsg)
      : low(static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(hmsg)))),
        high(static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(hmsg) >> 32))) {}
  const int32_t low;
  const int32_t high;
};

// Releases the pinned arrays in the order given, each after a progress marker.
void release(std::initializer_list<PinnedBytes*> arrays) {
  for (PinnedBytes* array : arrays) {
    if (!*array) continue;
    TALY_MARK();
    array->release();
  }
}

}  // namespace

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXCRTMH(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jbyteArray crtMsgHOpts,
    jobject hmsgHolder, jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("VXCRTMH(entry)"));
  ExportFrame f(env, trace, kFunction);
  f.entry();
  StructureView opts(ReleaseMode::CopyBack);
  if (f.pinStructure(opts, crtMsgHOpts, VxStructure::CMHO, 3, "native_CrtMsgHOpts")) {
    int64_t hmsg = f.hmsg(hmsgHolder);
    runtimeVector().VXCRTMH(hconn, opts.data(), &hmsg, &f.cc, &f.reason);
    f.callResult(hconn, "VXCRTMH");
    if (f.ok()) f.setHmsg(hmsgHolder, hmsg);
  }
  release({&opts});
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXCRTMH(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXDLTMH(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jobject hmsgHolder,
    jbyteArray dltMsgHOpts, jobject ccHolder, jobject reasonHolder) {
  ExportFrame f(env, trace, kFunction);
  f.entry();
  TALY_TRACE(500, TALY_NATIVE("VXDLTMH(entry): hconn:%d"), hconn);
  StructureView opts(ReleaseMode::CopyBack);
  if (f.pinStructure(opts, dltMsgHOpts, VxStructure::DMHO, 3, "native_DltMsgHOpts")) {
    int64_t hmsg = f.hmsg(hmsgHolder);
    runtimeVector().VXDLTMH(hconn, &hmsg, opts.data(), &f.cc, &f.reason);
    f.callResult(hconn, "VXDLTMH");
    // The value the runtime left in the cell after the delete.
    if (f.ok()) f.setHmsg(hmsgHolder, hmsg);
  }
  release({&opts});
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXDLTMH(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXSETMP(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jlong hmsg,
    jbyteArray setPropOpts, jbyteArray name, jbyteArray propDesc, jint type, jint valueLength,
    jbyteArray value, jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("VXSETMP(entry)"));
  ExportFrame f(env, trace, kFunction);
  f.entry();
  // The runtime reads valueLength bytes of the value.
  f.fits(value, valueLength, 1, 6, "native_Value");
  StructureView opts(ReleaseMode::CopyBack);
  PlainBytes nameBytes(ReleaseMode::CopyBack);
  PlainBytes desc(ReleaseMode::CopyBack);
  PlainBytes valueBytes(ReleaseMode::CopyBack);
  f.pinStructure(opts, setPropOpts, VxStructure::SMPO, 3, "native_SetPropOpts") &&
      f.pinStructure(nameBytes, name, VxStructure::PropertyName, 4, "native_Name") &&
      f.pinStructure(desc, propDesc, VxStructure::PD, 5, "native_PropDesc") &&
      f.pin(valueBytes, value, 6, "native_Value is null");
  if (f.ok()) {
    HandleWords handle(hmsg);
    runtimeVector().VXSETMP(hconn, handle.low, handle.high, opts.data(), nameBytes.data(),
                            desc.data(), type, valueLength, valueBytes.data(), &f.cc, &f.reason);
    f.callResult(hconn, "VXSETMP");
  }
  release({&opts, &nameBytes, &desc, &valueBytes});
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXSETMP(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXINQMP(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jlong hmsg,
    jbyteArray inqPropOpts, jbyteArray name, jbyteArray propDesc, jobject typeHolder,
    jint valueLength, jbyteArray value, jobject dataLengthHolder, jobject ccHolder,
    jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("VXINQMP(entry)"));
  ExportFrame f(env, trace, kFunction);
  f.entry();
  // The runtime writes up to valueLength bytes of the value.
  f.fits(value, valueLength, 1, 6, "native_Value");
  StructureView opts(ReleaseMode::CopyBack);
  PlainBytes nameBytes(ReleaseMode::CopyBack);
  PlainBytes desc(ReleaseMode::CopyBack);
  PlainBytes valueBytes(ReleaseMode::CopyBack);
  f.pinStructure(opts, inqPropOpts, VxStructure::IMPO, 3, "native_InqPropOpts") &&
      f.pinStructure(nameBytes, name, VxStructure::PropertyName, 4, "native_Name") &&
      f.pinStructure(desc, propDesc, VxStructure::PD, 5, "native_PropDesc") &&
      f.pin(valueBytes, value, 6, "native_Value is null");
  if (f.ok()) {
    int32_t propertyType = f.pint(typeHolder);
    int32_t dataLength = f.pint(dataLengthHolder);
    HandleWords handle(hmsg);
    runtimeVector().VXINQMP(hconn, handle.low, handle.high, opts.data(), nameBytes.data(),
                            desc.data(), &propertyType, valueLength, valueBytes.data(),
                            &dataLength, &f.cc, &f.reason);
    f.callResult(hconn, "VXINQMP");
    if (f.ok()) {
      f.setPint(typeHolder, propertyType);
      f.setPint(dataLengthHolder, dataLength);
    }
  }
  release({&opts, &nameBytes, &desc, &valueBytes});
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXINQMP(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXDLTMP(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jlong hmsg,
    jbyteArray dltPropOpts, jbyteArray name, jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("VXDLTMP(entry)"));
  ExportFrame f(env, trace, kFunction);
  f.entry();
  StructureView opts(ReleaseMode::CopyBack);
  PlainBytes nameBytes(ReleaseMode::CopyBack);
  f.pinStructure(opts, dltPropOpts, VxStructure::DMPO, 3, "native_DltPropOpts") &&
      f.pinStructure(nameBytes, name, VxStructure::PropertyName, 4, "native_Name");
  if (f.ok()) {
    HandleWords handle(hmsg);
    runtimeVector().VXDLTMP(hconn, handle.low, handle.high, opts.data(), nameBytes.data(), &f.cc,
                            &f.reason);
    f.callResult(hconn, "VXDLTMP");
  }
  release({&opts, &nameBytes});
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXDLTMP(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXMHBUF(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jlong hmsg,
    jbyteArray msgHBufOpts, jbyteArray name, jbyteArray msgDesc, jint bufferLength,
    jbyteArray buffer, jobject dataLengthHolder, jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("VXMHBUF(entry)"));
  ExportFrame f(env, trace, kFunction);
  f.entry();
  // The runtime writes up to bufferLength bytes of the buffer.
  f.fits(buffer, bufferLength, 1, 6, "native_Buffer");
  StructureView opts(ReleaseMode::CopyBack);
  PlainBytes nameBytes(ReleaseMode::CopyBack);
  PlainBytes md(ReleaseMode::CopyBack);
  PlainBytes bufferBytes(ReleaseMode::CopyBack);
  f.pinStructure(opts, msgHBufOpts, VxStructure::MHBO, 3, "native_MsgHBufOpts") &&
      f.pinStructure(nameBytes, name, VxStructure::PropertyName, 4, "native_Name") &&
      f.pinStructure(md, msgDesc, VxStructure::MD, 5, "native_MsgDesc") &&
      f.pin(bufferBytes, buffer, 6, "native_Buffer is null");
  if (f.ok()) {
    int32_t dataLength = f.pint(dataLengthHolder);
    HandleWords handle(hmsg);
    runtimeVector().VXMHBUF(hconn, handle.low, handle.high, opts.data(), nameBytes.data(),
                            md.data(), bufferLength, bufferBytes.data(), &dataLength, &f.cc,
                            &f.reason);
    f.callResult(hconn, "VXMHBUF");
    if (f.ok()) f.setPint(dataLengthHolder, dataLength);
  }
  release({&opts, &nameBytes, &md, &bufferBytes});
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXMHBUF(exit): rc:%d"), f.reason);
}

// The runtime reports in the data-length cell how much message data remains
// in the buffer. Java declares no holder for it (the parameter after the
// buffer is a plain int, ignored), so the length stays here; the buffer
// itself comes back whole.
JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXBUFMH(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jlong hmsg,
    jbyteArray bufMsgHOpts, jbyteArray msgDesc, jint bufferLength, jbyteArray buffer, jint,
    jobject ccHolder, jobject reasonHolder) {
  ExportFrame f(env, trace, kFunction);
  f.entry();
  TALY_TRACE(500, TALY_NATIVE("VXBUFMH(entry): hconn:%d"), hconn);
  // The runtime reads bufferLength bytes of the buffer and may rewrite them.
  f.fits(buffer, bufferLength, 1, 5, "native_Buffer");
  StructureView opts(ReleaseMode::CopyBack);
  PlainBytes md(ReleaseMode::CopyBack);
  PlainBytes bufferBytes(ReleaseMode::CopyBack);
  f.pinStructure(opts, bufMsgHOpts, VxStructure::BMHO, 3, "native_BufMsgHOpts") &&
      f.pinStructure(md, msgDesc, VxStructure::MD, 4, "native_MsgDesc") &&
      f.pin(bufferBytes, buffer, 5, "native_Buffer is null");
  if (f.ok()) {
    int32_t dataLength = 0;
    HandleWords handle(hmsg);
    runtimeVector().VXBUFMH(hconn, handle.low, handle.high, opts.data(), md.data(), bufferLength,
                            bufferBytes.data(), &dataLength, &f.cc, &f.reason);
    f.callResult(hconn, "VXBUFMH");
  }
  release({&opts, &md, &bufferBytes});
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXBUFMH(exit): rc:%d"), f.reason);
}
