// Service-provider messaging: spiPut, spiGet, spiSyncPoint,
// spiActivateMessage and spiNotify.
#include <algorithm>
#include <cstring>

#include "capture.h"
#include "faulty_env.h"
#include "jni_test.h"
#include "util/allocation.h"

namespace {

constexpr size_t kMdLength = 364;
constexpr size_t kGmoLength = 112;
constexpr size_t kSpiGmoLength = 48;
constexpr size_t kPmoLength = 176;
constexpr size_t kSpiPmoLength = 296;
const std::string kNative = "Java_com_orvane_vx_taly_local_internal_base_Native_";

const std::string kCopyBack = "ReleaseByteArrayElements(0)";
const std::string kAbort = "ReleaseByteArrayElements(2)";

class SpiGet : public ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    md = bytes(Bytes(kMdLength, 0));
    gmo = bytes(Bytes(kGmoLength, 0));
    spiGmo = bytes(Bytes(kSpiGmoLength, 0));
    dataLength = pint(-1);
  }

  // A runtime that delivers message with the given codes, and marks the
  // three structures so that their copy-back shows.
  void deliver(const std::string& message, int32_t cc, int32_t reason) {
    runtime.answer("lpiSPIGet", cc, reason);
    runtime.on("lpiSPIGet", [message](RecordedCall& call) {
      int32_t room = call.i(4);
      std::memcpy(call.p(5), message.data(), std::min<size_t>(message.size(), room));
      *call.p<int32_t>(6) = static_cast<int32_t>(message.size());
      call.p<uint8_t>(2)[0] = 'M';
      call.p<uint8_t>(3)[0] = 'G';
      call.p<uint8_t>(7)[0] = 'S';
    });
  }

  void get(jboolean trace, int32_t bufferLength, jbyteArray buffer) {
    NATIVE(spiGet)(env, nullptr, trace, 4, 0, 0, 21, md, gmo, spiGmo, bufferLength, buffer,
                   dataLength, cc, reason);
  }

  std::string text(jbyteArray array) {
    Bytes content = bytesOf(array);
    return std::string(content.begin(), content.end());
  }

  jbyteArray md = nullptr;
  jbyteArray gmo = nullptr;
  jbyteArray spiGmo = nullptr;
  jobject dataLength = nullptr;
};

class SpiPut : public ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    md = bytes(Bytes(kMdLength, 'm'));
    pmo = bytes(Bytes(kPmoLength, 'p'));
    spiPmo = bytes(Bytes(kSpiPmoLength, 's'));
  }

  void put(jboolean trace, int32_t bufferLength, jbyteArray buffer) {
    NATIVE(spiPut)(env, nullptr, trace, 4, 0, 0, 21, md, pmo, spiPmo, bufferLength, buffer, cc,
                   reason);
  }

  jbyteArray md = nullptr;
  jbyteArray pmo = nullptr;
  jbyteArray spiPmo = nullptr;
};

class SpiCalls : public ExportTest {};

}  // namespace

TEST_F(SpiGet, AMessageArrivesWithItsLengthAndTheStructuresComeBack) {
  deliver("hello, world", 0, 0);
  runtime.capture("lpiSPIGet", 6, 4);
  dataLength = pint(77);
  jbyteArray buffer = bytes(std::string(32, '.'));
  FaultyEnv faults(env);
  FdCapture err(2);
  get(JNI_TRUE, 30, buffer);
  std::vector<std::string> lines = traceMessages(err.stop());

  RecordedCall call = runtime.only("lpiSPIGet");
  EXPECT_EQ(call.i(0), 4);
  EXPECT_EQ(call.i(1), 21);
  EXPECT_NE(call.p(2), nullptr);
  EXPECT_NE(call.p(3), nullptr);
  EXPECT_EQ(call.i(4), 30) << "the buffer length, not the array's";
  EXPECT_NE(call.p(5), nullptr);
  EXPECT_EQ(intAt(call.bytes[6], 0), 77) << "the holder's data length goes in";
  EXPECT_NE(call.p(7), nullptr);
  EXPECT_EQ(text(buffer), "hello, world" + std::string(20, '.'));
  EXPECT_EQ(value(dataLength), 12);
  EXPECT_EQ(bytesOf(md)[0], 'M');
  EXPECT_EQ(bytesOf(gmo)[0], 'G');
  EXPECT_EQ(bytesOf(spiGmo)[0], 'S');
  EXPECT_EQ(codes(), std::make_pair(0, 0));
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "entry 59 15", "data 59 15 \"VXGMO\" [112 bytes]",
                          "data 59 15 \"lpiGETOPT\" [48 bytes]",
                          "data 59 15 \"lpiSPIGet returned CC=0, RC=0\" -", "exit 59 15 0"}));
  EXPECT_EQ(eventData(1)[0], 'G') << "traced after the call";
  // The buffer is never pinned: the runtime fills native memory, and one
  // region copy brings what arrived.
  EXPECT_EQ(faults.pinnedArrays(), (std::vector<const void*>{md, gmo, spiGmo}));
  EXPECT_EQ(faults.releasedArrays(), faults.pinnedArrays());
  EXPECT_EQ(faults.log("Release"), std::vector<std::string>(3, kCopyBack));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(firstLine(lines), kNative + "spiGet(entry)");
  EXPECT_EQ(lastLine(lines), kNative + "spiGet(exit): rc:0");
}

TEST_F(SpiGet, OnlyTheBytesThatArrivedAreCopiedUpToTheBufferLength) {
  deliver("hello", 0, 0);
  jbyteArray buffer = bytes(std::string(64 * 1024, '.'));
  {
    FaultyEnv faults(env);
    get(JNI_FALSE, 64 * 1024, buffer);
    EXPECT_EQ(faults.log("SetByteArrayRegion"), std::vector<std::string>{"SetByteArrayRegion(0,5)"});
  }
  EXPECT_EQ(text(buffer).substr(0, 6), "hello.");

  deliver(std::string(100, 'x'), 1, 2079);
  buffer = bytes(std::string(60, '.'));
  get(JNI_FALSE, 50, buffer);
  EXPECT_EQ(text(buffer), std::string(50, 'x') + std::string(10, '.'));
  EXPECT_EQ(value(dataLength), 100) << "the full length, beyond the buffer";
  EXPECT_EQ(codes(), std::make_pair(1, 2079));
}

TEST_F(SpiGet, AFailedGetCopiesNothingAndLeavesTheDataLength) {
  deliver("payload", 2, 2033);
  jbyteArray buffer = bytes(std::string(16, '.'));
  FaultyEnv faults(env);
  get(JNI_FALSE, 16, buffer);
  EXPECT_EQ(text(buffer), std::string(16, '.'));
  EXPECT_EQ(value(dataLength), -1);
  EXPECT_EQ(bytesOf(md)[0], 'M');
  EXPECT_EQ(bytesOf(spiGmo)[0], 'S');
  EXPECT_EQ(codes(), std::make_pair(2, 2033));
  EXPECT_TRUE(faults.log("SetByteArrayRegion").empty());
  EXPECT_EQ(faults.log("Release").size(), 3u);
}

TEST_F(SpiGet, NullArraysPassNullAddressesAndLongerStructuresAreTracedByTheirLength) {
  gmo = nullptr;
  spiGmo = bytes(Bytes(kSpiGmoLength + 20, 0));
  runtime.on("lpiSPIGet", [](RecordedCall& call) { *call.p<int32_t>(6) = 9; });
  get(JNI_TRUE, 40, nullptr);
  RecordedCall call = runtime.only("lpiSPIGet");
  EXPECT_EQ(call.p(3), nullptr);
  EXPECT_EQ(call.i(4), 40);
  EXPECT_EQ(call.p(5), nullptr);
  EXPECT_EQ(value(dataLength), 9) << "written without a buffer too";
  std::vector<std::string> all = events();
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(all[1], "data 59 15 \"VXGMO\" -");
  EXPECT_EQ(all[2], "data 59 15 \"lpiGETOPT\" [48 bytes]");
}

// A buffer length the Java array cannot hold is refused before the runtime
// could write past it.
TEST_F(SpiGet, ABufferLengthBeyondTheArrayOrNegativeIsRefused) {
  for (int32_t bufferLength : {11, -1}) {
    FaultyEnv faults(env);
    get(JNI_TRUE, bufferLength, bytes(std::string(10, '.')));
    EXPECT_TRUE(runtime.calls().empty());
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    EXPECT_EQ(value(dataLength), -1);
    EXPECT_EQ(faults.log("Release"), std::vector<std::string>(3, kCopyBack));
  }
  std::vector<std::string> all = events();
  ASSERT_EQ(all.size(), 6u);
  EXPECT_EQ(all[1], "krux 59 15 6 2195 11 10 \"native_buffer is too short\" null null");
  EXPECT_EQ(all[4], "krux 59 15 6 2195 -1 10 \"native_buffer is too short\" null null");
}

// The runtime reports a length the copy cannot take: the copy's exception
// goes to the caller after the holders are written, and no JNI call is made
// while it is pending.
TEST_F(SpiGet, ACopyThatRaisesAnExceptionStillWritesTheHoldersAndPassesItOn) {
  runtime.on("lpiSPIGet", [](RecordedCall& call) { *call.p<int32_t>(6) = -5; });
  jbyteArray buffer = bytes(std::string(8, '.'));
  FaultyEnv faults(env);
  get(JNI_FALSE, 8, buffer);
  std::vector<std::string> log = faults.log();

  jthrowable pending = env->ExceptionOccurred();
  ASSERT_NE(pending, nullptr);
  env->ExceptionClear();
  jclass bounds = env->FindClass("java/lang/ArrayIndexOutOfBoundsException");
  EXPECT_TRUE(env->IsInstanceOf(pending, bounds));
  EXPECT_EQ(value(dataLength), -5);
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  EXPECT_EQ(events(), std::vector<std::string>{
                          "krux 59 15 7 0 0 0 \"Failed to update data bytes\" null null"});
  EXPECT_EQ(faults.log("SetIntField"), (std::vector<std::string>{
                                           "SetIntField(-5)", "SetIntField(2)", "SetIntField(2195)"}));
  EXPECT_EQ(faults.log("Throw").size(), 1u);
  EXPECT_EQ(log.back(), "Throw") << "thrown again last";
}

TEST_F(SpiGet, APinFailureAtEachPositionReleasesWhatWasPinnedBefore) {
  const std::vector<std::string> reports = {
      "krux 59 15 3 0 0 0 \"native_vxmd is null\" null null",
      "krux 59 15 4 0 0 0 \"native_vxgmo is null\" null null",
      "krux 59 15 5 0 0 0 \"native_spigo is null\" null null",
      "krux 59 15 6 0 0 0 \"native_buffer is null\" null null",
  };
  for (size_t position = 0; position < reports.size(); ++position) {
    FaultyEnv faults(env);
    if (position < 3) {
      faults.fail(Jni::GetByteArrayElements, static_cast<int>(position) + 1);
    } else {
      failAllocation(1);
    }
    get(JNI_FALSE, 8, bytes(Bytes(8, 0)));
    EXPECT_TRUE(runtime.calls().empty());
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    EXPECT_EQ(value(dataLength), -1);
    EXPECT_EQ(events().back(), reports[position]);
    EXPECT_EQ(faults.log("Release"), std::vector<std::string>(position, kCopyBack));
    EXPECT_EQ(faults.releasedArrays(), faults.pinnedArrays());
  }
}

TEST_F(SpiPut, TheRuntimeGetsTheBufferLengthAndTheStructuresInOrder) {
  runtime.capture("lpiSPIPut", 5, 5);
  runtime.answer("lpiSPIPut", 1, 2136);
  runtime.on("lpiSPIPut", [](RecordedCall& call) { call.p<uint8_t>(3)[0] = 'P'; });
  jbyteArray buffer = bytes("payload!");
  FaultyEnv faults(env);
  FdCapture err(2);
  put(JNI_TRUE, 5, buffer);
  std::vector<std::string> lines = traceMessages(err.stop());
  ASSERT_GE(lines.size(), 2u);

  RecordedCall call = runtime.only("lpiSPIPut");
  EXPECT_EQ(call.i(0), 4);
  EXPECT_EQ(call.i(1), 21);
  EXPECT_NE(call.p(2), nullptr);
  EXPECT_NE(call.p(3), nullptr);
  EXPECT_EQ(call.i(4), 5) << "the buffer length, not the array's";
  EXPECT_EQ(call.bytes[5], Bytes({'p', 'a', 'y', 'l', 'o'}));
  EXPECT_NE(call.p(6), nullptr);
  EXPECT_EQ(bytesOf(pmo)[0], 'P');
  EXPECT_EQ(codes(), std::make_pair(1, 2136));
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "entry 59 16", "data 59 16 \"VXPMO\" [176 bytes]",
                          "data 59 16 \"lpiPUTOPTS\" [296 bytes]",
                          "data 59 16 \"lpiSPIPut returned CC=1, RC=2136\" -", "exit 59 16 2136"}));
  // Each array's length is taken just before its pin; the buffer goes back
  // first and unchanged.
  std::vector<std::string> pins = faults.log("Get");
  pins.resize(8);
  EXPECT_EQ(pins, (std::vector<std::string>{"GetArrayLength", "GetByteArrayElements",
                                            "GetArrayLength", "GetByteArrayElements",
                                            "GetArrayLength", "GetByteArrayElements",
                                            "GetArrayLength", "GetByteArrayElements"}));
  EXPECT_EQ(faults.releasedArrays(), (std::vector<const void*>{buffer, md, pmo, spiPmo}));
  EXPECT_EQ(faults.log("Release"), (std::vector<std::string>{kAbort, kCopyBack, kCopyBack, kCopyBack}));
  // The four areas are dumped with their arrays' lengths before the call.
  std::vector<std::string> titles;
  for (const std::string& line : lines) {
    if (line.find("[length = ") != std::string::npos) titles.push_back(line);
  }
  EXPECT_EQ(titles, (std::vector<std::string>{
                        "native_vxmd [length = 364]", "native_vxpmo [length = 176]",
                        "native_spipo [length = 296]", "native_buffer [length = 8]"}));
  EXPECT_EQ(firstLine(lines), kNative + "spiPut(entry)");
  EXPECT_EQ(lastLine(lines), kNative + "spiPut(exit): rc:2136");
}

TEST_F(SpiPut, NullArraysAreDumpedAsNullAndPassedAsNullAddresses) {
  spiPmo = nullptr;
  FdCapture err(2);
  put(JNI_TRUE, 0, nullptr);
  std::string errText = err.stop();
  RecordedCall call = runtime.only("lpiSPIPut");
  EXPECT_EQ(call.p(5), nullptr);
  EXPECT_EQ(call.p(6), nullptr);
  EXPECT_NE(errText.find("native_spipo == NULL"), std::string::npos);
  EXPECT_NE(errText.find("native_buffer == NULL"), std::string::npos);
  EXPECT_EQ(events()[2], "data 59 16 \"lpiPUTOPTS\" -");
}

TEST_F(SpiPut, ABufferLengthBeyondTheArrayOrNegativeIsRefusedBeforeTheBufferIsPinned) {
  jbyteArray buffer = bytes("payload!");
  for (int32_t bufferLength : {9, -1}) {
    FaultyEnv faults(env);
    put(JNI_FALSE, bufferLength, buffer);
    EXPECT_TRUE(runtime.calls().empty());
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    EXPECT_EQ(faults.pinnedArrays(), (std::vector<const void*>{md, pmo, spiPmo}));
    EXPECT_EQ(faults.log("Release"), std::vector<std::string>(3, kCopyBack));
  }
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "krux 59 16 6 2195 9 8 \"native_buffer is too short\" null null",
                          "krux 59 16 6 2195 -1 8 \"native_buffer is too short\" null null"}));
}

TEST_F(SpiPut, APinFailureAtEachPositionReleasesWhatWasPinnedBefore) {
  const std::vector<std::string> reports = {
      "krux 59 16 3 0 0 0 \"native_vxmd is null\" null null",
      "krux 59 16 4 0 0 0 \"native_vxpmo is null\" null null",
      "krux 59 16 5 0 0 0 \"native_spipo is null\" null null",
      "krux 59 16 6 0 0 0 \"native_buffer is null\" null null",
  };
  for (size_t position = 0; position < reports.size(); ++position) {
    FaultyEnv faults(env);
    faults.fail(Jni::GetByteArrayElements, static_cast<int>(position) + 1);
    put(JNI_FALSE, 4, bytes("data"));
    EXPECT_TRUE(runtime.calls().empty());
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    EXPECT_EQ(events().back(), reports[position]);
    EXPECT_EQ(faults.log("Release"), std::vector<std::string>(position, kCopyBack));
    EXPECT_EQ(faults.releasedArrays(), faults.pinnedArrays());
  }
}

TEST_F(SpiCalls, SyncPointActivationAndNotificationPassTheirRecordsAndCopyThemBack) {
  runtime.capture("lpiSPISyncPoint", 1, 4);
  runtime.capture("lpiSPIActivateMessage", 1, 4);
  runtime.capture("lpiSPINotify", 2, 4);
  runtime.answer("lpiSPINotify", 2, 2009);
  for (const char* entry : {"lpiSPISyncPoint", "lpiSPIActivateMessage"}) {
    runtime.on(entry, [](RecordedCall& call) { call.p<uint8_t>(1)[3] = '!'; });
  }
  runtime.on("lpiSPINotify", [](RecordedCall& call) { call.p<uint8_t>(2)[3] = '!'; });
  jbyteArray spo = structureArray(VxStructure::SpiSyncPointOptions, "SPO ");
  jbyteArray activation = bytes(Bytes(200, 'a'));
  jbyteArray details = bytes(Bytes(132, 'n'));
  FdCapture err(2);
  NATIVE(spiSyncPoint)(env, nullptr, JNI_TRUE, 7, 0, 0, spo, cc, reason);
  NATIVE(spiActivateMessage)(env, nullptr, JNI_TRUE, 8, 0, 0, activation, cc, reason);
  NATIVE(spiNotify)(env, nullptr, JNI_TRUE, 9, 0, 0, -42, details, cc, reason);
  std::vector<std::string> lines = traceMessages(err.stop());

  std::vector<RecordedCall> calls = runtime.calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].i(0), 7);
  EXPECT_EQ(calls[0].bytes[1], Bytes({'S', 'P', 'O', ' '}));
  EXPECT_EQ(calls[1].i(0), 8);
  EXPECT_EQ(calls[1].bytes[1], Bytes(4, 'a'));
  EXPECT_EQ(calls[2].i(0), 9);
  EXPECT_EQ(calls[2].i(1), -42) << "the notification value unchanged";
  EXPECT_EQ(calls[2].bytes[2], Bytes(4, 'n'));
  EXPECT_EQ(bytesOf(spo)[3], '!');
  EXPECT_EQ(bytesOf(activation)[3], '!');
  EXPECT_EQ(bytesOf(details)[3], '!') << "copied back after a failure too";
  EXPECT_EQ(codes(), std::make_pair(2, 2009));
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "entry 59 17", "data 59 17 \"lpiSPISyncPoint returned CC=0, RC=0\" -",
                          "exit 59 17 0", "entry 59 33", "data 59 33 \"lpiACTIVATE\" [132 bytes]",
                          "data 59 33 \"lpiSPIActivateMessage returned CC=0, RC=0\" -",
                          "exit 59 33 0", "entry 59 515",
                          "data 59 515 \"lpiNotifyDetails\" [132 bytes]",
                          "data 59 515 \"lpiSPINotify returned CC=2, RC=2009\" -",
                          "exit 59 515 2009"}));
  EXPECT_EQ(eventData(4)[3], '!') << "traced after the call";
  std::vector<std::string> entries;
  for (const std::string& line : lines) {
    if (line.rfind(kNative, 0) == 0) entries.push_back(line.substr(kNative.size()));
  }
  EXPECT_EQ(entries, (std::vector<std::string>{
                         "spiSyncPoint(entry)", "spiSyncPoint(exit): rc:0",
                         "spiActivateMessage(entry)", "spiActivateMessage(exit): rc:0",
                         "spiNotify(entry)", "spiNotify(exit): rc:2009"}));
}

TEST_F(SpiCalls, SyncPointActivationAndNotificationReportTheirPinFailures) {
  FaultyEnv faults(env);
  faults.fail(Jni::GetByteArrayElements, 1);
  NATIVE(spiSyncPoint)(env, nullptr, JNI_FALSE, 7, 0, 0, structureArray(VxStructure::SpiSyncPointOptions), cc,
                       reason);
  faults.fail(Jni::GetByteArrayElements, 1);
  NATIVE(spiActivateMessage)(env, nullptr, JNI_FALSE, 8, 0, 0, structureArray(VxStructure::SpiActivation), cc,
                             reason);
  faults.fail(Jni::GetByteArrayElements, 1);
  NATIVE(spiNotify)(env, nullptr, JNI_FALSE, 9, 0, 0, 1, structureArray(VxStructure::SpiNotifyDetails), cc,
                    reason);
  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_TRUE(faults.log("Release").empty());
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "krux 59 17 3 0 0 0 \"native_spo is null\" null null",
                          "krux 59 33 3 0 0 0 \"native_spia is null\" null null",
                          "krux 59 515 3 0 0 0 \"native_notifyDetails is null\" null null"}));

  NATIVE(spiSyncPoint)(env, nullptr, JNI_FALSE, 7, 0, 0, nullptr, cc, reason);
  EXPECT_EQ(runtime.only("lpiSPISyncPoint").p(1), nullptr) << "a null array is no failure";
}
