// The XA calls of a transaction manager, passed to the runtime's XA table.
// Each answers with the entry's XA return code as its result instead of
// through holders, writes no native trace, and sends the Java trace only
// its entry and exit events (and failure reports).
#include "exports.h"
#include "vx/xa.h"

namespace {

// XAER_RMERR is the one XA return code that the library produces itself.

VXXaTable& xaTable() { return *runtimeVector().priv->xa; }

int32_t saturated(int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

// Rejects an array without room for xids XIDs, and a negative count, before
// the runtime could read or write past it. A null array is let through: it
// reaches the runtime as a null address.
void needXids(ExportFrame& f, jbyteArray array, jint xids, const char* name) {
  jsize present = array != nullptr ? f.ctx.env->GetArrayLength(array) : 0;
  constexpr jsize xidSize = sizeof(XID);
  if (xids >= 0 && (array == nullptr || present / xidSize >= xids)) return;
  f.failTooShort(1, name, saturated(int64_t{xids} * xidSize), present);
}

// Pins the array (unless a check has failed), makes the call with its
// address, copies the runtime's changes back, and sends the exit event with
// the return code.
template <typename Call>
jint passArray(ExportFrame& f, jbyteArray array, const char* isNull, Call call) {
  jint rc = XAER_RMERR;
  PlainBytes pinned(ReleaseMode::CopyBack);
  if (f.pin(pinned, array, 1, isNull)) {
    rc = call(pinned.data());
    pinned.release();
  }
  f.exit(f.function, rc);
  return rc;
}

// The XA calls on one transaction branch, named by a single XID.
template <typename Call>
jint onXid(JNIEnv* env, jboolean trace, int32_t function, jbyteArray xid, Call call) {
  ExportFrame f(env, trace, function);
  f.entry();
  needXids(f, xid, 1, "native_xid");
  return passArray(f, xid, "native_xid is null", call);
}

// The open routine that both open forms share, with its own events.
jint openWith(CallContext* ctx, jbyteArray xaInfo, jint rmid, jint flags, jint code) {
  ExportFrame f(ctx->env, static_cast<jboolean>(ctx->trace != 0), 37);
  f.entry();
  return passArray(f, xaInfo, "native_xa_info is null", [&](jbyte* info) {
    return xaTable().open(info, rmid, flags, code, 0, 0);
  });
}

jint open(JNIEnv* env, jboolean trace, int32_t function, jbyteArray xaInfo, jint rmid,
          jint flags, jint code) {
  ExportFrame f(env, trace, function);
  f.entry();
  jint rc = openWith(&f.ctx, xaInfo, rmid, flags, code);
  // The routine throws again what its own events raised; it waits for ours.
  f.settle();
  f.exit(function, rc);
  return rc;
}

}  // namespace

JNIEXPORT jint JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_zstXAOpen(
    JNIEnv* env, jclass, jboolean trace, jbyteArray xaInfo, jint rmid, jint flags) {
  return open(env, trace, 26, xaInfo, rmid, flags, 7);
}

JNIEXPORT jint JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_zstXAOpen_1tm(
    JNIEnv* env, jclass, jboolean trace, jbyteArray xaInfo, jint rmid, jint flags) {
  return open(env, trace, 27, xaInfo, rmid, flags, 448);
}

JNIEXPORT jint JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_zstXAClose(
    JNIEnv* env, jclass, jboolean trace, jbyteArray xaInfo, jint rmid, jint flags) {
  ExportFrame f(env, trace, 21);
  f.entry();
  return passArray(f, xaInfo, "native_xa_info is null",
                   [&](jbyte* info) { return xaTable().close(info, rmid, flags); });
}

JNIEXPORT jint JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_zstXAStart(
    JNIEnv* env, jclass, jboolean trace, jbyteArray xid, jint rmid, jint flags) {
  return onXid(env, trace, 31, xid, [&](jbyte* x) { return xaTable().start(x, rmid, flags, 0); });
}

JNIEXPORT jint JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_zstXAEnd(
    JNIEnv* env, jclass, jboolean trace, jbyteArray xid, jint rmid, jint flags) {
  return onXid(env, trace, 24, xid, [&](jbyte* x) { return xaTable().end(x, rmid, flags); });
}

JNIEXPORT jint JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_zstXAPrepare(
    JNIEnv* env, jclass, jboolean trace, jbyteArray xid, jint rmid, jint flags) {
  return onXid(env, trace, 28, xid, [&](jbyte* x) { return xaTable().prepare(x, rmid, flags); });
}

JNIEXPORT jint JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_zstXACommit(
    JNIEnv* env, jclass, jboolean trace, jbyteArray xid, jint rmid, jint flags) {
  return onXid(env, trace, 22, xid, [&](jbyte* x) { return xaTable().commit(x, rmid, flags); });
}

JNIEXPORT jint JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_zstXARollback(
    JNIEnv* env, jclass, jboolean trace, jbyteArray xid, jint rmid, jint flags) {
  return onXid(env, trace, 30, xid, [&](jbyte* x) { return xaTable().rollback(x, rmid, flags); });
}

JNIEXPORT jint JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_zstXAForget(
    JNIEnv* env, jclass, jboolean trace, jbyteArray xid, jint rmid, jint flags) {
  return onXid(env, trace, 25, xid, [&](jbyte* x) { return xaTable().forget(x, rmid, flags); });
}

// The runtime writes the XIDs it finds into the array; the copy-back hands
// them to Java.
JNIEXPORT jint JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_zstXARecover(
    JNIEnv* env, jclass, jboolean trace, jbyteArray xids, jint count, jint rmid, jint flags) {
  ExportFrame f(env, trace, 29);
  f.entry();
  needXids(f, xids, count, "native_xids");
  return passArray(f, xids, "native_xids is null", [&](jbyte* found) {
    return xaTable().recover(found, count, rmid, flags);
  });
}

// The handle names the asynchronous operation to wait for, so the runtime
// reads it: its cell starts with the holder's value. The return value is
// only written; its cell starts at 0. A null holder passes a null address,
// and the accessor skips it on the way back.
JNIEXPORT jint JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_zstXAComplete(
    JNIEnv* env, jclass, jboolean trace, jobject handle, jobject retval, jint rmid, jint flags) {
  ExportFrame f(env, trace, 23);
  f.entry();
  int32_t handleCell = f.pint(handle);
  int32_t retvalCell = 0;
  jint rc = xaTable().complete(handle != nullptr ? &handleCell : nullptr,
                               retval != nullptr ? &retvalCell : nullptr, rmid, flags);
  f.setPint(handle, handleCell);
  f.setPint(retval, retvalCell);
  f.exit(f.function, rc);
  return rc;
}
