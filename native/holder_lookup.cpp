#include "holders.h"

namespace {
template <typename T>
T cleared(JNIEnv* env, T result) {
  if (result == nullptr && env->ExceptionCheck()) env->ExceptionClear();
  return result;
}
}  // namespace

jclass findHolderClass(CallContext* ctx, const char* name) {
  return cleared(ctx->env, ctx->env->FindClass(name));
}

jfieldID holderField(CallContext* ctx, jclass cls, const char* name, const char* signature) {
  return cleared(ctx->env, ctx->env->GetFieldID(cls, name, signature));
}

jmethodID holderMethod(CallContext* ctx, jclass cls, const char* name, const char* signature) {
  return cleared(ctx->env, ctx->env->GetMethodID(cls, name, signature));
}
