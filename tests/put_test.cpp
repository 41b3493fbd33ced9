// The put family: VXPUT and VXPUT1 with one buffer, talyPut and talyPut1
// with a message gathered from segments.
#include <climits>
#include <cstdlib>

#include "capture.h"
#include "faulty_env.h"
#include "jni_test.h"
#include "util/allocation.h"

namespace {

// The message part of each native trace line.
std::vector<std::string> messages(const std::string& err) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = err.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = err.substr(start, end - start);
    size_t at = line.find("tid:scripted-thread ");
    if (at != std::string::npos) lines.push_back(line.substr(at + 20));
  }
  return lines;
}

std::string text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Lays a copy of the thread's JNI function table, with chosen entries
// replaced, over the table in use (a FaultyEnv's too) while it lives.
const JNINativeInterface_* below = nullptr;
std::vector<jsize> releasedIntArrayLengths;

class Overlay {
 public:
  explicit Overlay(JNIEnv* env) : table(*env->functions), env_(env) {}
  ~Overlay() {
    if (below != nullptr) env_->functions = below;
    below = nullptr;
  }
  void install() {
    below = env_->functions;
    env_->functions = &table;
  }

  JNINativeInterface_ table;

 private:
  JNIEnv* env_;
};

void JNICALL recordIntRelease(JNIEnv* env, jintArray array, jint* elements, jint mode) {
  releasedIntArrayLengths.push_back(below->GetArrayLength(env, array));
  below->ReleaseIntArrayElements(env, array, elements, mode);
}

void JNICALL throwingRegion(JNIEnv* env, jbyteArray, jsize, jsize, jbyte*) {
  jclass cls = below->FindClass(env, "java/lang/ArrayIndexOutOfBoundsException");
  below->ThrowNew(env, cls, "moved");
  below->DeleteLocalRef(env, cls);
}

class Put : public ExportTest {
 protected:
  jintArray ints(const std::vector<jint>& values) {
    jintArray array = env->NewIntArray(static_cast<jsize>(values.size()));
    env->SetIntArrayRegion(array, 0, static_cast<jsize>(values.size()), values.data());
    return array;
  }
  // A byte[][] of the given elements; a null element stays null.
  jobjectArray segments(const std::vector<jbyteArray>& elements) {
    jclass cls = env->FindClass("[B");
    jobjectArray array = env->NewObjectArray(static_cast<jsize>(elements.size()), cls, nullptr);
    for (size_t i = 0; i < elements.size(); ++i) {
      env->SetObjectArrayElement(array, static_cast<jsize>(i), elements[i]);
    }
    env->DeleteLocalRef(cls);
    return array;
  }

  void SetUp() override {
    ExportTest::SetUp();
    od = structureArray(VxStructure::OD, std::string("OD  \x01\x00\x00\x00", 8));
    md = structureArray(VxStructure::MD, std::string("MD  \x02\x00\x00\x00", 8));
    pmo = structureArray(VxStructure::PMO, std::string("PMO \x03\x00\x00\x00", 8));
  }

  jbyteArray od = nullptr;
  jbyteArray md = nullptr;
  jbyteArray pmo = nullptr;
};

const std::string kStructure = "ReleaseByteArrayElements(0)";
const std::string kBuffer = "ReleaseByteArrayElements(2)";
const std::string kIntList = "ReleaseIntArrayElements(2)";

}  // namespace

TEST_F(Put, PutHandsTheRuntimeItsArgumentsAndCopiesBackTheStructuresButNotTheBuffer) {
  runtime.answer("VXPUT", 2, 2051);
  runtime.capture("VXPUT", 2, 8);
  runtime.capture("VXPUT", 3, 8);
  runtime.capture("VXPUT", 5, 5);
  runtime.on("VXPUT", [](RecordedCall& call) {
    call.p<uint8_t>(2)[4] = 0x11;
    call.p<uint8_t>(3)[4] = 0x22;
    call.p<uint8_t>(5)[0] = 'X';
  });
  jbyteArray buffer = bytes("hello world");
  FaultyEnv faults(env);
  FdCapture err(2);
  NATIVE(VXPUT)(env, nullptr, JNI_TRUE, 7, 1, 2, 9, md, pmo, 5, buffer, cc, reason);
  std::vector<std::string> lines = messages(err.stop());

  RecordedCall call = runtime.only("VXPUT");
  EXPECT_EQ(call.i(0), 7);
  EXPECT_EQ(call.i(1), 9);
  EXPECT_EQ(text(call.bytes[2]).substr(0, 4), "MD  ");
  EXPECT_EQ(text(call.bytes[3]).substr(0, 4), "PMO ");
  EXPECT_EQ(call.i(4), 5);
  EXPECT_EQ(text(call.bytes[5]), "hello");
  EXPECT_EQ(codes(), std::make_pair(2, 2051));
  EXPECT_EQ(bytesOf(md)[4], 0x11) << "copied back although the put failed";
  EXPECT_EQ(bytesOf(pmo)[4], 0x22);
  EXPECT_EQ(text(bytesOf(buffer)), "hello world") << "the buffer is not copied back";
  EXPECT_EQ(faults.log("Release"), (std::vector<std::string>{kStructure, kStructure, kBuffer}));
  EXPECT_EQ(faults.pins(), 0);
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 8",
                                                "data 59 8 \"VXPUT returned CC=2, RC=2051\" -",
                                                "exit 59 8 2051"}));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(firstLine(lines), "Java_com_orvane_vx_taly_local_internal_base_Native_VXPUT(entry)");
  EXPECT_EQ(lastLine(lines),
            "Java_com_orvane_vx_taly_local_internal_base_Native_VXPUT(exit): rc:2051");
}

TEST_F(Put, PutOneHandsTheRuntimeTheDescriptorFirstAndCopiesAllThreeBack) {
  runtime.answer("VXPUT1", 2, 2085);
  runtime.capture("VXPUT1", 1, 8);
  runtime.capture("VXPUT1", 2, 8);
  runtime.capture("VXPUT1", 3, 8);
  runtime.on("VXPUT1", [](RecordedCall& call) {
    for (size_t arg = 1; arg <= 3; ++arg) call.p<uint8_t>(arg)[5] = static_cast<uint8_t>(arg);
  });
  jbyteArray buffer = bytes("abc");
  FaultyEnv faults(env);
  NATIVE(VXPUT1)(env, nullptr, JNI_FALSE, 7, 0, 0, od, md, pmo, 3, buffer, cc, reason);

  RecordedCall call = runtime.only("VXPUT1");
  EXPECT_EQ(call.i(0), 7);
  EXPECT_EQ(text(call.bytes[1]).substr(0, 4), "OD  ");
  EXPECT_EQ(text(call.bytes[2]).substr(0, 4), "MD  ");
  EXPECT_EQ(text(call.bytes[3]).substr(0, 4), "PMO ");
  EXPECT_EQ(call.i(4), 3);
  EXPECT_NE(call.p(5), nullptr);
  EXPECT_EQ(codes(), std::make_pair(2, 2085));
  EXPECT_EQ(bytesOf(od)[5], 1);
  EXPECT_EQ(bytesOf(md)[5], 2);
  EXPECT_EQ(bytesOf(pmo)[5], 3);
  EXPECT_EQ(faults.log("Release"),
            (std::vector<std::string>{kStructure, kStructure, kStructure, kBuffer}));
  EXPECT_TRUE(events().empty()) << "tracing is off";
}

TEST_F(Put, NullArraysReachTheRuntimeAsNullAddresses) {
  NATIVE(VXPUT1)(env, nullptr, JNI_FALSE, 4, 0, 0, nullptr, nullptr, nullptr, 0, nullptr, cc,
                 reason);
  NATIVE(VXPUT)(env, nullptr, JNI_FALSE, 4, 0, 0, 6, nullptr, nullptr, 0, nullptr, cc, reason);
  RecordedCall one = runtime.only("VXPUT1");
  for (size_t arg : {1, 2, 3, 5}) EXPECT_EQ(one.p(arg), nullptr) << "argument " << arg;
  RecordedCall put = runtime.only("VXPUT");
  for (size_t arg : {2, 3, 5}) EXPECT_EQ(put.p(arg), nullptr) << "argument " << arg;
  EXPECT_EQ(codes(), std::make_pair(0, 0));
}

TEST_F(Put, AFailedPinReleasesWhatWasPinnedBeforeItAndSkipsTheRuntime) {
  const char* names[] = {"native_vxod is null", "native_vxmd is null", "native_vxpmo is null",
                         "native_buffer is null"};
  jbyteArray buffer = bytes("abc");
  for (int n = 1; n <= 4; ++n) {
    SCOPED_TRACE("VXPUT1, pin " + std::to_string(n));
    FaultyEnv faults(env);
    faults.fail(Jni::GetByteArrayElements, n);
    NATIVE(VXPUT1)(env, nullptr, JNI_FALSE, 1, 0, 0, od, md, pmo, 3, buffer, cc, reason);
    EXPECT_TRUE(runtime.calls().empty());
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    EXPECT_EQ(faults.log("Release"), std::vector<std::string>(n - 1, kStructure));
    EXPECT_EQ(faults.pins(), 0);
    EXPECT_EQ(events().back(), "krux 59 9 " + std::to_string(n + 3) + " 0 0 0 \"" +
                                   names[n - 1] + "\" null null");
  }
  for (int n = 1; n <= 3; ++n) {
    SCOPED_TRACE("VXPUT, pin " + std::to_string(n));
    FaultyEnv faults(env);
    faults.fail(Jni::GetByteArrayElements, n);
    NATIVE(VXPUT)(env, nullptr, JNI_FALSE, 1, 0, 0, 2, md, pmo, 3, buffer, cc, reason);
    EXPECT_TRUE(runtime.calls().empty());
    EXPECT_EQ(faults.log("Release"), std::vector<std::string>(n - 1, kStructure));
    EXPECT_EQ(events().back(), "krux 59 8 " + std::to_string(n + 3) + " 0 0 0 \"" + names[n] +
                                   "\" null null");
  }
}

TEST_F(Put, ABufferLengthOutsideTheBufferIsRejectedBeforeTheRuntimeSeesIt) {
  jbyteArray buffer = bytes("hello world");
  struct Case {
    jint length;
    std::string report;
  } cases[] = {
      {12, "krux 59 8 6 2195 12 11 \"native_buffer is too short\" null null"},
      {-1, "krux 59 8 6 2195 -1 11 \"native_buffer is too short\" null null"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    FaultyEnv faults(env);
    NATIVE(VXPUT)(env, nullptr, JNI_FALSE, 1, 0, 0, 2, md, pmo, c.length, buffer, cc, reason);
    EXPECT_TRUE(runtime.calls().empty());
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    EXPECT_EQ(events().back(), c.report);
    EXPECT_EQ(faults.log("Release"), (std::vector<std::string>{kStructure, kStructure, kBuffer}));
  }
  NATIVE(VXPUT1)(env, nullptr, JNI_FALSE, 1, 0, 0, od, md, pmo, 12, buffer, cc, reason);
  EXPECT_EQ(events().back(), "krux 59 9 7 2195 12 11 \"native_buffer is too short\" null null");

  NATIVE(VXPUT)(env, nullptr, JNI_FALSE, 1, 0, 0, 2, md, pmo, 11, buffer, cc, reason);
  EXPECT_EQ(runtime.only("VXPUT").i(4), 11) << "the whole buffer is fine";
  EXPECT_EQ(codes(), std::make_pair(0, 0));
}

TEST_F(Put, SegmentsAreGatheredInOrderAndTheListsGoBackBeforeThePut) {
  runtime.capture("VXPUT", 5, 8);
  runtime.capture("VXPUT", 2, 8);
  std::vector<std::string> releasedAtCall;
  FaultyEnv faults(env);
  runtime.on("VXPUT", [&](RecordedCall& call) {
    releasedAtCall = faults.log("Release");
    call.p<uint8_t>(2)[4] = 0x33;
  });
  jobjectArray list = segments({bytes("xxABCyy"), bytes("zz"), bytes("12345678")});
  jintArray offsets = ints({2, 1, 3, 99});
  jintArray lengths = ints({3, 0, 5});
  Overlay overlay(env);
  overlay.table.ReleaseIntArrayElements = recordIntRelease;
  overlay.install();
  releasedIntArrayLengths.clear();
  FdCapture err(2);
  NATIVE(talyPut)(env, nullptr, JNI_TRUE, 7, 0, 0, 9, md, pmo, 3, list, offsets, lengths, cc,
                  reason);
  std::vector<std::string> lines = messages(err.stop());

  RecordedCall call = runtime.only("VXPUT");
  EXPECT_EQ(call.i(0), 7);
  EXPECT_EQ(call.i(1), 9);
  EXPECT_EQ(text(call.bytes[2]).substr(0, 4), "MD  ");
  EXPECT_EQ(call.i(4), 8);
  EXPECT_EQ(text(call.bytes[5]), "ABC45678");
  EXPECT_EQ(codes(), std::make_pair(0, 0));
  EXPECT_EQ(bytesOf(md)[4], 0x33);
  EXPECT_EQ(releasedAtCall, (std::vector<std::string>{kIntList, kIntList}));
  EXPECT_EQ(releasedIntArrayLengths, (std::vector<jsize>{3, 4})) << "lengths, then offsets";
  EXPECT_EQ(faults.log("Release"),
            (std::vector<std::string>{kIntList, kIntList, kStructure, kStructure}));
  EXPECT_EQ(faults.pins(), 0);
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 44",
                                                "data 59 44 \"Requested length : 8\" -",
                                                "data 59 44 \"VXPUT returned CC=0, RC=0\" -",
                                                "exit 59 44 0"}));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(firstLine(lines), "Java_com_orvane_vx_taly_local_internal_base_Native_talyPut(entry)");
  EXPECT_EQ(lastLine(lines),
            "Java_com_orvane_vx_taly_local_internal_base_Native_talyPut(exit): rc:0");
}

TEST_F(Put, PutOneOfSegmentsHandsTheRuntimeTheDescriptorFirstAndCopiesAllThreeBack) {
  runtime.answer("VXPUT1", 2, 2030);
  runtime.capture("VXPUT1", 1, 8);
  runtime.capture("VXPUT1", 5, 4);
  runtime.on("VXPUT1", [](RecordedCall& call) {
    for (size_t arg = 1; arg <= 3; ++arg) call.p<uint8_t>(arg)[6] = static_cast<uint8_t>(arg);
  });
  jobjectArray list = segments({bytes("ab"), bytes("cd")});
  NATIVE(talyPut1)(env, nullptr, JNI_FALSE, 5, 0, 0, od, md, pmo, 2, list, ints({0, 0}),
                   ints({2, 2}), cc, reason);

  RecordedCall call = runtime.only("VXPUT1");
  EXPECT_EQ(call.i(0), 5);
  EXPECT_EQ(text(call.bytes[1]).substr(0, 4), "OD  ");
  EXPECT_EQ(call.i(4), 4);
  EXPECT_EQ(text(call.bytes[5]), "abcd");
  EXPECT_EQ(codes(), std::make_pair(2, 2030));
  EXPECT_EQ(bytesOf(od)[6], 1);
  EXPECT_EQ(bytesOf(md)[6], 2);
  EXPECT_EQ(bytesOf(pmo)[6], 3);
  EXPECT_TRUE(events().empty()) << "no \"Requested length\" with tracing off";
}

TEST_F(Put, AnEmptySegmentListPutsAMessageOfLengthZeroFromARealBlock) {
  FaultyEnv faults(env);
  NATIVE(talyPut)(env, nullptr, JNI_TRUE, 1, 0, 0, 2, md, pmo, 0, nullptr, nullptr, nullptr, cc,
                  reason);
  NATIVE(talyPut1)(env, nullptr, JNI_FALSE, 1, 0, 0, od, md, pmo, -1, nullptr, nullptr, nullptr,
                   cc, reason);
  RecordedCall put = runtime.only("VXPUT");
  RecordedCall one = runtime.only("VXPUT1");
  EXPECT_EQ(put.i(4), 0);
  EXPECT_NE(put.p(5), nullptr);
  EXPECT_EQ(one.i(4), 0);
  EXPECT_NE(one.p(5), nullptr);
  EXPECT_EQ(codes(), std::make_pair(0, 0));
  EXPECT_TRUE(faults.log("GetObjectArrayElement").empty());
  EXPECT_EQ(events()[1], "data 59 44 \"Requested length : 0\" -");
}

TEST_F(Put, AFailedPinOfTheSegmentedPutReleasesWhatWasPinnedBeforeIt) {
  struct Case {
    Jni function;
    int nth;
    std::string report;
    std::vector<std::string> released;
  } cases[] = {
      {Jni::GetByteArrayElements, 1, "4 0 0 0 \"native_vxod is null\"", {}},
      {Jni::GetByteArrayElements, 2, "5 0 0 0 \"native_vxmd is null\"", {kStructure}},
      {Jni::GetByteArrayElements, 3, "6 0 0 0 \"native_vxpmo is null\"", {kStructure, kStructure}},
      {Jni::GetIntArrayElements, 1, "7 0 0 0 \"buffer_offsets is null\"",
       {kStructure, kStructure, kStructure}},
      {Jni::GetIntArrayElements, 2, "8 0 0 0 \"buffer_lengths is null\"",
       {kIntList, kStructure, kStructure, kStructure}},
  };
  jobjectArray list = segments({bytes("ab")});
  jintArray offsets = ints({0});
  jintArray lengths = ints({2});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.report);
    FaultyEnv faults(env);
    faults.fail(c.function, c.nth);
    NATIVE(talyPut1)(env, nullptr, JNI_FALSE, 1, 0, 0, od, md, pmo, 1, list, offsets, lengths,
                     cc, reason);
    EXPECT_TRUE(faults.log("GetObjectArrayElement").empty()) << "nothing gathered";
    EXPECT_TRUE(runtime.calls().empty());
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    EXPECT_EQ(events().back(), "krux 59 45 " + c.report + " null null");
    EXPECT_EQ(faults.log("Release"), c.released);
    EXPECT_EQ(faults.pins(), 0);
  }
}

TEST_F(Put, AFailedAllocationIsReportedWithItsOwnReason) {
  jobjectArray list = segments({bytes("abc")});
  jintArray offsets = ints({0});
  jintArray lengths = ints({3});
  {
    FaultyEnv faults(env);
    failAllocation(1);
    NATIVE(talyPut)(env, nullptr, JNI_TRUE, 1, 0, 0, 2, md, pmo, 1, list, offsets, lengths, cc,
                    reason);
    EXPECT_EQ(faults.log("GetObjectArrayElement").size(), 1u) << "checked, never gathered";
    EXPECT_EQ(faults.log("Release"),
            (std::vector<std::string>{kIntList, kIntList, kStructure, kStructure}));
  }
  EXPECT_EQ(codes(), std::make_pair(2, 2071));
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "entry 59 44", "data 59 44 \"Requested length : 3\" -",
                          "krux 59 44 8 0 0 0 \"buffer is null\" null null", "exit 59 44 2071"}));
  failAllocation(1);
  NATIVE(talyPut1)(env, nullptr, JNI_FALSE, 1, 0, 0, od, md, pmo, 1, list, offsets, lengths, cc,
                   reason);
  EXPECT_EQ(codes(), std::make_pair(2, 2071));
  EXPECT_EQ(events().back(), "krux 59 45 9 0 0 0 \"malloc failed\" null null");
  EXPECT_TRUE(runtime.calls().empty());
}

TEST_F(Put, ABadSegmentListIsRejectedBeforeAnythingIsAllocated) {
  jbyteArray four = bytes("abcd");
  struct Case {
    std::string what;
    jint count;
    jobjectArray list;
    jintArray offsets;
    jintArray lengths;
    std::string report;
  } cases[] = {
      {"fewer segments than the count", 2, segments({four}), ints({0, 0}), ints({1, 1}),
       "9 2195 2 1 \"segments is too short\""},
      {"no segments", 1, nullptr, ints({0}), ints({1}), "9 2195 1 0 \"segments is too short\""},
      {"fewer offsets", 2, segments({four, four}), ints({0}), ints({1, 1}),
       "6 2195 2 1 \"buffer_offsets is too short\""},
      {"no offsets", 1, segments({four}), nullptr, ints({1}),
       "6 2195 1 0 \"buffer_offsets is too short\""},
      {"fewer lengths", 2, segments({four, four}), ints({0, 0}), ints({1}),
       "7 2195 2 1 \"buffer_lengths is too short\""},
      {"no lengths", 1, segments({four}), ints({0}), nullptr,
       "7 2195 1 0 \"buffer_lengths is too short\""},
      {"a null segment", 2, segments({four, nullptr}), ints({0, 0}), ints({1, 1}),
       "9 2195 1 0 \"segments[1] is null\""},
      {"a negative offset", 2, segments({four, four}), ints({0, -1}), ints({1, 1}),
       "6 2195 1 -1 \"buffer_offsets[1] is negative\""},
      {"a negative length", 1, segments({four}), ints({0}), ints({-3}),
       "7 2195 0 -3 \"buffer_lengths[0] is negative\""},
      {"an offset past the end", 1, segments({four}), ints({5}), ints({0}),
       "9 2195 5 4 \"segments[0] is too short\""},
      {"a segment past the end", 1, segments({four}), ints({2}), ints({3}),
       "9 2195 5 4 \"segments[0] is too short\""},
      {"an end that wraps around", 1, segments({four}), ints({3}), ints({INT_MAX}),
       "9 2195 2147483647 4 \"segments[0] is too short\""},
      {"a total over 32 bits", 2, segments({four, four}), ints({0, 0}), ints({INT_MAX, 1}),
       "7 2195 1 0 \"buffer_lengths add up to more than 2147483647 bytes\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FaultyEnv faults(env);
    failAllocation(1);
    NATIVE(talyPut)(env, nullptr, JNI_TRUE, 1, 0, 0, 2, md, pmo, c.count, c.list, c.offsets,
                    c.lengths, cc, reason);
    void* next = allocate(1);
    EXPECT_EQ(next, nullptr) << "the put allocated";
    std::free(next);
    EXPECT_TRUE(runtime.calls().empty());
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    std::vector<std::string> seen = events();
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[seen.size() - 2], "krux 59 44 " + c.report + " null null");
    EXPECT_EQ(seen.back(), "exit 59 44 2195");
    EXPECT_EQ(faults.pins(), 0);
  }
  NATIVE(talyPut1)(env, nullptr, JNI_FALSE, 1, 0, 0, od, md, pmo, 1, segments({four}), ints({4}),
                   ints({1}), cc, reason);
  EXPECT_EQ(events().back(), "krux 59 45 10 2195 5 4 \"segments[0] is too short\" null null");
}

TEST_F(Put, EveryElementReferenceIsDeletedAfterUse) {
  // More segments than the test's local frame has room for: keeping one
  // reference per element would make the JVM warn.
  constexpr jint kCount = 400;
  jobjectArray list = segments(std::vector<jbyteArray>(kCount, bytes("z")));
  jintArray offsets = ints(std::vector<jint>(kCount, 0));
  jintArray lengths = ints(std::vector<jint>(kCount, 1));
  NATIVE(talyPut)(env, nullptr, JNI_FALSE, 1, 0, 0, 2, md, pmo, kCount, list, offsets, lengths,
                  cc, reason);
  EXPECT_EQ(runtime.only("VXPUT").i(4), kCount);

  env->SetObjectArrayElement(list, kCount - 1, nullptr);
  NATIVE(talyPut)(env, nullptr, JNI_FALSE, 1, 0, 0, 2, md, pmo, kCount, list, offsets, lengths,
                  cc, reason);
  EXPECT_EQ(events().back(), "krux 59 44 9 2195 399 0 \"segments[399] is null\" null null");
}

TEST_F(Put, ASegmentThatChangesWhileItIsGatheredFailsThePut) {
  jobjectArray list = segments({bytes("abcd"), bytes("efgh")});
  jintArray offsets = ints({0, 0});
  jintArray lengths = ints({4, 4});
  {
    // Gone by the time it is copied: the checks found two, the gather none.
    FaultyEnv faults(env);
    faults.fail(Jni::GetObjectArrayElement, 3);
    NATIVE(talyPut)(env, nullptr, JNI_FALSE, 1, 0, 0, 2, md, pmo, 2, list, offsets, lengths, cc,
                    reason);
    EXPECT_EQ(events().back(), "krux 59 44 9 2195 0 0 \"segments[0] is null\" null null");
  }
  {
    // The copy itself throws: reported, and taken off the thread.
    Overlay overlay(env);
    overlay.table.GetByteArrayRegion = throwingRegion;
    overlay.install();
    NATIVE(talyPut)(env, nullptr, JNI_FALSE, 1, 0, 0, 2, md, pmo, 2, list, offsets, lengths, cc,
                    reason);
    EXPECT_FALSE(env->ExceptionCheck());
  }
  EXPECT_EQ(events().back(), "krux 59 44 9 2195 0 0 \"ExceptionOccured\" "
                             "\"java.lang.ArrayIndexOutOfBoundsException\" \"moved\"");
  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
}
