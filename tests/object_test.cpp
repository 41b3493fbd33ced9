// Object calls: VXOPEN, VXCLOSE, VXINQ and VXSET.
#include "capture.h"
#include "faulty_env.h"
#include "jni_test.h"

namespace {

class ObjectCalls : public ExportTest {
 protected:
  Bytes ints(std::initializer_list<int32_t> values) {
    Bytes out(values.size() * 4);
    size_t at = 0;
    for (int32_t v : values) putInt(out, 4 * at++, v);
    return out;
  }
};

}  // namespace

TEST_F(ObjectCalls, OpenPassesItsArgumentsInOrderAndCopiesTheDescriptorBack) {
  runtime.answer("VXOPEN", 1, 2041);
  runtime.on("VXOPEN", [](RecordedCall& call) {
    EXPECT_EQ(*call.p<int32_t>(3), 17) << "the holder's value goes in";
    *call.p<int32_t>(3) = 301;
    call.p<uint8_t>(1)[12] = 'R';
  });
  jbyteArray od = structureArray(VxStructure::OD);
  jobject hobj = hobjHolder(17);
  FaultyEnv faults(env);
  NATIVE(VXOPEN)(env, nullptr, JNI_TRUE, 9, 0, 0, od, 0x2021, hobj, cc, reason);

  RecordedCall call = runtime.only("VXOPEN");
  EXPECT_EQ(call.i(0), 9);
  EXPECT_NE(call.p(1), nullptr);
  EXPECT_EQ(call.i(2), 0x2021);
  EXPECT_EQ(hobjValue(hobj), 301) << "written on a warning too";
  EXPECT_EQ(bytesOf(od)[12], 'R');
  EXPECT_EQ(codes(), std::make_pair(1, 2041));
  EXPECT_EQ(faults.log("Release"), std::vector<std::string>{"ReleaseByteArrayElements(0)"});
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 7",
                                                "data 59 7 \"VXOPEN returned CC=1, RC=2041\" -",
                                                "exit 59 7 2041"}));
}

TEST_F(ObjectCalls, AFailedOpenLeavesTheHolderButStillCopiesTheDescriptorBack) {
  runtime.answer("VXOPEN", 2, 2085);
  runtime.on("VXOPEN", [](RecordedCall& call) {
    *call.p<int32_t>(3) = 5;
    call.p<uint8_t>(1)[0] = 'X';
  });
  jbyteArray od = structureArray(VxStructure::OD);
  jobject hobj = hobjHolder(-1);
  NATIVE(VXOPEN)(env, nullptr, JNI_FALSE, 1, 0, 0, od, 0, hobj, cc, reason);
  EXPECT_EQ(hobjValue(hobj), -1);
  EXPECT_EQ(bytesOf(od)[0], 'X');
  EXPECT_EQ(codes(), std::make_pair(2, 2085));

  runtime.clear();
  runtime.on("VXOPEN", [](RecordedCall&) {});
  NATIVE(VXOPEN)(env, nullptr, JNI_FALSE, 1, 0, 0, nullptr, 0, hobj, cc, reason);
  EXPECT_EQ(runtime.only("VXOPEN").p(1), nullptr);
}

TEST_F(ObjectCalls, ADescriptorThatCannotBePinnedNeverReadsTheHolder) {
  FaultyEnv faults(env);
  faults.fail(Jni::GetByteArrayElements);
  NATIVE(VXOPEN)(env, nullptr, JNI_FALSE, 1, 0, 0, structureArray(VxStructure::OD), 0, hobjHolder(4), cc,
                 reason);
  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_TRUE(faults.log("CallIntMethod").empty());
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  EXPECT_EQ(events(), std::vector<std::string>{
                          "krux 59 7 4 0 0 0 \"native_vxod is null\" null null"});
}

TEST_F(ObjectCalls, CloseTracesTheHandleOnEntryAndWritesWhatTheRuntimeLeft) {
  runtime.capture("VXCLOSE", 1, 4);
  runtime.on("VXCLOSE", [](RecordedCall& call) { *call.p<int32_t>(1) = 0; });
  jobject hobj = hobjHolder(55);
  FaultyEnv faults(env);
  FdCapture err(2);
  NATIVE(VXCLOSE)(env, nullptr, JNI_FALSE, 3, 0, 0, hobj, 1, cc, reason);
  std::vector<std::string> lines = traceMessages(err.stop());
  EXPECT_EQ(faults.log("Call"), (std::vector<std::string>{"CallIntMethod", "CallIntMethod",
                                                          "CallVoidMethod"}));

  RecordedCall call = runtime.only("VXCLOSE");
  EXPECT_EQ(call.i(0), 3);
  EXPECT_EQ(intAt(call.bytes[1], 0), 55) << "the holder's value goes in";
  EXPECT_EQ(call.i(2), 1);
  EXPECT_EQ(hobjValue(hobj), 0);
  EXPECT_EQ(codes(), std::make_pair(0, 0));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Java_com_orvane_vx_taly_local_internal_base_Native_VXCLOSE(entry): hconn:3, hobj:55",
                       "Java_com_orvane_vx_taly_local_internal_base_Native_VXCLOSE(exit): rc:0"}));

  runtime.answer("VXCLOSE", 2, 2019);
  jobject kept = hobjHolder(56);
  NATIVE(VXCLOSE)(env, nullptr, JNI_FALSE, 3, 0, 0, kept, 0, cc, reason);
  EXPECT_EQ(hobjValue(kept), 56);
}

TEST_F(ObjectCalls, InquirePassesItsArraysInOrderAndCopiesBackOnlyTheAttributes) {
  runtime.capture("VXINQ", 3, 8);
  runtime.answer("VXINQ", 2, 2067);
  runtime.on("VXINQ", [](RecordedCall& call) {
    call.p<int32_t>(3)[0] = -1;  // selectors are not copied back
    call.p<int32_t>(5)[1] = 5000;
    call.p<char>(7)[2] = 'Z';
  });
  jbyteArray selectors = bytes(ints({3, 15}));
  jbyteArray intAttrs = bytes(ints({0, 0}));
  jbyteArray charAttrs = bytes(std::string(4, ' '));
  FaultyEnv faults(env);
  NATIVE(VXINQ)(env, nullptr, JNI_TRUE, 6, 0, 0, 88, 2, selectors, 2, intAttrs, 4, charAttrs,
                cc, reason);

  RecordedCall call = runtime.only("VXINQ");
  EXPECT_EQ(call.i(0), 6);
  EXPECT_EQ(call.i(1), 88);
  EXPECT_EQ(call.i(2), 2);
  EXPECT_EQ(call.bytes[3], ints({3, 15}));
  EXPECT_EQ(call.i(4), 2);
  EXPECT_EQ(call.i(6), 4);
  EXPECT_EQ(bytesOf(selectors), ints({3, 15}));
  EXPECT_EQ(intAt(bytesOf(intAttrs), 4), 5000) << "copied back after a failure too";
  EXPECT_EQ(bytesOf(charAttrs)[2], 'Z');
  EXPECT_EQ(codes(), std::make_pair(2, 2067));
  EXPECT_EQ(faults.log("Release"),
            (std::vector<std::string>{"ReleaseByteArrayElements(2)", "ReleaseByteArrayElements(0)",
                                      "ReleaseByteArrayElements(0)"}));
  EXPECT_EQ(events()[1], "data 59 6 \"VXINQ returned CC=2, RC=2067\" -");
}

TEST_F(ObjectCalls, SetCopiesNothingBack) {
  runtime.on("VXSET", [](RecordedCall& call) {
    call.p<int32_t>(5)[0] = 9;
    call.p<char>(7)[0] = 'Z';
  });
  jbyteArray intAttrs = bytes(ints({1}));
  jbyteArray charAttrs = bytes(std::string("ab"));
  FaultyEnv faults(env);
  NATIVE(VXSET)(env, nullptr, JNI_TRUE, 6, 0, 0, 88, 1, bytes(ints({7})), 1, intAttrs, 2,
                charAttrs, cc, reason);
  EXPECT_EQ(runtime.count("VXSET"), 1u);
  EXPECT_EQ(bytesOf(intAttrs), ints({1}));
  EXPECT_EQ(bytesOf(charAttrs)[0], 'a');
  EXPECT_EQ(faults.log("Release"),
            (std::vector<std::string>(3, "ReleaseByteArrayElements(2)")));
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 10",
                                                "data 59 10 \"VXSET returned CC=0, RC=0\" -",
                                                "exit 59 10 0"}));
}

TEST_F(ObjectCalls, InquireWithNullArraysPassesNullAddressesAndTheCounts) {
  NATIVE(VXINQ)(env, nullptr, JNI_FALSE, 1, 0, 0, 2, 0, nullptr, 0, nullptr, 0, nullptr, cc,
                reason);
  RecordedCall call = runtime.only("VXINQ");
  EXPECT_EQ(call.p(3), nullptr);
  EXPECT_EQ(call.p(5), nullptr);
  EXPECT_EQ(call.p(7), nullptr);
  EXPECT_EQ(codes(), std::make_pair(0, 0));
}

// A pin failure at each position releases exactly what was pinned before it.
TEST_F(ObjectCalls, APinFailureAtEachPositionReleasesWhatWasPinnedBefore) {
  const std::vector<std::vector<std::string>> released = {
      {}, {"ReleaseByteArrayElements(2)"},
      {"ReleaseByteArrayElements(2)", "ReleaseByteArrayElements(0)"}};
  const char* messages[] = {"native_selectors is null", "native_int_attributes is null",
                            "native_char_attributes is null"};
  for (int position = 1; position <= 3; ++position) {
    runtime.clear();
    jbyteArray selectors = bytes(ints({1}));
    jbyteArray intAttrs = bytes(ints({1}));
    jbyteArray charAttrs = bytes(std::string("c"));
    FaultyEnv faults(env);
    faults.fail(Jni::GetByteArrayElements, position);
    NATIVE(VXINQ)(env, nullptr, JNI_FALSE, 1, 0, 0, 2, 1, selectors, 1, intAttrs, 1, charAttrs,
                  cc, reason);
    EXPECT_TRUE(runtime.calls().empty());
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    EXPECT_EQ(faults.log("GetByteArrayElements").size(), static_cast<size_t>(position));
    EXPECT_EQ(faults.log("Release"), released[position - 1]) << "position " << position;
    EXPECT_EQ(faults.pins(), 0);
    std::vector<std::string> all = events();
    EXPECT_EQ(all.back(), "krux 59 6 " + std::to_string(position + 5) + " 0 0 0 \"" +
                              messages[position - 1] + "\" null null");
  }
}

TEST_F(ObjectCalls, CountsThatDoNotFitTheirArraysAreRejectedBeforeAnythingIsPinned) {
  struct Case {
    int32_t selectors, ints, chars;
    std::string report;
  };
  const std::vector<Case> cases = {
      {3, 1, 1, "krux 59 10 6 2195 12 8 \"native_selectors is too short\" null null"},
      {-1, 1, 1, "krux 59 10 6 2195 -4 8 \"native_selectors is too short\" null null"},
      {2, 0x40000001, 1, "krux 59 10 7 2195 2147483647 8 \"native_int_attributes is too short\" null null"},
      {2, 2, 9, "krux 59 10 8 2195 9 8 \"native_char_attributes is too short\" null null"},
  };
  for (const Case& c : cases) {
    FaultyEnv faults(env);
    NATIVE(VXSET)(env, nullptr, JNI_FALSE, 1, 0, 0, 2, c.selectors, bytes(Bytes(8, 0)), c.ints,
                  bytes(Bytes(8, 0)), c.chars, bytes(Bytes(8, 0)), cc, reason);
    EXPECT_TRUE(faults.log("GetByteArrayElements").empty());
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    EXPECT_EQ(events().back(), c.report);
  }
  EXPECT_TRUE(runtime.calls().empty());
}

TEST_F(ObjectCalls, EachCallNamesItselfInItsLinesAndEvents) {
  struct Case {
    std::string method, name, function;
  };
  FdCapture err(2);
  NATIVE(VXOPEN)(env, nullptr, JNI_TRUE, 1, 0, 0, structureArray(VxStructure::OD), 0, hobjHolder(0), cc,
                 reason);
  NATIVE(VXCLOSE)(env, nullptr, JNI_TRUE, 1, 0, 0, hobjHolder(9), 0, cc, reason);
  NATIVE(VXINQ)(env, nullptr, JNI_TRUE, 1, 0, 0, 2, 0, nullptr, 0, nullptr, 0, nullptr, cc, reason);
  NATIVE(VXSET)(env, nullptr, JNI_TRUE, 1, 0, 0, 2, 0, nullptr, 0, nullptr, 0, nullptr, cc, reason);
  std::vector<std::string> lines = traceMessages(err.stop());
  const std::string prefix = "Java_com_orvane_vx_taly_local_internal_base_Native_";
  std::vector<std::string> calls;
  for (const std::string& line : lines) {
    if (line.rfind(prefix, 0) == 0) calls.push_back(line.substr(prefix.size()));
  }
  EXPECT_EQ(calls, (std::vector<std::string>{"VXOPEN(entry)", "VXOPEN(exit): rc:0",
                                             "VXCLOSE(entry): hconn:1, hobj:9",
                                             "VXCLOSE(exit): rc:0", "VXINQ(entry)",
                                             "VXINQ(exit): rc:0", "VXSET(entry)",
                                             "VXSET(exit): rc:0"}));
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "entry 59 7", "data 59 7 \"VXOPEN returned CC=0, RC=0\" -", "exit 59 7 0",
                          "entry 59 2", "data 59 2 \"VXCLOSE returned CC=0, RC=0\" -", "exit 59 2 0",
                          "entry 59 6", "data 59 6 \"VXINQ returned CC=0, RC=0\" -", "exit 59 6 0",
                          "entry 59 10", "data 59 10 \"VXSET returned CC=0, RC=0\" -",
                          "exit 59 10 0"}));
}
