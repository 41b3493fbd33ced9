// vpiConvertData: the runtime converts message data in place in the pinned
// Java array, and the converted bytes are copied back up to the buffer
// length.
#include <algorithm>

#include "exports.h"

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_vpiConvertData(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jint parm5, jint parm6,
    jint parm7, jboolean flag8, jbyteArray msgDesc, jbyteArray msgData, jobject dataLengthHolder,
    jint parm12, jint bufferLength, jobject ccHolder, jobject reasonHolder,
    jobject secondHolder) {
  TALY_TRACE(500, TALY_NATIVE("vpiConvertData(entry)"));
  ExportFrame f(env, trace, 516);
  f.entry();
  StructureView md(ReleaseMode::CopyBack);
  PlainBytes data(ReleaseMode::Abort);
  f.pinStructure(md, msgDesc, VxStructure::MD, 4, "native_msgDesc") &&
      // The runtime writes up to bufferLength bytes into the data.
      f.fits(msgData, bufferLength, 1, 6, "native_msgData") &&
      f.pin(data, msgData, 6, "native_msgData is null");

  if (f.ok()) {
    int32_t dataLength = f.pint(dataLengthHolder);
    int32_t second = f.pint(secondHolder);
    // ... and reads dataLength bytes of it.
    if (f.fits(msgData, dataLength, 1, 6, "native_msgData")) {
      runtimeVector().priv->xa->vpiConvertData(hconn, parm5, parm6, parm7, flag8 ? 1 : 0,
                                               md.data(), data.data(), &dataLength, parm12,
                                               bufferLength, &f.cc, &f.reason, &second);
      f.callResult(hconn, "VXGET");
      if (f.ok()) {
        if (data) {
          env->SetByteArrayRegion(msgData, 0, std::min(dataLength, bufferLength), data.data());
          if (env->ExceptionCheck()) {
            // Set aside for the caller: the holders are written first.
            f.settle();
            f.fail(7, "Failed to update message data");
          }
        }
        f.setPint(dataLengthHolder, dataLength);
        f.setPint(secondHolder, second);
      }
    }
  }
  if (md) {
    TALY_MARK();
    md.release();
  }
  data.release();
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("vpiConvertData(exit): rc:%d"), f.reason);
}
