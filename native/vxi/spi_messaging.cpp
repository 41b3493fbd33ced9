// Service-provider messaging: spiPut, spiGet, spiSyncPoint,
// spiActivateMessage and spiNotify.
//
// spiGet receives into native memory of the buffer length, as VXGET does,
// and copies back only the bytes that arrived.
#include "util/receive_buffer.h"
#include "vxi/spi_calls.h"

namespace {

// Lengths of the structures' data traces.
constexpr int32_t kGmoTraceLength = 112;
constexpr int32_t kSpiGmoTraceLength = 48;
constexpr int32_t kPmoTraceLength = 176;
constexpr int32_t kSpiPmoTraceLength = 296;
constexpr int32_t kDetailsTraceLength = 132;

// Pins a structure while the call goes on, and returns the Java array's
// length taken just before the pin (0 when nothing is pinned).
jsize lengthThenPin(ExportFrame& f, PinnedBytes& pinned, jbyteArray array, VxStructure structure,
                    int32_t probe, const char* name) {
  jsize length = 0;
  f.pinStructure(pinned, array, structure, probe, name, &length);
  return length;
}

}  // namespace

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_spiPut(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jint hobj, jbyteArray msgDesc,
    jbyteArray putMsgOpts, jbyteArray spiPutOpts, jint bufferLength, jbyteArray buffer,
    jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("spiPut(entry)"));
  ExportFrame f(env, trace, 16);
  f.entry();
  StructureView md(ReleaseMode::CopyBack);
  StructureView pmo(ReleaseMode::CopyBack);
  StructureView spiPmo(ReleaseMode::CopyBack);
  PlainBytes data(ReleaseMode::Abort);
  jsize mdLength = lengthThenPin(f, md, msgDesc, VxStructure::MD, 3, "native_vxmd");
  jsize pmoLength = lengthThenPin(f, pmo, putMsgOpts, VxStructure::PMO, 4, "native_vxpmo");
  jsize spiPmoLength =
      lengthThenPin(f, spiPmo, spiPutOpts, VxStructure::SpiPutOptions, 5, "native_spipo");
  jsize bufferArrayLength = 0;
  if (f.ok() && buffer != nullptr) bufferArrayLength = env->GetArrayLength(buffer);
  // The runtime reads bufferLength bytes at the buffer's address.
  if (f.ok() && (bufferLength < 0 || (buffer != nullptr && bufferLength > bufferArrayLength))) {
    f.failTooShort(6, "native_buffer", bufferLength, bufferArrayLength);
  }
  f.pin(data, buffer, 6, "native_buffer is null");

  if (f.ok()) {
    TALY_DUMP(md.data(), mdLength, 300, "native_vxmd");
    TALY_DUMP(pmo.data(), pmoLength, 300, "native_vxpmo");
    TALY_DUMP(spiPmo.data(), spiPmoLength, 300, "native_spipo");
    TALY_DUMP(data.data(), bufferArrayLength, 300, "native_buffer");
    spiTable().lpiSPIPut(hconn, hobj, md.data(), pmo.data(), bufferLength, data.data(),
                         spiPmo.data(), &f.cc, &f.reason);
    traceHead(f, "VXPMO", pmo, kPmoTraceLength);
    traceHead(f, "lpiPUTOPTS", spiPmo, kSpiPmoTraceLength);
    f.callResult(hconn, "lpiSPIPut");
  }
  data.release();
  releaseMarked(md);
  releaseMarked(pmo);
  releaseMarked(spiPmo);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("spiPut(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_spiGet(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jint hobj, jbyteArray msgDesc,
    jbyteArray getMsgOpts, jbyteArray spiGetOpts, jint bufferLength, jbyteArray buffer,
    jobject dataLengthHolder, jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("spiGet(entry)"));
  ExportFrame f(env, trace, 15);
  f.entry();
  StructureView md(ReleaseMode::CopyBack);
  StructureView gmo(ReleaseMode::CopyBack);
  StructureView spiGmo(ReleaseMode::CopyBack);
  ReceiveBuffer received;
  f.pinStructure(md, msgDesc, VxStructure::MD, 3, "native_vxmd") &&
      f.pinStructure(gmo, getMsgOpts, VxStructure::GMO, 4, "native_vxgmo") &&
      f.pinStructure(spiGmo, spiGetOpts, VxStructure::SpiGetOptions, 5, "native_spigo") &&
      // The runtime writes up to bufferLength bytes, and they are copied into the Java buffer.
      f.fits(buffer, bufferLength, 1, 6, "native_buffer");
  if (f.ok() && buffer != nullptr && !received.acquire(bufferLength)) {
    f.fail(6, "native_buffer is null");
  }

  if (f.ok()) {
    int32_t dataLength = f.pint(dataLengthHolder);
    spiTable().lpiSPIGet(hconn, hobj, md.data(), gmo.data(), bufferLength, received.data(),
                         &dataLength, spiGmo.data(), &f.cc, &f.reason);
    traceHead(f, "VXGMO", gmo, kGmoTraceLength);
    traceHead(f, "lpiGETOPT", spiGmo, kSpiGmoTraceLength);
    f.callResult(hconn, "lpiSPIGet");
    if (f.ok()) {
      if (received) {
        env->SetByteArrayRegion(buffer, 0, std::min(dataLength, bufferLength), received.data());
        if (env->ExceptionCheck()) {
          // Set aside for the caller: the holders are written first.
          f.settle();
          f.fail(7, "Failed to update data bytes");
        }
      }
      f.setPint(dataLengthHolder, dataLength);
    }
  }
  received.giveBack();
  releaseMarked(md);
  releaseMarked(gmo);
  releaseMarked(spiGmo);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("spiGet(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_spiSyncPoint(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jbyteArray spiSyncPointOpts,
    jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("spiSyncPoint(entry)"));
  ExportFrame f(env, trace, 17);
  f.entry();
  StructureView options(ReleaseMode::CopyBack);
  if (f.pinStructure(options, spiSyncPointOpts, VxStructure::SpiSyncPointOptions, 3,
                     "native_spo")) {
    spiTable().lpiSPISyncPoint(hconn, options.data(), &f.cc, &f.reason);
    f.callResult(hconn, "lpiSPISyncPoint");
  }
  releaseMarked(options);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("spiSyncPoint(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_spiActivateMessage(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jbyteArray activation,
    jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("spiActivateMessage(entry)"));
  ExportFrame f(env, trace, 33);
  f.entry();
  StructureView record(ReleaseMode::CopyBack);
  if (f.pinStructure(record, activation, VxStructure::SpiActivation, 3, "native_spia")) {
    spiTable().lpiSPIActivateMessage(hconn, record.data(), &f.cc, &f.reason);
    traceHead(f, "lpiACTIVATE", record, kDetailsTraceLength);
    f.callResult(hconn, "lpiSPIActivateMessage");
  }
  releaseMarked(record);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("spiActivateMessage(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_spiNotify(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jint notification,
    jbyteArray notifyDetails, jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("spiNotify(entry)"));
  ExportFrame f(env, trace, 515);
  f.entry();
  StructureView details(ReleaseMode::CopyBack);
  if (f.pinStructure(details, notifyDetails, VxStructure::SpiNotifyDetails, 3,
                     "native_notifyDetails")) {
    spiTable().lpiSPINotify(hconn, notification, details.data(), &f.cc, &f.reason);
    traceHead(f, "lpiNotifyDetails", details, kDetailsTraceLength);
    f.callResult(hconn, "lpiSPINotify");
  }
  releaseMarked(details);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("spiNotify(exit): rc:%d"), f.reason);
}
