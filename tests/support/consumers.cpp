#include "consumers.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <thread>

#include "jvm.h"
#include "util/callback_area.h"
#include "util/consumer_dispatch.h"

namespace {

jclass globalClass(JNIEnv* env, const char* name) {
  jclass local = env->FindClass(name);
  auto global = static_cast<jclass>(env->NewGlobalRef(local));
  env->DeleteLocalRef(local);
  return global;
}

jclass recordingConsumerClass(JNIEnv* env) {
  static jclass cls = globalClass(env, "com/orvane/vx/taly/testkit/RecordingConsumer");
  return cls;
}

jmethodID consumerMethod(JNIEnv* env, const char* name, const char* signature) {
  return env->GetMethodID(recordingConsumerClass(env), name, signature);
}

}  // namespace

RuntimeCallback::RuntimeCallback(TalyCallbackArea* area, int32_t callType,
                                 const std::string& message, int32_t bufferLength)
    : md(364, 'm'), gmo(112, 'g'), buffer(static_cast<size_t>(bufferLength), 0) {
  std::copy_n(message.begin(), std::min(message.size(), buffer.size()), buffer.begin());
  std::memcpy(cbc.StrucId, "CBC ", 4);
  cbc.Version = 2;
  cbc.CallType = callType;
  cbc.Hobj = 21;
  cbc.CallbackArea = area;
  cbc.DataLength = static_cast<int32_t>(message.size());
  cbc.BufferLength = bufferLength;
}

RuntimeCallback& RuntimeCallback::withoutMessage() {
  hasMessage = false;
  return *this;
}

void RuntimeCallback::deliver() {
  TalyConsumerFunction(hconn, hasMessage ? md.data() : nullptr, hasMessage ? gmo.data() : nullptr,
                       hasMessage ? buffer.data() : nullptr, hasContext ? &cbc : nullptr);
}

bool threadAttached() {
  JNIEnv* env = nullptr;
  return javaVM()->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_4) == JNI_OK;
}

std::vector<bool> onNativeThread(const std::vector<std::function<void()>>& steps) {
  std::vector<bool> attached;
  std::thread thread([&] {
    for (const auto& step : steps) {
      step();
      attached.push_back(threadAttached());
    }
    if (threadAttached()) javaVM()->DetachCurrentThread();
  });
  thread.join();
  return attached;
}

void ConsumerTest::SetUp() {
  ExportTest::SetUp();
  // Each test starts as a process that has registered nothing.
  for (int i = 0; i < kCallbackIndexes; ++i) {
    jclass kept = java_callback_class[i].exchange(nullptr);
    if (kept != nullptr) env->DeleteGlobalRef(kept);
    talyConsumerMethod_method_id[i] = nullptr;
  }
  jvm = nullptr;
  areasAtStart_ = liveCallbackAreas();
}

void ConsumerTest::TearDown() {
  EXPECT_EQ(liveCallbackAreas(), areasAtStart_) << "a callback area was not freed";
  ExportTest::TearDown();
}

jobject ConsumerTest::newConsumer() {
  jclass cls = consumerClass();
  return env->NewObject(cls, env->GetMethodID(cls, "<init>", "()V"));
}

jclass ConsumerTest::consumerClass() { return recordingConsumerClass(jniEnv()); }

std::vector<std::string> ConsumerTest::deliveries(jobject consumer) {
  jint count = env->CallIntMethod(consumer, consumerMethod(env, "count", "()I"));
  EXPECT_FALSE(env->ExceptionCheck());
  jmethodID describe = consumerMethod(env, "describe", "(I)Ljava/lang/String;");
  std::vector<std::string> described;
  for (jint i = 0; i < count; ++i) {
    auto text = static_cast<jstring>(env->CallObjectMethod(consumer, describe, i));
    EXPECT_FALSE(env->ExceptionCheck());
    const char* chars = env->GetStringUTFChars(text, nullptr);
    described.emplace_back(chars);
    env->ReleaseStringUTFChars(text, chars);
    env->DeleteLocalRef(text);
  }
  return described;
}

Bytes ConsumerTest::delivered(jobject consumer, int i, int n) {
  auto array = static_cast<jbyteArray>(
      env->CallObjectMethod(consumer, consumerMethod(env, "array", "(II)[B"), i, n));
  EXPECT_FALSE(env->ExceptionCheck());
  Bytes content = array != nullptr ? bytesOf(array) : Bytes{};
  env->DeleteLocalRef(array);
  return content;
}

void ConsumerTest::throwOnDelivery(jobject consumer) {
  env->CallVoidMethod(consumer, consumerMethod(env, "throwOnDelivery", "(Z)V"), JNI_TRUE);
  EXPECT_FALSE(env->ExceptionCheck());
}

TalyCallbackArea* ConsumerTest::registerConsumer(jobject instance, int32_t index, jclass cls) {
  Bytes descriptor(sizeof(VXCBD), 0);
  std::memcpy(descriptor.data(), "CBD ", 4);
  jbyteArray cbd = bytes(descriptor);
  jobject hobj = hobjHolder(21);
  if (cls == nullptr) cls = consumerClass();
  NATIVE(VXCB)(env, nullptr, JNI_FALSE, 0, index, cls, instance, 5, 0, 0, 0x100, hobj, nullptr,
               nullptr, cbd, cc, reason);
  EXPECT_EQ(codes(), std::make_pair(0, 0));
  TalyCallbackArea* area = nullptr;
  std::memcpy(&area, bytesOf(cbd).data() + offsetof(VXCBD, CallbackArea), sizeof area);
  env->DeleteLocalRef(hobj);
  env->DeleteLocalRef(cbd);
  return area;
}

void ConsumerTest::deregister(TalyCallbackArea* area) {
  RuntimeCallback deregistration(area, kCallTypeDeregister, "", 0);
  deregistration.withoutMessage().deliver();
  EXPECT_EQ(deregistration.cbc.CallbackArea, nullptr);
}
