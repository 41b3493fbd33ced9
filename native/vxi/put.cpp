// The put family. VXPUT puts to an open object and VXPUT1 opens, puts and
// closes in one runtime call; both hand the runtime the pinned Java buffer.
// talyPut and talyPut1 make the same calls with a message gathered from
// segments of several Java arrays into one native block.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "exports.h"
#include "util/allocation.h"

namespace {

// What tells the four exports apart.
struct PutKind {
  const char* method;         // Java method name, for the native trace lines
  int32_t function;           // function number of the Java trace events
  bool putOne;                // VXPUT1: names the object by a descriptor
  const char* mallocMessage;  // failure report of the gather block
};

constexpr PutKind kVXPUT{"VXPUT", 8, false, nullptr};
constexpr PutKind kVXPUT1{"VXPUT1", 9, true, nullptr};
constexpr PutKind kTalyPut{"talyPut", 44, false, "buffer is null"};
constexpr PutKind kTalyPut1{"talyPut1", 45, true, "malloc failed"};

// An argument fault found before the runtime call: failure report with the
// reason and two details, completion code 2, reason 2195.
void reject(ExportFrame& f, int32_t probe, const char* message, int32_t detail1,
            int32_t detail2) {
  f.krux(f.function, probe, VXRC_UNEXPECTED_ERROR, detail1, detail2, message);
  f.cc = VXCC_FAILED;
  f.reason = VXRC_UNEXPECTED_ERROR;
}

// The structures of a put, pinned in this order: object descriptor (put-one
// only), message descriptor, put options. The runtime reports through all
// three, so they are copied back whatever the outcome. Failure sites are
// numbered in pin order from 4, and the put's later sites go on from there.
struct PutStructures {
  StructureView od{ReleaseMode::CopyBack};
  StructureView md{ReleaseMode::CopyBack};
  StructureView pmo{ReleaseMode::CopyBack};
  int32_t nextProbe = 4;

  bool pin(ExportFrame& f, const PutKind& kind, jbyteArray vxod, jbyteArray vxmd,
           jbyteArray vxpmo) {
    if (kind.putOne) f.pinStructure(od, vxod, VxStructure::OD, nextProbe++, "native_vxod");
    f.pinStructure(md, vxmd, VxStructure::MD, nextProbe++, "native_vxmd");
    return f.pinStructure(pmo, vxpmo, VxStructure::PMO, nextProbe++, "native_vxpmo");
  }

  void release() {
    for (StructureView* view : {&od, &md, &pmo}) {
      if (*view) {
        TALY_MARK();
        view->release();
      }
    }
  }
};

void callRuntime(ExportFrame& f, const PutKind& kind, jint hconn, jint hobj, PutStructures& s,
                 jint length, void* buffer) {
  if (kind.putOne) {
    runtimeVector().VXPUT1(hconn, s.od.data(), s.md.data(), s.pmo.data(), length, buffer, &f.cc,
                           &f.reason);
    f.callResult(hconn, "VXPUT1");
  } else {
    runtimeVector().VXPUT(hconn, hobj, s.md.data(), s.pmo.data(), length, buffer, &f.cc,
                          &f.reason);
    f.callResult(hconn, "VXPUT");
  }
}

void putBuffer(JNIEnv* env, jboolean trace, const PutKind& kind, jint hconn, jint hobj,
               jbyteArray vxod, jbyteArray vxmd, jbyteArray vxpmo, jint bufferLength,
               jbyteArray buffer, jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("%s(entry)"), kind.method);
  ExportFrame f(env, trace, kind.function);
  f.entry();
  PutStructures s;
  PlainBytes data(ReleaseMode::Abort);
  bool pinned = s.pin(f, kind, vxod, vxmd, vxpmo);
  const int32_t bufferProbe = s.nextProbe;
  if (pinned && f.pin(data, buffer, bufferProbe, "native_buffer is null")) {
    // The runtime reads bufferLength bytes at the buffer's address: they
    // must lie inside the Java array.
    if (data) {
      jsize present = env->GetArrayLength(buffer);
      if (bufferLength < 0 || bufferLength > present) {
        f.failTooShort(bufferProbe, "native_buffer", bufferLength, present);
      }
    }
    if (f.ok()) callRuntime(f, kind, hconn, hobj, s, bufferLength, data.data());
  }
  s.release();
  data.release();
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("%s(exit): rc:%d"), kind.method, f.reason);
}

// The segment list of a gathered put: segment i is lengths[i] bytes of
// element i of segments, starting at index offsets[i].
struct Segments {
  jint count;
  jobjectArray segments;
  jintArray offsetsArray;
  jintArray lengthsArray;
  PinnedInts offsets{ReleaseMode::Abort};
  PinnedInts lengths{ReleaseMode::Abort};
  // Failure sites, numbered on from the structures': the two lists, the
  // gather block, then the segment arrays (a site of this library's own).
  int32_t offsetsProbe, lengthsProbe, mallocProbe, segmentsProbe;

  Segments(jint count, jobjectArray segments, jintArray offsetsArray, jintArray lengthsArray,
           int32_t firstProbe)
      : count(count),
        segments(segments),
        offsetsArray(offsetsArray),
        lengthsArray(lengthsArray),
        offsetsProbe(firstProbe),
        lengthsProbe(firstProbe + 1),
        mallocProbe(firstProbe + 2),
        segmentsProbe(firstProbe + 3) {}

  bool pin(ExportFrame& f) {
    f.pin(offsets, offsetsArray, offsetsProbe, "buffer_offsets is null");
    return f.pin(lengths, lengthsArray, lengthsProbe, "buffer_lengths is null");
  }

  // Lengths first, then offsets; nothing to copy back.
  void release() {
    lengths.release();
    offsets.release();
  }
};

// Reports an exception that a JNI call of the gather raised and takes it off
// the thread: the failure is the put's, not the Java caller's.
bool raised(ExportFrame& f, int32_t probe) {
  JNIEnv* env = f.ctx.env;
  if (!env->ExceptionCheck()) return false;
  jthrowable thrown = env->ExceptionOccurred();
  f.exception(f.function, probe, VXRC_UNEXPECTED_ERROR, thrown);
  env->DeleteLocalRef(thrown);
  f.cc = VXCC_FAILED;
  f.reason = VXRC_UNEXPECTED_ERROR;
  return true;
}

// Element i of the segment arrays when segment i lies inside it; otherwise
// reports the fault and returns null. The caller deletes the reference.
jbyteArray segmentArray(ExportFrame& f, Segments& s, jint i) {
  JNIEnv* env = f.ctx.env;
  auto element = static_cast<jbyteArray>(env->GetObjectArrayElement(s.segments, i));
  if (raised(f, s.segmentsProbe)) return nullptr;
  char name[48];
  if (element == nullptr) {
    std::snprintf(name, sizeof name, "segments[%d] is null", static_cast<int>(i));
    reject(f, s.segmentsProbe, name, i, 0);
    return nullptr;
  }
  jint offset = s.offsets.data()[i];
  jint length = s.lengths.data()[i];
  jsize present = env->GetArrayLength(element);
  if (offset > present || present - offset < length) {
    std::snprintf(name, sizeof name, "segments[%d]", static_cast<int>(i));
    int64_t required = static_cast<int64_t>(offset) + length;
    f.failTooShort(s.segmentsProbe, name,
                   required > INT32_MAX ? INT32_MAX : static_cast<int32_t>(required), present);
    env->DeleteLocalRef(element);
    return nullptr;
  }
  return element;
}

// An array holding fewer than count entries (a missing one holds none).
bool tooShort(ExportFrame& f, int32_t probe, const char* name, jarray array, jint count) {
  jsize present = array != nullptr ? f.ctx.env->GetArrayLength(array) : 0;
  if (present >= count) return false;
  f.failTooShort(probe, name, count, present);
  return true;
}

// Checks the whole segment list before anything is allocated or copied, and
// computes the total length; false after reporting the first fault. A count
// of 0 or less is an empty message, whatever the arrays.
bool checkSegments(ExportFrame& f, Segments& s, jint& total) {
  total = 0;
  if (s.count <= 0) return true;
  if (tooShort(f, s.segmentsProbe, "segments", s.segments, s.count) ||
      tooShort(f, s.offsetsProbe, "buffer_offsets", s.offsetsArray, s.count) ||
      tooShort(f, s.lengthsProbe, "buffer_lengths", s.lengthsArray, s.count)) {
    return false;
  }
  char message[64];
  int64_t sum = 0;
  for (jint i = 0; i < s.count; ++i) {
    jint offset = s.offsets.data()[i];
    jint length = s.lengths.data()[i];
    if (offset < 0) {
      std::snprintf(message, sizeof message, "buffer_offsets[%d] is negative", static_cast<int>(i));
      reject(f, s.offsetsProbe, message, i, offset);
      return false;
    }
    if (length < 0) {
      std::snprintf(message, sizeof message, "buffer_lengths[%d] is negative", static_cast<int>(i));
      reject(f, s.lengthsProbe, message, i, length);
      return false;
    }
    sum += length;
    if (sum > INT32_MAX) {
      reject(f, s.lengthsProbe, "buffer_lengths add up to more than 2147483647 bytes", i, 0);
      return false;
    }
  }
  for (jint i = 0; i < s.count; ++i) {
    jbyteArray element = segmentArray(f, s, i);
    if (element == nullptr) return false;
    f.ctx.env->DeleteLocalRef(element);
  }
  total = static_cast<jint>(sum);
  return true;
}

// Copies the segments in order into block, each straight from its Java
// array. The segment arrays are Java objects that another thread may change
// meanwhile, so each element is checked again.
void gather(ExportFrame& f, Segments& s, jbyte* block) {
  JNIEnv* env = f.ctx.env;
  jbyte* at = block;
  for (jint i = 0; i < s.count; ++i) {
    jbyteArray element = segmentArray(f, s, i);
    if (element == nullptr) return;
    jint length = s.lengths.data()[i];
    env->GetByteArrayRegion(element, s.offsets.data()[i], length, at);
    env->DeleteLocalRef(element);
    if (raised(f, s.segmentsProbe)) return;
    at += length;
  }
}

void putSegments(JNIEnv* env, jboolean trace, const PutKind& kind, jint hconn, jint hobj,
                 jbyteArray vxod, jbyteArray vxmd, jbyteArray vxpmo, jint count,
                 jobjectArray segments, jintArray offsetsArray, jintArray lengthsArray,
                 jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("%s(entry)"), kind.method);
  ExportFrame f(env, trace, kind.function);
  f.entry();
  PutStructures structures;
  bool pinned = structures.pin(f, kind, vxod, vxmd, vxpmo);
  Segments s(count, segments, offsetsArray, lengthsArray, structures.nextProbe);
  jbyte* block = nullptr;
  jint total = 0;
  if (pinned && s.pin(f) && checkSegments(f, s, total)) {
    if (f.ctx.trace) {
      char text[48];
      std::snprintf(text, sizeof text, "Requested length : %d", static_cast<int>(total));
      f.text(kind.function, text);
    }
    block = static_cast<jbyte*>(allocate(total > 0 ? static_cast<size_t>(total) : 1));
    if (block == nullptr) {
      f.failStorage(s.mallocProbe, kind.mallocMessage, 0);
    } else {
      gather(f, s, block);
    }
  }
  // The message is in the block now: the lists go back before the put.
  s.release();
  if (f.ok()) callRuntime(f, kind, hconn, hobj, structures, total, block);
  structures.release();
  std::free(block);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("%s(exit): rc:%d"), kind.method, f.reason);
}

}  // namespace

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXPUT(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jint hobj, jbyteArray vxmd,
    jbyteArray vxpmo, jint bufferLength, jbyteArray buffer, jobject ccHolder,
    jobject reasonHolder) {
  putBuffer(env, trace, kVXPUT, hconn, hobj, nullptr, vxmd, vxpmo, bufferLength, buffer,
            ccHolder, reasonHolder);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXPUT1(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jbyteArray vxod,
    jbyteArray vxmd, jbyteArray vxpmo, jint bufferLength, jbyteArray buffer, jobject ccHolder,
    jobject reasonHolder) {
  putBuffer(env, trace, kVXPUT1, hconn, 0, vxod, vxmd, vxpmo, bufferLength, buffer, ccHolder,
            reasonHolder);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_talyPut(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jint hobj, jbyteArray vxmd,
    jbyteArray vxpmo, jint count, jobjectArray segments, jintArray bufferOffsets,
    jintArray bufferLengths, jobject ccHolder, jobject reasonHolder) {
  putSegments(env, trace, kTalyPut, hconn, hobj, nullptr, vxmd, vxpmo, count, segments,
              bufferOffsets, bufferLengths, ccHolder, reasonHolder);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_talyPut1(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jbyteArray vxod,
    jbyteArray vxmd, jbyteArray vxpmo, jint count, jobjectArray segments,
    jintArray bufferOffsets, jintArray bufferLengths, jobject ccHolder, jobject reasonHolder) {
  putSegments(env, trace, kTalyPut1, hconn, 0, vxod, vxmd, vxpmo, count, segments,
              bufferOffsets, bufferLengths, ccHolder, reasonHolder);
}
