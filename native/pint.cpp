#include "holders.h"

std::atomic<jfieldID> fid_PintX{nullptr};

void pint_init(CallContext* ctx) {
  if (jclass cls = findHolderClass(ctx, "com/orvane/vx/taly/handles/Pint")) {
    cache(fid_PintX, holderField(ctx, cls, "x", "I"));
  }
}

int32_t getPint(CallContext* ctx, jobject holder) {
  jfieldID field = cached(fid_PintX);
  return holder != nullptr && field != nullptr ? ctx->env->GetIntField(holder, field) : 0;
}

void setPint(CallContext* ctx, jobject holder, int32_t value) {
  jfieldID field = cached(fid_PintX);
  if (holder != nullptr && field != nullptr) ctx->env->SetIntField(holder, field, value);
}
