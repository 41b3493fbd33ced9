// Connect and disconnect: VXCONN, VXCONNX, talyDisc and VXDISC.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "exports.h"
#include "util/allocation.h"

namespace {

constexpr jsize kQmgrNameTraceLength = 48;
constexpr int32_t kMaskingVersion = 5;
constexpr int32_t kSkipRuntimeOption = 2;

int32_t intAt(const unsigned char* bytes, size_t offset) {
  int32_t value;
  std::memcpy(&value, bytes + offset, sizeof value);
  return value;
}

// Overwrites the password in a copy of the connect options with 'x'. The
// security parameters and the password are trusted only where they lie
// inside the copy; returns false when they do not, and the copy must not be
// traced.
bool maskPassword(unsigned char* copy, jsize length) {
  if (length < static_cast<jsize>(VXCNO_SECURITY_PARMS_OFFSET + 4)) return false;
  int32_t cspOffset = intAt(copy, VXCNO_SECURITY_PARMS_OFFSET);
  if (cspOffset < 0 || length - cspOffset < static_cast<jsize>(VXCSP_PASSWORD_LENGTH + 4)) {
    return false;
  }
  unsigned char* csp = copy + cspOffset;
  int32_t passwordLength = intAt(csp, VXCSP_PASSWORD_LENGTH);
  if (passwordLength == 0) return true;
  int32_t passwordOffset = intAt(csp, VXCSP_PASSWORD_OFFSET);
  jsize cspLength = length - cspOffset;
  if (passwordOffset < 0 || passwordLength < 0 || passwordOffset > cspLength ||
      cspLength - passwordOffset < passwordLength) {
    return false;
  }
  std::memset(csp + passwordOffset, 'x', static_cast<size_t>(passwordLength));
  return true;
}

// Sends the queue-manager name and the connect options, the password hidden,
// to the Java trace. False when the masked copy could not be allocated.
bool traceConnectOptions(ExportFrame& f, const PinnedBytes& name, jsize nameLength,
                         const PinnedBytes& cno, jsize cnoLength) {
  const unsigned char* view = cno.bytes();
  unsigned char* copy = nullptr;
  bool traceable = true;
  bool masking = view != nullptr && cnoLength >= static_cast<jsize>(VXCNO_VERSION + 4) &&
                 intAt(view, VXCNO_VERSION) >= kMaskingVersion;
  if (masking && cnoLength < static_cast<jsize>(VXCNO_SECURITY_PARMS_OFFSET + 4)) {
    // Too short to say where a password would be: traced without data.
    traceable = false;
  } else if (masking && intAt(view, VXCNO_SECURITY_PARMS_OFFSET) != 0) {
    copy = static_cast<unsigned char*>(allocate(static_cast<size_t>(cnoLength)));
    if (copy == nullptr) {
      f.failStorage(9, "malloc for vxcno failed", VXRC_STORAGE_NOT_AVAILABLE);
      return false;
    }
    std::memcpy(copy, view, static_cast<size_t>(cnoLength));
    traceable = maskPassword(copy, cnoLength);
    view = copy;
  }
  f.qmgrName(f.function, nameLength, reinterpret_cast<const char*>(name.bytes()));
  f.data(f.function, "VX Connect Options", traceable ? view : nullptr, cnoLength);
  std::free(copy);
  return true;
}

}  // namespace

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXCONN(
    JNIEnv* env, jclass, jboolean trace, jbyteArray qmgrName, jint, jobject hconnHolder,
    jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("VXCONN(entry)"));
  ExportFrame f(env, trace, 13);
  f.entry();
  int32_t hconn = f.hconn(hconnHolder);
  jsize nameLength = 0;
  PlainBytes name(ReleaseMode::Abort);
  if (qmgrName != nullptr) {
    nameLength = std::min(env->GetArrayLength(qmgrName), kQmgrNameTraceLength);
    f.pin(name, qmgrName, 2, "native_qmname is null");
  }
  if (f.ok()) {
    f.qmgrName(f.function, nameLength, reinterpret_cast<const char*>(name.bytes()));
    runtimeVector().VXCONN(name.data(), &hconn, &f.cc, &f.reason);
    f.callResult(hconn, "VXCONN");
    if (f.ok()) f.setHconn(hconnHolder, hconn);
  }
  name.release();
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXCONN(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXCONNX(
    JNIEnv* env, jclass, jboolean trace, jbyteArray qmgrName, jint, jbyteArray connectOpts,
    jobject hconnHolder, jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("VXCONNX(entry)"));
  ExportFrame f(env, trace, 11);
  f.entry();
  int32_t hconn = f.hconn(hconnHolder);
  jsize nameLength = 0;
  PlainBytes name(ReleaseMode::Abort);
  if (qmgrName != nullptr) {
    nameLength = std::min(env->GetArrayLength(qmgrName), kQmgrNameTraceLength);
    f.pin(name, qmgrName, 2, "native_qmname is null");
  }
  jsize cnoLength = 0;
  StructureView cno(ReleaseMode::CopyBack);
  if (f.ok() && connectOpts != nullptr) {
    cnoLength = env->GetArrayLength(connectOpts);
    f.pin(cno, connectOpts, 4, "native_vxcno is null");
  }
  if (f.ok() && f.ctx.trace) traceConnectOptions(f, name, nameLength, cno, cnoLength);
  if (f.ok()) {
    runtimeVector().VXCONNX(name.data(), cno.data(), &hconn, &f.cc, &f.reason);
    f.callResult(hconn, "VXCONNX");
    if (f.ok()) f.setHconn(hconnHolder, hconn);
  }
  name.release();
  if (cno) {
    TALY_MARK();
    cno.release();
  }
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("VXCONNX(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_talyDisc(
    JNIEnv* env, jclass, jint talyOptions, jboolean trace, jobject hconnHolder, jint, jint,
    jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("talyDisc(entry): talyOptions:%d"), talyOptions);
  ExportFrame f(env, trace, 0);
  f.entry();
  int32_t hconn = f.hconn(hconnHolder);
  if ((talyOptions & 3) != kSkipRuntimeOption) {
    runtimeVector().VXDISC(&hconn, &f.cc, &f.reason);
    TALY_TRACE(400, "VXDISC --> %d", f.reason);
    f.callResult(hconn, "VXDISC");
  }
  if (f.ok()) f.setHconn(hconnHolder, hconn);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("talyDisc(exit): rc:%d"), f.reason);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_VXDISC(
    JNIEnv* env, jclass cls, jboolean trace, jobject hconnHolder, jint ignored1, jint ignored2,
    jobject ccHolder, jobject reasonHolder) {
  Java_com_orvane_vx_taly_local_internal_base_Native_talyDisc(
      env, cls, 0, trace, hconnHolder, ignored1, ignored2, ccHolder, reasonHolder);
}
