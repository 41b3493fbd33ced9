// The cost of the export frame: an export around a runtime entry that does
// nothing, with tracing off and on, with and without a pinned structure.
#include <benchmark/benchmark.h>

#include <cstring>

#include "com_orvane_vx_taly_local_internal_base_Native.h"
#include "jvm.h"
#include "util/early_trace.h"
#include "vx/vector.h"

namespace {

void succeed(VXINT, PVXINT cc, PVXINT reason) { *cc = *reason = 0; }
void begin(VXINT, PVXVOID bo, PVXINT cc, PVXINT reason) {
  if (bo != nullptr) static_cast<char*>(bo)[4] = 1;
  *cc = *reason = 0;
}

struct Fixture {
  JNIEnv* env = jniEnv();
  jobject cc;
  jobject reason;
  jbyteArray bo;
  VXVector vector;

  Fixture() {
    vector = *VXInterface;
    vector.VXBACK = succeed;
    vector.VXBEGIN = begin;
    VXInterface = &vector;
    jclass traceClass = env->FindClass("com/orvane/vx/taly/testkit/NullTrace");
    jobject trace = env->NewObject(traceClass, env->GetMethodID(traceClass, "<init>", "()V"));
    jclass pintClass = env->FindClass("com/orvane/vx/taly/handles/Pint");
    jobjectArray exchange = env->NewObjectArray(0, pintClass, nullptr);
    Java_com_orvane_vx_taly_local_internal_base_Native_init_1conversion(env, nullptr, JNI_FALSE,
                                                                        trace, exchange);
    jmethodID make = env->GetMethodID(pintClass, "<init>", "()V");
    cc = env->NewGlobalRef(env->NewObject(pintClass, make));
    reason = env->NewGlobalRef(env->NewObject(pintClass, make));
    bo = static_cast<jbyteArray>(env->NewGlobalRef(env->NewByteArray(20)));
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void backout(benchmark::State& state) {
  Fixture& f = fixture();
  jboolean trace = static_cast<jboolean>(state.range(0));
  for (auto _ : state) {
    Java_com_orvane_vx_taly_local_internal_base_Native_VXBACK(f.env, nullptr, trace, 1, 0, 0, f.cc,
                                                              f.reason);
  }
}
BENCHMARK(backout)->ArgName("trace")->Arg(0)->Arg(1);

void beginWithOptions(benchmark::State& state) {
  Fixture& f = fixture();
  for (auto _ : state) {
    Java_com_orvane_vx_taly_local_internal_base_Native_VXBEGIN(f.env, nullptr, JNI_FALSE, 1, 0, 0,
                                                               f.bo, f.cc, f.reason);
  }
}
BENCHMARK(beginWithOptions);

void levelTest(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(earlyTraceEnabled(500));
}
BENCHMARK(levelTest);

}  // namespace

BENCHMARK_MAIN();
