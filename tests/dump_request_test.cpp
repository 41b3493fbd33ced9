// The queue-manager dump request on the reason that TalyDumpQmgrReason
// names. These run in processes of their own, with the variable set.
#include <cstring>

#include "capture.h"
#include "jni_test.h"
#include "util/early_trace.h"
#include "vx/structs.h"

namespace {

class DumpRequest : public ExportTest {};
class DumpRequestOff : public ExportTest {};

}  // namespace

TEST_F(DumpRequest, CallReturningTheReasonRequestsOneDumpOnItsConnection) {
  runtime.answer("VXBACK", 2, 2009);
  runtime.capture("VXOPEN", 1, sizeof(VXOD));
  FdCapture err(2);
  NATIVE(VXBACK)(env, nullptr, JNI_FALSE, 41, 0, 0, cc, reason);
  std::string out = err.stop();

  if (earlyTraceEnabled(400)) {
    EXPECT_NE(out.find("TalyDumpQmgrReason set to 2009"), std::string::npos) << out;
  }
  EXPECT_EQ(runtime.names(), (std::vector<std::string>{"VXBACK", "VXOPEN"}));
  RecordedCall open = runtime.only("VXOPEN");
  EXPECT_EQ(open.i(0), 41);
  EXPECT_EQ(open.i(2), 16) << "open options";
  VXOD expected;
  std::memset(&expected, 0, sizeof expected);
  std::memcpy(expected.StrucId, "OD  ", 4);
  expected.Version = 1;
  expected.ObjectType = 999;
  std::strcpy(expected.ObjectName, "SERVICE1.DUMP");
  std::strcpy(expected.DynamicQName, "ZRT.*");
  expected.ObjectString.VSCCSID = -3;
  expected.SelectionString.VSCCSID = -3;
  expected.ResObjectString.VSCCSID = -3;
  const auto* want = reinterpret_cast<const uint8_t*>(&expected);
  EXPECT_EQ(open.bytes[1], Bytes(want, want + sizeof expected));
  EXPECT_EQ(codes(), std::make_pair(2, 2009)) << "the dump does not change the call's codes";
}

TEST_F(DumpRequest, TracingMakesNoDifferenceAndOtherReasonsRequestNothing) {
  runtime.answer("VXCMIT", 2, 2009);
  NATIVE(VXCMIT)(env, nullptr, JNI_TRUE, 8, 0, 0, cc, reason);
  runtime.answer("VXCMIT", 2, 2010);
  NATIVE(VXCMIT)(env, nullptr, JNI_TRUE, 8, 0, 0, cc, reason);
  runtime.answer("VXCMIT", 0, 0);
  NATIVE(VXCMIT)(env, nullptr, JNI_TRUE, 8, 0, 0, cc, reason);
  EXPECT_EQ(runtime.names(),
            (std::vector<std::string>{"VXCMIT", "VXOPEN", "VXCMIT", "VXCMIT"}));
}

TEST_F(DumpRequestOff, NoReasonRequestsADump) {
  for (int32_t code : {0, 2009, 2195}) {
    runtime.answer("VXBACK", 2, code);
    NATIVE(VXBACK)(env, nullptr, JNI_TRUE, 8, 0, 0, cc, reason);
  }
  EXPECT_EQ(runtime.count("VXOPEN"), 0u);
}

TEST_F(DumpRequest, TheQueueingCallsRequestOnTheirOwnConnection) {
  runtime.answer("VXCONN", 2, 2009);
  runtime.on("VXCONN", [](RecordedCall& call) { *call.p<int32_t>(1) = 71; });
  NATIVE(VXCONN)(env, nullptr, JNI_FALSE, nullptr, 0, hconnHolder(0), cc, reason);
  runtime.answer("VXGET", 2, 2009);
  NATIVE(VXGET)(env, nullptr, JNI_FALSE, 72, 0, 0, 1, nullptr, nullptr, 0, nullptr, pint(0), cc,
                reason);
  runtime.answer("VXINQ", 1, 2009);
  NATIVE(VXINQ)(env, nullptr, JNI_FALSE, 73, 0, 0, 1, 0, nullptr, 0, nullptr, 0, nullptr, cc,
                reason);
  std::vector<int32_t> dumped;
  for (const RecordedCall& call : runtime.calls()) {
    if (call.name == "VXOPEN") dumped.push_back(call.i(0));
  }
  EXPECT_EQ(dumped, (std::vector<int32_t>{71, 72, 73})) << "the connect's new handle";
}
