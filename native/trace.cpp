#include "trace.h"

#include <cstdio>
#include <initializer_list>

#include "holders.h"
#include "util/dump_request.h"

std::atomic<jobject> traceObject{nullptr};
std::atomic<jmethodID> mid_TraceEntry{nullptr};
std::atomic<jmethodID> mid_TraceExit{nullptr};
std::atomic<jmethodID> mid_TraceData{nullptr};
std::atomic<jmethodID> mid_TraceKrux{nullptr};

void trace_init(CallContext* ctx, jobject traceObj) {
  JNIEnv* env = ctx->env;
  if (traceObj == nullptr) return;
  jclass cls = env->GetObjectClass(traceObj);
  if (cls == nullptr) return;
  if (!env->ExceptionCheck()) {
    jobject global = env->NewGlobalRef(traceObj);
    cache(traceObject, global);
    if (global != nullptr && !env->ExceptionCheck()) {
      cache(mid_TraceEntry, holderMethod(ctx, cls, "entry", "(II)V"));
      cache(mid_TraceExit, holderMethod(ctx, cls, "exit", "(III)V"));
      cache(mid_TraceData, holderMethod(ctx, cls, "data", "(II[BLjava/lang/Object;)V"));
      cache(mid_TraceKrux, holderMethod(ctx, cls, "krux", "(IIIIII[B[B[B)V"));
    }
  }
  env->DeleteLocalRef(cls);
}

namespace {

// Takes a pending exception off the thread for the length of a trace call.
jthrowable save(JNIEnv* env) {
  jthrowable pending = env->ExceptionOccurred();
  if (pending != nullptr) env->ExceptionClear();
  return pending;
}

// After a trace call: a saved exception is pending again, unless the call
// failed, in which case its exception stays and the saved one is dropped.
// Every Java call above is followed by its own exception check, which the
// JNI requires before any further call.
void restore(JNIEnv* env, jthrowable saved) {
  if (saved == nullptr) return;
  if (!env->ExceptionCheck()) env->Throw(saved);
  env->DeleteLocalRef(saved);
}

// A Java byte array holding text, null for an absent text; false when the
// array could not be made.
bool makeArray(JNIEnv* env, TraceText text, jbyteArray* array) {
  *array = nullptr;
  if (text.bytes == nullptr) return true;
  jbyteArray made = env->NewByteArray(text.length);
  if (made == nullptr || env->ExceptionCheck()) {
    if (made != nullptr) env->DeleteLocalRef(made);
    return false;
  }
  env->SetByteArrayRegion(made, 0, text.length, reinterpret_cast<const jbyte*>(text.bytes));
  if (env->ExceptionCheck()) {
    env->DeleteLocalRef(made);
    return false;
  }
  *array = made;
  return true;
}

void deleteArrays(JNIEnv* env, std::initializer_list<jbyteArray> arrays) {
  for (jbyteArray array : arrays) {
    if (array != nullptr) env->DeleteLocalRef(array);
  }
}

// Sends the data event; text and data arrays are made in that order and
// deleted data first.
void sendData(CallContext* ctx, int32_t component, int32_t function, TraceText text,
              TraceText data) {
  jobject target = cached(traceObject);
  jmethodID method = cached(mid_TraceData);
  if (target == nullptr || method == nullptr) return;
  JNIEnv* env = ctx->env;
  jthrowable saved = save(env);
  jbyteArray textArray = nullptr;
  jbyteArray dataArray = nullptr;
  if (makeArray(env, text, &textArray) && makeArray(env, data, &dataArray)) {
    env->CallVoidMethod(target, method, component, function, textArray, dataArray);
    env->ExceptionCheck();
  }
  deleteArrays(env, {dataArray, textArray});
  restore(env, saved);
}

}  // namespace

void traceEntry(CallContext* ctx, int32_t component, int32_t function) {
  if (!ctx->trace) return;
  jobject target = cached(traceObject);
  jmethodID method = cached(mid_TraceEntry);
  if (target == nullptr || method == nullptr) return;
  jthrowable saved = save(ctx->env);
  ctx->env->CallVoidMethod(target, method, component, function);
  ctx->env->ExceptionCheck();
  restore(ctx->env, saved);
}

void traceExit(CallContext* ctx, int32_t component, int32_t function, int32_t reason) {
  if (!ctx->trace) return;
  jobject target = cached(traceObject);
  jmethodID method = cached(mid_TraceExit);
  if (target == nullptr || method == nullptr) return;
  jthrowable saved = save(ctx->env);
  ctx->env->CallVoidMethod(target, method, component, function, reason);
  ctx->env->ExceptionCheck();
  restore(ctx->env, saved);
}

void traceData(CallContext* ctx, int32_t component, int32_t function, int32_t /*detail*/,
               const char* text, const void* data, int32_t length) {
  if (!ctx->trace) return;
  sendData(ctx, component, function, text, TraceText(data, length));
}

void traceText(CallContext* ctx, int32_t component, int32_t function, int32_t detail,
               const char* text) {
  traceData(ctx, component, function, detail, text, nullptr, 0);
}

void tracePointer(CallContext* ctx, int32_t component, int32_t function, int32_t detail,
                  const char* text, const void* pointer) {
  if (!ctx->trace) return;
  char buffer[900];
  std::snprintf(buffer, sizeof buffer, "%s (%p)", text, pointer);
  traceData(ctx, component, function, detail, buffer, nullptr, 0);
}

void traceQmgrName(CallContext* ctx, int32_t component, int32_t function, int32_t length,
                   const char* name) {
  if (!ctx->trace) return;
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "QueueManager name: '%.*s'", length > 0 ? length : 0,
                name != nullptr ? name : "(null)");
  traceData(ctx, component, function, 3, buffer, nullptr, 0);
}

void traceCallResult(CallContext* ctx, int32_t component, int32_t function, int32_t hconn,
                     int32_t detail, const char* callName, int32_t cc, int32_t reason) {
  int32_t dumpReason = dumpQmgrReason();
  if (dumpReason != 0 && reason == dumpReason) requestQmgrDump(hconn);
  if (!ctx->trace) return;
  char buffer[900];
  std::snprintf(buffer, sizeof buffer, "%s returned CC=%d, RC=%d", callName, cc, reason);
  traceData(ctx, component, function, detail, buffer, nullptr, 0);
}

void traceKrux(CallContext* ctx, int32_t component, int32_t function, int32_t probe, int32_t i1,
               int32_t i2, int32_t i3, TraceText message, TraceText text1, TraceText text2) {
  jobject target = cached(traceObject);
  jmethodID method = cached(mid_TraceKrux);
  if (target == nullptr || method == nullptr) return;
  JNIEnv* env = ctx->env;
  jthrowable saved = save(env);
  jbyteArray arrays[3] = {nullptr, nullptr, nullptr};
  if (makeArray(env, message, &arrays[0]) && makeArray(env, text1, &arrays[1]) &&
      makeArray(env, text2, &arrays[2])) {
    env->CallVoidMethod(target, method, component, function, probe, i1, i2, i3, arrays[0],
                        arrays[1], arrays[2]);
    env->ExceptionCheck();
  }
  deleteArrays(env, {arrays[0], arrays[1], arrays[2]});
  restore(env, saved);
}
