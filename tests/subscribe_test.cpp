// Subscriptions and status: VXSUB, VXSUBRQ and VXSTAT.
#include <algorithm>
#include <functional>
#include <map>
#include <regex>

#include "call_steps.h"
#include "capture.h"
#include "faulty_env.h"
#include "jni_test.h"

namespace {

class Subscribe : public ExportTest {
 protected:
  // The last n events, those of the last call.
  std::vector<std::string> lastEvents(size_t n) {
    std::vector<std::string> all = events();
    return std::vector<std::string>(all.end() - static_cast<long>(std::min(n, all.size())), all.end());
  }

  // An export, its structure, the runtime argument that the structure
  // becomes, and a call with that structure or another.
  struct Export {
    std::string name;
    int function;
    jbyteArray structure;
    size_t arg;
    std::function<void(jboolean, jbyteArray)> call;
  };
  std::vector<Export> all() {
    hobj = hobjHolder(17);
    hsub = hobjHolder(99);
    return {
        {"VXSUB", 38, structureArray(VxStructure::SD, "SD  xxxx"), 1,
         [this](jboolean t, jbyteArray a) {
           NATIVE(VXSUB)(env, nullptr, t, 9, 0, 0, a, hobj, hsub, cc, reason);
         }},
        {"VXSUBRQ", 0, structureArray(VxStructure::SRO, "SRO xxxx"), 3,
         [this](jboolean t, jbyteArray a) {
           NATIVE(VXSUBRQ)(env, nullptr, t, 9, 0, 0, hsub, 1, a, cc, reason);
         }},
        {"VXSTAT", 32, structureArray(VxStructure::STS, "STAT xxx"), 2,
         [this](jboolean t, jbyteArray a) {
           NATIVE(VXSTAT)(env, nullptr, t, 9, 0, 0, 3, a, cc, reason);
         }},
    };
  }

  // What one call did, in order (see CallSteps); VXSUB answers with a
  // subscription handle.
  using Run = CallSteps;
  Run run(const std::string& entry, const std::function<void()>& call) {
    return recordSteps(env, runtime, entry, call, 0, [](RecordedCall& c) {
      if (c.name == "VXSUB") *c.p<int32_t>(3) = 302;
    });
  }
  std::string thrownMessage() { return takeThrownMessage(env); }

  jobject hobj = nullptr;
  jobject hsub = nullptr;
};

const std::vector<std::string> kCopiedBack = {"ReleaseByteArrayElements(0)"};
const std::string kPrefix = "Java_com_orvane_vx_taly_local_internal_base_Native_";

}  // namespace

TEST_F(Subscribe, SubscribeHandsOverTheObjectHandleAndWritesBothHandlesOnZeroAndOne) {
  runtime.capture("VXSUB", 1, 8);
  runtime.on("VXSUB", [](RecordedCall& call) {
    EXPECT_EQ(*call.p<int32_t>(2), 17) << "the object holder's value goes in";
    EXPECT_EQ(*call.p<int32_t>(3), 0) << "the subscription handle starts at 0";
    *call.p<int32_t>(2) = 301;
    *call.p<int32_t>(3) = 302;
    if (call.p(1) != nullptr) call.p<uint8_t>(1)[5] = 'R';
  });
  for (int32_t completion : {0, 1}) {
    runtime.clear();
    runtime.answer("VXSUB", completion, 2041 * completion);
    jbyteArray sd = structureArray(VxStructure::SD, "SD  xxxx");
    jobject hobj = hobjHolder(17);
    jobject hsub = hobjHolder(99);
    FaultyEnv faults(env);
    NATIVE(VXSUB)(env, nullptr, JNI_TRUE, 9, 0, 0, sd, hobj, hsub, cc, reason);

    EXPECT_EQ(faults.log("CallIntMethod").size(), 1u) << "the subscription holder is not read";
    EXPECT_EQ(faults.log("Release"), kCopiedBack);
    RecordedCall call = runtime.only("VXSUB");
    EXPECT_EQ(call.i(0), 9);
    EXPECT_EQ(call.bytes[1], Bytes({'S', 'D', ' ', ' ', 'x', 'x', 'x', 'x'}));
    EXPECT_EQ(hobjValue(hobj), 301);
    EXPECT_EQ(hobjValue(hsub), 302);
    EXPECT_EQ(bytesOf(sd)[5], 'R');
    EXPECT_EQ(codes(), std::make_pair(completion, 2041 * completion));
    EXPECT_EQ(lastEvents(3), (std::vector<std::string>{
                            "entry 59 38",
                            "data 59 38 \"VXSUB returned CC=" + std::to_string(completion) +
                                ", RC=" + std::to_string(2041 * completion) + "\" -",
                            "exit 59 38 " + std::to_string(2041 * completion)}));
  }

  // One holder for both handles ends with the subscription handle: it is written last.
  jobject both = hobjHolder(17);
  NATIVE(VXSUB)(env, nullptr, JNI_FALSE, 9, 0, 0, nullptr, both, both, cc, reason);
  EXPECT_EQ(hobjValue(both), 302);
}

TEST_F(Subscribe, AFailedSubscribeWritesNeitherHolderButCopiesTheDescriptorBack) {
  runtime.answer("VXSUB", 2, 2429);
  runtime.on("VXSUB", [](RecordedCall& call) {
    *call.p<int32_t>(2) = 5;
    *call.p<int32_t>(3) = 6;
    call.p<uint8_t>(1)[0] = 'X';
  });
  jbyteArray sd = structureArray(VxStructure::SD);
  jobject hobj = hobjHolder(-1);
  jobject hsub = hobjHolder(-2);
  FaultyEnv faults(env);
  FdCapture err(2);
  NATIVE(VXSUB)(env, nullptr, JNI_FALSE, 4, 0, 0, sd, hobj, hsub, cc, reason);
  std::vector<std::string> lines = traceMessages(err.stop());

  EXPECT_EQ(hobjValue(hobj), -1);
  EXPECT_EQ(hobjValue(hsub), -2);
  EXPECT_TRUE(faults.log("CallVoidMethod").empty());
  EXPECT_EQ(bytesOf(sd)[0], 'X');
  EXPECT_EQ(codes(), std::make_pair(2, 2429));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(firstLine(lines), "Java_com_orvane_vx_taly_local_internal_base_Native_VXSUB(entry)");
  EXPECT_EQ(lastLine(lines), "Java_com_orvane_vx_taly_local_internal_base_Native_VXSUB(exit): rc:2429");
  EXPECT_EQ(lines[lines.size() - 5], "") << "a marker before the release";
}

TEST_F(Subscribe, RequestPassesTheSubscriptionHandleAndActionAndNeverWritesTheHolder) {
  runtime.capture("VXSUBRQ", 3, 4);
  runtime.answer("VXSUBRQ", 1, 2437);
  runtime.on("VXSUBRQ", [](RecordedCall& call) { call.p<uint8_t>(3)[4] = 7; });
  jbyteArray sro = structureArray(VxStructure::SRO, "SRO ");
  jobject hsub = hobjHolder(612);
  FaultyEnv faults(env);
  NATIVE(VXSUBRQ)(env, nullptr, JNI_TRUE, 5, 0, 0, hsub, 1, sro, cc, reason);

  RecordedCall call = runtime.only("VXSUBRQ");
  EXPECT_EQ(call.i(0), 5);
  EXPECT_EQ(call.i(1), 612);
  EXPECT_EQ(call.i(2), 1);
  EXPECT_EQ(call.bytes[3], Bytes({'S', 'R', 'O', ' '}));
  EXPECT_EQ(bytesOf(sro)[4], 7);
  EXPECT_EQ(faults.log("CallIntMethod").size(), 1u);
  EXPECT_EQ(faults.log("CallVoidMethod").size(), 3u) << "the three trace events, no holder";
  EXPECT_EQ(hobjValue(hsub), 612);
  EXPECT_EQ(faults.log("Release"), kCopiedBack);
  EXPECT_EQ(codes(), std::make_pair(1, 2437));
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 0",
                                                "data 59 0 \"VXSUBRQ returned CC=1, RC=2437\" -",
                                                "exit 59 0 2437"}));
}

TEST_F(Subscribe, StatusPassesTheTypeAndTheStructureOrANullAddress) {
  runtime.capture("VXSTAT", 2, 4);
  runtime.on("VXSTAT", [](RecordedCall& call) {
    if (call.p(2) != nullptr) call.p<uint8_t>(2)[7] = 0x33;
  });
  jbyteArray sts = structureArray(VxStructure::STS, "STAT");
  FaultyEnv faults(env);
  FdCapture err(2);
  NATIVE(VXSTAT)(env, nullptr, JNI_TRUE, 8, 0, 0, 3, sts, cc, reason);
  std::vector<std::string> lines = traceMessages(err.stop());

  RecordedCall call = runtime.only("VXSTAT");
  EXPECT_EQ(call.i(0), 8);
  EXPECT_EQ(call.i(1), 3);
  EXPECT_EQ(call.bytes[2], Bytes({'S', 'T', 'A', 'T'}));
  EXPECT_EQ(bytesOf(sts)[7], 0x33);
  EXPECT_EQ(faults.log("Release"), kCopiedBack);
  EXPECT_EQ(codes(), std::make_pair(0, 0));
  EXPECT_EQ(events()[1], "data 59 32 \"VXSTAT returned CC=0, RC=0\" -");
  EXPECT_EQ(firstLine(lines), "Java_com_orvane_vx_taly_local_internal_base_Native_VXSTAT(entry)");
  EXPECT_EQ(lastLine(lines), "Java_com_orvane_vx_taly_local_internal_base_Native_VXSTAT(exit): rc:0");

  runtime.clear();
  NATIVE(VXSTAT)(env, nullptr, JNI_FALSE, 8, 0, 0, 1, nullptr, cc, reason);
  EXPECT_EQ(runtime.only("VXSTAT").p(2), nullptr);
}

// A structure that cannot be pinned leaves every handle holder unread and untouched.
TEST_F(Subscribe, AStructureThatCannotBePinnedSkipsTheRuntimeAndTheHolders) {
  jobject hobj = hobjHolder(11);
  jobject hsub = hobjHolder(12);
  struct Case {
    std::function<void()> call;
    std::string report;
  };
  const std::vector<Case> cases = {
      {[&] { NATIVE(VXSUB)(env, nullptr, JNI_FALSE, 1, 0, 0, structureArray(VxStructure::SD), hobj, hsub, cc, reason); },
       "krux 59 38 4 0 0 0 \"native_vxsd is null\" null null"},
      {[&] { NATIVE(VXSUBRQ)(env, nullptr, JNI_FALSE, 1, 0, 0, hsub, 1, structureArray(VxStructure::SRO), cc, reason); },
       "krux 59 0 4 0 0 0 \"native_vxsro is null\" null null"},
      {[&] { NATIVE(VXSTAT)(env, nullptr, JNI_FALSE, 1, 0, 0, 1, structureArray(VxStructure::STS), cc, reason); },
       "krux 59 32 4 0 0 0 \"native_vxsts is null\" null null"},
  };
  for (const Case& c : cases) {
    FaultyEnv faults(env);
    faults.fail(Jni::GetByteArrayElements);
    c.call();
    EXPECT_TRUE(faults.log("CallIntMethod").empty());
    EXPECT_EQ(faults.log("CallVoidMethod").size(), 1u) << "the failure report alone";
    EXPECT_TRUE(faults.log("Release").empty());
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    EXPECT_EQ(lastEvents(1), std::vector<std::string>{c.report});
  }
  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(hobjValue(hobj), 11);
  EXPECT_EQ(hobjValue(hsub), 12);
}

// Completion code 1 and reason 2600 throughout: the codes go back in that
// order. A structure's length is taken, then it goes through the view with
// its trace lines and is released after an empty line; a null one reaches
// the runtime as a null address, with neither.
TEST_F(Subscribe, EachExportPinsCallsReleasesAndTracesInItsOrder) {
  using Steps = std::vector<std::string>;
  const Steps pin = {"GetArrayLength", "GetByteArrayElements",
                     "arrayToVXStructure entry - byteArrayElements @ {@}",
                     "arrayToVXStructure exit - resultant structure @ {@}"};
  const Steps release = {"", "releaseStructure entry - alignedPtr {@}",
                         "releaseStructure data - releasing {@}", "ReleaseByteArrayElements(0)",
                         "releaseStructure exit"};
  const std::map<std::string, Steps> around = {
      {"VXSUB", {"CallIntMethod", "call", "CallVoidMethod", "CallVoidMethod"}},
      {"VXSUBRQ", {"CallIntMethod", "call"}},
      {"VXSTAT", {"call"}},
  };
  for (Export& e : all()) {
    runtime.answer(e.name, 1, 2600);
    for (jbyteArray structure : {e.structure, jbyteArray{}}) {
      Run r = run(e.name, [&] { e.call(JNI_FALSE, structure); });
      Steps expected = {kPrefix + e.name + "(entry)"};
      if (structure != nullptr) expected.insert(expected.end(), pin.begin(), pin.end());
      expected.insert(expected.end(), around.at(e.name).begin(), around.at(e.name).end());
      if (structure != nullptr) expected.insert(expected.end(), release.begin(), release.end());
      expected.insert(expected.end(), {"SetIntField(1)", "SetIntField(2600)",
                                       kPrefix + e.name + "(exit): rc:2600"});
      EXPECT_EQ(r.steps, expected) << e.name;
      std::vector<const void*> arrays;
      if (structure != nullptr) arrays.push_back(structure);
      EXPECT_EQ(r.pinned, arrays);
      EXPECT_EQ(r.released, arrays);
      EXPECT_EQ(runtime.calls().back().p(e.arg) == nullptr, structure == nullptr) << e.name;
    }
  }
  EXPECT_EQ(hobjValue(hobj), 17);
  EXPECT_EQ(hobjValue(hsub), 302);
}

TEST_F(Subscribe, SubscribeReportsTheCallResultBeforeWritingTheHandles) {
  const std::string result = "VXSUB returned CC=0, RC=0";
  std::vector<Export> exports = all();
  Run r = run("VXSUB", [&] { exports[0].call(JNI_TRUE, exports[0].structure); });
  std::vector<std::string> order;
  for (const std::string& step : r.steps) {
    if (step == "call" || step == "CallVoidMethod" || step.rfind("NewByteArray", 0) == 0) {
      order.push_back(step);
    }
  }
  EXPECT_EQ(order, (std::vector<std::string>{
                       "CallVoidMethod", "call",
                       "NewByteArray(" + std::to_string(result.size()) + ")",
                       "CallVoidMethod", "CallVoidMethod", "CallVoidMethod", "CallVoidMethod"}))
      << "entry event, call, call result, the two handles, exit event";
  EXPECT_EQ(events()[1], "data 59 38 \"" + result + "\" -");
  EXPECT_EQ(hobjValue(hsub), 302);
}

// A trace method or a handle holder that throws: the export completes, the
// holders end as usual, and the exception is thrown on return. -Xcheck:jni
// would warn of a JNI call made while it was pending.
TEST_F(Subscribe, AnExceptionFromATraceMethodOrAHolderIsThrownOnReturn) {
  runtime.on("VXSUB", [](RecordedCall& call) {
    EXPECT_EQ(*call.p<int32_t>(2), 17);
    *call.p<int32_t>(3) = 302;
  });
  std::vector<Export> exports = all();
  for (Export& e : exports) {
    runtime.answer(e.name, 1, 2600);
    for (const char* method : {"entry", "data", "exit"}) {
      traceThrowsFrom(method);
      e.call(JNI_TRUE, e.structure);
      EXPECT_EQ(thrownMessage(), "trace " + std::string(method) + " failed") << e.name;
      EXPECT_EQ(codes(), std::make_pair(1, 2600));
      EXPECT_EQ(lastEvents(1),
                std::vector<std::string>{"exit 59 " + std::to_string(e.function) + " 2600"});
    }
  }
  EXPECT_EQ(hobjValue(hobj), 17);
  EXPECT_EQ(hobjValue(hsub), 302) << "written while an exception was set aside";
  traceThrowsFrom("none");
  struct Case {
    size_t which;
    Jni accessor;
    int nth;
  };
  for (const Case& c : {Case{0, Jni::CallIntMethod, 1}, Case{0, Jni::CallVoidMethod, 1},
                        Case{0, Jni::CallVoidMethod, 2}, Case{1, Jni::CallIntMethod, 1}}) {
    hobj = hobjHolder(17);
    hsub = hobjHolder(99);
    {
      FaultyEnv faults(env);
      faults.fail(c.accessor, c.nth);
      exports[c.which].call(JNI_FALSE, exports[c.which].structure);
      EXPECT_EQ(faults.log("SetIntField"),
                (std::vector<std::string>{"SetIntField(1)", "SetIntField(2600)"}));
      EXPECT_EQ(faults.log("Release"), kCopiedBack);
    }
    EXPECT_EQ(thrownMessage(), "thrown by the test") << exports[c.which].name;
    EXPECT_EQ(hobjValue(hobj), 17);
    EXPECT_EQ(hobjValue(hsub), c.which == 0 ? 302 : 99);
  }
  EXPECT_EQ(runtime.count("VXSUB"), 6u);
  EXPECT_EQ(runtime.calls().back().i(1), 99) << "the value read before the throw";
}
