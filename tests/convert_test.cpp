// vpiConvertData: the thirteen arguments, the conversion in place, the
// bounded copy-back and the length holders.
#include <cstring>

#include "capture.h"
#include "faulty_env.h"
#include "jni_test.h"

namespace {

const std::string kNative = "Java_com_orvane_vx_taly_local_internal_base_Native_";

class Convert : public ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    md = bytes(Bytes(364, 0));
    dataLength = pint(6);
    second = pint(-9);
  }

  // A runtime that converts to upper case in place, writing converted bytes
  // of the given length (at most the buffer length) and reporting it.
  void convertTo(int32_t convertedLength, int32_t cc = 0, int32_t reason = 0) {
    runtime.answer("vpiConvertData", cc, reason);
    runtime.on("vpiConvertData", [convertedLength](RecordedCall& call) {
      auto* data = call.p<uint8_t>(6);
      int32_t written = std::min(convertedLength, call.i(9));
      for (int32_t i = 0; data != nullptr && i < written; ++i) data[i] = 'A' + i % 26;
      *call.p<int32_t>(7) = convertedLength;
      *call.p<int32_t>(12) += 100;
      call.p<uint8_t>(5)[0] = 'D';
    });
  }

  void convert(jboolean trace, jbyteArray data, int32_t bufferLength) {
    NATIVE(vpiConvertData)(env, nullptr, trace, 4, 0, 0, 5, 6, 7, static_cast<jboolean>(3), md,
                           data, dataLength, 12, bufferLength, cc, reason, second);
  }

  std::string text(jbyteArray array) {
    Bytes content = bytesOf(array);
    return std::string(content.begin(), content.end());
  }

  jbyteArray md = nullptr;
  jobject dataLength = nullptr;
  jobject second = nullptr;
};

}  // namespace

TEST_F(Convert, TheRuntimeGetsThirteenArgumentsWithTheSecondValueLast) {
  convertTo(6, 1, 2110);
  runtime.capture("vpiConvertData", 5, 4);
  runtime.capture("vpiConvertData", 6, 6);
  runtime.capture("vpiConvertData", 7, 4);
  runtime.capture("vpiConvertData", 12, 4);
  jbyteArray data = bytes("abcdef....");
  FaultyEnv faults(env);
  FdCapture err(2);
  convert(JNI_TRUE, data, 8);
  std::vector<std::string> lines = traceMessages(err.stop());

  RecordedCall call = runtime.only("vpiConvertData");
  ASSERT_EQ(call.args.size(), 13u);
  EXPECT_EQ(call.i(0), 4);
  EXPECT_EQ(call.i(1), 5);
  EXPECT_EQ(call.i(2), 6);
  EXPECT_EQ(call.i(3), 7);
  EXPECT_EQ(call.i(4), 1) << "the flag as 0 or 1";
  EXPECT_EQ(call.bytes[5], Bytes(4, 0));
  EXPECT_EQ(call.bytes[6], Bytes({'a', 'b', 'c', 'd', 'e', 'f'})) << "the Java bytes, in place";
  EXPECT_EQ(intAt(call.bytes[7], 0), 6);
  EXPECT_EQ(call.i(8), 12);
  EXPECT_EQ(call.i(9), 8);
  EXPECT_EQ(intAt(call.bytes[12], 0), -9);
  EXPECT_EQ(text(data), "ABCDEF....");
  EXPECT_EQ(value(dataLength), 6);
  EXPECT_EQ(value(second), 91);
  EXPECT_EQ(bytesOf(md)[0], 'D');
  EXPECT_EQ(codes(), std::make_pair(1, 2110));
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 516",
                                                "data 59 516 \"VXGET returned CC=1, RC=2110\" -",
                                                "exit 59 516 2110"}));
  EXPECT_EQ(faults.releasedArrays(), (std::vector<const void*>{md, data}));
  EXPECT_EQ(faults.log("Release"),
            (std::vector<std::string>{"ReleaseByteArrayElements(0)", "ReleaseByteArrayElements(2)"}));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(firstLine(lines), kNative + "vpiConvertData(entry)");
  EXPECT_EQ(lastLine(lines), kNative + "vpiConvertData(exit): rc:2110");
}

TEST_F(Convert, ConvertedDataLongerThanTheBufferLengthIsCutAtIt) {
  convertTo(14);
  jbyteArray data = bytes("abcdef..........");
  FaultyEnv faults(env);
  convert(JNI_FALSE, data, 10);
  EXPECT_EQ(text(data), "ABCDEFGHIJ......");
  EXPECT_EQ(value(dataLength), 14);
  EXPECT_EQ(faults.log("SetByteArrayRegion"), std::vector<std::string>{"SetByteArrayRegion(0,10)"});
}

TEST_F(Convert, AFailedConversionWritesNeitherDataNorLengths) {
  convertTo(6, 2, 2110);
  jbyteArray data = bytes("abcdef....");
  convert(JNI_FALSE, data, 10);
  EXPECT_EQ(text(data), "abcdef....") << "the pinned copy is dropped";
  EXPECT_EQ(value(dataLength), 6);
  EXPECT_EQ(value(second), -9);
  EXPECT_EQ(bytesOf(md)[0], 'D') << "the descriptor comes back all the same";
  EXPECT_EQ(codes(), std::make_pair(2, 2110));
}

TEST_F(Convert, WithoutDataTheCallIsStillMadeAndTheLengthsWritten) {
  convertTo(0);
  dataLength = pint(0);
  FaultyEnv faults(env);
  convert(JNI_FALSE, nullptr, 0);
  EXPECT_EQ(runtime.only("vpiConvertData").p(6), nullptr);
  EXPECT_TRUE(faults.log("SetByteArrayRegion").empty());
  EXPECT_EQ(value(second), 91);
}

// A length the runtime reports that the copy cannot take: the copy's
// exception reaches the caller, after the holders are written.
TEST_F(Convert, ACopyThatRaisesAnExceptionStillWritesTheHoldersAndPassesItOn) {
  convertTo(-3);
  jbyteArray data = bytes("abcdef....");
  FaultyEnv faults(env);
  convert(JNI_FALSE, data, 10);
  std::vector<std::string> log = faults.log();

  jthrowable pending = env->ExceptionOccurred();
  ASSERT_NE(pending, nullptr);
  env->ExceptionClear();
  EXPECT_TRUE(env->IsInstanceOf(pending, env->FindClass("java/lang/ArrayIndexOutOfBoundsException")));
  EXPECT_EQ(events(), std::vector<std::string>{
                          "krux 59 516 7 0 0 0 \"Failed to update message data\" null null"});
  EXPECT_EQ(faults.log("SetIntField"),
            (std::vector<std::string>{"SetIntField(-3)", "SetIntField(91)", "SetIntField(2)",
                                      "SetIntField(2195)"}));
  EXPECT_EQ(faults.log("Throw").size(), 1u);
  EXPECT_EQ(log.back(), "Throw") << "thrown again last";
}

// Lengths beyond the data array are refused before the runtime could read
// or write past it: the buffer length at the data's turn, the data length
// when it is read.
TEST_F(Convert, LengthsBeyondTheDataArrayOrNegativeAreRefused) {
  jbyteArray data = bytes("abcdef....");
  struct Case {
    int32_t bufferLength, dataLength;
    std::vector<std::string> released;
    std::string report;
  };
  const std::vector<Case> cases = {
      {11, 6, {"ReleaseByteArrayElements(0)"}, "6 2195 11 10"},
      {-1, 6, {"ReleaseByteArrayElements(0)"}, "6 2195 -1 10"},
      {10, 11, {"ReleaseByteArrayElements(0)", "ReleaseByteArrayElements(2)"}, "6 2195 11 10"},
      {10, -2, {"ReleaseByteArrayElements(0)", "ReleaseByteArrayElements(2)"}, "6 2195 -2 10"},
  };
  for (const Case& c : cases) {
    dataLength = pint(c.dataLength);
    FaultyEnv faults(env);
    convert(JNI_FALSE, data, c.bufferLength);
    EXPECT_EQ(faults.log("Release"), c.released);
    EXPECT_EQ(events().back(),
              "krux 59 516 " + c.report + " \"native_msgData is too short\" null null");
    EXPECT_EQ(value(dataLength), c.dataLength);
  }
  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  EXPECT_EQ(value(second), -9);
}

TEST_F(Convert, APinFailureReleasesWhatWasPinnedBeforeAndWritesNoLengths) {
  for (int position : {1, 2}) {
    FaultyEnv faults(env);
    faults.fail(Jni::GetByteArrayElements, position);
    convert(JNI_FALSE, bytes("abcdef"), 6);
    EXPECT_EQ(faults.log("Release"),
              std::vector<std::string>(position - 1, "ReleaseByteArrayElements(0)"));
    EXPECT_EQ(faults.log("SetIntField").size(), 2u) << "only the codes";
  }
  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "krux 59 516 4 0 0 0 \"native_msgDesc is null\" null null",
                          "krux 59 516 6 0 0 0 \"native_msgData is null\" null null"}));
}
