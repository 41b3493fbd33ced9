// What one export call did, in the order it did it: its native trace lines,
// the runtime call and the JNI calls that FaultyEnv logs; and the arrays it
// pinned and released. Tests compare these with the order an export owes.
#ifndef TEST_CALL_STEPS_H
#define TEST_CALL_STEPS_H

#include <jni.h>

#include <functional>
#include <string>
#include <vector>

#include "scripted_runtime.h"

struct CallSteps {
  // Trace lines with their addresses as "{@}", "call" for the runtime call
  // of the entry, and the FaultyEnv log entries.
  std::vector<std::string> steps;
  std::vector<const void*> pinned, released;
};

// Runs call with a FaultyEnv on env (whose failPin-th pin fails, when above
// 0) and the native trace captured; inCall runs inside the runtime's entry.
CallSteps recordSteps(JNIEnv* env, ScriptedRuntime& runtime, const std::string& entry,
                      const std::function<void()>& call, int failPin = 0,
                      const ScriptedRuntime::Handler& inCall = nullptr);

// The message of the exception pending on env, which is cleared: "" for
// none, "?" for one without a message.
std::string takeThrownMessage(JNIEnv* env);

#endif
