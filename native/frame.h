// The frame that every export shares: its CallContext, completion code and
// reason, its Java trace events, its failure reports, and the write-back of
// the codes.
//
// The JNI forbids most calls while a Java exception is pending, yet a trace
// method or a holder may throw in the middle of an export. The frame sets
// such an exception aside after each Java call it makes, lets the export go
// on, and throws it again when the export returns, so that Java sees the
// holders and the exception as if the export had run with it pending.
#ifndef TALY_FRAME_H
#define TALY_FRAME_H

#include <jni.h>

#include <cstdint>

#include "call_context.h"
#include "trace.h"
#include "util/array_view.h"
#include "vx/structs.h"

class ExportFrame {
 public:
  ExportFrame(JNIEnv* env, jboolean trace, int32_t function)
      : ctx{env, static_cast<int32_t>(trace)}, function(function) {}
  ExportFrame(const ExportFrame&) = delete;
  ExportFrame& operator=(const ExportFrame&) = delete;
  // Throws the exception set aside, unless another one is pending.
  ~ExportFrame();

  CallContext ctx;
  int32_t cc = VXCC_OK;
  int32_t reason = VXRC_NONE;
  const int32_t function;

  // Completion code 0 or 1: the call goes on.
  bool ok() const { return cc == VXCC_OK || cc == VXCC_WARNING; }

  // Java trace events, of this export's function or of a helper's.
  void entry() { entry(function); }
  void entry(int32_t fn);
  void exit(int32_t fn, int32_t exitReason);
  void text(int32_t fn, const char* text);
  void pointer(int32_t fn, const char* text, const void* pointer);
  void callResult(int32_t hconn, const char* callName);
  void krux(int32_t fn, int32_t probe, int32_t i1, int32_t i2, int32_t i3, TraceText message,
            TraceText text1 = {}, TraceText text2 = {});

  // A failure that the library found: report, completion code 2, reason 2195.
  void fail(int32_t probe, const char* message);
  // An array shorter than the call needs.
  void failTooShort(int32_t probe, const char* name, int32_t required, int32_t present);

  // Pins a non-null array while the call goes on; a failed pin is reported
  // with probe and message. Returns whether the call goes on.
  bool pin(PinnedBytes& pinned, jbyteArray array, int32_t probe, const char* message);

  // Writes the codes into their holders and sends the exit event.
  void leave(jobject ccHolder, jobject reasonHolder);

  // Sets a pending Java exception aside.
  void settle();

 private:
  jthrowable aside_ = nullptr;
};

// The prefix of every export's name in the native entry and exit lines.
#define TALY_NATIVE(method) "Java_com_orvane_vx_taly_local_internal_base_Native_" method

#endif
