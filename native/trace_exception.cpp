#include "trace.h"

namespace {

constexpr const char* kUnknownName = "Unable to lookup exception name";

// True, after clearing it, when the last Java call left an exception.
bool failed(JNIEnv* env) {
  if (!env->ExceptionCheck()) return false;
  env->ExceptionClear();
  return true;
}

// The UTF characters of a string returned by a no-argument method, or null.
// The string reference is handed back so that it can be released.
const char* callForText(JNIEnv* env, jobject target, jclass cls, const char* name,
                        jstring* string) {
  *string = nullptr;
  jmethodID method = env->GetMethodID(cls, name, "()Ljava/lang/String;");
  if (failed(env)) return nullptr;
  *string = static_cast<jstring>(env->CallObjectMethod(target, method));
  if (failed(env) || *string == nullptr) return nullptr;
  const char* chars = env->GetStringUTFChars(*string, nullptr);
  return failed(env) ? nullptr : chars;
}

void releaseText(JNIEnv* env, jstring string, const char* chars) {
  if (chars != nullptr) env->ReleaseStringUTFChars(string, chars);
  if (string != nullptr) env->DeleteLocalRef(string);
}

}  // namespace

void traceException(CallContext* ctx, int32_t component, int32_t function, int32_t probe,
                    int32_t value, jthrowable throwable) {
  JNIEnv* env = ctx->env;
  env->ExceptionClear();
  jstring name = nullptr;
  jstring message = nullptr;
  const char* nameChars = nullptr;
  const char* messageChars = nullptr;

  jclass classClass = env->FindClass("java/lang/Class");
  jclass thrownClass = nullptr;
  if (!failed(env) && throwable != nullptr) {
    thrownClass = env->GetObjectClass(throwable);
    if (!failed(env)) {
      nameChars = callForText(env, thrownClass, classClass, "getName", &name);
      messageChars = callForText(env, throwable, thrownClass, "getMessage", &message);
    }
  }

  traceKrux(ctx, component, function, probe, value, 0, 0, "ExceptionOccured",
            nameChars != nullptr ? nameChars : kUnknownName,
            messageChars != nullptr ? messageChars : kUnknownName);

  releaseText(env, name, nameChars);
  releaseText(env, message, messageChars);
  if (thrownClass != nullptr) env->DeleteLocalRef(thrownClass);
  if (classClass != nullptr) env->DeleteLocalRef(classClass);
  env->ExceptionClear();
}
