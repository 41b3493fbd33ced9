// The XA calls: zstXAOpen, zstXAOpen_tm, zstXAClose, zstXAStart, zstXAEnd,
// zstXAPrepare, zstXACommit, zstXARollback, zstXAForget, zstXARecover and
// zstXAComplete.
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "faulty_env.h"
#include "jni_test.h"
#include "vx/structs.h"

namespace {

constexpr size_t XID_SIZE = sizeof(XID);

using ArrayExport = jint (*)(JNIEnv*, jclass, jboolean, jbyteArray, jint, jint);

// An export that passes one array, rmid and flags to its XA entry.
struct ArrayCall {
  const char* method;
  ArrayExport call;
  int32_t function;
  const char* entry;
  const char* array;  // the array's name in failure reports
  size_t arity;       // arguments of the entry
};

std::string text(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string text(const char* format, ...) {
  char buffer[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

Bytes pattern(size_t size) {
  Bytes content(size);
  for (size_t i = 0; i < size; ++i) content[i] = static_cast<uint8_t>(i % 251 + 1);
  return content;
}

class Xa : public JniTest {};

class XaArrayCall : public Xa, public ::testing::WithParamInterface<ArrayCall> {
 protected:
  std::string event(const char* kind, int32_t rc) {
    return std::string(kind) + " 59 " + std::to_string(GetParam().function) +
           (std::string(kind) == "exit" ? " " + std::to_string(rc) : "");
  }
};

// The XA calls on a branch take one XID; close takes the open string.
const ArrayCall kBranchCalls[] = {
    {"zstXAStart", NATIVE(zstXAStart), 31, "start", "native_xid", 4},
    {"zstXAEnd", NATIVE(zstXAEnd), 24, "end", "native_xid", 3},
    {"zstXAPrepare", NATIVE(zstXAPrepare), 28, "prepare", "native_xid", 3},
    {"zstXACommit", NATIVE(zstXACommit), 22, "commit", "native_xid", 3},
    {"zstXARollback", NATIVE(zstXARollback), 30, "rollback", "native_xid", 3},
    {"zstXAForget", NATIVE(zstXAForget), 25, "forget", "native_xid", 3},
};
const ArrayCall kClose = {"zstXAClose", NATIVE(zstXAClose), 21, "close", "native_xa_info", 3};

void PrintTo(const ArrayCall& c, std::ostream* os) { *os << c.method; }

std::string nameOf(const ::testing::TestParamInfo<ArrayCall>& info) { return info.param.method; }

}  // namespace

TEST_P(XaArrayCall, PassesItsArrayRmidAndFlagsInOrderAndCopiesTheRuntimesChangesBack) {
  const ArrayCall& c = GetParam();
  Bytes original = pattern(XID_SIZE);
  runtime.capture(c.entry, 0, XID_SIZE);
  runtime.on(c.entry, [](RecordedCall& call) {
    call.p<uint8_t>(0)[5] = 0xEE;
    call.result = 3;
  });
  jbyteArray array = bytes(original);
  FaultyEnv faults(env);
  jint rc = c.call(env, nullptr, JNI_TRUE, array, 17, 0x200000);

  RecordedCall call = runtime.only(c.entry);
  ASSERT_EQ(call.args.size(), c.arity);
  EXPECT_EQ(call.bytes[0], original) << "the runtime sees the Java array's bytes";
  EXPECT_EQ(call.i(1), 17);
  EXPECT_EQ(call.i(2), 0x200000);
  if (c.arity == 4) {
    EXPECT_EQ(call.i(3), 0) << "the start entry's constant fourth argument";
  }
  EXPECT_EQ(rc, 3);
  EXPECT_EQ(bytesOf(array)[5], 0xEE);
  EXPECT_EQ(faults.log("Release"), std::vector<std::string>{"ReleaseByteArrayElements(0)"});
  EXPECT_EQ(faults.pins(), 0);
  EXPECT_EQ(events(), (std::vector<std::string>{event("entry", 0), event("exit", 3)}));
}

TEST_P(XaArrayCall, ANullArrayReachesTheRuntimeAsANullAddressAndTracingOffSendsNothing) {
  const ArrayCall& c = GetParam();
  runtime.on(c.entry, [](RecordedCall& call) { call.result = -7; });
  FaultyEnv faults(env);
  jint rc = c.call(env, nullptr, JNI_FALSE, nullptr, 1, 0);

  EXPECT_EQ(runtime.only(c.entry).p(0), nullptr);
  EXPECT_EQ(rc, -7);
  EXPECT_TRUE(faults.log("GetByteArrayElements").empty());
  EXPECT_TRUE(faults.log("Release").empty());
  EXPECT_TRUE(events().empty());
}

TEST_P(XaArrayCall, AnArrayThatCannotBePinnedGivesRmerrWithoutCallingTheRuntime) {
  const ArrayCall& c = GetParam();
  jbyteArray array = bytes(pattern(XID_SIZE));
  FaultyEnv faults(env);
  faults.fail(Jni::GetByteArrayElements);
  jint rc = c.call(env, nullptr, JNI_TRUE, array, 1, 0);

  EXPECT_EQ(rc, -3);
  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_TRUE(faults.log("Release").empty());
  EXPECT_EQ(events(),
            (std::vector<std::string>{
                event("entry", 0),
                text("krux 59 %d 1 0 0 0 \"%s is null\" null null", c.function, c.array),
                event("exit", -3)}));
}

INSTANTIATE_TEST_SUITE_P(Branch, XaArrayCall, ::testing::ValuesIn(kBranchCalls), nameOf);
INSTANTIATE_TEST_SUITE_P(Close, XaArrayCall, ::testing::Values(kClose), nameOf);

class XaBranchCall : public XaArrayCall {};

TEST_P(XaBranchCall, AnArrayShorterThanOneXidGivesRmerrWithoutPinningOrCallingTheRuntime) {
  const ArrayCall& c = GetParam();
  for (size_t size : {XID_SIZE - 1, size_t{0}}) {
    jbyteArray array = bytes(Bytes(size, 1));
    FaultyEnv faults(env);
    EXPECT_EQ(c.call(env, nullptr, JNI_FALSE, array, 1, 0), -3);
    EXPECT_TRUE(faults.log("GetByteArrayElements").empty());
  }
  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(events(),
            (std::vector<std::string>{
                text("krux 59 %d 1 2195 %zu %zu \"native_xid is too short\" null null",
                     c.function, XID_SIZE, XID_SIZE - 1),
                text("krux 59 %d 1 2195 %zu 0 \"native_xid is too short\" null null",
                     c.function, XID_SIZE)}));
}

INSTANTIATE_TEST_SUITE_P(Branch, XaBranchCall, ::testing::ValuesIn(kBranchCalls), nameOf);

TEST_F(Xa, BothOpenFormsPassTheirCodeToTheSharedRoutineInsideTheirOwnEvents) {
  struct Form {
    ArrayExport call;
    int32_t function;
    int32_t code;
  };
  Bytes info{'r', 'm', '=', '1'};
  runtime.capture("open", 0, info.size());
  runtime.on("open", [](RecordedCall& call) {
    call.p<uint8_t>(0)[0] = 'R';
    call.result = -5;
  });
  for (Form form : {Form{NATIVE(zstXAOpen), 26, 7}, Form{NATIVE(zstXAOpen_1tm), 27, 448}}) {
    SCOPED_TRACE(form.function);
    runtime.clear();
    size_t before = events().size();
    jbyteArray array = bytes(info);
    FaultyEnv faults(env);
    EXPECT_EQ(form.call(env, nullptr, JNI_TRUE, array, 4, 0x10), -5);

    RecordedCall call = runtime.only("open");
    ASSERT_EQ(call.args.size(), 6u);
    EXPECT_EQ(call.bytes[0], info);
    EXPECT_EQ(std::vector<int32_t>({call.i(1), call.i(2), call.i(3), call.i(4), call.i(5)}),
              std::vector<int32_t>({4, 0x10, form.code, 0, 0}));
    EXPECT_EQ(bytesOf(array)[0], 'R');
    EXPECT_EQ(faults.log("Release"), std::vector<std::string>{"ReleaseByteArrayElements(0)"});
    std::vector<std::string> all = events();
    std::string fn = std::to_string(form.function);
    EXPECT_EQ(std::vector<std::string>(all.begin() + before, all.end()),
              (std::vector<std::string>{"entry 59 " + fn, "entry 59 37", "exit 59 37 -5",
                                        "exit 59 " + fn + " -5"}));
  }
}

TEST_F(Xa, AnOpenStringThatCannotBePinnedIsReportedByTheSharedRoutineAndFailsAtBothLevels) {
  jbyteArray array = bytes(std::string("rm=1"));
  FaultyEnv faults(env);
  faults.fail(Jni::GetByteArrayElements);
  EXPECT_EQ(NATIVE(zstXAOpen)(env, nullptr, JNI_TRUE, array, 4, 0), -3);
  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_TRUE(faults.log("Release").empty());
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "entry 59 26", "entry 59 37",
                          "krux 59 37 1 0 0 0 \"native_xa_info is null\" null null",
                          "exit 59 37 -3", "exit 59 26 -3"}));
}

TEST_F(Xa, WithTracingOffAFailedOpenSendsOnlyItsFailureReport) {
  jbyteArray array = bytes(std::string("rm=1"));
  FaultyEnv faults(env);
  faults.fail(Jni::GetByteArrayElements);
  EXPECT_EQ(NATIVE(zstXAOpen_1tm)(env, nullptr, JNI_FALSE, array, 4, 0), -3);
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "krux 59 37 1 0 0 0 \"native_xa_info is null\" null null"}));
}

TEST_F(Xa, AnExceptionFromATraceMethodInsideTheOpenRoutineReachesJavaAfterAFullCall) {
  runtime.on("open", [](RecordedCall& call) { call.result = 0; });
  traceThrowsFrom("entry");
  EXPECT_EQ(NATIVE(zstXAOpen)(env, nullptr, JNI_TRUE, nullptr, 4, 0), 0);
  EXPECT_TRUE(env->ExceptionCheck());
  env->ExceptionClear();
  EXPECT_EQ(runtime.count("open"), 1u);
  EXPECT_EQ(events().size(), 4u) << "both exit events still went out";

  // With tracing off only the failure report can throw; it too reaches Java.
  traceThrowsFrom("krux");
  jbyteArray array = bytes(std::string("rm=1"));
  FaultyEnv faults(env);
  faults.fail(Jni::GetByteArrayElements);
  EXPECT_EQ(NATIVE(zstXAOpen)(env, nullptr, JNI_FALSE, array, 4, 0), -3);
  EXPECT_TRUE(env->ExceptionCheck());
  env->ExceptionClear();
}

TEST_F(Xa, RecoverHandsTheXidsThatTheRuntimeFoundToJava) {
  runtime.on("recover", [](RecordedCall& call) {
    for (int n = 0; n < 2; ++n) {
      XID xid{};
      xid.formatID = 0x4A4D5321 + n;
      xid.gtrid_length = 3;
      xid.bqual_length = 1;
      std::memcpy(xid.data, "gtrb", 4);
      std::memcpy(call.p<uint8_t>(0) + n * XID_SIZE, &xid, XID_SIZE);
    }
    call.result = 2;
  });
  jbyteArray xids = bytes(Bytes(3 * XID_SIZE, 0));
  FaultyEnv faults(env);
  EXPECT_EQ(NATIVE(zstXARecover)(env, nullptr, JNI_TRUE, xids, 3, 6, 0x1000000), 2);

  RecordedCall call = runtime.only("recover");
  ASSERT_EQ(call.args.size(), 4u);
  EXPECT_NE(call.p(0), nullptr);
  EXPECT_EQ(std::vector<int32_t>({call.i(1), call.i(2), call.i(3)}),
            std::vector<int32_t>({3, 6, 0x1000000}));
  Bytes found = bytesOf(xids);
  XID second;
  std::memcpy(&second, found.data() + XID_SIZE, XID_SIZE);
  EXPECT_EQ(second.formatID, 0x4A4D5322);
  EXPECT_EQ(std::string(second.data, 4), "gtrb");
  EXPECT_EQ(Bytes(found.begin() + 2 * XID_SIZE, found.end()), Bytes(XID_SIZE, 0));
  EXPECT_EQ(faults.log("Release"), std::vector<std::string>{"ReleaseByteArrayElements(0)"});
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 29", "exit 59 29 2"}));
}

TEST_F(Xa, RecoverPassesACountOfZeroAndANullArrayAsTheyCome) {
  jbyteArray xids = bytes(Bytes(XID_SIZE, 0));
  EXPECT_EQ(NATIVE(zstXARecover)(env, nullptr, JNI_FALSE, xids, 0, 6, 0), 0);
  EXPECT_EQ(NATIVE(zstXARecover)(env, nullptr, JNI_FALSE, nullptr, 2, 6, 0), 0);
  EXPECT_EQ(NATIVE(zstXARecover)(env, nullptr, JNI_FALSE, bytes(Bytes(2 * XID_SIZE, 0)), 2, 6, 0),
            0);
  std::vector<RecordedCall> calls = runtime.calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_NE(calls[0].p(0), nullptr);
  EXPECT_EQ(calls[0].i(1), 0);
  EXPECT_EQ(calls[1].p(0), nullptr);
  EXPECT_EQ(calls[1].i(1), 2);
  EXPECT_EQ(calls[2].i(1), 2) << "an array of exactly count XIDs is enough";
  EXPECT_TRUE(events().empty());
}

TEST_F(Xa, RecoverRejectsAnArrayWithoutRoomForCountXidsAndANegativeCount) {
  struct Case {
    jbyteArray xids;
    jint count;
    std::string report;
  };
  const std::string tooShort = " \"native_xids is too short\" null null";
  Case cases[] = {
      {bytes(Bytes(3 * XID_SIZE - 1, 0)), 3,
       text("krux 59 29 1 2195 %zu %zu", 3 * XID_SIZE, 3 * XID_SIZE - 1)},
      {bytes(Bytes(XID_SIZE, 0)), -1, text("krux 59 29 1 2195 -%zu %zu", XID_SIZE, XID_SIZE)},
      {bytes(Bytes(XID_SIZE, 0)), INT_MAX, text("krux 59 29 1 2195 %d %zu", INT_MAX, XID_SIZE)},
      {nullptr, -2, text("krux 59 29 1 2195 -%zu 0", 2 * XID_SIZE)},
  };
  std::vector<std::string> expected;
  for (const Case& c : cases) {
    FaultyEnv faults(env);
    EXPECT_EQ(NATIVE(zstXARecover)(env, nullptr, JNI_TRUE, c.xids, c.count, 6, 0), -3);
    EXPECT_TRUE(faults.log("GetByteArrayElements").empty());
    expected.insert(expected.end(),
                    {"entry 59 29", c.report + tooShort, "exit 59 29 -3"});
  }
  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(events(), expected);
}

TEST_F(Xa, CompleteLoadsTheHandleAndWritesBothCellsBackInOrder) {
  runtime.capture("complete", 0, 4);
  runtime.capture("complete", 1, 4);
  runtime.on("complete", [](RecordedCall& call) {
    *call.p<int32_t>(0) = 71;
    *call.p<int32_t>(1) = 99;
    call.result = 5;
  });
  jobject handle = pint(41);
  jobject retval = pint(-1);
  FaultyEnv faults(env);
  EXPECT_EQ(NATIVE(zstXAComplete)(env, nullptr, JNI_TRUE, handle, retval, 8, 0x10000000), 5);

  RecordedCall call = runtime.only("complete");
  ASSERT_EQ(call.args.size(), 4u);
  EXPECT_EQ(intAt(call.bytes[0], 0), 41) << "the handle cell starts with the holder's value";
  EXPECT_EQ(intAt(call.bytes[1], 0), 0);
  EXPECT_EQ(call.i(2), 8);
  EXPECT_EQ(call.i(3), 0x10000000);
  EXPECT_EQ(faults.log("SetIntField"),
            (std::vector<std::string>{"SetIntField(71)", "SetIntField(99)"}));
  EXPECT_EQ(value(handle), 71);
  EXPECT_EQ(value(retval), 99);
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 23", "exit 59 23 5"}));
}

TEST_F(Xa, CompletePassesANullAddressForANullHolderAndWritesOnlyTheOthers) {
  runtime.on("complete", [](RecordedCall& call) {
    for (size_t n : {0, 1}) {
      if (call.p(n) != nullptr) *call.p<int32_t>(n) = 60 + static_cast<int32_t>(n);
    }
    call.result = -6;
  });
  jobject handle = pint(1);
  jobject retval = pint(2);
  FaultyEnv faults(env);
  EXPECT_EQ(NATIVE(zstXAComplete)(env, nullptr, JNI_FALSE, nullptr, retval, 8, 0), -6);
  EXPECT_EQ(NATIVE(zstXAComplete)(env, nullptr, JNI_FALSE, handle, nullptr, 8, 0), -6);
  EXPECT_EQ(NATIVE(zstXAComplete)(env, nullptr, JNI_FALSE, nullptr, nullptr, 8, 0), -6);

  std::vector<RecordedCall> calls = runtime.calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].p(0), nullptr);
  EXPECT_NE(calls[0].p(1), nullptr);
  EXPECT_NE(calls[1].p(0), nullptr);
  EXPECT_EQ(calls[1].p(1), nullptr);
  EXPECT_EQ(calls[2].p(0), nullptr);
  EXPECT_EQ(calls[2].p(1), nullptr);
  EXPECT_EQ(faults.log("SetIntField"),
            (std::vector<std::string>{"SetIntField(61)", "SetIntField(60)"}));
  EXPECT_EQ(value(handle), 60);
  EXPECT_EQ(value(retval), 61);
  EXPECT_TRUE(events().empty());
}
