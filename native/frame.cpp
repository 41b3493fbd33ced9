#include "frame.h"

#include <cstdio>

#include "holders.h"

ExportFrame::~ExportFrame() {
  if (aside_ == nullptr) return;
  if (!ctx.env->ExceptionCheck()) ctx.env->Throw(aside_);
  ctx.env->DeleteLocalRef(aside_);
}

void ExportFrame::settle() {
  JNIEnv* env = ctx.env;
  if (!env->ExceptionCheck()) return;
  jthrowable pending = env->ExceptionOccurred();
  env->ExceptionClear();
  if (aside_ != nullptr) env->DeleteLocalRef(aside_);
  aside_ = pending;
}

// Gated events make no Java call with tracing off, so there is nothing to settle.
void ExportFrame::entry(int32_t fn) {
  if (!ctx.trace) return;
  traceEntry(&ctx, COMPONENT_NATIVE, fn);
  settle();
}

void ExportFrame::exit(int32_t fn, int32_t exitReason) {
  if (!ctx.trace) return;
  traceExit(&ctx, COMPONENT_NATIVE, fn, exitReason);
  settle();
}

void ExportFrame::text(int32_t fn, const char* text) {
  if (!ctx.trace) return;
  traceText(&ctx, COMPONENT_NATIVE, fn, 3, text);
  settle();
}

void ExportFrame::pointer(int32_t fn, const char* text, const void* pointer) {
  if (!ctx.trace) return;
  tracePointer(&ctx, COMPONENT_NATIVE, fn, 3, text, pointer);
  settle();
}

void ExportFrame::callResult(int32_t hconn, const char* callName) {
  traceCallResult(&ctx, COMPONENT_NATIVE, function, hconn, 3, callName, cc, reason);
  settle();
}

void ExportFrame::krux(int32_t fn, int32_t probe, int32_t i1, int32_t i2, int32_t i3,
                       TraceText message, TraceText text1, TraceText text2) {
  traceKrux(&ctx, COMPONENT_NATIVE, fn, probe, i1, i2, i3, message, text1, text2);
  settle();
}

void ExportFrame::fail(int32_t probe, const char* message) {
  krux(function, probe, 0, 0, 0, message);
  cc = VXCC_FAILED;
  reason = VXRC_UNEXPECTED_ERROR;
}

void ExportFrame::failTooShort(int32_t probe, const char* name, int32_t required,
                               int32_t present) {
  char message[128];
  std::snprintf(message, sizeof message, "%s is too short", name);
  krux(function, probe, VXRC_UNEXPECTED_ERROR, required, present, message);
  cc = VXCC_FAILED;
  reason = VXRC_UNEXPECTED_ERROR;
}

bool ExportFrame::pin(PinnedBytes& pinned, jbyteArray array, int32_t probe,
                      const char* message) {
  if (ok() && array != nullptr && !pinned.pin(ctx.env, array)) fail(probe, message);
  return ok();
}

void ExportFrame::leave(jobject ccHolder, jobject reasonHolder) {
  setPint(&ctx, ccHolder, cc);
  setPint(&ctx, reasonHolder, reason);
  exit(function, reason);
}
