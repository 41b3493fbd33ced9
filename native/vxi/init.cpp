// init_conversion: fills the class cache, hands the JavaVM to the runtime and
// exchanges the support flags and the structure table with Java.
#include "exports.h"
#include "util/structure_info.h"

namespace {
constexpr int32_t kInitFunction = 18;
}

JNIEXPORT jboolean JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_init_1conversion(
    JNIEnv* env, jclass, jboolean trace, jobject traceObj, jobjectArray exchange) {
  TALY_TRACE(500, TALY_NATIVE("init_1conversion(entry)"));
  ExportFrame f(env, trace, kInitFunction);
  trace_init(&f.ctx, traceObj);
  f.settle();
  TALY_MARK();
  hconn_init(&f.ctx);
  TALY_MARK();
  hobj_init(&f.ctx);
  TALY_MARK();
  hmsg_init(&f.ctx);
  TALY_MARK();
  pint_init(&f.ctx);
  TALY_MARK();

  f.entry();
  f.text(kInitFunction, "Going to get JVM pointer");
  TALY_MARK();
  JavaVM* vm = nullptr;
  jint got = env->GetJavaVM(&vm);
  TALY_MARK();
  if (!env->ExceptionCheck() && got == JNI_OK) {
    f.pointer(kInitFunction, "About to call xcsSetPointer - pointer is ", vm);
    const VXServices* services = runtimeServices();
    if (services != nullptr && services->xcsSetPointer != nullptr) services->xcsSetPointer(vm);
  }
  f.settle();

  TALY_MARK();
  SetJavaSupportFlags(f, exchange);
  TALY_MARK();
  SetNativeStructureInfo(f, exchange);
  TALY_MARK();
  f.exit(kInitFunction, 0);
  TALY_TRACE(500, TALY_NATIVE("init_1conversion(exit)"));
  return JNI_TRUE;
}
