// The cost of the export frame: an export around a runtime entry that does
// nothing, with tracing off and on, with and without a pinned structure.
#include <benchmark/benchmark.h>

#include "bench_jvm.h"
#include "ratio.h"
#include "util/early_trace.h"

namespace {

void succeed(VXINT, PVXINT cc, PVXINT reason) { *cc = *reason = 0; }
void begin(VXINT, PVXVOID bo, PVXINT cc, PVXINT reason) {
  if (bo != nullptr) static_cast<char*>(bo)[4] = 1;
  *cc = *reason = 0;
}

BenchJvm& fixture() {
  BenchJvm& b = benchJvm();
  b.vector.VXBACK = succeed;
  b.vector.VXBEGIN = begin;
  return b;
}

void backout(benchmark::State& state) {
  BenchJvm& f = fixture();
  jboolean trace = static_cast<jboolean>(state.range(0));
  for (auto _ : state) NATIVE(VXBACK)(f.env, nullptr, trace, 1, 0, 0, f.cc, f.reason);
}
BENCHMARK(backout)->ArgName("trace")->Arg(0)->Arg(1);

void beginWithOptions(benchmark::State& state) {
  BenchJvm& f = fixture();
  static jbyteArray bo = f.byteArray(20);
  for (auto _ : state) NATIVE(VXBEGIN)(f.env, nullptr, JNI_FALSE, 1, 0, 0, bo, f.cc, f.reason);
}
BENCHMARK(beginWithOptions);

void levelTest(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(earlyTraceEnabled(500));
}
BENCHMARK(levelTest);

}  // namespace
