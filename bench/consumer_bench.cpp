// The consumer dispatch: TalyConsumerFunction called in a loop, as the
// runtime calls it for each message, against the same thread doing the JNI
// work of a callback alone (one GetEnv, four arrays made and filled, one
// call of the consumer method, four deletions).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench_jvm.h"
#include "ratio.h"
#include "util/callback_area.h"

extern "C" void TalyConsumerFunction(int32_t hconn, void* md, void* gmo, void* buffer, void* cbc);

namespace {

constexpr int32_t kMdLength = 364;
constexpr int32_t kGmoLength = 112;
constexpr int32_t kMessageRemoved = 6;

struct Consumer {
  jclass cls;
  jobject instance;
  jmethodID method;
  TalyCallbackArea* area;
};

Consumer& consumer() {
  static Consumer c = [] {
    JNIEnv* env = benchJvm().env;
    jclass local = env->FindClass("com/orvane/vx/taly/testkit/NullConsumer");
    Consumer made{};
    made.cls = static_cast<jclass>(env->NewGlobalRef(local));
    jobject instance = env->NewObject(made.cls, env->GetMethodID(made.cls, "<init>", "()V"));
    made.instance = env->NewGlobalRef(instance);
    made.method = env->GetMethodID(made.cls, "talyConsumerMethod", "([B[B[B[B)V");
    ExportFrame f(env, JNI_FALSE, 40);
    VXCBD cbd{};
    int32_t cc = 0;
    int32_t reason = 0;
    made.area = SetupTalyCallbackArea(f, &cbd, 0, made.cls, made.instance, &cc, &reason);
    if (made.area == nullptr || cc != 0) std::abort();
    return made;
  }();
  return c;
}

struct Message {
  std::vector<unsigned char> md = std::vector<unsigned char>(kMdLength, 'm');
  std::vector<unsigned char> gmo = std::vector<unsigned char>(kGmoLength, 'g');
  std::vector<unsigned char> data;
  VXCBC cbc{};

  explicit Message(int32_t length) : data(static_cast<size_t>(length), 'd') {
    std::memcpy(cbc.StrucId, "CBC ", 4);
    cbc.Version = 1;
    cbc.CallType = kMessageRemoved;
    cbc.DataLength = length;
    cbc.BufferLength = length;
  }
};

void consumerFunction(benchmark::State& state) {
  Consumer& c = consumer();
  Message m(static_cast<int32_t>(state.range(0)));
  m.cbc.CallbackArea = c.area;
  for (auto _ : state) TalyConsumerFunction(1, m.md.data(), m.gmo.data(), m.data.data(), &m.cbc);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(consumerFunction)->ArgName("bytes")->Arg(64)->Arg(1024);

jbyteArray filled(JNIEnv* env, const void* bytes, jsize length) {
  jbyteArray array = env->NewByteArray(length);
  env->SetByteArrayRegion(array, 0, length, static_cast<const jbyte*>(bytes));
  return array;
}

void jniWorkAlone(benchmark::State& state) {
  Consumer& c = consumer();
  Message m(static_cast<int32_t>(state.range(0)));
  JavaVM* vm = nullptr;
  benchJvm().env->GetJavaVM(&vm);
  for (auto _ : state) {
    JNIEnv* env = nullptr;
    vm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_4);
    jbyteArray md = filled(env, m.md.data(), kMdLength);
    jbyteArray gmo = filled(env, m.gmo.data(), kGmoLength);
    jbyteArray data = filled(env, m.data.data(), static_cast<jsize>(m.data.size()));
    jbyteArray cbc = filled(env, &m.cbc, sizeof m.cbc);
    env->CallVoidMethod(c.instance, c.method, md, gmo, data, cbc);
    env->ExceptionCheck();
    for (jbyteArray array : {md, gmo, data, cbc}) env->DeleteLocalRef(array);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(jniWorkAlone)->ArgName("bytes")->Arg(64)->Arg(1024);

TALY_RATIO("TalyConsumerFunction, 64-byte message, vs its JNI work alone",
           "consumerFunction/bytes:64", "jniWorkAlone/bytes:64", "<= 1.2x, >= 2.5M/s");
TALY_RATIO("TalyConsumerFunction, 1 KiB message, vs its JNI work alone",
           "consumerFunction/bytes:1024", "jniWorkAlone/bytes:1024", "<= 1.5x");

}  // namespace
