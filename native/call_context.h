// The per-call record that every trace routine, array view and holder
// accessor takes: the calling thread's JNIEnv and the call's trace flag.
#ifndef TALY_CALL_CONTEXT_H
#define TALY_CALL_CONTEXT_H

#include <jni.h>

#include <cstdint>

struct CallContext {
  JNIEnv* env;
  int32_t trace;  // non-zero: send Java trace events
};

#endif
