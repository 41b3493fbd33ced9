// Connect and disconnect: VXCONN, VXCONNX, talyDisc and VXDISC.
#include "capture.h"
#include "faulty_env.h"
#include "jni_test.h"
#include "util/allocation.h"
#include "vx/structs.h"

namespace {

class Connect : public ExportTest {
 protected:
  // Version-5 connect options with security parameters at cspOffset whose
  // password of passwordLength bytes stands at passwordOffset within them.
  static Bytes options(size_t length, int32_t cspOffset, int32_t passwordOffset,
                       int32_t passwordLength) {
    Bytes cno(length, 0);
    putInt(cno, VXCNO_VERSION, 5);
    putInt(cno, VXCNO_SECURITY_PARMS_OFFSET, cspOffset);
    if (cspOffset >= 0 && static_cast<size_t>(cspOffset) + 48 <= length) {
      putInt(cno, cspOffset + VXCSP_PASSWORD_OFFSET, passwordOffset);
      putInt(cno, cspOffset + VXCSP_PASSWORD_LENGTH, passwordLength);
    }
    return cno;
  }
};

constexpr size_t kCnoLength = 256;
constexpr int32_t kCsp = 188;

}  // namespace

TEST_F(Connect, ConnectHandsTheRuntimeTheNameAndHolderValueAndWritesTheNewHandle) {
  runtime.capture("VXCONN", 0, 64);
  runtime.answer("VXCONN", 1, 2002);
  runtime.on("VXCONN", [](RecordedCall& call) { *call.p<int32_t>(1) = 4711; });
  std::string name(64, 'Q');
  name[63] = 'Z';
  jobject hconn = hconnHolder(-7);
  FaultyEnv faults(env);
  FdCapture err(2);
  NATIVE(VXCONN)(env, nullptr, JNI_TRUE, bytes(name), 0, hconn, cc, reason);
  std::vector<std::string> lines = traceMessages(err.stop());

  RecordedCall call = runtime.only("VXCONN");
  EXPECT_EQ(call.bytes[0], Bytes(name.begin(), name.end())) << "the whole array, unchanged";
  EXPECT_EQ(hconnValue(hconn), 4711);
  EXPECT_EQ(codes(), std::make_pair(1, 2002));
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "entry 59 13",
                          "data 59 13 \"QueueManager name: '" + std::string(48, 'Q') + "'\" -",
                          "data 59 13 \"VXCONN returned CC=1, RC=2002\" -", "exit 59 13 2002"}));
  EXPECT_EQ(faults.log("Release"), std::vector<std::string>{"ReleaseByteArrayElements(2)"});
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(firstLine(lines), "Java_com_orvane_vx_taly_local_internal_base_Native_VXCONN(entry)");
  EXPECT_EQ(lastLine(lines), "Java_com_orvane_vx_taly_local_internal_base_Native_VXCONN(exit): rc:2002");
}

TEST_F(Connect, ConnectWithoutANameAndAFailureLeavesTheHolderAlone) {
  runtime.answer("VXCONN", 2, 2058);
  runtime.on("VXCONN", [](RecordedCall& call) {
    EXPECT_EQ(*call.p<int32_t>(1), 33) << "the holder's value goes in";
    *call.p<int32_t>(1) = 99;
  });
  jobject hconn = hconnHolder(33);
  NATIVE(VXCONN)(env, nullptr, JNI_TRUE, nullptr, 0, hconn, cc, reason);

  EXPECT_EQ(runtime.only("VXCONN").p(0), nullptr);
  EXPECT_EQ(hconnValue(hconn), 33);
  EXPECT_EQ(codes(), std::make_pair(2, 2058));
  EXPECT_EQ(events()[1], "data 59 13 \"QueueManager name: ''\" -");
}

TEST_F(Connect, ANameThatCannotBePinnedFailsBothConnects) {
  jobject hconn = hconnHolder(5);
  jbyteArray cno = bytes(Bytes(kCnoLength, 0));
  FaultyEnv faults(env);
  faults.fail(Jni::GetByteArrayElements, 1);
  NATIVE(VXCONN)(env, nullptr, JNI_FALSE, bytes("QM1"), 0, hconn, cc, reason);
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  faults.fail(Jni::GetByteArrayElements, 1);
  NATIVE(VXCONNX)(env, nullptr, JNI_FALSE, bytes("QM1"), 0, cno, hconn, cc, reason);

  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  EXPECT_EQ(hconnValue(hconn), 5);
  EXPECT_EQ(faults.log("GetByteArrayElements").size(), 2u) << "the options are never pinned";
  EXPECT_TRUE(faults.log("Release").empty());
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "krux 59 13 2 0 0 0 \"native_qmname is null\" null null",
                          "krux 59 11 2 0 0 0 \"native_qmname is null\" null null"}));
}

TEST_F(Connect, OptionsThatCannotBePinnedReleaseTheNameUnchanged) {
  FaultyEnv faults(env);
  faults.fail(Jni::GetByteArrayElements, 2);
  NATIVE(VXCONNX)(env, nullptr, JNI_FALSE, bytes("QM1"), 0, bytes(Bytes(kCnoLength, 0)),
                  hconnHolder(0), cc, reason);

  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  EXPECT_EQ(faults.log("Release"), std::vector<std::string>{"ReleaseByteArrayElements(2)"});
  EXPECT_EQ(events(), std::vector<std::string>{
                          "krux 59 11 4 0 0 0 \"native_vxcno is null\" null null"});
}

TEST_F(Connect, TheTracedOptionsHideThePasswordWhileTheRuntimeSeesIt) {
  Bytes cno = options(kCnoLength, kCsp, 52, 8);
  std::copy_n("s3cret!!", 8, cno.begin() + kCsp + 52);
  jbyteArray array = bytes(cno);
  runtime.capture("VXCONNX", 1, kCnoLength);
  runtime.on("VXCONNX", [](RecordedCall& call) {
    call.p<uint8_t>(1)[0] = 'C';  // what the runtime writes is copied back
    *call.p<int32_t>(2) = 12;
  });
  jobject hconn = hconnHolder(0);
  FaultyEnv faults(env);
  NATIVE(VXCONNX)(env, nullptr, JNI_TRUE, bytes("QM1"), 0, array, hconn, cc, reason);

  Bytes seen = runtime.only("VXCONNX").bytes[1];
  EXPECT_EQ(std::string(seen.begin() + kCsp + 52, seen.begin() + kCsp + 60), "s3cret!!");
  ASSERT_EQ(events().size(), 5u);
  EXPECT_EQ(events()[2], "data 59 11 \"VX Connect Options\" [256 bytes]");
  Bytes traced = eventData(2);
  EXPECT_EQ(std::string(traced.begin() + kCsp + 52, traced.begin() + kCsp + 60), "xxxxxxxx");
  Bytes after = bytesOf(array);
  EXPECT_EQ(after[0], 'C');
  EXPECT_EQ(std::string(after.begin() + kCsp + 52, after.begin() + kCsp + 60), "s3cret!!");
  EXPECT_EQ(hconnValue(hconn), 12);
  EXPECT_EQ(faults.log("Release"),
            (std::vector<std::string>{"ReleaseByteArrayElements(2)", "ReleaseByteArrayElements(0)"}));
}

TEST_F(Connect, OptionsBelowVersionFiveOrWithoutSecurityParametersAreTracedAsTheyAre) {
  Bytes v4 = options(kCnoLength, kCsp, 52, 8);
  putInt(v4, VXCNO_VERSION, 4);
  std::copy_n("s3cret!!", 8, v4.begin() + kCsp + 52);
  NATIVE(VXCONNX)(env, nullptr, JNI_TRUE, nullptr, 0, bytes(v4), hconnHolder(0), cc, reason);
  EXPECT_EQ(eventData(2), v4);

  Bytes noCsp = options(kCnoLength, 0, 0, 0);
  NATIVE(VXCONNX)(env, nullptr, JNI_TRUE, nullptr, 0, bytes(noCsp), hconnHolder(0), cc, reason);
  EXPECT_EQ(eventData(7), noCsp);
  EXPECT_EQ(events()[1], "data 59 11 \"QueueManager name: ''\" -");
}

// Security parameters, or a password, that lie outside the options are
// refused before the runtime could read them; offsets inside the options
// that the masking cannot trust reach the runtime, and the options event
// goes without data.
TEST_F(Connect, SecurityParametersOutsideTheOptionsAreRefusedAndUntrustedOnesNotMasked) {
  struct Case {
    Bytes cno;
    int32_t required;  // 0: the call goes on
  };
  const std::vector<Case> cases = {
      {options(kCnoLength, 100000, 52, 8), 100048},         // parameters past the end
      {options(kCnoLength, -64, 52, 8), -16},               // before the start
      {options(kCnoLength, kCsp, 62, 8), kCsp + 70},        // password runs past the end
      {options(kCnoLength, kCsp, 0x7FFFFFF0, 0x20), INT32_MAX},  // offset plus length overflows
      {options(200, 180, 0, 0), 208},                       // options shorter than their structure
      {options(kCnoLength, kCsp, -4, 8), 0},                // password before the parameters
      {options(kCnoLength, kCsp, 52, -1), 0},               // negative length
  };
  for (const Case& c : cases) {
    runtime.clear();
    size_t before = events().size();
    NATIVE(VXCONNX)(env, nullptr, JNI_TRUE, nullptr, 0, bytes(c.cno), hconnHolder(0), cc, reason);
    std::vector<std::string> seen = events();
    seen.erase(seen.begin(), seen.begin() + static_cast<long>(before));
    if (c.required == 0) {
      EXPECT_EQ(runtime.count("VXCONNX"), 1u);
      EXPECT_EQ(codes(), std::make_pair(0, 0));
      EXPECT_EQ(seen.at(2), "data 59 11 \"VX Connect Options\" -");
    } else {
      EXPECT_TRUE(runtime.calls().empty()) << c.required;
      EXPECT_EQ(codes(), std::make_pair(2, 2195));
      EXPECT_EQ(seen, (std::vector<std::string>{
                          "entry 59 11",
                          "krux 59 11 4 2195 " + std::to_string(c.required) + " " +
                              std::to_string(c.cno.size()) + " \"native_vxcno is too short\" null null",
                          "exit 59 11 2195"}));
    }
  }
}

TEST_F(Connect, AMaskingCopyThatCannotBeAllocatedFailsTheConnect) {
  jobject hconn = hconnHolder(3);
  FaultyEnv faults(env);
  failAllocation(1);
  NATIVE(VXCONNX)(env, nullptr, JNI_TRUE, bytes("QM1"), 0, bytes(options(kCnoLength, kCsp, 52, 8)),
                  hconn, cc, reason);

  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(codes(), std::make_pair(2, 2071));
  EXPECT_EQ(hconnValue(hconn), 3);
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "entry 59 11", "krux 59 11 9 2071 0 0 \"malloc for vxcno failed\" null null",
                          "exit 59 11 2071"}));
  EXPECT_EQ(faults.log("Release"),
            (std::vector<std::string>{"ReleaseByteArrayElements(2)", "ReleaseByteArrayElements(0)"}));
}

TEST_F(Connect, WithTracingOffNoCopyIsMadeSoNoAllocationCanFail) {
  failAllocation(1);
  NATIVE(VXCONNX)(env, nullptr, JNI_FALSE, nullptr, 0, bytes(options(kCnoLength, kCsp, 52, 8)),
                  hconnHolder(0), cc, reason);
  failAllocation(0);
  EXPECT_EQ(runtime.count("VXCONNX"), 1u);
  EXPECT_EQ(codes(), std::make_pair(0, 0));
}

TEST_F(Connect, DisconnectSkipsTheRuntimeOnlyWhenTheTwoLowOptionBitsReadTwo) {
  runtime.on("VXDISC", [](RecordedCall& call) { *call.p<int32_t>(0) = 0; });
  for (int32_t options : {2, 6, 0x7FFFFFFE}) {
    jobject hconn = hconnHolder(41);
    NATIVE(talyDisc)(env, nullptr, options, JNI_TRUE, hconn, 0, 0, cc, reason);
    EXPECT_EQ(hconnValue(hconn), 41);
    EXPECT_EQ(codes(), std::make_pair(0, 0));
  }
  EXPECT_TRUE(runtime.calls().empty());
  for (int32_t options : {1, 3, 0}) {
    jobject hconn = hconnHolder(41);
    NATIVE(talyDisc)(env, nullptr, options, JNI_TRUE, hconn, 0, 0, cc, reason);
    EXPECT_EQ(hconnValue(hconn), 0) << "the handle the runtime left";
  }
  ASSERT_EQ(runtime.count("VXDISC"), 3u);
  EXPECT_EQ(events()[0], "entry 59 0");
}

TEST_F(Connect, DisconnectIsTalyDiscWithOptionsZero) {
  runtime.answer("VXDISC", 2, 2018);
  runtime.on("VXDISC", [](RecordedCall& call) { *call.p<int32_t>(0) = -1; });
  jobject hconn = hconnHolder(8);
  FdCapture err(2);
  NATIVE(VXDISC)(env, nullptr, JNI_TRUE, hconn, 0, 0, cc, reason);
  std::vector<std::string> lines = traceMessages(err.stop());

  EXPECT_EQ(hconnValue(hconn), 8) << "not written after a failure";
  EXPECT_EQ(codes(), std::make_pair(2, 2018));
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 0",
                                                "data 59 0 \"VXDISC returned CC=2, RC=2018\" -",
                                                "exit 59 0 2018"}));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Java_com_orvane_vx_taly_local_internal_base_Native_talyDisc(entry): talyOptions:0",
                       "VXDISC --> 2018",
                       "Java_com_orvane_vx_taly_local_internal_base_Native_talyDisc(exit): rc:2018"}));
}

TEST_F(Connect, OptionsTooShortForTheirStructureAreRefusedAfterTheNameIsPinned) {
  Bytes cno(120, 'p');
  putInt(cno, VXCNO_VERSION, 5);
  FaultyEnv faults(env);
  NATIVE(VXCONNX)(env, nullptr, JNI_TRUE, bytes("QM1"), 0, bytes(cno), hconnHolder(0), cc, reason);
  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(faults.log("GetByteArrayElements").size(), 1u) << "the name alone";
  EXPECT_EQ(faults.log("Release"), std::vector<std::string>{"ReleaseByteArrayElements(2)"});
  EXPECT_EQ(events()[1], "krux 59 11 4 2195 208 120 \"native_vxcno is too short\" null null");
}
