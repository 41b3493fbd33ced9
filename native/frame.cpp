#include "frame.h"

#include <cstdio>
#include <cstdlib>

#include "holders.h"

namespace {

#ifdef TALY_CHECKED
void check(bool holds, const char* breach) {
  if (holds) return;
  std::fprintf(stderr, "vxtaly: %s\n", breach);
  std::abort();
}
#endif

}  // namespace

#ifdef TALY_CHECKED
void ExportFrame::checkOnReturn() {
  check(livePins() == pinsAtEntry_, "an export left an array pinned");
  check(raised_ == nullptr, "an export did not check an exception its own steps raised");
  check(!ctx.env->ExceptionCheck(), "an export left a Java exception pending unsettled");
}
#endif

void ExportFrame::throwSetAside() {
  JNIEnv* env = ctx.env;
  if (raised_ != nullptr) env->DeleteLocalRef(raised_);
  jthrowable thrown = onReturn_ != nullptr ? onReturn_ : aside_;
  if (thrown != nullptr && !env->ExceptionCheck()) env->Throw(thrown);
  if (aside_ != nullptr) env->DeleteLocalRef(aside_);
}

void ExportFrame::settle() {
  JNIEnv* env = ctx.env;
  if (!env->ExceptionCheck()) return;
  jthrowable pending = env->ExceptionOccurred();
  env->ExceptionClear();
  jthrowable& slot = keepRaised_ ? raised_ : aside_;
  if (slot != nullptr) env->DeleteLocalRef(slot);
  slot = pending;
}

void ExportFrame::keepRaisedForChecks(bool on) {
  keepRaised_ = on;
  if (on || raised_ == nullptr) return;
  if (aside_ != nullptr) ctx.env->DeleteLocalRef(aside_);
  aside_ = raised_;
  raised_ = nullptr;
}

jthrowable ExportFrame::takeRaised() {
  settle();
  return takeSettled();
}

jthrowable ExportFrame::takeSettled() {
  jthrowable taken = raised_;
  raised_ = nullptr;
  return taken;
}

// Gated events make no Java call with tracing off, so there is nothing to settle.
void ExportFrame::traceEntryEvent(int32_t fn) {
  traceEntry(&ctx, COMPONENT_NATIVE, fn);
  settle();
}

void ExportFrame::traceExitEvent(int32_t fn, int32_t exitReason) {
  traceExit(&ctx, COMPONENT_NATIVE, fn, exitReason);
  settle();
}

void ExportFrame::text(int32_t fn, const char* text) {
  if (!ctx.trace) return;
  traceText(&ctx, COMPONENT_NATIVE, fn, 3, text);
  settle();
}

void ExportFrame::data(int32_t fn, const char* text, const void* data, int32_t length) {
  if (!ctx.trace) return;
  traceData(&ctx, COMPONENT_NATIVE, fn, 3, text, data, length);
  settle();
}

void ExportFrame::pointer(int32_t fn, const char* text, const void* pointer) {
  if (!ctx.trace) return;
  tracePointer(&ctx, COMPONENT_NATIVE, fn, 3, text, pointer);
  settle();
}

void ExportFrame::qmgrName(int32_t fn, int32_t length, const char* name) {
  if (!ctx.trace) return;
  traceQmgrName(&ctx, COMPONENT_NATIVE, fn, length, name);
  settle();
}

// With tracing off this runs only for a dump request, whose runtime calls
// are settled like a trace event's Java calls.
void ExportFrame::reportCallResult(int32_t hconn, const char* callName) {
  traceCallResult(&ctx, COMPONENT_NATIVE, function, hconn, 3, callName, cc, reason);
  settle();
}

void ExportFrame::krux(int32_t fn, int32_t probe, int32_t i1, int32_t i2, int32_t i3,
                       TraceText message, TraceText text1, TraceText text2) {
  traceKrux(&ctx, COMPONENT_NATIVE, fn, probe, i1, i2, i3, message, text1, text2);
  settle();
}

void ExportFrame::exception(int32_t fn, int32_t probe, int32_t value, jthrowable throwable) {
  traceException(&ctx, COMPONENT_NATIVE, fn, probe, value, throwable);
  settle();
}

void ExportFrame::fail(int32_t probe, const char* message) {
  krux(function, probe, 0, 0, 0, message);
  cc = VXCC_FAILED;
  reason = VXRC_UNEXPECTED_ERROR;
}

void ExportFrame::failStorage(int32_t probe, const char* message, int32_t firstDetail) {
  krux(function, probe, firstDetail, 0, 0, message);
  cc = VXCC_FAILED;
  reason = VXRC_STORAGE_NOT_AVAILABLE;
}

void ExportFrame::failTooShort(int32_t probe, const char* name, int32_t required,
                               int32_t present) {
  char message[128];
  std::snprintf(message, sizeof message, "%s is too short", name);
  krux(function, probe, VXRC_UNEXPECTED_ERROR, required, present, message);
  cc = VXCC_FAILED;
  reason = VXRC_UNEXPECTED_ERROR;
}

bool ExportFrame::fits(jarray array, int32_t count, int32_t entrySize, int32_t probe,
                       const char* name) {
  if (!ok()) return false;
  int64_t required = static_cast<int64_t>(count) * entrySize;
  jsize present = array != nullptr ? ctx.env->GetArrayLength(array) : 0;
  if (count >= 0 && (array == nullptr || required <= present)) return true;
  failTooShort(probe, name, static_cast<int32_t>(required < INT32_MAX ? required : INT32_MAX),
               present);
  return false;
}

bool ExportFrame::within(jarray array, int32_t length, int32_t probe, const char* name) {
  if (!ok() || array == nullptr) return ok();
  jsize present = ctx.env->GetArrayLength(array);
  if (length > present) failTooShort(probe, name, length, present);
  return ok();
}

bool ExportFrame::pin(PinnedBytes& pinned, jbyteArray array, int32_t probe,
                      const char* message) {
  if (ok() && array != nullptr && !pinned.pin(ctx.env, array)) fail(probe, message);
  return ok();
}

bool ExportFrame::pin(PinnedInts& pinned, jintArray array, int32_t probe, const char* message) {
  if (ok() && array != nullptr && !pinned.pin(ctx.env, array)) fail(probe, message);
  return ok();
}

int32_t ExportFrame::hconn(jobject holder) { return getHconn(&ctx, holder); }

void ExportFrame::setHconn(jobject holder, int32_t value) { ::setHconn(&ctx, holder, value); }

int32_t ExportFrame::hobj(jobject holder) {
  int32_t value = getHobj(&ctx, holder);
  settle();
  return value;
}

void ExportFrame::setHobj(jobject holder, int32_t value) {
  ::setHobj(&ctx, holder, value);
  settle();
}

int64_t ExportFrame::hmsg(jobject holder) {
  int64_t value = getHmsg(&ctx, holder);
  settle();
  return value;
}

void ExportFrame::setHmsg(jobject holder, int64_t value) {
  ::setHmsg(&ctx, holder, value);
  settle();
}
