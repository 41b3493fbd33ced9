#include "holders.h"
#include "util/early_trace.h"

std::atomic<jmethodID> mid_HmsgSetValue{nullptr};
std::atomic<jmethodID> mid_HmsgGetValue{nullptr};

// The message-handle class is optional: without it initialisation goes on
// and the message-handle accessors do nothing.
void hmsg_init(CallContext* ctx) {
  jclass cls = ctx->env->FindClass("com/orvane/vx/taly/handles/HmsgImpl");
  TALY_TRACE(400, "hmsg_init(entry)");
  if (cls != nullptr) {
    cache(mid_HmsgSetValue, holderMethod(ctx, cls, "setValue", "(J)V"));
    cache(mid_HmsgGetValue, holderMethod(ctx, cls, "getValue", "()J"));
  } else {
    if (ctx->env->ExceptionCheck()) ctx->env->ExceptionClear();
    TALY_TRACE(300, "Message Handle class NOT FOUND");
  }
  TALY_TRACE(400, "Hmsg_init(exit): mid_HmsgSetValue:%p mid_HmsgGetValue:%p",
             static_cast<void*>(cached(mid_HmsgSetValue)),
             static_cast<void*>(cached(mid_HmsgGetValue)));
}

int64_t getHmsg(CallContext* ctx, jobject holder) {
  jmethodID method = cached(mid_HmsgGetValue);
  if (holder == nullptr || method == nullptr) return 0;
  int64_t value = ctx->env->CallLongMethod(holder, method);
  ctx->env->ExceptionCheck();
  return value;
}

void setHmsg(CallContext* ctx, jobject holder, int64_t value) {
  jmethodID method = cached(mid_HmsgSetValue);
  if (holder == nullptr || method == nullptr) return;
  ctx->env->CallVoidMethod(holder, method, static_cast<jlong>(value));
  ctx->env->ExceptionCheck();
}
