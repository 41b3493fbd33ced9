// The frame that every export shares: its CallContext, completion code and
// reason, its Java trace events, its holder accessors, its failure reports,
// and the write-back of the codes.
//
// The JNI forbids most calls while a Java exception is pending, yet a trace
// method or a holder may throw in the middle of an export. The frame sets
// such an exception aside after each Java call it makes, lets the export go
// on, and throws it again when the export returns, so that Java sees the
// holders and the exception as if the export had run with it pending.
//
// An export that checks for exceptions raised by its own steps (the get)
// asks the frame to keep them for its checks instead: from then on an
// exception is taken off the thread after each Java call and handed to the
// next check, so that no JNI call is made while it is pending and none is
// hidden from the check.
#ifndef TALY_FRAME_H
#define TALY_FRAME_H

#include <jni.h>

#include <cstdint>

#include "call_context.h"
#include "holders.h"
#include "trace.h"
#include "util/dump_request.h"
#include "util/array_view.h"
#include "vx/structs.h"
#include "vx/structure_lengths.h"

class ExportFrame {
 public:
  ExportFrame(JNIEnv* env, jboolean trace, int32_t function)
      : ctx{env, static_cast<int32_t>(trace)}, function(function), pinsAtEntry_(livePins()) {}
  ExportFrame(const ExportFrame&) = delete;
  ExportFrame& operator=(const ExportFrame&) = delete;
  // Throws the exception to be thrown on return, or else the one set aside,
  // unless another one is pending. Test builds first check that the export
  // left no array pinned and no exception pending that it did not mean to.
  // Inline, like the other steps every export takes, so that a call that
  // traces nothing and raises nothing costs no calls of the frame's own.
  ~ExportFrame() {
#ifdef TALY_CHECKED
    checkOnReturn();
#endif
    if (raised_ != nullptr || onReturn_ != nullptr || aside_ != nullptr) throwSetAside();
  }

  CallContext ctx;
  int32_t cc = VXCC_OK;
  int32_t reason = VXRC_NONE;
  const int32_t function;

  // Completion code 0 or 1: the call goes on.
  bool ok() const { return cc == VXCC_OK || cc == VXCC_WARNING; }

  // Java trace events, of this export's function or of a helper's.
  void entry() { entry(function); }
  void entry(int32_t fn) {
    if (ctx.trace) traceEntryEvent(fn);
  }
  void exit(int32_t fn, int32_t exitReason) {
    if (ctx.trace) traceExitEvent(fn, exitReason);
  }
  void text(int32_t fn, const char* text);
  void data(int32_t fn, const char* text, const void* data, int32_t length);
  void pointer(int32_t fn, const char* text, const void* pointer);
  void qmgrName(int32_t fn, int32_t length, const char* name);
  // The call-result trace, and the dump request when the reason asks for one.
  void callResult(int32_t hconn, const char* callName) {
    int32_t dumpReason = dumpQmgrReason();
    if (ctx.trace || (dumpReason != 0 && reason == dumpReason)) reportCallResult(hconn, callName);
  }
  void krux(int32_t fn, int32_t probe, int32_t i1, int32_t i2, int32_t i3, TraceText message,
            TraceText text1 = {}, TraceText text2 = {});
  // Reports throwable's class and message; the exception is not thrown again.
  void exception(int32_t fn, int32_t probe, int32_t value, jthrowable throwable);

  // A failure that the library found: report, completion code 2, reason 2195.
  void fail(int32_t probe, const char* message);
  // An allocation that failed: report (with firstDetail as its first
  // integer), completion code 2, reason 2071.
  void failStorage(int32_t probe, const char* message, int32_t firstDetail);
  // An array shorter than the call needs.
  void failTooShort(int32_t probe, const char* name, int32_t required, int32_t present);

  // While the call goes on: rejects a negative count, or a non-null array
  // shorter than count entries of entrySize bytes, which the runtime would
  // read or write past, as "<name> is too short". Returns whether it goes on.
  bool fits(jarray array, int32_t count, int32_t entrySize, int32_t probe, const char* name);

  // While the call goes on: rejects a non-null array that holds less than
  // length bytes, which the runtime would read or write past, as "<name> is
  // too short"; a negative length is left to the runtime. Returns whether it
  // goes on.
  bool within(jarray array, int32_t length, int32_t probe, const char* name);

  // While the call goes on: rejects a non-null array shorter than the
  // structure it holds (vx/structure_lengths.h), or one whose strings or
  // records named by offset lie outside it, as "<name> is too short", and
  // one that holds a native pointer to such a string as "<name> holds a
  // native pointer". Returns whether it goes on; length receives the
  // array's length when it was taken.
  bool holds(jbyteArray array, VxStructure structure, int32_t probe, const char* name,
             jsize* length = nullptr);
  // holds, then pins; a failed pin is reported as "<name> is null".
  bool pinStructure(PinnedBytes& view, jbyteArray array, VxStructure structure, int32_t probe,
                    const char* name, jsize* length = nullptr);

  // Pins a non-null array while the call goes on; a failed pin is reported
  // with probe and message. Returns whether the call goes on.
  bool pin(PinnedBytes& pinned, jbyteArray array, int32_t probe, const char* message);
  bool pin(PinnedInts& pinned, jintArray array, int32_t probe, const char* message);

  // Holder accessors; an exception a holder raises is settled.
  int32_t hconn(jobject holder);
  void setHconn(jobject holder, int32_t value);
  int32_t hobj(jobject holder);
  void setHobj(jobject holder, int32_t value);
  int64_t hmsg(jobject holder);
  void setHmsg(jobject holder, int64_t value);
  int32_t pint(jobject holder) { return getPint(&ctx, holder); }
  void setPint(jobject holder, int32_t value) { ::setPint(&ctx, holder, value); }

  // Writes the codes into their holders and sends the exit event.
  void leave(jobject ccHolder, jobject reasonHolder) {
    setPint(ccHolder, cc);
    setPint(reasonHolder, reason);
    exit(function, reason);
  }

  // Takes a pending Java exception off the thread: set aside for the
  // return, or kept for the export's next check.
  void settle();

  // From now on, exceptions are kept for the export's checks (on), or set
  // aside for the return again (off; one still kept is set aside then).
  void keepRaisedForChecks(bool on);
  // The exception raised since the last check (pending or taken off the
  // thread), now owned by the caller; null when there is none.
  jthrowable takeRaised();
  // The same without asking the JVM: for a check that follows only steps
  // that raise nothing (releases, holder fields) or were settled already.
  jthrowable takeSettled();
  // Throws exception when the export returns, in place of one set aside.
  void throwOnReturn(jthrowable exception) { onReturn_ = exception; }

 private:
  void traceEntryEvent(int32_t fn);
  void traceExitEvent(int32_t fn, int32_t exitReason);
  void reportCallResult(int32_t hconn, const char* callName);
#ifdef TALY_CHECKED
  void checkOnReturn();
#endif
  void throwSetAside();

  jthrowable aside_ = nullptr;
  jthrowable raised_ = nullptr;
  jthrowable onReturn_ = nullptr;
  bool keepRaised_ = false;
  const int pinsAtEntry_;
};

// The prefix of every export's name in the native entry and exit lines.
#define TALY_NATIVE(method) "Java_com_orvane_vx_taly_local_internal_base_Native_" method

#endif
