// Service-provider administration and subscriptions: spiDefine, spiDelete,
// spiInquire, lpiSPIInquireNamedSubscribers, lpiSPISubscriptionRequest,
// lpiSpiSubscribe and lpiSpiUnsubscribe.
#include "capture.h"
#include "faulty_env.h"
#include "jni_test.h"

namespace {

const std::string kNative = "Java_com_orvane_vx_taly_local_internal_base_Native_";
const std::string kCopyBack = "ReleaseByteArrayElements(0)";

// The arrays of a definition, in pin order.
struct Definition {
  jbyteArray selector, like, selectors, intAttrs, charAttrs, filter, errors;
  std::vector<const void*> all() const {
    return {selector, like, selectors, intAttrs, charAttrs, filter, errors};
  }
};

class SpiAdmin : public ExportTest {
 protected:
  Definition definition() {
    return {structureArray(VxStructure::SpiObjectSelector, "OSEL"), bytes("LIKE.Q"), bytes(Bytes(8, 1)),
            bytes(Bytes(12, 2)), bytes(Bytes(20, 'c')), structureArray(VxStructure::SpiFilterElement, "FILT"),
            structureArray(VxStructure::SpiAttrErrors)};
  }

  void define(jboolean trace, jboolean flag, const Definition& d, jint selectorCount = 2,
              jint intAttrCount = 3, jint charAttrLength = 20) {
    NATIVE(spiDefine)(env, nullptr, trace, 6, 0, 0, flag, d.selector, d.like, selectorCount,
                      d.selectors, intAttrCount, d.intAttrs, charAttrLength, d.charAttrs,
                      d.filter, 0, d.errors, cc, reason);
  }

  void inquire(jboolean trace, const Definition& d, jint selectorCount = 2,
               jint intAttrCount = 3, jint charAttrLength = 20) {
    NATIVE(spiInquire)(env, nullptr, trace, 6, 0, 0, d.selector, selectorCount, d.selectors,
                       intAttrCount, d.intAttrs, charAttrLength, d.charAttrs, d.filter, cc,
                       reason);
  }
};

// The native entry and exit lines in captured standard error, without the prefix.
std::vector<std::string> exportLines(const std::string& err) {
  std::vector<std::string> named;
  for (const std::string& line : traceMessages(err)) {
    if (line.rfind(kNative, 0) == 0) named.push_back(line.substr(kNative.size()));
  }
  return named;
}

}  // namespace

TEST_F(SpiAdmin, DefineHandsTheRuntimeEveryArgumentInOrderAndCopiesEveryArrayBack) {
  runtime.capture("lpiSPIDefine", 2, 4);
  runtime.capture("lpiSPIDefine", 3, 6);
  runtime.capture("lpiSPIDefine", 10, 4);
  runtime.answer("lpiSPIDefine", 2, 2085);
  runtime.on("lpiSPIDefine", [](RecordedCall& call) {
    call.p<uint8_t>(7)[0] = 9;   // integer attributes
    call.p<uint8_t>(11)[0] = 7;  // attribute errors
  });
  Definition d = definition();
  FaultyEnv faults(env);
  FdCapture err(2);
  define(JNI_TRUE, static_cast<jboolean>(5), d);
  std::vector<std::string> lines = traceMessages(err.stop());

  RecordedCall call = runtime.only("lpiSPIDefine");
  EXPECT_EQ(call.i(0), 6);
  EXPECT_EQ(call.i(1), 1) << "the flag as 0 or 1";
  EXPECT_EQ(call.bytes[2], Bytes({'O', 'S', 'E', 'L'}));
  EXPECT_EQ(call.bytes[3], Bytes({'L', 'I', 'K', 'E', '.', 'Q'}));
  EXPECT_EQ(call.i(4), 2);
  EXPECT_NE(call.p(5), nullptr);
  EXPECT_EQ(call.i(6), 3);
  EXPECT_NE(call.p(7), nullptr);
  EXPECT_EQ(call.i(8), 20);
  EXPECT_NE(call.p(9), nullptr);
  EXPECT_EQ(call.bytes[10], Bytes({'F', 'I', 'L', 'T'}));
  EXPECT_NE(call.p(11), nullptr);
  EXPECT_EQ(bytesOf(d.intAttrs)[0], 9);
  EXPECT_EQ(bytesOf(d.errors)[0], 7) << "copied back after a failure";
  EXPECT_EQ(codes(), std::make_pair(2, 2085));
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 0",
                                                "data 59 0 \"lpiSPIDefine returned CC=2, RC=2085\" -",
                                                "exit 59 0 2085"}));
  EXPECT_EQ(faults.pinnedArrays(), d.all());
  EXPECT_EQ(faults.releasedArrays(), d.all());
  EXPECT_EQ(faults.log("Release"), std::vector<std::string>(7, kCopyBack));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(firstLine(lines), kNative + "spiDefine(entry)");
  EXPECT_EQ(lastLine(lines), kNative + "lpiSpiDefine(exit): rc:2085");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), ""), 7) << "a marker before each release";
}

TEST_F(SpiAdmin, DefineWithoutOptionalArraysPassesNullsAndTheCountsUnchanged) {
  NATIVE(spiDefine)(env, nullptr, JNI_FALSE, 6, 0, 0, JNI_FALSE, structureArray(VxStructure::SpiObjectSelector, "OSEL"), nullptr, 0,
                    nullptr, 0, nullptr, 0, nullptr, nullptr, 0, nullptr, cc, reason);
  RecordedCall call = runtime.only("lpiSPIDefine");
  EXPECT_EQ(call.i(1), 0);
  for (size_t pointer : {3, 5, 7, 9, 10, 11}) EXPECT_EQ(call.p(pointer), nullptr) << pointer;
  EXPECT_EQ(call.i(4), 0);
  EXPECT_EQ(codes(), std::make_pair(0, 0));
}

TEST_F(SpiAdmin, DefinePinsTheLikeObjectEvenAfterTheSelectorFailed) {
  Definition d = definition();
  FaultyEnv faults(env);
  faults.fail(Jni::GetByteArrayElements, 1);
  define(JNI_FALSE, JNI_TRUE, d);
  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(faults.pinnedArrays(), std::vector<const void*>{d.like});
  EXPECT_EQ(faults.releasedArrays(), std::vector<const void*>{d.like});
  EXPECT_EQ(faults.log("Release"), std::vector<std::string>{kCopyBack});
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  EXPECT_EQ(events(), std::vector<std::string>{
                          "krux 59 0 3 0 0 0 \"native_ObjectSelector is null\" null null"});
}

TEST_F(SpiAdmin, DefineReleasesWhatWasPinnedBeforeAFailedPin) {
  const std::vector<std::string> reports = {
      "", "krux 59 0 1 0 0 0 \"native_LikeObject is null\" null null",
      "krux 59 0 6 0 0 0 \"native_Selectors is null\" null null",
      "krux 59 0 6 0 0 0 \"native_IntAttrs is null\" null null",
      "krux 59 0 8 0 0 0 \"native_CharAttrs is null\" null null",
      "krux 59 0 4 0 0 0 \"native_FilterElement is null\" null null",
      "krux 59 0 6 0 0 0 \"native_AttrErrorss is null\" null null",
  };
  for (size_t position = 1; position < reports.size(); ++position) {
    Definition d = definition();
    FaultyEnv faults(env);
    faults.fail(Jni::GetByteArrayElements, static_cast<int>(position) + 1);
    define(JNI_FALSE, JNI_TRUE, d);
    EXPECT_TRUE(runtime.calls().empty());
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    EXPECT_EQ(events().back(), reports[position]);
    std::vector<const void*> before = d.all();
    before.resize(position);
    EXPECT_EQ(faults.releasedArrays(), before);
    EXPECT_EQ(faults.pins(), 0);
  }
}

// Counts whose bytes the arrays do not hold are refused at their array's
// turn; what was pinned before goes back.
TEST_F(SpiAdmin, CountsBeyondTheirArraysOrNegativeAreRefused) {
  Definition d = definition();
  FaultyEnv faults(env);
  define(JNI_FALSE, JNI_TRUE, d, 3);
  EXPECT_EQ(faults.releasedArrays(), (std::vector<const void*>{d.selector, d.like}));
  define(JNI_FALSE, JNI_TRUE, d, 2, -1);
  define(JNI_FALSE, JNI_TRUE, d, 2, 3, 21);
  inquire(JNI_FALSE, d, 2, 4);
  inquire(JNI_FALSE, d, -2);
  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  EXPECT_EQ(faults.pins(), 0);
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "krux 59 0 6 2195 12 8 \"native_Selectors is too short\" null null",
                          "krux 59 0 6 2195 -4 12 \"native_IntAttrs is too short\" null null",
                          "krux 59 0 8 2195 21 20 \"native_CharAttrs is too short\" null null",
                          "krux 59 0 6 2195 16 12 \"native_IntAttrs is too short\" null null",
                          "krux 59 0 6 2195 -8 8 \"native_Selectors is too short\" null null"}));

  define(JNI_FALSE, JNI_TRUE, d, 2, 3, 20);
  inquire(JNI_FALSE, d, 0, 0, 0);
  EXPECT_EQ(runtime.names(), (std::vector<std::string>{"lpiSPIDefine", "spiInquire"}))
      << "counts that fit, exactly or with room";
}

TEST_F(SpiAdmin, InquireHandsTheRuntimeItsArgumentsInOrderAndCopiesTheAttributesBack) {
  runtime.capture("spiInquire", 1, 4);
  runtime.capture("spiInquire", 8, 4);
  runtime.on("spiInquire", [](RecordedCall& call) {
    call.p<uint8_t>(5)[0] = 42;
    call.p<uint8_t>(7)[0] = 'Q';
  });
  Definition d = definition();
  FaultyEnv faults(env);
  FdCapture err(2);
  inquire(JNI_TRUE, d);
  std::vector<std::string> lines = exportLines(err.stop());

  RecordedCall call = runtime.only("spiInquire");
  EXPECT_EQ(call.i(0), 6);
  EXPECT_EQ(call.bytes[1], Bytes({'O', 'S', 'E', 'L'}));
  EXPECT_EQ(call.i(2), 2);
  EXPECT_NE(call.p(3), nullptr);
  EXPECT_EQ(call.i(4), 3);
  EXPECT_EQ(call.i(6), 20);
  EXPECT_EQ(call.bytes[8], Bytes({'F', 'I', 'L', 'T'}));
  EXPECT_EQ(bytesOf(d.intAttrs)[0], 42);
  EXPECT_EQ(bytesOf(d.charAttrs)[0], 'Q');
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 0",
                                                "data 59 0 \"spiInquire returned CC=0, RC=0\" -",
                                                "exit 59 0 0"}));
  EXPECT_EQ(faults.releasedArrays(), (std::vector<const void*>{d.selector, d.selectors,
                                                               d.intAttrs, d.charAttrs, d.filter}));
  EXPECT_EQ(faults.log("Release"), std::vector<std::string>(5, kCopyBack));
  EXPECT_EQ(lines, (std::vector<std::string>{"spiInquire(entry)", "spiInquire(exit): rc:0"}));
}

TEST_F(SpiAdmin, InquireReleasesWhatWasPinnedBeforeAFailedPin) {
  const std::vector<std::string> reports = {
      "krux 59 0 3 0 0 0 \"native_ObjectSelector is null\" null null",
      "krux 59 0 6 0 0 0 \"native_Selectors is null\" null null",
      "krux 59 0 6 0 0 0 \"native_IntAttrs is null\" null null",
      "krux 59 0 8 0 0 0 \"native_CharAttrs is null\" null null",
      "krux 59 0 4 0 0 0 \"native_FilterElement is null\" null null",
  };
  for (size_t position = 0; position < reports.size(); ++position) {
    FaultyEnv faults(env);
    faults.fail(Jni::GetByteArrayElements, static_cast<int>(position) + 1);
    inquire(JNI_FALSE, definition());
    EXPECT_TRUE(runtime.calls().empty());
    EXPECT_EQ(events().back(), reports[position]);
    EXPECT_EQ(faults.log("Release"), std::vector<std::string>(position, kCopyBack));
    EXPECT_EQ(faults.releasedArrays(), faults.pinnedArrays());
  }
}

TEST_F(SpiAdmin, DeletePassesItsFlagAsZeroOrOneAndNamesItselfLpiSpiDelete) {
  runtime.capture("lpiSPIDelete", 1, 4);
  FdCapture err(2);
  NATIVE(spiDelete)(env, nullptr, JNI_TRUE, 6, 0, 0, structureArray(VxStructure::SpiObjectSelector, "OSEL"), static_cast<jboolean>(9), cc,
                    reason);
  NATIVE(spiDelete)(env, nullptr, JNI_TRUE, 6, 0, 0, structureArray(VxStructure::SpiObjectSelector, "OSEL"), JNI_FALSE, cc, reason);
  std::vector<std::string> lines = exportLines(err.stop());

  std::vector<RecordedCall> calls = runtime.calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].i(0), 6);
  EXPECT_EQ(calls[0].bytes[1], Bytes({'O', 'S', 'E', 'L'}));
  EXPECT_EQ(calls[0].i(2), 1);
  EXPECT_EQ(calls[1].i(2), 0);
  EXPECT_EQ(events()[1], "data 59 0 \"lpiSPIDelete returned CC=0, RC=0\" -");
  ASSERT_GE(lines.size(), 2u) << firstLine(lines);
  EXPECT_EQ(lines[0], "lpiSpiDelete(entry)");
  EXPECT_EQ(lines[1], "lpiSpiDelete(exit): rc:0");

  FaultyEnv faults(env);
  faults.fail(Jni::GetByteArrayElements, 1);
  NATIVE(spiDelete)(env, nullptr, JNI_FALSE, 6, 0, 0, structureArray(VxStructure::SpiObjectSelector, "OSEL"), JNI_TRUE, cc, reason);
  EXPECT_EQ(runtime.count("lpiSPIDelete"), 2u);
  EXPECT_TRUE(faults.log("Release").empty());
  EXPECT_EQ(events().back(), "krux 59 0 3 0 0 0 \"native_ObjectSelector is null\" null null");
}

TEST_F(SpiAdmin, NamedSubscriberInquiryWritesBothValuesOnEveryPath) {
  runtime.capture("lpiSPIInquireNamedSubscribers", 1, 4);
  runtime.capture("lpiSPIInquireNamedSubscribers", 2, 3);
  runtime.capture("lpiSPIInquireNamedSubscribers", 5, 4);
  runtime.capture("lpiSPIInquireNamedSubscribers", 6, 4);
  runtime.answer("lpiSPIInquireNamedSubscribers", 2, 2428);
  runtime.on("lpiSPIInquireNamedSubscribers", [](RecordedCall& call) {
    *call.p<int32_t>(5) = 11;
    *call.p<int32_t>(6) = 22;
    call.p<uint8_t>(4)[0] = 'I';
  });
  jbyteArray callOptions = structureArray(VxStructure::SpiNamedSubscriberOptions, "COPT");
  jbyteArray subName = bytes("SUB");
  jbyteArray subIds = bytes(Bytes(8, 0));
  jobject inOut = pint(5);
  jobject out = pint(55);
  std::vector<std::string> lines;
  std::vector<std::string> codeWrites;
  std::vector<const void*> released;
  {
    FaultyEnv faults(env);
    FdCapture err(2);
    NATIVE(lpiSPIInquireNamedSubscribers)(env, nullptr, JNI_TRUE, 6, 0, 0, callOptions, subName,
                                          -3, subIds, inOut, out, cc, reason);
    lines = exportLines(err.stop());
    codeWrites = faults.log("SetIntField");
    released = faults.releasedArrays();
  }

  RecordedCall call = runtime.only("lpiSPIInquireNamedSubscribers");
  EXPECT_EQ(call.i(0), 6);
  EXPECT_EQ(call.bytes[1], Bytes({'C', 'O', 'P', 'T'}));
  EXPECT_EQ(call.bytes[2], Bytes({'S', 'U', 'B'}));
  EXPECT_EQ(call.i(3), -3);
  EXPECT_NE(call.p(4), nullptr);
  EXPECT_EQ(intAt(call.bytes[5], 0), 5);
  EXPECT_EQ(intAt(call.bytes[6], 0), 0) << "the output value is not read from Java";
  EXPECT_EQ(bytesOf(subIds)[0], 'I');
  EXPECT_EQ(codeWrites, (std::vector<std::string>{"SetIntField(11)", "SetIntField(22)",
                                                  "SetIntField(2)", "SetIntField(2428)"}))
      << "the values, even after a failure, then the codes";
  EXPECT_EQ(released, (std::vector<const void*>{callOptions, subName, subIds}));
  EXPECT_EQ(events()[1], "data 59 0 \"lpiSPIInquireNamedSubscribers returned CC=2, RC=2428\" -");
  EXPECT_EQ(lines, (std::vector<std::string>{"lpiSPIInquireNamedSubscribers(entry)",
                                             "lpiSPIInquireNamedSubscribers(exit): rc:2428"}));

  for (int position : {1, 2, 3}) {
    FaultyEnv failing(env);
    failing.fail(Jni::GetByteArrayElements, position);
    NATIVE(lpiSPIInquireNamedSubscribers)(env, nullptr, JNI_FALSE, 6, 0, 0, callOptions, subName,
                                          0, subIds, inOut, out, cc, reason);
    EXPECT_EQ(value(inOut), 0);
    EXPECT_EQ(value(out), 0);
    EXPECT_EQ(failing.releasedArrays(), failing.pinnedArrays());
  }
  EXPECT_EQ(runtime.count("lpiSPIInquireNamedSubscribers"), 1u);
  std::vector<std::string> all = events();
  EXPECT_EQ(std::vector<std::string>(all.end() - 3, all.end()),
            (std::vector<std::string>{
                "krux 59 0 4 0 0 0 \"native_callOptionsBuffer is null\" null null",
                "krux 59 0 5 0 0 0 \"native_subNameBuffer is null\" null null",
                "krux 59 0 5 0 0 0 \"native_subIdBuffer is null\" null null"}));
}

// The runtime reads as many bytes of the name as the name length says, and
// writes identifiers up to the in/out value: lengths above their arrays are
// refused before the array is pinned, and a negative one is the runtime's
// to refuse.
TEST_F(SpiAdmin, NamedSubscriberInquiryRefusesLengthsAboveItsArrays) {
  struct Case {
    jint nameLength;
    int32_t idLength;
    std::string report;  // empty: the call goes on
    size_t pinnedBefore;
  };
  const std::vector<Case> cases = {
      {3, 8, "", 3},
      {-3, 8, "", 3},
      {3, -1, "", 3},
      {4, 8, "krux 59 0 5 2195 4 3 \"native_subNameBuffer is too short\" null null", 1},
      {3, 9, "krux 59 0 5 2195 9 8 \"native_subIdBuffer is too short\" null null", 2},
  };
  for (const Case& c : cases) {
    runtime.clear();
    jobject inOut = pint(c.idLength);
    jobject out = pint(55);
    FaultyEnv faults(env);
    NATIVE(lpiSPIInquireNamedSubscribers)(env, nullptr, JNI_FALSE, 6, 0, 0,
                                          structureArray(VxStructure::SpiNamedSubscriberOptions), bytes("SUB"),
                                          c.nameLength, bytes(Bytes(8, 0)), inOut, out, cc, reason);
    EXPECT_EQ(faults.log("Release"), std::vector<std::string>(c.pinnedBefore, kCopyBack)) << c.report;
    if (c.report.empty()) {
      EXPECT_EQ(runtime.calls().size(), 1u);
      continue;
    }
    EXPECT_TRUE(runtime.calls().empty()) << c.report;
    std::vector<std::string> seen = events();
    EXPECT_EQ(seen.empty() ? "" : seen.back(), c.report);
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    EXPECT_EQ(value(inOut), 0) << "as on every path without the runtime call";
    EXPECT_EQ(value(out), 0);
  }
}

TEST_F(SpiAdmin, SubscriptionRequestReadsTheHandleAndWritesNothingBack) {
  runtime.capture("lpiSPISubscriptionRequest", 3, 4);
  runtime.capture("lpiSPISubscriptionRequest", 4, 4);
  runtime.on("lpiSPISubscriptionRequest", [](RecordedCall& call) { call.p<uint8_t>(4)[0] = 'R'; });
  jbyteArray sro = structureArray(VxStructure::SRO, "SRO ");
  jobject hsub = hobjHolder(31);
  std::vector<std::string> lines;
  std::vector<std::string> log;
  {
    FaultyEnv faults(env);
    FdCapture err(2);
    NATIVE(lpiSPISubscriptionRequest)(env, nullptr, JNI_FALSE, 6, 0, 0, hsub, 4, structureArray(VxStructure::SpiSubscriptionRequest, "SRD "),
                                      sro, cc, reason);
    lines = exportLines(err.stop());
    log = faults.log("Call");
  }

  RecordedCall call = runtime.only("lpiSPISubscriptionRequest");
  EXPECT_EQ(call.i(0), 6);
  EXPECT_EQ(call.i(1), 31);
  EXPECT_EQ(call.i(2), 4);
  EXPECT_EQ(call.bytes[3], Bytes({'S', 'R', 'D', ' '}));
  EXPECT_EQ(call.bytes[4], Bytes({'S', 'R', 'O', ' '}));
  EXPECT_EQ(bytesOf(sro)[0], 'R');
  EXPECT_EQ(log, std::vector<std::string>{"CallIntMethod"}) << "one getValue, no setValue";
  EXPECT_EQ(lines, (std::vector<std::string>{"lpiSPISubscriptionRequest(entry)",
                                             "lpiSPISubscriptionRequest(exit): rc:0"}));

  for (int position : {1, 2}) {
    FaultyEnv failing(env);
    failing.fail(Jni::GetByteArrayElements, position);
    NATIVE(lpiSPISubscriptionRequest)(env, nullptr, JNI_FALSE, 6, 0, 0, hsub, 4, structureArray(VxStructure::SpiSubscriptionRequest, "SRD "),
                                      sro, cc, reason);
    EXPECT_EQ(failing.releasedArrays(), failing.pinnedArrays());
    EXPECT_TRUE(failing.log("CallIntMethod").empty()) << "the handle is read only for the call";
  }
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "krux 59 0 4 0 0 0 \"native_lpisrd is null\" null null",
                          "krux 59 0 5 0 0 0 \"native_vxsro is null\" null null"}));
}

TEST_F(SpiAdmin, SubscribeWritesBothHandlesOnlyWhenTheCallSucceeds) {
  runtime.capture("lpiSPISubscribe", 3, 4);
  runtime.capture("lpiSPISubscribe", 4, 4);
  runtime.on("lpiSPISubscribe", [](RecordedCall& call) {
    *call.p<int32_t>(3) = 101;
    *call.p<int32_t>(4) = 202;
  });
  jobject hobj = hobjHolder(7);
  jobject hsub = hobjHolder(8);
  FdCapture err(2);
  NATIVE(lpiSpiSubscribe)(env, nullptr, JNI_TRUE, 6, 0, 0, structureArray(VxStructure::SpiSubscribeDescriptor, "LSD "), structureArray(VxStructure::SD, "SD  "), hobj, hsub,
                          cc, reason);
  std::vector<std::string> lines = exportLines(err.stop());

  RecordedCall call = runtime.only("lpiSPISubscribe");
  EXPECT_EQ(call.i(0), 6);
  EXPECT_EQ(intAt(call.bytes[3], 0), 7);
  EXPECT_EQ(intAt(call.bytes[4], 0), 0) << "the subscription handle is output only";
  EXPECT_EQ(hobjValue(hobj), 101);
  EXPECT_EQ(hobjValue(hsub), 202);
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 48",
                                                "data 59 48 \"lpiSPISubscribe returned CC=0, RC=0\" -",
                                                "exit 59 48 0"}));
  EXPECT_EQ(lines, (std::vector<std::string>{"lpiSpiSubscribe(entry)", "lpiSpiSubscribe(exit): rc:0"}));

  runtime.answer("lpiSPISubscribe", 2, 2429);
  jobject otherHobj = hobjHolder(7);
  jobject otherHsub = hobjHolder(8);
  NATIVE(lpiSpiSubscribe)(env, nullptr, JNI_FALSE, 6, 0, 0, structureArray(VxStructure::SpiSubscribeDescriptor, "LSD "), structureArray(VxStructure::SD, "SD  "), otherHobj,
                          otherHsub, cc, reason);
  EXPECT_EQ(hobjValue(otherHobj), 7);
  EXPECT_EQ(hobjValue(otherHsub), 8);
  EXPECT_EQ(codes(), std::make_pair(2, 2429));

  for (int position : {1, 2}) {
    FaultyEnv failing(env);
    failing.fail(Jni::GetByteArrayElements, position);
    NATIVE(lpiSpiSubscribe)(env, nullptr, JNI_FALSE, 6, 0, 0, structureArray(VxStructure::SpiSubscribeDescriptor, "LSD "), structureArray(VxStructure::SD, "SD  "), hobj,
                            hsub, cc, reason);
    EXPECT_EQ(failing.releasedArrays(), failing.pinnedArrays());
  }
  std::vector<std::string> all = events();
  EXPECT_EQ(std::vector<std::string>(all.end() - 2, all.end()),
            (std::vector<std::string>{"krux 59 48 3 0 0 0 \"native_lpiSD is null\" null null",
                                      "krux 59 48 4 0 0 0 \"native_subDesc is null\" null null"}));
}

TEST_F(SpiAdmin, UnsubscribePassesItsDescriptorAndCopiesItBack) {
  runtime.on("lpiSPIUnsubscribe", [](RecordedCall& call) { call.p<uint8_t>(1)[0] = 'U'; });
  jbyteArray usd = structureArray(VxStructure::SpiUnsubscribeDescriptor, "USD ");
  FdCapture err(2);
  NATIVE(lpiSpiUnsubscribe)(env, nullptr, JNI_TRUE, 6, 0, 0, usd, cc, reason);
  std::vector<std::string> lines = exportLines(err.stop());
  EXPECT_EQ(runtime.only("lpiSPIUnsubscribe").i(0), 6);
  EXPECT_EQ(bytesOf(usd)[0], 'U');
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 49",
                                                "data 59 49 \"lpiSPIUnsubscribe returned CC=0, RC=0\" -",
                                                "exit 59 49 0"}));
  EXPECT_EQ(lines, (std::vector<std::string>{"lpiSpiUnsubscribe(entry)",
                                             "lpiSpiUnsubscribe(exit): rc:0"}));

  FaultyEnv faults(env);
  faults.fail(Jni::GetByteArrayElements, 1);
  NATIVE(lpiSpiUnsubscribe)(env, nullptr, JNI_FALSE, 6, 0, 0, usd, cc, reason);
  EXPECT_EQ(runtime.count("lpiSPIUnsubscribe"), 1u);
  EXPECT_EQ(events().back(), "krux 59 49 3 0 0 0 \"native_lpiUSD is null\" null null");
}
