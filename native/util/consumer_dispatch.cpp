// Delivery of a callback into Java on the runtime's thread: the thread is
// attached if need be, the callback's structures are copied into new Java
// byte arrays, the consumer method is called, every local reference is
// deleted, the registration is freed at its deregistration, and the thread
// is detached by the call type.
//
// A callback runs on a thread that returns to the runtime, not to Java, so
// no local reference may outlive it. The JNI allows no call while an
// exception is pending: one that is pending when the Java steps begin (left
// on the thread, or by a trace method that threw) skips them and is
// reported where the consumer would be called; a step that raises one
// later (a consumer method that cannot be found) fails the callback there.
// Such exceptions stay pending, as the trace bridge leaves them.
#include "util/consumer_dispatch.h"

#include <unistd.h>
#include <sys/syscall.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "call_context.h"
#include "runtime_vector.h"
#include "trace.h"
#include "util/callback_area.h"
#include "util/consumer_settings.h"
#include "util/early_trace.h"
#include "vx/api.h"

namespace {

constexpr int32_t kFunction = 41;
constexpr jint kJniVersion = JNI_VERSION_1_4;
constexpr int32_t kContextLength = sizeof(VXCBC);
constexpr int32_t kTracedDataLimit = 256;
constexpr char kThreadNamePrefix[] = "Taly AsyncConsume Thread. tid: ";
constexpr size_t kThreadNameSize = 64;

// The state of one callback.
struct Callback {
  int32_t hconn;
  void* md;
  void* gmo;
  void* buffer;
  VXCBC* cbc;

  int32_t reason = VXRC_NONE;
  int32_t index = 0;
  jobject instance = nullptr;
  TalyCallbackArea* area = nullptr;
  JavaVM* vm = nullptr;
  CallContext ctx{nullptr, 0};
  bool hasEnv = false;
  bool attachedHere = false;
  // An exception was pending when the Java steps began.
  bool exceptionPending = false;
  jbyteArray mdArray = nullptr;
  jbyteArray gmoArray = nullptr;
  jbyteArray dataArray = nullptr;
  jbyteArray contextArray = nullptr;

  bool ok() const { return reason == VXRC_NONE; }
  void fail() { reason = VXRC_UNEXPECTED_ERROR; }
  // The call can go on into Java: no failure and no exception pending.
  bool javaReady() const { return ok() && !exceptionPending; }
  void krux(int32_t probe, int32_t i1, int32_t i2, const char* message, TraceText text1 = {}) {
    traceKrux(&ctx, COMPONENT_NATIVE, kFunction, probe, i1, i2, 0, message, text1);
  }
  void data(const char* label, const void* bytes, int32_t length) {
    traceData(&ctx, COMPONENT_NATIVE, kFunction, 3, label, bytes, length);
  }
};

// The bytes of the message that are there to read: the buffer holds the
// smaller of the message and the buffer lengths.
int32_t receivedLength(const VXCBC* cbc) {
  return std::max(0, std::min(cbc->DataLength, cbc->BufferLength));
}

int asInt(jmethodID method) { return static_cast<int>(reinterpret_cast<intptr_t>(method)); }

// The name of an attached thread: the prefix and the runtime's text for the
// calling thread, cut to fit.
void threadName(char (&name)[kThreadNameSize]) {
  char text[512];
  const char* threadText = nullptr;
  const VXServices* services = runtimeServices();
  if (services != nullptr && services->threadIdText != nullptr) {
    threadText = services->threadIdText(text);
  }
  if (threadText == nullptr) {
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(syscall(SYS_gettid)));
    threadText = text;
  }
  constexpr size_t prefix = sizeof kThreadNamePrefix - 1;
  size_t length = std::min(std::strlen(threadText), sizeof name - prefix - 1);
  std::memcpy(name, kThreadNamePrefix, prefix);
  std::memcpy(name + prefix, threadText, length);
  name[prefix + length] = '\0';
}

// The context's fields, the JavaVM and the callback area that the context names.
void validateArea(Callback& c) {
  const VXCBC* cbc = c.cbc;
  char callType[kCallTypeTextSize];
  TALY_TRACE(500,
             "VXCBC:[Version:%ld CallType:%s CompCode:%ld Reason:%ld State:%ld DataLength:%ld "
             "BufferLength:%ld]",
             static_cast<long>(cbc->Version), callTypeText(callType, cbc->CallType),
             static_cast<long>(cbc->CompCode), static_cast<long>(cbc->Reason),
             static_cast<long>(cbc->State), static_cast<long>(cbc->DataLength),
             static_cast<long>(cbc->BufferLength));
  TALY_DUMP(cbc, kContextLength, 400, "VXCBC");
  TALY_DUMP(c.buffer, receivedLength(cbc), 500, "buffer");

  c.vm = jvm.load(std::memory_order_acquire);
  auto area = static_cast<TalyCallbackArea*>(cbc->CallbackArea);
  if (c.vm == nullptr) {
    c.fail();
    TALY_TRACE(900, "jvm IS NULL");
  } else if (area == nullptr) {
    c.fail();
    TALY_TRACE(900, "talyCallbackArea is NULL");
  } else if (std::memcmp(area->StrucId, kCallbackAreaId, sizeof kCallbackAreaId) != 0) {
    c.fail();
    TALY_TRACE(900, "talyCallbackArea->StrucId:'%.4s'", area->StrucId);
  } else if (area->Version != kCallbackAreaVersion) {
    c.fail();
    TALY_TRACE(900, "talyCallbackArea->Version:%d", area->Version);
  } else if (!validCallbackIndex(area->callback_index)) {
    c.fail();
    TALY_TRACE(900, "talyCallbackArea->callback_index:%d", area->callback_index);
  } else {
    c.area = area;
    c.index = area->callback_index;
    c.instance = static_cast<jobject>(area->java_callback_instance);
  }
}

// The callback context and its area; the Java target when they are sound.
void validate(Callback& c) {
  if (c.cbc != nullptr) {
    validateArea(c);
  } else {
    c.fail();
    TALY_TRACE(900, "VXCBC IS NULL");
  }
  TALY_TRACE(300, "TalyConsumerFunction(): index:%d, Reason:%d", c.index, c.reason);
}

void attach(Callback& c) {
  const char* attachName =
      attachNonDaemon() ? "AttachCurrentThread" : "AttachCurrentThreadAsDaemon";
  JNIEnv* env = nullptr;
  bool attachNow = false;
  bool orig = asyncOrig();
  if (orig && alwaysAttachAsyncThread()) {
    TALY_TRACE(400, "TalyConsumerFunction(): Always attached to the JVM");
    attachNow = true;
  } else {
    TALY_TRACE(400, "TalyConsumerFunction(): Before call to GetEnv()");
    jint result = c.vm->GetEnv(reinterpret_cast<void**>(&env), kJniVersion);
    if (orig) {
      TALY_TRACE(400, "TalyConsumerFunction(): After call to GetEnv()");
    } else {
      TALY_TRACE(400, "TalyConsumerFunction(): After call to GetEnv() result=%d", result);
    }
    if (result == JNI_OK) {
      TALY_TRACE(400, "TalyConsumerFunction(): Thread is already attached to a JVM");
      c.hasEnv = true;
    } else if (result == JNI_EDETACHED) {
      attachNow = true;
    } else {
      TALY_TRACE(400, "TalyConsumerFunction(): GetEnv() --> %d", result);
      c.fail();
    }
  }
  if (attachNow) {
    char name[kThreadNameSize];
    threadName(name);
    JavaVMAttachArgs args{kJniVersion, name, nullptr};
    TALY_TRACE(400, "TalyConsumerFunction(): Before up to %d call(s) to %s(): jvm:%p",
               attachRetry(), attachName, static_cast<void*>(c.vm));
    jint result = c.vm->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&env), &args);
    TALY_TRACE(400, "TalyConsumerFunction(): After %d call(s) to %s(): jvm:%p", 0, attachName,
               static_cast<void*>(c.vm));
    if (result == JNI_OK) {
      c.hasEnv = true;
      c.attachedHere = true;
    } else {
      c.fail();
    }
  }
  if (c.hasEnv) c.ctx.env = env;
  TALY_TRACE(300, "TalyConsumerFunction(): Reason:%d", c.reason);
}

void traceArrivals(Callback& c) {
  traceEntry(&c.ctx, COMPONENT_NATIVE, kFunction);
  if (!c.ctx.trace) return;
  char callType[kCallTypeTextSize];
  const char* callTypeName = callTypeText(callType, c.cbc->CallType);
  int32_t traced = std::min(receivedLength(c.cbc), kTracedDataLimit);
  c.data("__________", nullptr, 0);
  c.data("TalyConsumerFunction >>", nullptr, 0);
  c.data("CallType", callTypeName, static_cast<int32_t>(std::strlen(callTypeName)));
  c.data("VXHCONN", &c.hconn, sizeof c.hconn);
  c.data("VXMD", c.md, VXMD_LENGTH);
  c.data("VXGMO", c.gmo, VXGMO_LENGTH);
  c.data("VXVOID", c.buffer, traced);
  c.data("VXCBC", c.cbc, kContextLength);
  c.data("__________", nullptr, 0);
}

jmethodID consumerMethod(Callback& c, jclass cls) {
  TALY_TRACE(300, "TalyConsumerFunction(): Before GetMethodID");
  if (!c.javaReady()) return nullptr;
  std::atomic<jmethodID>& slot = talyConsumerMethod_method_id[c.index];
  jmethodID method = slot.load(std::memory_order_acquire);
  if (method != nullptr) return method;
  method = c.ctx.env->GetMethodID(cls, "talyConsumerMethod", "([B[B[B[B)V");
  c.ctx.env->ExceptionCheck();
  if (method != nullptr) slot.store(method, std::memory_order_release);
  TALY_TRACE(400, "TalyConsumerFunction(): talyConsumerMethod_method_id[%d] = %d", c.index,
             asInt(method));
  if (method == nullptr) {
    c.krux(5, VXRC_UNEXPECTED_ERROR, c.index, "Consumer_method_id is 0");
    c.fail();
  }
  return method;
}

// A new Java array holding length bytes from address, null for a null
// address or after a failure, which is reported under probe (with the
// message and buffer lengths when asked).
jbyteArray copyToJava(Callback& c, const void* address, int32_t length, const char* label,
                      int32_t probe, const char* failure, bool reportLengths = false) {
  jbyteArray array = nullptr;
  if (address != nullptr && c.javaReady()) {
    JNIEnv* env = c.ctx.env;
    array = env->NewByteArray(length);
    TALY_TRACE(400, "TalyConsumerFunction(): %s: NewByteArray(%d) --> %p", label, length,
               static_cast<void*>(array));
    if (array == nullptr) {
      char lengths[64];
      std::snprintf(lengths, sizeof lengths, "DataLength = %d, BufferLength = %d",
                    c.cbc->DataLength, c.cbc->BufferLength);
      c.krux(probe, VXRC_UNEXPECTED_ERROR, length, failure,
             reportLengths ? TraceText(lengths) : TraceText());
      c.fail();
    } else {
      env->SetByteArrayRegion(array, 0, length, static_cast<const jbyte*>(address));
    }
  }
  TALY_TRACE(300, "TalyConsumerFunction(): Reason:%d", c.reason);
  return array;
}

void copyArrays(Callback& c) {
  c.mdArray = copyToJava(c, c.md, VXMD_LENGTH, "VXMD", 6, "java_vxmd_buf is null");
  c.gmoArray = copyToJava(c, c.gmo, VXGMO_LENGTH, "VXGMO", 7, "java_vxgmo_buf is null");
  int32_t length = c.cbc != nullptr ? receivedLength(c.cbc) : 0;
  c.dataArray = copyToJava(c, c.buffer, length, "buffer", 8, "java_buffer is null", true);
  c.contextArray = copyToJava(c, c.cbc, kContextLength, "VXCBC", 9, "java_context is null");
}

void callConsumer(Callback& c, jmethodID method) {
  if (!c.ok()) return;
  JNIEnv* env = c.ctx.env;
  if (c.exceptionPending) {
    c.krux(100, 0, 0, "Pending exception");
    c.fail();
    return;
  }
  TALY_DUMP(c.buffer, receivedLength(c.cbc), 300, "buffer");
  TALY_TRACE(400,
             "TalyConsumerFunction(): Before call to ConsumeMethod(): java_callback_instance:%p "
             "talyConsumerMethod_method_id[%d]:%d",
             static_cast<void*>(c.instance), c.index, asInt(method));
  env->CallVoidMethod(c.instance, method, c.mdArray, c.gmoArray, c.dataArray, c.contextArray);
  TALY_TRACE(400, "TalyConsumerFunction(): After call to ConsumeMethod()");
  if (env->ExceptionCheck()) {
    env->ExceptionClear();
    c.krux(10, 0, 0, "ExceptionCheck");
    c.fail();
  }
}

void deleteArrays(Callback& c) {
  TALY_TRACE(400, "TalyConsumerFunction(): Reason:%d", c.reason);
  for (jbyteArray array : {c.mdArray, c.gmoArray, c.dataArray, c.contextArray}) {
    if (array != nullptr) c.ctx.env->DeleteLocalRef(array);
  }
  TALY_TRACE(400, "TalyConsumerFunction()");
}

void traceDeparture(Callback& c) {
  if (c.hasEnv) {
    if (c.ctx.trace) {
      c.data("__________", nullptr, 0);
      c.data("TalyConsumerFunction <<", nullptr, 0);
      c.data("__________", nullptr, 0);
    }
    traceExit(&c.ctx, COMPONENT_NATIVE, kFunction, c.reason);
  }
  TALY_TRACE(400, "TalyConsumerFunction()");
}

void detach(Callback& c) {
  TALY_TRACE(400, "TalyConsumerFunction(): Before DetachCurrentThread()");
  c.vm->DetachCurrentThread();
  TALY_TRACE(400, "TalyConsumerFunction(): After DetachCurrentThread()");
}

// A thread that this callback attached stays attached for the next
// callback, unless the policy says otherwise; a stop detaches it always.
void finish(Callback& c) {
  bool detachEvery = c.attachedHere && asyncThreadSafe();
  switch (c.cbc->CallType) {
    case kCallTypeStop:
      detach(c);
      break;
    case kCallTypeDeregister:
      TALY_TRACE(400, "TalyConsumerFunction(): Before DeleteGlobalRef()");
      freeCallbackArea(c.ctx.env, c.area);
      c.cbc->CallbackArea = nullptr;
      TALY_TRACE(400, "TalyConsumerFunction(): After DeleteGlobalRef()");
      if (c.attachedHere) detach(c);
      break;
    case kCallTypeEvent:
      if (c.attachedHere) detach(c);
      break;
    default:
      if (detachEvery) detach(c);
      break;
  }
}

}  // namespace

extern "C" JNIEXPORT void TalyConsumerFunction(int32_t hconn, void* md, void* gmo, void* buffer,
                                               void* cbc) {
  Callback c{hconn, md, gmo, buffer, static_cast<VXCBC*>(cbc)};
  c.ctx.trace = asyncConsumeTrace();
  attachRetry();
  attachNonDaemon();
  TALY_TRACE(500, "TalyConsumerFunction(entry)");
  asyncOrig();

  TALY_DUMP(&hconn, sizeof hconn, 400, "VXHCONN");
  TALY_DUMP(md, VXMD_LENGTH, 400, "VXMD");
  TALY_DUMP(gmo, VXGMO_LENGTH, 400, "VXGMO");

  validate(c);
  if (c.ok()) attach(c);
  if (c.hasEnv) {
    traceArrivals(c);
    // Nothing after this raises an exception without failing the callback
    // (the regions copied are in bounds), so one check serves every later step.
    c.exceptionPending = c.ctx.env->ExceptionCheck();
  }

  TALY_TRACE(300, "TalyConsumerFunction(): Reason:%d", c.reason);
  jclass cls = nullptr;
  if (c.ok()) {
    cls = java_callback_class[c.index].load(std::memory_order_acquire);
    if (cls == nullptr) {
      c.fail();
      TALY_TRACE(900, "TalyConsumerFunction(): java_callback_class IS NULL");
    }
  }
  jmethodID method = consumerMethod(c, cls);
  copyArrays(c);
  callConsumer(c, method);
  deleteArrays(c);
  traceDeparture(c);
  if (c.hasEnv) finish(c);
  TALY_TRACE(500, "TalyConsumerFunction(exit)");
}
