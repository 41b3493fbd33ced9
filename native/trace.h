// The Java trace bridge: trace events and failure reports sent to the Java
// trace object that init_conversion cached.
//
// Every routine keeps an exception that was pending before it pending after
// it. When one of its own Java calls fails, it stops, deletes the arrays it
// made, and leaves the new exception pending in place of the old one.
#ifndef TALY_TRACE_H
#define TALY_TRACE_H

#include <jni.h>

#include <atomic>
#include <cstdint>
#include <cstring>

#include "call_context.h"

extern std::atomic<jobject> traceObject;
extern std::atomic<jmethodID> mid_TraceEntry;
extern std::atomic<jmethodID> mid_TraceExit;
extern std::atomic<jmethodID> mid_TraceData;
extern std::atomic<jmethodID> mid_TraceKrux;

// A text of a trace event: bytes without a terminator, or absent (null).
struct TraceText {
  const char* bytes = nullptr;
  jsize length = 0;
  TraceText() = default;
  TraceText(const char* text)  // NOLINT: C strings convert implicitly
      : bytes(text), length(text != nullptr ? static_cast<jsize>(std::strlen(text)) : 0) {}
  TraceText(const void* data, jsize size) : bytes(static_cast<const char*>(data)), length(size) {}
};

void trace_init(CallContext* ctx, jobject traceObj);

void traceEntry(CallContext* ctx, int32_t component, int32_t function);
void traceExit(CallContext* ctx, int32_t component, int32_t function, int32_t reason);
void traceData(CallContext* ctx, int32_t component, int32_t function, int32_t detail,
               const char* text, const void* data, int32_t length);
void traceText(CallContext* ctx, int32_t component, int32_t function, int32_t detail,
               const char* text);
void tracePointer(CallContext* ctx, int32_t component, int32_t function, int32_t detail,
                  const char* text, const void* pointer);
void traceQmgrName(CallContext* ctx, int32_t component, int32_t function, int32_t length,
                   const char* name);
void traceCallResult(CallContext* ctx, int32_t component, int32_t function, int32_t hconn,
                     int32_t detail, const char* callName, int32_t cc, int32_t reason);
// A failure report: sent whether or not tracing is on.
void traceKrux(CallContext* ctx, int32_t component, int32_t function, int32_t probe, int32_t i1,
               int32_t i2, int32_t i3, TraceText message, TraceText text1 = {},
               TraceText text2 = {});
// Reports the class name and message of throwable; leaves no exception pending.
void traceException(CallContext* ctx, int32_t component, int32_t function, int32_t probe,
                    int32_t value, jthrowable throwable);

#endif
