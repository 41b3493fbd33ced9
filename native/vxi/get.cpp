// VXGET: a message from an open object into a Java byte array.
//
// The runtime receives into native memory of the buffer length, and only
// the bytes that arrived are copied into the Java buffer. An exception that
// is pending when the runtime returns (raised by a callback of the runtime
// on this thread) is kept apart and thrown again just before returning;
// exceptions raised after that by this export's own steps are reported,
// cleared and turned into completion code 2.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "exports.h"
#include "util/receive_buffer.h"

namespace {

constexpr int32_t kGetFunction = 5;
constexpr int32_t kKeepVxmd = 0x1;
constexpr int32_t kKeepVxgmo = 0x2;
constexpr int32_t kKeepBuffer = 0x4;
constexpr int32_t kNoDataCopy = 0x400;
constexpr int32_t kReasonNotCopied = 2107;

int32_t readDebugOptions() {
  const char* value = std::getenv("TalyVXGETDebugOptions");
  return value != nullptr ? static_cast<int32_t>(std::strtol(value, nullptr, 0)) : 0;
}

// Read by the first get of the process.
int32_t debugOptions() {
  static const int32_t options = readDebugOptions();
  return options;
}

// The Options word of the get-message options, which hold them whole.
int32_t gmoOptions(const PinnedBytes& gmo) {
  int32_t options;
  std::memcpy(&options, gmo.bytes() + VXGMO_OPTIONS, sizeof options);
  return options;
}

// Prints a throwable that is off the thread to standard error.
void describe(JNIEnv* env, jthrowable throwable) {
  TALY_TRACE(400, "ExceptionOccured");
  env->Throw(throwable);
  env->ExceptionDescribe();
  env->ExceptionClear();
}

// Looks at the exception found after the runtime call: a ThreadDeath is
// reported only when ZRT_KRUX_ON_THREADDEATH_EXCEPTION is set.
void examineSaved(ExportFrame& f, jthrowable saved) {
  JNIEnv* env = f.ctx.env;
  describe(env, saved);
  jclass threadDeath = env->FindClass("java/lang/ThreadDeath");
  if (env->ExceptionCheck()) {
    env->ExceptionClear();
    TALY_TRACE(400, "Failed to lookup ThreadDeath class.");
  } else if (env->IsInstanceOf(saved, threadDeath) &&
             std::getenv("ZRT_KRUX_ON_THREADDEATH_EXCEPTION") == nullptr) {
    TALY_TRACE(400, "ThreadDeath exception detected.");
  } else {
    TALY_TRACE(400, "Unknown exception detected.");
    f.exception(kGetFunction, 15, 0, saved);
  }
  if (threadDeath != nullptr) env->DeleteLocalRef(threadDeath);
}

// An exception raised by this export's own steps: described, cleared,
// reported under probe, completion code 2. After the runtime call every step
// that can raise one (a trace event, the call-result report, the copy) is
// settled at once, and the others (holder fields, releases) raise none, so
// the exception, if any, is already off the thread.
void checkRaised(ExportFrame& f, int32_t probe, bool withThrowable) {
  jthrowable raised = f.takeSettled();
  if (raised == nullptr) return;
  describe(f.ctx.env, raised);
  if (withThrowable) {
    f.exception(kGetFunction, probe, 0, raised);
  } else {
    f.krux(kGetFunction, probe, 0, 0, 0, "ExceptionOccured");
  }
  f.cc = VXCC_FAILED;
  f.reason = VXRC_UNEXPECTED_ERROR;
  f.ctx.env->DeleteLocalRef(raised);
}

// Pins a structure that the array holds whole, tracing the Java array and
// its native view.
void pinStructure(ExportFrame& f, PinnedBytes& view, jbyteArray array, VxStructure structure,
                  int32_t probe, const char* name, const char* message, const char* pinnedText) {
  if (!f.holds(array, structure, probe, name) || array == nullptr) return;
  if (view.pin(f.ctx.env, array)) {
    TALY_TRACE(400, pinnedText, static_cast<void*>(array), static_cast<void*>(view.data()));
  } else {
    TALY_MARK();
    f.fail(probe, message);
  }
}

// Releases a structure, or leaves it pinned when the debug options say so.
void releaseStructureView(PinnedBytes& view, bool keep, const char* keptText,
                          const char* releasedText) {
  if (!view) return;
  if (keep) {
    TALY_TRACE(400, keptText, static_cast<void*>(view.array()), static_cast<void*>(view.data()));
    view.keep();
  } else {
    TALY_TRACE(400, releasedText, static_cast<void*>(view.array()),
               static_cast<void*>(view.data()));
    TALY_MARK();
    view.release();
  }
}

}  // namespace

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXGET(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jint hobj, jbyteArray msgDesc,
    jbyteArray getMsgOpts, jint bufferLength, jbyteArray buffer, jobject dataLengthHolder,
    jobject ccHolder, jobject reasonHolder) {
  const int32_t debug = debugOptions();
  TALY_TRACE(500, TALY_NATIVE("VXGET(entry)"));
  TALY_TRACE(400, "DebugOptions: %d", debug);
  ExportFrame f(env, trace, kGetFunction);
  // What this export's own steps raise is kept for its checks: before the
  // runtime call it is the exception found after the call; after, the
  // checks that follow the copy and each release see it.
  f.keepRaisedForChecks(true);
  f.entry();

  StructureView md(ReleaseMode::CopyBack);
  StructureView gmo(ReleaseMode::CopyBack);
  ReceiveBuffer received;
  pinStructure(f, md, msgDesc, VxStructure::MD, 4, "native_vxmd", "native_vxmd is null",
               "GetByteArrayElements:           java_vxmd_buf: %p,   native_vxmd: %p");
  pinStructure(f, gmo, getMsgOpts, VxStructure::GMO, 5, "native_vxgmo", "native_vxgmo is null",
               "GetByteArrayElements:          java_vxgmo_buf: %p,  native_vxgmo: %p");
  if (f.ok() && buffer != nullptr) {
    // Never more than the Java array holds: a longer buffer length fails below.
    jsize javaLength = env->GetArrayLength(buffer);
    if (!received.acquire(std::min<int32_t>(bufferLength, javaLength))) {
      TALY_MARK();
      f.fail(6, "native_buffer is null");
    } else {
      TALY_TRACE(400, "GetByteArrayElements:             java_buffer: %p, native_buffer: %p",
                 static_cast<void*>(buffer), static_cast<void*>(received.data()));
      if (javaLength < bufferLength) {
        TALY_TRACE(400, "KRUX: java_buffer_length (%d) is less than native_buffer_len (%d)",
                   javaLength, bufferLength);
        f.fail(7, "java_buffer_length is less than native_buffer_len");
      }
    }
  }

  jthrowable saved = nullptr;
  if (f.ok()) {
    int32_t dataLength = f.pint(dataLengthHolder);
    TALY_MARK();
    runtimeVector().VXGET(hconn, hobj, md.data(), gmo.data(), bufferLength, received.data(),
                          &dataLength, &f.cc, &f.reason);
    TALY_MARK();
    saved = f.takeRaised();
    if (saved != nullptr) examineSaved(f, saved);
    f.callResult(hconn, "VXGET");
    if (f.ok() && gmo && (gmoOptions(gmo) & kNoDataCopy) == 0) {
      if (received) {
        // The buffer length lies within the array, so only a negative data
        // length can make the copy throw.
        int32_t copied = std::min(dataLength, bufferLength);
        env->SetByteArrayRegion(buffer, 0, copied, received.data());
        if (copied < 0 && env->ExceptionCheck()) {
          f.settle();
          if (f.reason != kReasonNotCopied) {
            f.krux(kGetFunction, 7, 0, 0, 0, "Failed to update data bytes");
          }
          f.cc = VXCC_FAILED;
          f.reason = VXRC_UNEXPECTED_ERROR;
        }
      }
      f.setPint(dataLengthHolder, dataLength);
    }
  }
  checkRaised(f, 16, true);

  releaseStructureView(md, debug & kKeepVxmd,
                       "Not ReleaseByteArrayElements:   java_vxmd_buf: %p,   native_vxmd: %p",
                       "ReleaseByteArrayElements:       java_vxmd_buf: %p,   native_vxmd: %p");
  checkRaised(f, 9, false);
  releaseStructureView(gmo, debug & kKeepVxgmo,
                       "Not ReleaseByteArrayElements:  java_vxgmo_buf: %p,  native_vxgmo: %p",
                       "ReleaseByteArrayElements:      java_vxgmo_buf: %p,  native_vxgmo: %p");
  checkRaised(f, 10, false);
  if (received) {
    if (debug & kKeepBuffer) {
      TALY_TRACE(400, "Not ReleaseByteArrayElements:     java_buffer: %p, native_buffer: %p",
                 static_cast<void*>(buffer), static_cast<void*>(received.data()));
      received.keep();
    } else {
      TALY_TRACE(400, "ReleaseByteArrayElements:         java_buffer: %p, native_buffer: %p",
                 static_cast<void*>(buffer), static_cast<void*>(received.data()));
      received.giveBack();
    }
  }
  checkRaised(f, 11, false);
  f.keepRaisedForChecks(false);

  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXGET(exit): rc:%d"), f.reason);
  if (saved != nullptr) {
    TALY_TRACE(400, "Thrwoing saved exception");
    f.throwOnReturn(saved);
  }
}
