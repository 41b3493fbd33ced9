// The cost of the puts beyond the work they cannot avoid: a gathered put of
// 1 MiB against one copy of the same bytes into a new block, and a put of a
// 1 KiB buffer against pinning and releasing its three arrays alone.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench_jvm.h"
#include "ratio.h"

namespace {

constexpr jsize kSegmentSize = 256 * 1024;
constexpr jint kSegmentCount = 4;
constexpr jsize kBufferSize = 1024;
constexpr jsize kMdSize = 364;
constexpr jsize kPmoSize = 176;

void accept(VXINT, VXINT, PVXVOID, PVXVOID, VXINT, PVXVOID, PVXINT cc, PVXINT reason) {
  *cc = *reason = 0;
}

struct Arrays {
  jbyteArray md;
  jbyteArray pmo;
  jbyteArray buffer;
  jobjectArray segments;
  jintArray offsets;
  jintArray lengths;
};

Arrays makeArrays(BenchJvm& b) {
  JNIEnv* env = b.env;
  Arrays a{};
  a.md = b.byteArray(kMdSize);
  a.pmo = b.byteArray(kPmoSize);
  a.buffer = b.byteArray(kBufferSize);
  jclass bytesClass = env->FindClass("[B");
  jobjectArray segments = env->NewObjectArray(kSegmentCount, bytesClass, nullptr);
  for (jint i = 0; i < kSegmentCount; ++i) {
    jbyteArray segment = env->NewByteArray(kSegmentSize);
    env->SetObjectArrayElement(segments, i, segment);
    env->DeleteLocalRef(segment);
  }
  a.segments = static_cast<jobjectArray>(env->NewGlobalRef(segments));
  env->DeleteLocalRef(segments);
  env->DeleteLocalRef(bytesClass);
  a.offsets = b.intArray(kSegmentCount);
  a.lengths = b.intArray(kSegmentCount);
  std::vector<jint> lengths(kSegmentCount, kSegmentSize);
  env->SetIntArrayRegion(a.lengths, 0, kSegmentCount, lengths.data());
  return a;
}

BenchJvm& fixture() {
  BenchJvm& b = benchJvm();
  b.vector.VXPUT = accept;
  return b;
}

Arrays& arrays() {
  static Arrays a = makeArrays(fixture());
  return a;
}

// A put that failed would be measured as a cheap rejection.
void checkCompleted(benchmark::State& state, BenchJvm& b) {
  jclass pintClass = b.env->GetObjectClass(b.reason);
  jint reason = b.env->GetIntField(b.reason, b.env->GetFieldID(pintClass, "x", "I"));
  b.env->DeleteLocalRef(pintClass);
  if (reason != 0) state.SkipWithError("the put failed");
}

void gatheredPut(benchmark::State& state) {
  BenchJvm& f = fixture();
  Arrays& a = arrays();
  for (auto _ : state) {
    NATIVE(talyPut)(f.env, nullptr, JNI_FALSE, 1, 0, 0, 2, a.md, a.pmo, kSegmentCount,
                    a.segments, a.offsets, a.lengths, f.cc, f.reason);
  }
  checkCompleted(state, f);
  state.SetBytesProcessed(state.iterations() * kSegmentCount * kSegmentSize);
}
BENCHMARK(gatheredPut);

// What any gather must do: a new block and one copy of every byte.
void mallocAndMemcpy(benchmark::State& state) {
  std::vector<char> source(static_cast<size_t>(kSegmentCount) * kSegmentSize, 1);
  for (auto _ : state) {
    void* block = std::malloc(source.size());
    std::memcpy(block, source.data(), source.size());
    benchmark::DoNotOptimize(block);
    benchmark::ClobberMemory();
    std::free(block);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(source.size()));
}
BENCHMARK(mallocAndMemcpy);

void bufferPut(benchmark::State& state) {
  BenchJvm& f = fixture();
  Arrays& a = arrays();
  for (auto _ : state) {
    NATIVE(VXPUT)(f.env, nullptr, JNI_FALSE, 1, 0, 0, 2, a.md, a.pmo, kBufferSize, a.buffer,
                  f.cc, f.reason);
  }
  checkCompleted(state, f);
}
BENCHMARK(bufferPut);

// What any put of Java arrays must do: pin the three and release them, the
// structures with copy-back and the buffer without.
void pinsAlone(benchmark::State& state) {
  JNIEnv* env = fixture().env;
  Arrays& a = arrays();
  for (auto _ : state) {
    jbyte* md = env->GetByteArrayElements(a.md, nullptr);
    jbyte* pmo = env->GetByteArrayElements(a.pmo, nullptr);
    jbyte* buffer = env->GetByteArrayElements(a.buffer, nullptr);
    benchmark::DoNotOptimize(buffer);
    env->ReleaseByteArrayElements(a.md, md, 0);
    env->ReleaseByteArrayElements(a.pmo, pmo, 0);
    env->ReleaseByteArrayElements(a.buffer, buffer, JNI_ABORT);
  }
}
BENCHMARK(pinsAlone);

TALY_RATIO("talyPut of 4 x 256 KiB vs malloc + memcpy of 1 MiB", "gatheredPut",
           "mallocAndMemcpy", "<= 1.25x");
TALY_RATIO("VXPUT of 1 KiB vs pinning and releasing its arrays", "bufferPut", "pinsAlone",
           "<= 1.2x");

}  // namespace
