// Exports called from Java loops, so that the cost of crossing the JNI is
// counted as in production: VXBACK against a bare native with the same
// parameters, and the get of a short message into a large buffer against
// the same get into a buffer of its size. The loops load the shipped
// library, which reaches the runtime entries below through VXInterface.
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench_jvm.h"
#include "ratio.h"

namespace {

constexpr int kCallsPerIteration = 1000;
constexpr int32_t kMessageLength = 1024;

void succeed(VXINT, PVXINT cc, PVXINT reason) { *cc = *reason = 0; }

void deliverOneKiB(VXINT, VXINT, PVXVOID, PVXVOID, VXINT bufferLength, PVXVOID buffer,
                   PVXINT dataLength, PVXINT cc, PVXINT reason) {
  static const char message[kMessageLength] = {'m'};
  std::memcpy(buffer, message, std::min(bufferLength, kMessageLength));
  *dataLength = kMessageLength;
  *cc = *reason = 0;
}

void JNICALL bareBackout(JNIEnv* env, jclass, jboolean, jint, jint, jint, jobject cc,
                         jobject reason) {
  static jfieldID x = [env] {
    jclass pint = env->FindClass("com/orvane/vx/taly/handles/Pint");
    jfieldID id = env->GetFieldID(pint, "x", "I");
    env->DeleteLocalRef(pint);
    return id;
  }();
  env->SetIntField(cc, x, 0);
  env->SetIntField(reason, x, 0);
}

struct Loops {
  JNIEnv* env;
  jclass cls;
  jmethodID backout, bare, get;
};

Loops& loops() {
  static Loops l = [] {
    BenchJvm& b = benchJvm();
    JNIEnv* env = b.env;
    Loops made{env, nullptr, nullptr, nullptr, nullptr};
    jclass local = env->FindClass("com/orvane/vx/taly/testkit/BenchLoops");
    made.cls = static_cast<jclass>(env->NewGlobalRef(local));
    JNINativeMethod bare = {const_cast<char*>("bareBackout"),
                            const_cast<char*>("(ZIIILcom/orvane/vx/taly/handles/Pint;"
                                              "Lcom/orvane/vx/taly/handles/Pint;)V"),
                            reinterpret_cast<void*>(bareBackout)};
    env->RegisterNatives(made.cls, &bare, 1);
    env->CallStaticVoidMethod(made.cls, env->GetStaticMethodID(made.cls, "initialise", "()V"));
    if (env->ExceptionCheck()) {
      env->ExceptionDescribe();
      std::abort();
    }
    made.backout = env->GetStaticMethodID(made.cls, "backout", "(I)V");
    made.bare = env->GetStaticMethodID(made.cls, "bareBackout", "(I)V");
    made.get = env->GetStaticMethodID(made.cls, "get", "(I[B[B[BI)V");
    return made;
  }();
  BenchJvm& b = benchJvm();
  b.vector.VXBACK = succeed;
  b.vector.VXGET = deliverOneKiB;
  return l;
}

void backoutFromJava(benchmark::State& state) {
  Loops& l = loops();
  for (auto _ : state) l.env->CallStaticVoidMethod(l.cls, l.backout, kCallsPerIteration);
}
BENCHMARK(backoutFromJava);

void bareBackoutFromJava(benchmark::State& state) {
  Loops& l = loops();
  for (auto _ : state) l.env->CallStaticVoidMethod(l.cls, l.bare, kCallsPerIteration);
}
BENCHMARK(bareBackoutFromJava);

TALY_RATIO("VXBACK, tracing off, vs a bare native writing 2 holders", "backoutFromJava",
           "bareBackoutFromJava", "<= 1.2x");

void getFromJava(benchmark::State& state) {
  Loops& l = loops();
  BenchJvm& b = benchJvm();
  jbyteArray md = b.byteArray(364);
  jbyteArray gmo = b.byteArray(112);
  auto bufferLength = static_cast<jint>(state.range(0) * 1024);
  jbyteArray buffer = b.byteArray(bufferLength);
  for (auto _ : state) {
    l.env->CallStaticVoidMethod(l.cls, l.get, kCallsPerIteration, md, gmo, buffer, bufferLength);
  }
  for (jobject array : {md, gmo, buffer}) l.env->DeleteGlobalRef(array);
}
BENCHMARK(getFromJava)->ArgName("bufferKiB")->Arg(1)->Arg(4096);

TALY_RATIO("VXGET of 1 KiB into a 4 MiB buffer vs into a 1 KiB buffer",
           "getFromJava/bufferKiB:4096", "getFromJava/bufferKiB:1", "<= 2x");

}  // namespace
