#include "jni_test.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>

#include "jvm.h"

namespace {

jclass globalClass(JNIEnv* env, const char* name) {
  jclass local = env->FindClass(name);
  if (local == nullptr) {
    env->ExceptionDescribe();
    std::abort();
  }
  auto global = static_cast<jclass>(env->NewGlobalRef(local));
  env->DeleteLocalRef(local);
  return global;
}

jclass pintClass(JNIEnv* env) {
  static jclass cls = globalClass(env, "com/orvane/vx/taly/handles/Pint");
  return cls;
}

jclass traceClass(JNIEnv* env) {
  static jclass cls = globalClass(env, "com/orvane/vx/taly/testkit/RecordingTrace");
  return cls;
}

jobject createTraceObject(JNIEnv* env) {
  jclass cls = traceClass(env);
  jobject local = env->NewObject(cls, env->GetMethodID(cls, "<init>", "()V"));
  jobject global = env->NewGlobalRef(local);
  env->DeleteLocalRef(local);
  return global;
}

// Fills the class cache once per process, before the first test.
void initialiseOnce(JNIEnv* env, jobject trace) {
  static bool done = false;
  if (done) return;
  done = true;
  jobjectArray none = env->NewObjectArray(0, pintClass(env), nullptr);
  NATIVE(init_1conversion)(env, nullptr, JNI_FALSE, trace, none);
  env->DeleteLocalRef(none);
}

}  // namespace

jobject JniTest::traceObject() {
  static jobject trace = createTraceObject(jniEnv());
  return trace;
}

void JniTest::SetUp() {
  env = jniEnv();
  ASSERT_EQ(env->PushLocalFrame(256), 0);
  initialiseOnce(env, traceObject());
  env->DeleteLocalRef(callObject("clear", "()V"));
  runtime.clear();
  stdout_ = std::make_unique<FdCapture>(1);
}

void JniTest::TearDown() {
  if (env->ExceptionCheck()) {
    env->ExceptionDescribe();
    ADD_FAILURE() << "a Java exception was left pending";
  }
  env->PopLocalFrame(nullptr);
  std::string printed = stdout_->stop();
  std::fputs(printed.c_str(), stdout);
  EXPECT_EQ(printed.find("WARNING"), std::string::npos) << "the JVM warned:\n" << printed;
}

jobject JniTest::callObject(const char* method, const char* signature, ...) {
  jobject trace = traceObject();
  jmethodID id = env->GetMethodID(traceClass(env), method, signature);
  va_list args;
  va_start(args, signature);
  jobject result = nullptr;
  if (signature[std::strlen(signature) - 1] == 'V') {
    env->CallVoidMethodV(trace, id, args);
  } else {
    result = env->CallObjectMethodV(trace, id, args);
  }
  va_end(args);
  if (env->ExceptionCheck()) {
    env->ExceptionDescribe();
    ADD_FAILURE() << "RecordingTrace." << method << " threw";
  }
  return result;
}

std::vector<std::string> JniTest::events() {
  // The test's own Java calls must not disturb an exception the code under
  // test left pending: set it aside and put it back.
  jthrowable pending = env->ExceptionOccurred();
  env->ExceptionClear();
  auto all = static_cast<jobjectArray>(callObject("describeAll", "()[Ljava/lang/String;"));
  std::vector<std::string> described;
  for (jsize i = 0; i < env->GetArrayLength(all); ++i) {
    auto text = static_cast<jstring>(env->GetObjectArrayElement(all, i));
    const char* chars = env->GetStringUTFChars(text, nullptr);
    described.emplace_back(chars);
    env->ReleaseStringUTFChars(text, chars);
    env->DeleteLocalRef(text);
  }
  env->DeleteLocalRef(all);
  if (pending != nullptr) {
    env->Throw(pending);
    env->DeleteLocalRef(pending);
  }
  return described;
}

int32_t JniTest::staticInt(const char* className, const char* field) {
  jclass c = env->FindClass(className);
  if (c == nullptr) {
    env->ExceptionClear();
    ADD_FAILURE() << "no class " << className;
    return -99999;
  }
  jfieldID id = env->GetStaticFieldID(c, field, "I");
  jint value = -99999;
  if (id == nullptr) {
    env->ExceptionClear();
    ADD_FAILURE() << "no field " << className << "." << field;
  } else {
    value = env->GetStaticIntField(c, id);
  }
  env->DeleteLocalRef(c);
  return value;
}

Bytes JniTest::eventData(int index) {
  auto data = static_cast<jbyteArray>(callObject("dataBytes", "(I)[B", index));
  Bytes content = data != nullptr ? bytesOf(data) : Bytes{};
  env->DeleteLocalRef(data);
  return content;
}

void JniTest::traceThrowsFrom(const char* method) {
  jstring name = env->NewStringUTF(method);
  callObject("throwFrom", "(Ljava/lang/String;)V", name);
  env->DeleteLocalRef(name);
}

jobject JniTest::pint(int32_t x) {
  jclass cls = pintClass(env);
  return env->NewObject(cls, env->GetMethodID(cls, "<init>", "(I)V"), x);
}

int32_t JniTest::value(jobject holder) {
  return env->GetIntField(holder, env->GetFieldID(pintClass(env), "x", "I"));
}

jobjectArray JniTest::pints(jsize length, int32_t initial) {
  jobjectArray array = env->NewObjectArray(length, pintClass(env), nullptr);
  for (jsize i = 0; i < length; ++i) {
    jobject element = pint(initial);
    env->SetObjectArrayElement(array, i, element);
    env->DeleteLocalRef(element);
  }
  return array;
}

int32_t JniTest::valueAt(jobjectArray array, jsize index) {
  jobject element = env->GetObjectArrayElement(array, index);
  int32_t x = value(element);
  env->DeleteLocalRef(element);
  return x;
}

jbyteArray JniTest::bytes(const Bytes& content) {
  jbyteArray array = env->NewByteArray(static_cast<jsize>(content.size()));
  env->SetByteArrayRegion(array, 0, static_cast<jsize>(content.size()),
                          reinterpret_cast<const jbyte*>(content.data()));
  return array;
}

jbyteArray JniTest::bytes(const std::string& content) {
  return bytes(Bytes(content.begin(), content.end()));
}

jbyteArray JniTest::structureArray(VxStructure kind, const Bytes& head) {
  Bytes content(head);
  content.resize(std::max(content.size(), static_cast<size_t>(vxStructureLength(kind))));
  return bytes(content);
}

jbyteArray JniTest::structureArray(VxStructure kind, const std::string& head) {
  return structureArray(kind, Bytes(head.begin(), head.end()));
}

Bytes JniTest::bytesOf(jbyteArray array) {
  Bytes content(static_cast<size_t>(env->GetArrayLength(array)));
  env->GetByteArrayRegion(array, 0, static_cast<jsize>(content.size()),
                          reinterpret_cast<jbyte*>(content.data()));
  return content;
}

Bytes JniTest::headOf(jbyteArray array, size_t n) {
  Bytes content = bytesOf(array);
  content.resize(std::min(n, content.size()));
  return content;
}

jthrowable JniTest::newException(const char* className, const char* message) {
  jclass cls = env->FindClass(className);
  jstring text = message != nullptr ? env->NewStringUTF(message) : nullptr;
  auto thrown = static_cast<jthrowable>(
      env->NewObject(cls, env->GetMethodID(cls, "<init>", "(Ljava/lang/String;)V"), text));
  env->DeleteLocalRef(text);
  env->DeleteLocalRef(cls);
  return thrown;
}

jobject JniTest::hconnHolder(int32_t value) {
  jclass cls = env->FindClass("com/orvane/vx/taly/local/LocalHconn");
  jobject holder = env->NewObject(cls, env->GetMethodID(cls, "<init>", "(I)V"), value);
  env->DeleteLocalRef(cls);
  return holder;
}

int32_t JniTest::hconnValue(jobject holder) {
  jclass cls = env->FindClass("com/orvane/vx/taly/local/LocalHconn");
  int32_t value = env->GetIntField(holder, env->GetFieldID(cls, "value", "I"));
  env->DeleteLocalRef(cls);
  return value;
}

jobject JniTest::hobjHolder(int32_t value) {
  jclass cls = env->FindClass("com/orvane/vx/taly/local/LocalHobj");
  jobject holder = env->NewObject(cls, env->GetMethodID(cls, "<init>", "(I)V"), value);
  env->DeleteLocalRef(cls);
  return holder;
}

int32_t JniTest::hobjValue(jobject holder) {
  jclass cls = env->FindClass("com/orvane/vx/taly/local/LocalHobj");
  int32_t value = env->CallIntMethod(holder, env->GetMethodID(cls, "getValue", "()I"));
  EXPECT_FALSE(env->ExceptionCheck());
  env->DeleteLocalRef(cls);
  return value;
}

jobject JniTest::hmsgHolder(int64_t value) {
  jclass cls = env->FindClass("com/orvane/vx/taly/handles/HmsgImpl");
  jobject holder = env->NewObject(cls, env->GetMethodID(cls, "<init>", "(J)V"),
                                  static_cast<jlong>(value));
  env->DeleteLocalRef(cls);
  return holder;
}

int64_t JniTest::hmsgValue(jobject holder) {
  jclass cls = env->FindClass("com/orvane/vx/taly/handles/HmsgImpl");
  int64_t value = env->CallLongMethod(holder, env->GetMethodID(cls, "getValue", "()J"));
  EXPECT_FALSE(env->ExceptionCheck());
  env->DeleteLocalRef(cls);
  return value;
}

std::vector<std::string> traceMessages(const std::string& err) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = err.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = err.substr(start, end - start);
    size_t at = line.find("tid:scripted-thread ");
    if (at != std::string::npos) lines.push_back(line.substr(at + 20));
  }
  return lines;
}

namespace {
const char kNothingTraced[] = "(nothing traced: run with TalyEarlyTrace=finest)";
}

std::string firstLine(const std::vector<std::string>& lines) {
  return lines.empty() ? kNothingTraced : lines.front();
}

std::string lastLine(const std::vector<std::string>& lines) {
  return lines.empty() ? kNothingTraced : lines.back();
}

size_t linesStartingWith(const std::vector<std::string>& lines, const std::string& start) {
  size_t n = 0;
  for (const std::string& line : lines) n += line.rfind(start, 0) == 0;
  return n;
}

int32_t intAt(const Bytes& bytes, size_t offset) {
  int32_t value;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

void putInt(Bytes& bytes, size_t offset, int32_t value) {
  std::memcpy(bytes.data() + offset, &value, sizeof value);
}
