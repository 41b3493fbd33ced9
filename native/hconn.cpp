#include "holders.h"

std::atomic<jfieldID> fid_HconnValue{nullptr};

void hconn_init(CallContext* ctx) {
  if (jclass cls = findHolderClass(ctx, "com/orvane/vx/taly/local/LocalHconn")) {
    cache(fid_HconnValue, holderField(ctx, cls, "value", "I"));
  }
}

int32_t getHconn(CallContext* ctx, jobject holder) {
  jfieldID field = cached(fid_HconnValue);
  return holder != nullptr && field != nullptr ? ctx->env->GetIntField(holder, field) : 0;
}

void setHconn(CallContext* ctx, jobject holder, int32_t value) {
  jfieldID field = cached(fid_HconnValue);
  if (holder != nullptr && field != nullptr) ctx->env->SetIntField(holder, field, value);
}
