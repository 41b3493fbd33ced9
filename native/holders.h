// The Java holder classes: identifiers cached by init_conversion and the
// accessors through which every export reads and writes its holders.
//
// Accessors treat a null holder, or a class whose identifiers could not be
// cached, as absent: a read gives 0 and a write does nothing.
#ifndef TALY_HOLDERS_H
#define TALY_HOLDERS_H

#include <jni.h>

#include <atomic>
#include <cstdint>

#include "call_context.h"

extern std::atomic<jfieldID> fid_HconnValue;
extern std::atomic<jmethodID> mid_HobjSetValue;
extern std::atomic<jmethodID> mid_HobjGetValue;
extern std::atomic<jmethodID> mid_HmsgSetValue;
extern std::atomic<jmethodID> mid_HmsgGetValue;
extern std::atomic<jfieldID> fid_PintX;

template <typename T>
inline T cached(const std::atomic<T>& slot) {
  return slot.load(std::memory_order_acquire);
}
template <typename T>
inline void cache(std::atomic<T>& slot, T value) {
  slot.store(value, std::memory_order_release);
}

// Class-cache steps of init_conversion.
void hconn_init(CallContext* ctx);
void hobj_init(CallContext* ctx);
void hmsg_init(CallContext* ctx);
void pint_init(CallContext* ctx);

// Lookups that clear the error of a missing class or member and return null,
// so that initialisation goes on with that slot empty.
jclass findHolderClass(CallContext* ctx, const char* name);
jfieldID holderField(CallContext* ctx, jclass cls, const char* name, const char* signature);
jmethodID holderMethod(CallContext* ctx, jclass cls, const char* name, const char* signature);

int32_t getHconn(CallContext* ctx, jobject holder);
void setHconn(CallContext* ctx, jobject holder, int32_t value);
int32_t getHobj(CallContext* ctx, jobject holder);
void setHobj(CallContext* ctx, jobject holder, int32_t value);
int64_t getHmsg(CallContext* ctx, jobject holder);
void setHmsg(CallContext* ctx, jobject holder, int64_t value);
// Inline: every export writes two of these on its way out.
inline int32_t getPint(CallContext* ctx, jobject holder) {
  jfieldID field = cached(fid_PintX);
  return holder != nullptr && field != nullptr ? ctx->env->GetIntField(holder, field) : 0;
}
inline void setPint(CallContext* ctx, jobject holder, int32_t value) {
  jfieldID field = cached(fid_PintX);
  if (holder != nullptr && field != nullptr) ctx->env->SetIntField(holder, field, value);
}

#endif
