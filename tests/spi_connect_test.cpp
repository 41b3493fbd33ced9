// Service-provider connect and open: spiConnect, spiConnect_with_environment
// and spiOpen.
#include <cstring>

#include "capture.h"
#include "faulty_env.h"
#include "jni_test.h"
#include "util/allocation.h"
#include "vx/structs.h"

namespace {

constexpr size_t kSpiCnoLength = 160;
constexpr size_t kCnoLength = 256;
constexpr int32_t kCsp = 188;
constexpr size_t kPointerEnd = SPI_CNO_ENVIRONMENT_PTR + sizeof(void*);
const std::string kNative = "Java_com_orvane_vx_taly_local_internal_base_Native_";

class SpiConnect : public ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    for (size_t i = 0; i < kSpiCnoLength; ++i) spiOptions.push_back(static_cast<uint8_t>(i));
    options = Bytes(kCnoLength, 0);
    putInt(options, VXCNO_VERSION, 5);
    putInt(options, VXCNO_SECURITY_PARMS_OFFSET, kCsp);
    putInt(options, kCsp + VXCSP_PASSWORD_OFFSET, 52);
    putInt(options, kCsp + VXCSP_PASSWORD_LENGTH, 8);
    std::copy_n("s3cret!!", 8, options.begin() + kCsp + 52);
  }

  void connect(jboolean trace, jbyteArray name, jbyteArray spiCno, jbyteArray cno,
               jobject hconn, jint environment) {
    NATIVE(spiConnect_1with_1environment)(env, nullptr, trace, name, 0, spiCno, cno, hconn,
                                          environment, cc, reason);
  }

  static std::string password(const Bytes& cno) {
    return std::string(cno.begin() + kCsp + 52, cno.begin() + kCsp + 60);
  }

  Bytes spiOptions;
  Bytes options;
};

uintptr_t pointerAt(const uint8_t* bytes) {
  uintptr_t value;
  std::memcpy(&value, bytes + SPI_CNO_ENVIRONMENT_PTR, sizeof value);
  return value;
}

}  // namespace

TEST_F(SpiConnect, TheEnvironmentValueReachesTheRuntimeByItsAddressAtByte128) {
  runtime.capture("lpiSPIVXConnect", 0, 64);
  runtime.capture("lpiSPIVXConnect", 2, kCnoLength);
  runtime.answer("lpiSPIVXConnect", 1, 2002);
  uintptr_t address = 0;
  int32_t environment = 0;
  int32_t handleIn = 0;
  runtime.on("lpiSPIVXConnect", [&](RecordedCall& call) {
    address = pointerAt(call.p<uint8_t>(1));
    environment = *reinterpret_cast<const int32_t*>(address);
    handleIn = *call.p<int32_t>(3);
    *call.p<int32_t>(3) = 4711;
  });
  jbyteArray spiCno = bytes(spiOptions);
  jbyteArray cno = bytes(options);
  jobject hconn = hconnHolder(-7);
  FaultyEnv faults(env);
  FdCapture err(2);
  std::string name = std::string(63, 'Q') + "Z";
  connect(JNI_TRUE, bytes(name), spiCno, cno, hconn, 77);
  std::vector<std::string> lines = traceMessages(err.stop());

  RecordedCall call = runtime.only("lpiSPIVXConnect");
  EXPECT_EQ(call.bytes[0], Bytes(name.begin(), name.end())) << "the whole name, unchanged";
  EXPECT_EQ(call.bytes[2], options) << "the runtime sees the password";
  EXPECT_EQ(environment, 77);
  EXPECT_EQ(handleIn, -7);
  Bytes after = bytesOf(spiCno);
  EXPECT_EQ(pointerAt(after.data()), address) << "the address comes back to Java";
  std::copy(spiOptions.begin() + SPI_CNO_ENVIRONMENT_PTR, spiOptions.begin() + kPointerEnd,
            after.begin() + SPI_CNO_ENVIRONMENT_PTR);
  EXPECT_EQ(after, spiOptions) << "nothing else changes";
  EXPECT_EQ(password(bytesOf(cno)), "s3cret!!");
  EXPECT_EQ(hconnValue(hconn), 4711);
  EXPECT_EQ(codes(), std::make_pair(1, 2002));
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "entry 59 14",
                          "data 59 14 \"QueueManager name: '" + std::string(48, 'Q') + "'\" -",
                          "data 59 14 \"VX Connect Options\" [256 bytes]",
                          "data 59 14 \"VX Private Connect Options\" [160 bytes]",
                          "data 59 14 \"lpiSPIVXConnect returned CC=1, RC=2002\" -",
                          "exit 59 14 2002"}));
  EXPECT_EQ(password(eventData(2)), "xxxxxxxx");
  EXPECT_EQ(pointerAt(eventData(3).data()), address) << "traced after the address is stored";
  EXPECT_EQ(faults.log("Release"),
            (std::vector<std::string>{"ReleaseByteArrayElements(2)", "ReleaseByteArrayElements(0)",
                                      "ReleaseByteArrayElements(0)"}));
  EXPECT_EQ(faults.releasedArrays(), faults.pinnedArrays());
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(firstLine(lines), kNative + "spiConnect_1with_1environment(entry)");
  EXPECT_EQ(lastLine(lines), kNative + "spiConnect_1with_1environment(exit): rc:2002");
}

TEST_F(SpiConnect, SpiConnectIsTheConnectWithEnvironmentMinusOne) {
  runtime.capture("lpiSPIVXConnect", 1, kSpiCnoLength);
  jbyteArray spiCno = bytes(spiOptions);
  jobject hconn = hconnHolder(3);
  FdCapture err(2);
  NATIVE(spiConnect)(env, nullptr, JNI_TRUE, bytes("QM1"), 0, spiCno, nullptr, hconn, cc,
                     reason);
  std::vector<std::string> lines = traceMessages(err.stop());

  EXPECT_EQ(runtime.only("lpiSPIVXConnect").bytes[1], spiOptions) << "byte 128 left alone";
  EXPECT_EQ(bytesOf(spiCno), spiOptions);
  EXPECT_EQ(codes(), std::make_pair(0, 0));
  EXPECT_EQ(events().front(), "entry 59 14");
  EXPECT_EQ(events().size(), 6u);
  EXPECT_EQ(firstLine(lines), kNative + "spiConnect_1with_1environment(entry)");
  EXPECT_EQ(lastLine(lines), kNative + "spiConnect_1with_1environment(exit): rc:0");
}

TEST_F(SpiConnect, AFailedConnectLeavesTheHandleButCopiesTheOptionsBack) {
  runtime.answer("lpiSPIVXConnect", 2, 2058);
  runtime.on("lpiSPIVXConnect", [](RecordedCall& call) {
    *call.p<int32_t>(3) = 99;
    call.p<uint8_t>(1)[0] = 'P';
    call.p<uint8_t>(2)[0] = 'C';
  });
  jbyteArray spiCno = bytes(spiOptions);
  jbyteArray cno = bytes(options);
  jobject hconn = hconnHolder(3);
  connect(JNI_FALSE, nullptr, spiCno, cno, hconn, -1);

  EXPECT_EQ(runtime.only("lpiSPIVXConnect").p(0), nullptr) << "no name, a null address";
  EXPECT_EQ(hconnValue(hconn), 3);
  EXPECT_EQ(bytesOf(spiCno)[0], 'P');
  EXPECT_EQ(bytesOf(cno)[0], 'C');
  EXPECT_EQ(codes(), std::make_pair(2, 2058));
  EXPECT_TRUE(events().empty()) << "tracing is off";
}

// Masking is the VXCONNX routine's: only inside the copied bytes, and the
// options event goes without data otherwise; parameters outside the options
// are refused before the runtime could read them.
TEST_F(SpiConnect, TheTraceShowsMissingOptionsAndUntrustedOffsetsWithoutData) {
  connect(JNI_TRUE, nullptr, bytes(spiOptions), nullptr, hconnHolder(0), -1);
  putInt(options, kCsp + VXCSP_PASSWORD_OFFSET, -4);
  connect(JNI_TRUE, nullptr, nullptr, bytes(options), hconnHolder(0), -1);
  putInt(options, VXCNO_SECURITY_PARMS_OFFSET, 100000);
  connect(JNI_TRUE, nullptr, nullptr, bytes(options), hconnHolder(0), -1);

  EXPECT_EQ(runtime.count("lpiSPIVXConnect"), 2u);
  std::vector<std::string> all = events();
  ASSERT_EQ(all.size(), 15u);
  EXPECT_EQ(all[1], "data 59 14 \"QueueManager name: ''\" -");
  EXPECT_EQ(all[2], "data 59 14 \"VX Connect Options\" -");
  EXPECT_EQ(all[3], "data 59 14 \"VX Private Connect Options\" [160 bytes]");
  EXPECT_EQ(all[8], "data 59 14 \"VX Connect Options\" -");
  EXPECT_EQ(all[9], "data 59 14 \"VX Private Connect Options\" -");
  EXPECT_EQ(all[13], "krux 59 14 4 2195 100048 256 \"native_vxcno is too short\" null null");
}

TEST_F(SpiConnect, AMaskingCopyIsMadeOnlyWithTracingOnAndItsFailureStopsTheConnect) {
  failAllocation(1);
  connect(JNI_FALSE, nullptr, nullptr, bytes(options), hconnHolder(0), -1);
  failAllocation(0);
  EXPECT_EQ(runtime.count("lpiSPIVXConnect"), 1u);
  EXPECT_EQ(codes(), std::make_pair(0, 0));

  runtime.clear();
  jobject hconn = hconnHolder(3);
  FaultyEnv faults(env);
  failAllocation(1);
  connect(JNI_TRUE, bytes("QM1"), bytes(spiOptions), bytes(options), hconn, 5);
  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(codes(), std::make_pair(2, 2071));
  EXPECT_EQ(hconnValue(hconn), 3);
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "entry 59 14", "krux 59 14 9 2071 0 0 \"malloc for vxcno failed\" null null",
                          "exit 59 14 2071"}));
  EXPECT_EQ(faults.log("Release").size(), 3u);
  EXPECT_EQ(faults.pins(), 0);
}

TEST_F(SpiConnect, APinFailureAtEachPositionReleasesWhatWasPinnedBefore) {
  struct Case {
    std::string report;
    std::vector<std::string> released;
  };
  const std::vector<Case> cases = {
      {"krux 59 14 1 0 0 0 \"native_qmname is null\" null null", {}},
      {"krux 59 14 3 0 0 0 \"native_spicno is null\" null null", {"ReleaseByteArrayElements(2)"}},
      {"krux 59 14 4 0 0 0 \"native_vxcno is null\" null null",
       {"ReleaseByteArrayElements(2)", "ReleaseByteArrayElements(0)"}},
  };
  for (size_t position = 0; position < cases.size(); ++position) {
    jobject hconn = hconnHolder(8);
    FaultyEnv faults(env);
    faults.fail(Jni::GetByteArrayElements, static_cast<int>(position) + 1);
    connect(JNI_FALSE, bytes("QM1"), bytes(spiOptions), bytes(options), hconn, 5);
    EXPECT_TRUE(runtime.calls().empty());
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    EXPECT_EQ(hconnValue(hconn), 8);
    EXPECT_EQ(events().back(), cases[position].report);
    EXPECT_EQ(faults.log("Release"), cases[position].released);
    EXPECT_EQ(faults.pins(), 0);
  }
}

// The runtime reads the address at byte 128 whether or not a value is given.
TEST_F(SpiConnect, PrivateOptionsWithoutRoomForTheAddressAreRefusedWithOrWithoutAValue) {
  jbyteArray shortOptions = bytes(Bytes(kPointerEnd - 1, 1));
  for (jint environment : {5, -1}) {
    FaultyEnv faults(env);
    connect(JNI_FALSE, bytes("QM1"), shortOptions, bytes(options), hconnHolder(0), environment);
    EXPECT_TRUE(runtime.calls().empty());
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    EXPECT_EQ(events().back(), "krux 59 14 3 2195 " + std::to_string(kPointerEnd) + " " +
                                   std::to_string(kPointerEnd - 1) +
                                   " \"native_spicno is too short\" null null");
    EXPECT_EQ(faults.log("Release"), std::vector<std::string>{"ReleaseByteArrayElements(2)"});
    EXPECT_EQ(bytesOf(shortOptions), Bytes(kPointerEnd - 1, 1));
  }
}

TEST_F(SpiConnect, OpenHandsTheRuntimeTheHolderHandleAndWritesBackItsOwn) {
  runtime.capture("lpiSPIOpen", 1, 4);
  runtime.capture("lpiSPIOpen", 2, 4);
  runtime.capture("lpiSPIOpen", 3, 4);
  runtime.answer("lpiSPIOpen", 1, 2039);
  runtime.on("lpiSPIOpen", [](RecordedCall& call) {
    *call.p<int32_t>(3) = 321;
    call.p<uint8_t>(1)[3] = '!';
    call.p<uint8_t>(2)[3] = '?';
  });
  jbyteArray od = structureArray(VxStructure::OD, "OD  ");
  jbyteArray options = structureArray(VxStructure::SpiOpenOptions, "SOO ");
  jobject hobj = hobjHolder(5);
  FaultyEnv faults(env);
  FdCapture err(2);
  NATIVE(spiOpen)(env, nullptr, JNI_TRUE, 9, 0, 0, od, options, hobj, cc, reason);
  std::vector<std::string> lines = traceMessages(err.stop());

  RecordedCall call = runtime.only("lpiSPIOpen");
  EXPECT_EQ(call.i(0), 9);
  EXPECT_EQ(call.bytes[1], Bytes({'O', 'D', ' ', ' '}));
  EXPECT_EQ(call.bytes[2], Bytes({'S', 'O', 'O', ' '}));
  EXPECT_EQ(intAt(call.bytes[3], 0), 5);
  EXPECT_EQ(hobjValue(hobj), 321);
  EXPECT_EQ(headOf(od, 4), Bytes({'O', 'D', ' ', '!'}));
  EXPECT_EQ(headOf(options, 4), Bytes({'S', 'O', 'O', '?'}));
  EXPECT_EQ(codes(), std::make_pair(1, 2039));
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 0",
                                                "data 59 0 \"VXOPEN returned CC=1, RC=2039\" -",
                                                "exit 59 0 2039"}));
  EXPECT_EQ(faults.releasedArrays(), (std::vector<const void*>{od, options}));
  EXPECT_EQ(faults.log("Release"),
            (std::vector<std::string>{"ReleaseByteArrayElements(0)", "ReleaseByteArrayElements(0)"}));
  EXPECT_EQ(firstLine(lines), kNative + "spiOpen(entry)");
  EXPECT_EQ(lastLine(lines), kNative + "spiOpen(exit): rc:2039");
}

TEST_F(SpiConnect, AFailedOpenOrAFailedPinLeavesTheObjectHandle) {
  runtime.answer("lpiSPIOpen", 2, 2085);
  runtime.on("lpiSPIOpen", [](RecordedCall& call) { *call.p<int32_t>(3) = 321; });
  jobject hobj = hobjHolder(5);
  NATIVE(spiOpen)(env, nullptr, JNI_FALSE, 9, 0, 0, structureArray(VxStructure::OD, "OD  "), nullptr, hobj, cc, reason);
  EXPECT_EQ(runtime.only("lpiSPIOpen").p(2), nullptr);
  EXPECT_EQ(hobjValue(hobj), 5);
  EXPECT_EQ(codes(), std::make_pair(2, 2085));

  runtime.clear();
  for (int position : {1, 2}) {
    FaultyEnv faults(env);
    faults.fail(Jni::GetByteArrayElements, position);
    NATIVE(spiOpen)(env, nullptr, JNI_FALSE, 9, 0, 0, structureArray(VxStructure::OD, "OD  "), structureArray(VxStructure::SpiOpenOptions, "SOO "), hobj, cc,
                    reason);
    EXPECT_EQ(faults.log("Release").size(), static_cast<size_t>(position - 1));
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
  }
  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(hobjValue(hobj), 5);
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "krux 59 0 4 0 0 0 \"native_vxod is null\" null null",
                          "krux 59 0 5 0 0 0 \"native_options is null\" null null"}));
}
