// getMetaData: the record that tells Java which library it talks to.
#include "faulty_env.h"
#include "jni_test.h"

namespace {

class MetaData : public ExportTest {
 protected:
  // A record with identifier and version, the rest filled with 0xEE.
  Bytes record(size_t length, int32_t version, const char* id = "TMD ") {
    Bytes content(length, 0xEE);
    std::copy(id, id + 4, content.begin());
    putInt(content, 4, version);
    return content;
  }
};

}  // namespace

TEST_F(MetaData, VersionOneFillsBytesEightToSixtyThreeAndAsksTheRuntimeNothing) {
  jbyteArray array = bytes(record(72, 1));
  NATIVE(getMetaData)(env, nullptr, JNI_TRUE, array, cc, reason);
  Bytes result = bytesOf(array);

  EXPECT_EQ(codes(), std::make_pair(0, 0));
  EXPECT_EQ(intAt(result, 8), 0x3F7F);
  EXPECT_EQ(intAt(result, 12), 910);
  std::string level(result.begin() + 16, result.begin() + 64);
  EXPECT_EQ(level.rfind("vxtaly ", 0), 0u) << level;
  EXPECT_EQ(level.find_first_of('\0'), std::string::npos) << "padded with blanks";
  EXPECT_EQ(level.back(), ' ');
  EXPECT_EQ(Bytes(result.begin() + 64, result.end()), Bytes(8, 0xEE)) << "untouched";
  EXPECT_EQ(runtime.count("metadataQuery"), 0u);
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 518", "exit 59 518 0"}));
}

TEST_F(MetaData, VersionTwoAsksTheRuntimeForTheValueAtSixtyFour) {
  runtime.metadataValue = 0x01020304;
  runtime.capture("metadataQuery", 2, 4);
  jbyteArray array = bytes(record(68, 2));
  NATIVE(getMetaData)(env, nullptr, JNI_FALSE, array, cc, reason);

  RecordedCall query = runtime.only("metadataQuery");
  EXPECT_EQ(query.i(0), 49);
  EXPECT_EQ(intAt(query.bytes[2], 0), 4) << "the size cell holds 4";
  EXPECT_EQ(intAt(bytesOf(array), 64), 0x01020304);
  EXPECT_EQ(value(cc), 0);
}

TEST_F(MetaData, VersionTwoHoldsZeroWhenTheRuntimeWritesNothing) {
  runtime.on("metadataQuery", [](RecordedCall& call) {
    *call.p<int32_t>(1) = 0;  // undo the default answer
  });
  jbyteArray array = bytes(record(68, 7));
  NATIVE(getMetaData)(env, nullptr, JNI_FALSE, array, cc, reason);
  EXPECT_EQ(intAt(bytesOf(array), 64), 0);
  EXPECT_EQ(runtime.count("metadataQuery"), 1u) << "any version of 2 or more counts as 2";
}

TEST_F(MetaData, WrongIdentifierIsReportedWithTheLeadingBytesAndLeavesTheRecordAlone) {
  Bytes content = record(64, 1, "TMD\0");
  jbyteArray array = bytes(content);
  FaultyEnv faults(env);
  NATIVE(getMetaData)(env, nullptr, JNI_FALSE, array, cc, reason);

  EXPECT_EQ(events(), (std::vector<std::string>{
                          "krux 59 518 2 0 0 0 \"StrucId\" \"TMD\" null"}));
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  EXPECT_EQ(bytesOf(array), content);
  EXPECT_EQ(faults.log("Release"), std::vector<std::string>{"ReleaseByteArrayElements(0)"});
}

TEST_F(MetaData, RecordShorterThanItsVersionNeedsIsRejectedUnwritten) {
  for (auto [length, version] : {std::pair<size_t, int32_t>{63, 1}, {67, 2}, {6, 1}}) {
    Bytes content = record(std::max<size_t>(length, 8), version);
    content.resize(length);
    jbyteArray array = bytes(content);
    FaultyEnv faults(env);
    NATIVE(getMetaData)(env, nullptr, JNI_FALSE, array, cc, reason);
    EXPECT_EQ(bytesOf(array), content);
    EXPECT_EQ(faults.log("Release"), std::vector<std::string>{"ReleaseByteArrayElements(2)"});
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
  }
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "krux 59 518 1 2195 64 63 \"native_metadata is too short\" null null",
                          "krux 59 518 1 2195 68 67 \"native_metadata is too short\" null null",
                          "krux 59 518 1 2195 64 6 \"native_metadata is too short\" null null",
                      }));
  EXPECT_EQ(runtime.count("metadataQuery"), 0u);
}

TEST_F(MetaData, NullOrUnpinnableRecordIsReported) {
  NATIVE(getMetaData)(env, nullptr, JNI_TRUE, nullptr, cc, reason);
  EXPECT_EQ(value(reason), 2195);
  jbyteArray array = bytes(record(68, 2));
  {
    FaultyEnv faults(env);
    faults.fail(Jni::GetByteArrayElements);
    NATIVE(getMetaData)(env, nullptr, JNI_FALSE, array, cc, reason);
    EXPECT_TRUE(faults.log("Release").empty());
  }
  EXPECT_EQ(value(cc), 2);
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "entry 59 518",
                          "krux 59 518 1 0 0 0 \"native_metadata is null\" null null",
                          "exit 59 518 2195",
                          "krux 59 518 1 0 0 0 \"native_metadata is null\" null null",
                      }));
}
