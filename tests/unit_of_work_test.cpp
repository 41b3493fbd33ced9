// Local units of work: VXBEGIN, VXCMIT and VXBACK.
#include "capture.h"
#include "faulty_env.h"
#include "jni_test.h"

namespace {

class UnitOfWork : public ExportTest {};

}  // namespace

TEST_F(UnitOfWork, BackoutCallsTheRuntimeWithTheHandleAndReportsItsCodes) {
  runtime.answer("VXBACK", 2, 2009);
  FdCapture err(2);
  NATIVE(VXBACK)(env, nullptr, JNI_TRUE, 77, 5, 6, cc, reason);
  std::vector<std::string> lines = traceMessages(err.stop());

  RecordedCall call = runtime.only("VXBACK");
  EXPECT_EQ(call.i(0), 77);
  EXPECT_EQ(codes(), std::make_pair(2, 2009));
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 1",
                                                "data 59 1 \"VXBACK returned CC=2, RC=2009\" -",
                                                "exit 59 1 2009"}));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Java_com_orvane_vx_taly_local_internal_base_Native_VXBACK(entry)",
                       "Java_com_orvane_vx_taly_local_internal_base_Native_VXBACK(exit): rc:2009"}));
}

TEST_F(UnitOfWork, CommitWritesItsDetailLinesAroundTheCall) {
  runtime.answer("VXCMIT", 1, 2003);
  FdCapture err(2);
  NATIVE(VXCMIT)(env, nullptr, JNI_FALSE, 12, 0, 0, cc, reason);
  std::vector<std::string> lines = traceMessages(err.stop());

  EXPECT_EQ(runtime.only("VXCMIT").i(0), 12);
  EXPECT_EQ(codes(), std::make_pair(1, 2003));
  EXPECT_TRUE(events().empty()) << "tracing is off";
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Java_com_orvane_vx_taly_local_internal_base_Native_VXCMIT(entry)",
                       "VXCMIT",
                       "VXCMIT --> Reason:2003",
                       "Java_com_orvane_vx_taly_local_internal_base_Native_VXCMIT(exit): rc:2003"}));
}

TEST_F(UnitOfWork, BeginWithoutOptionsPassesANullAddress) {
  NATIVE(VXBEGIN)(env, nullptr, JNI_TRUE, 3, 0, 0, nullptr, cc, reason);
  RecordedCall call = runtime.only("VXBEGIN");
  EXPECT_EQ(call.i(0), 3);
  EXPECT_EQ(call.p(1), nullptr);
  EXPECT_EQ(codes(), std::make_pair(0, 0));
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 12",
                                                "data 59 12 \"VXBEGIN returned CC=0, RC=0\" -",
                                                "exit 59 12 0"}));
}

TEST_F(UnitOfWork, BeginCopiesTheOptionsBackEvenWhenTheCallFails) {
  runtime.answer("VXBEGIN", 2, 2018);
  runtime.capture("VXBEGIN", 1, 8);
  runtime.on("VXBEGIN", [](RecordedCall& call) { call.p<uint8_t>(1)[7] = 0x5A; });
  jbyteArray bo = structureArray(VxStructure::BO, std::string("BO  \x01\x00\x00\x00", 8));
  FaultyEnv faults(env);
  FdCapture err(2);
  NATIVE(VXBEGIN)(env, nullptr, JNI_FALSE, 3, 0, 0, bo, cc, reason);
  std::vector<std::string> lines = traceMessages(err.stop());

  RecordedCall call = runtime.only("VXBEGIN");
  EXPECT_EQ(call.bytes[1], Bytes({'B', 'O', ' ', ' ', 1, 0, 0, 0}));
  EXPECT_EQ(bytesOf(bo)[7], 0x5A);
  EXPECT_EQ(codes(), std::make_pair(2, 2018));
  EXPECT_EQ(faults.log("GetByteArrayElements").size(), 1u);
  EXPECT_EQ(faults.log("Release"), std::vector<std::string>{"ReleaseByteArrayElements(0)"});
  EXPECT_EQ(faults.pins(), 0);
  EXPECT_EQ(faults.localRefs(), 0);
  // The view is pinned and released with its trace lines, after a marker.
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(lines[1].rfind("arrayToVXStructure entry - byteArrayElements @ {", 0), 0u);
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4].rfind("releaseStructure entry - alignedPtr {", 0), 0u);
  EXPECT_EQ(lines[6], "releaseStructure exit");
}

TEST_F(UnitOfWork, BeginWhoseOptionsCannotBePinnedFailsWithoutCallingTheRuntime) {
  jbyteArray bo = bytes(std::string(32, 'b'));
  FaultyEnv faults(env);
  faults.fail(Jni::GetByteArrayElements);
  NATIVE(VXBEGIN)(env, nullptr, JNI_FALSE, 3, 0, 0, bo, cc, reason);

  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  EXPECT_TRUE(faults.log("Release").empty());
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "krux 59 12 1 0 0 0 \"native_vxbo is null\" null null"}))
      << "the failure report is sent with tracing off";
}

TEST_F(UnitOfWork, ATraceMethodThatThrowsLeavesItsExceptionPendingAfterACompleteCall) {
  runtime.answer("VXBACK", 2, 2009);
  traceThrowsFrom("entry");
  NATIVE(VXBACK)(env, nullptr, JNI_TRUE, 9, 0, 0, cc, reason);

  jthrowable pending = env->ExceptionOccurred();
  ASSERT_NE(pending, nullptr);
  env->ExceptionClear();
  EXPECT_EQ(runtime.only("VXBACK").i(0), 9);
  EXPECT_EQ(codes(), std::make_pair(2, 2009));
  EXPECT_EQ(events().size(), 3u) << "the call result and exit events still went out";
}

TEST_F(UnitOfWork, AnExceptionFromTheExitEventIsTheOneThatReachesJava) {
  traceThrowsFrom("exit");
  jbyteArray bo = structureArray(VxStructure::BO, std::string(12, 'b'));
  NATIVE(VXBEGIN)(env, nullptr, JNI_TRUE, 3, 0, 0, bo, cc, reason);
  EXPECT_TRUE(env->ExceptionCheck());
  env->ExceptionClear();
  EXPECT_EQ(codes(), std::make_pair(0, 0));
}
