#include "call_steps.h"

#include <regex>

#include "capture.h"
#include "faulty_env.h"
#include "jni_test.h"

CallSteps recordSteps(JNIEnv* env, ScriptedRuntime& runtime, const std::string& entry,
                      const std::function<void()>& call, int failPin,
                      const ScriptedRuntime::Handler& inCall) {
  FaultyEnv faults(env);
  if (failPin > 0) faults.fail(Jni::GetByteArrayElements, failPin);
  // Every native trace line asks the runtime for its thread text first,
  // which marks the line's place among the JNI calls.
  runtime.on("threadIdText", [&faults](RecordedCall&) { faults.note("line"); });
  runtime.on(entry, [&faults, &inCall](RecordedCall& c) {
    faults.note("call");
    if (inCall) inCall(c);
  });
  FdCapture err(2);
  call();
  std::vector<std::string> lines = traceMessages(err.stop());
  runtime.on("threadIdText", nullptr);
  runtime.on(entry, nullptr);
  CallSteps recorded{{}, faults.pinnedArrays(), faults.releasedArrays()};
  size_t next = 0;
  for (const std::string& step : faults.log()) {
    if (step == "line" && next < lines.size()) {
      recorded.steps.push_back(std::regex_replace(lines[next++], std::regex("\\{[^}]*\\}"), "{@}"));
    } else {
      recorded.steps.push_back(step);
    }
  }
  return recorded;
}

std::string takeThrownMessage(JNIEnv* env) {
  jthrowable thrown = env->ExceptionOccurred();
  if (thrown == nullptr) return "";
  env->ExceptionClear();
  jclass cls = env->FindClass("java/lang/Throwable");
  auto text = static_cast<jstring>(
      env->CallObjectMethod(thrown, env->GetMethodID(cls, "getMessage", "()Ljava/lang/String;")));
  std::string message = "?";
  if (!env->ExceptionCheck() && text != nullptr) {
    const char* chars = env->GetStringUTFChars(text, nullptr);
    message = chars;
    env->ReleaseStringUTFChars(text, chars);
  }
  env->ExceptionClear();
  env->DeleteLocalRef(text);
  env->DeleteLocalRef(cls);
  env->DeleteLocalRef(thrown);
  return message;
}
