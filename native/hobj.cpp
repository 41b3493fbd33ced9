#include "holders.h"
#include "util/early_trace.h"

std::atomic<jmethodID> mid_HobjSetValue{nullptr};
std::atomic<jmethodID> mid_HobjGetValue{nullptr};

void hobj_init(CallContext* ctx) {
  jclass cls = findHolderClass(ctx, "com/orvane/vx/taly/local/LocalHobj");
  TALY_TRACE(400, "hobj_init(entry)");
  if (cls != nullptr) {
    cache(mid_HobjSetValue, holderMethod(ctx, cls, "setValue", "(I)V"));
    cache(mid_HobjGetValue, holderMethod(ctx, cls, "getValue", "()I"));
  }
  TALY_TRACE(400, "hobj_init(exit): mid_HobjSetValue:%p mid_HobjGetValue:%p",
             static_cast<void*>(cached(mid_HobjSetValue)),
             static_cast<void*>(cached(mid_HobjGetValue)));
}

// Each Java call is followed by an exception check; an exception the holder
// raised stays pending for the caller.
int32_t getHobj(CallContext* ctx, jobject holder) {
  jmethodID method = cached(mid_HobjGetValue);
  if (holder == nullptr || method == nullptr) return 0;
  int32_t value = ctx->env->CallIntMethod(holder, method);
  ctx->env->ExceptionCheck();
  return value;
}

void setHobj(CallContext* ctx, jobject holder, int32_t value) {
  jmethodID method = cached(mid_HobjSetValue);
  if (holder == nullptr || method == nullptr) return;
  ctx->env->CallVoidMethod(holder, method, static_cast<jint>(value));
  ctx->env->ExceptionCheck();
}
