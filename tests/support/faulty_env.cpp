#include "faulty_env.h"

#include <cstdarg>

namespace {

FaultyEnv* active = nullptr;

const JNINativeInterface_* real() { return FaultyEnv::current().real(); }

jbyte* JNICALL getByteArrayElements(JNIEnv* env, jbyteArray array, jboolean* isCopy) {
  FaultyEnv& f = FaultyEnv::current();
  f.note("GetByteArrayElements");
  if (f.failsNow(Jni::GetByteArrayElements)) return nullptr;
  jbyte* elements = real()->GetByteArrayElements(env, array, isCopy);
  if (elements != nullptr) {
    f.pinned(1);
    f.pinnedArray(array);
  }
  return elements;
}

void JNICALL releaseByteArrayElements(JNIEnv* env, jbyteArray array, jbyte* elements, jint mode) {
  FaultyEnv& f = FaultyEnv::current();
  f.note("ReleaseByteArrayElements(" + std::to_string(mode) + ")");
  f.releasedArray(array);
  if (mode != JNI_COMMIT) f.pinned(-1);
  real()->ReleaseByteArrayElements(env, array, elements, mode);
}

jint* JNICALL getIntArrayElements(JNIEnv* env, jintArray array, jboolean* isCopy) {
  FaultyEnv& f = FaultyEnv::current();
  f.note("GetIntArrayElements");
  if (f.failsNow(Jni::GetIntArrayElements)) return nullptr;
  jint* elements = real()->GetIntArrayElements(env, array, isCopy);
  if (elements != nullptr) f.pinned(1);
  return elements;
}

void JNICALL releaseIntArrayElements(JNIEnv* env, jintArray array, jint* elements, jint mode) {
  FaultyEnv& f = FaultyEnv::current();
  f.note("ReleaseIntArrayElements(" + std::to_string(mode) + ")");
  if (mode != JNI_COMMIT) f.pinned(-1);
  real()->ReleaseIntArrayElements(env, array, elements, mode);
}

jsize JNICALL getArrayLength(JNIEnv* env, jarray array) {
  FaultyEnv::current().note("GetArrayLength");
  return real()->GetArrayLength(env, array);
}

jbyteArray JNICALL newByteArray(JNIEnv* env, jsize length) {
  FaultyEnv& f = FaultyEnv::current();
  f.note("NewByteArray(" + std::to_string(length) + ")");
  if (f.failsNow(Jni::NewByteArray)) return nullptr;
  jbyteArray array = real()->NewByteArray(env, length);
  f.madeLocal(array);
  return array;
}

jint JNICALL getJavaVM(JNIEnv* env, JavaVM** vm) {
  FaultyEnv& f = FaultyEnv::current();
  f.note("GetJavaVM");
  if (f.failsNow(Jni::GetJavaVM)) return JNI_ERR;
  return real()->GetJavaVM(env, vm);
}

jobject JNICALL newGlobalRef(JNIEnv* env, jobject object) {
  FaultyEnv& f = FaultyEnv::current();
  f.note("NewGlobalRef");
  if (f.failsNow(Jni::NewGlobalRef)) return nullptr;
  return real()->NewGlobalRef(env, object);
}

jobject JNICALL getObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index) {
  FaultyEnv& f = FaultyEnv::current();
  f.note("GetObjectArrayElement(" + std::to_string(index) + ")");
  if (f.failsNow(Jni::GetObjectArrayElement)) return nullptr;
  jobject element = real()->GetObjectArrayElement(env, array, index);
  f.madeLocal(element);
  return element;
}

jclass JNICALL findClass(JNIEnv* env, const char* name) {
  if (FaultyEnv::current().missingClass() == name) {
    jclass error = real()->FindClass(env, "java/lang/NoClassDefFoundError");
    real()->ThrowNew(env, error, name);
    real()->DeleteLocalRef(env, error);
    return nullptr;
  }
  jclass cls = real()->FindClass(env, name);
  FaultyEnv::current().madeLocal(cls);
  return cls;
}

jclass JNICALL getObjectClass(JNIEnv* env, jobject object) {
  jclass cls = real()->GetObjectClass(env, object);
  FaultyEnv::current().madeLocal(cls);
  return cls;
}

jthrowable JNICALL exceptionOccurred(JNIEnv* env) {
  jthrowable pending = real()->ExceptionOccurred(env);
  FaultyEnv::current().madeLocal(pending);
  return pending;
}

jobject JNICALL callObjectMethodV(JNIEnv* env, jobject object, jmethodID method, va_list args) {
  jobject result = real()->CallObjectMethodV(env, object, method, args);
  FaultyEnv::current().madeLocal(result);
  return result;
}

// Throws after a call that was chosen to fail.
void throwIfChosen(JNIEnv* env, Jni function) {
  if (!FaultyEnv::current().failsNow(function) || real()->ExceptionCheck(env)) return;
  jclass cls = real()->FindClass(env, "java/lang/IllegalStateException");
  real()->ThrowNew(env, cls, "thrown by the test");
  real()->DeleteLocalRef(env, cls);
}

jint JNICALL callIntMethodV(JNIEnv* env, jobject object, jmethodID method, va_list args) {
  FaultyEnv::current().note("CallIntMethod");
  jint result = real()->CallIntMethodV(env, object, method, args);
  throwIfChosen(env, Jni::CallIntMethod);
  return result;
}

jlong JNICALL callLongMethodV(JNIEnv* env, jobject object, jmethodID method, va_list args) {
  FaultyEnv::current().note("CallLongMethod");
  jlong result = real()->CallLongMethodV(env, object, method, args);
  throwIfChosen(env, Jni::CallLongMethod);
  return result;
}

void JNICALL callVoidMethodV(JNIEnv* env, jobject object, jmethodID method, va_list args) {
  FaultyEnv::current().note("CallVoidMethod");
  real()->CallVoidMethodV(env, object, method, args);
  throwIfChosen(env, Jni::CallVoidMethod);
}

void JNICALL setIntField(JNIEnv* env, jobject object, jfieldID field, jint value) {
  FaultyEnv::current().note("SetIntField(" + std::to_string(value) + ")");
  real()->SetIntField(env, object, field, value);
}

jint JNICALL throwException(JNIEnv* env, jthrowable throwable) {
  FaultyEnv::current().note("Throw");
  return real()->Throw(env, throwable);
}

void JNICALL deleteLocalRef(JNIEnv* env, jobject ref) {
  FaultyEnv::current().deletedLocal(ref);
  real()->DeleteLocalRef(env, ref);
}

void JNICALL setByteArrayRegion(JNIEnv* env, jbyteArray array, jsize start, jsize length,
                                const jbyte* bytes) {
  FaultyEnv::current().note("SetByteArrayRegion(" + std::to_string(start) + "," +
                            std::to_string(length) + ")");
  real()->SetByteArrayRegion(env, array, start, length, bytes);
}

}  // namespace

FaultyEnv::FaultyEnv(JNIEnv* env) : env_(env), real_(env->functions), table_(*env->functions) {
  table_.GetByteArrayElements = getByteArrayElements;
  table_.ReleaseByteArrayElements = releaseByteArrayElements;
  table_.GetIntArrayElements = getIntArrayElements;
  table_.ReleaseIntArrayElements = releaseIntArrayElements;
  table_.NewByteArray = newByteArray;
  table_.GetArrayLength = getArrayLength;
  table_.GetJavaVM = getJavaVM;
  table_.NewGlobalRef = newGlobalRef;
  table_.GetObjectArrayElement = getObjectArrayElement;
  table_.FindClass = findClass;
  table_.GetObjectClass = getObjectClass;
  table_.ExceptionOccurred = exceptionOccurred;
  table_.CallObjectMethodV = callObjectMethodV;
  table_.CallVoidMethodV = callVoidMethodV;
  table_.CallIntMethodV = callIntMethodV;
  table_.CallLongMethodV = callLongMethodV;
  table_.SetIntField = setIntField;
  table_.Throw = throwException;
  table_.DeleteLocalRef = deleteLocalRef;
  table_.SetByteArrayRegion = setByteArrayRegion;
  active = this;
  env_->functions = &table_;
}

FaultyEnv::~FaultyEnv() {
  env_->functions = real_;
  active = nullptr;
}

FaultyEnv& FaultyEnv::current() { return *active; }

void FaultyEnv::fail(Jni function, int nth) {
  failAt_[function] = calls_[function] + nth;
}

bool FaultyEnv::failsNow(Jni function) {
  int call = ++calls_[function];
  auto it = failAt_.find(function);
  return it != failAt_.end() && it->second == call;
}

std::vector<std::string> FaultyEnv::log(const std::string& prefix) const {
  std::vector<std::string> matching;
  for (const std::string& entry : log_) {
    if (entry.compare(0, prefix.size(), prefix) == 0) matching.push_back(entry);
  }
  return matching;
}
