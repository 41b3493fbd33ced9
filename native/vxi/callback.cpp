// Asynchronous consumption: VXCB registers and deregisters callbacks, VXCTL
// starts, stops, suspends and resumes them.
//
// A registration hands the runtime a callback area and the consumer
// function in the callback descriptor. Before anything is pinned, a
// registration is refused whose callback index would fall outside the
// tables or whose instance is not of the class that its index calls (the
// callback thread would call a method of one class on an object of
// another), and one whose descriptor cannot hold the fields written into
// it. The area of a registration that the runtime refuses is freed at once.
#include <cstddef>
#include <cstdio>

#include "exports.h"
#include "util/callback_area.h"

namespace {

constexpr int32_t kCallbackFunction = 40;
constexpr int32_t kControlFunction = 39;

void refuse(ExportFrame& f, int32_t probe, int32_t detail, const char* message) {
  f.krux(kCallbackFunction, probe, VXRC_UNEXPECTED_ERROR, detail, 0, message);
  f.cc = VXCC_FAILED;
  f.reason = VXRC_UNEXPECTED_ERROR;
}

// The callback thread calls the consumer method of the class kept for the
// index (or, on its first registration, of the class given) on instance.
void checkTarget(ExportFrame& f, int32_t index, jclass callbackClass, jobject instance) {
  if (!validCallbackIndex(index)) {
    refuse(f, 6, index, "callback_index is out of range");
    return;
  }
  jclass called = java_callback_class[index].load(std::memory_order_acquire);
  if (called == nullptr) called = callbackClass;
  if (called == nullptr || instance == nullptr || !f.ctx.env->IsInstanceOf(instance, called)) {
    refuse(f, 7, index, "callback instance is not of the callback class");
  }
}

}  // namespace

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXCB(
    JNIEnv* env, jclass, jboolean trace, jint, jint callbackIndex, jclass callbackClass,
    jobject callbackInstance, jint hconn, jint, jint, jint operation, jobject hobjHolder,
    jbyteArray vxmd, jbyteArray vxgmo, jbyteArray vxcbd, jobject ccHolder,
    jobject reasonHolder) {
  ExportFrame f(env, trace, kCallbackFunction);
  f.entry();
  char operationNames[kOperationTextSize];
  TALY_TRACE(500, TALY_NATIVE("VXCB(entry): hconn:%d, operation:%s"), hconn,
             operationText(operationNames, operation));
  int32_t hobj = f.hobj(hobjHolder);
  bool registers = (operation & kOperationRegister) != 0 && vxcbd != nullptr;
  if (registers) checkTarget(f, callbackIndex, callbackClass, callbackInstance);

  StructureView md(ReleaseMode::Abort);
  StructureView gmo(ReleaseMode::Abort);
  StructureView cbd(ReleaseMode::CopyBack);
  jsize cbdLength = 0;
  if (f.pinStructure(md, vxmd, VxStructure::MD, 3, "native_vxmd") &&
      f.pinStructure(gmo, vxgmo, VxStructure::GMO, 4, "native_vxgmo") && vxcbd != nullptr) {
    f.pinStructure(cbd, vxcbd, VxStructure::CBD, 5, "native_vxcbd", &cbdLength);
  }

  auto descriptor = reinterpret_cast<VXCBD*>(cbd.data());
  TalyCallbackArea* area = nullptr;
  if (f.ok() && registers) {
    area = SetupTalyCallbackArea(f, descriptor, callbackIndex, callbackClass, callbackInstance,
                                 &f.cc, &f.reason);
  }
  if (f.ok()) {
    TALY_DUMP(descriptor, cbdLength, 300, "native_vxcbd");
    runtimeVector().VXCB(hconn, operation, descriptor, hobj, md.data(), gmo.data(), &f.cc,
                         &f.reason);
    TALY_TRACE(300, TALY_NATIVE("VXCB(): after VXCB: rc:%d"), f.reason);
    f.callResult(hconn, "VXCB");
    if (area != nullptr && f.cc == VXCC_FAILED) {
      // No callback will come for a refused registration, so none would free it.
      TALY_TRACE(400, "VXCB(): registration refused, talyCallbackArea:%p freed",
                 static_cast<void*>(area));
      descriptor->CallbackArea = nullptr;
      freeCallbackArea(env, area);
    }
  }

  if (cbd) {
    TALY_MARK();
    cbd.release();
  }
  if (md) {
    TALY_MARK();
    md.release();
  }
  if (gmo) {
    TALY_MARK();
    gmo.release();
  }
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXCB(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXCTL(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jint operation,
    jbyteArray vxctlo, jobject ccHolder, jobject reasonHolder) {
  ExportFrame f(env, trace, kControlFunction);
  f.entry();
  char operationNames[kOperationTextSize];
  TALY_TRACE(500, TALY_NATIVE("VXCTL(entry): operation:%s"),
             operationText(operationNames, operation));
  StructureView ctlo(ReleaseMode::CopyBack);
  if (f.pinStructure(ctlo, vxctlo, VxStructure::CTLO, 4, "native_vxctlo")) {
    f.cc = VXCC_OK;
    f.reason = VXRC_NONE;
    runtimeVector().VXCTL(hconn, operation, ctlo.data(), &f.cc, &f.reason);
    TALY_TRACE(300, TALY_NATIVE("VXCTL: VXCTL --> %d"), f.reason);
    if (f.reason == VXRC_CALL_IN_PROGRESS) {
      // The runtime knows which call holds the connection.
      const VXServices* services = runtimeServices();
      int32_t call = services != nullptr && services->callInProgress != nullptr
                         ? services->callInProgress(hconn)
                         : 0;
      char text[64];
      std::snprintf(text, sizeof text, "VXCTL --> rc:%d, call:%d", f.reason, call);
      f.data(kControlFunction, text, nullptr, 0);
      TALY_TRACE(700, "%s", text);
    }
    f.callResult(hconn, "VXCTL");
  }
  if (ctlo) {
    TALY_MARK();
    ctlo.release();
  }
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXCTL(exit): rc:%d"), f.reason);
}
