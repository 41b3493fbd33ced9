// Service-provider security: lpiSPIAdoptUser, lpiSPIMapCredentials and
// lpiSPICHLAUTH.
#include <algorithm>
#include <cstring>

#include "capture.h"
#include "faulty_env.h"
#include "jni_test.h"
#include "vx/structs.h"

namespace {

const std::string kNative = "Java_com_orvane_vx_taly_local_internal_base_Native_";
const std::string kCopyBack = "ReleaseByteArrayElements(0)";

// The arrays of an adoption, in pin order, and the order they go back in.
struct Adoption {
  jbyteArray lexP, acct, appl, channel, connName, product, client, connId, security;
  std::vector<const void*> pinOrder() const {
    return {lexP, acct, appl, channel, connName, product, client, connId, security};
  }
  std::vector<const void*> releaseOrder() const {
    return {lexP, security, channel, appl, acct, connId, connName, product, client};
  }
};

// What the runtime found behind the record's pointers during the call.
struct SeenRecord {
  LpiAdoptUser record{};
  std::string channel, connectionName, clientId;
  int32_t inOut = 0;
};

std::string text(const void* bytes, size_t length) {
  return bytes != nullptr ? std::string(static_cast<const char*>(bytes), length) : "(null)";
}

class SpiSecurity : public ExportTest {
 protected:
  Adoption adoption() {
    return {structureArray(VxStructure::SpiSecurityContext, "LEXP"), bytes("ACCT"), bytes("APPL"), bytes("CHAN"), bytes("CONN"),
            bytes("PRODUCT-ID-1234"), bytes("CLIENT-7"), bytes("CID "), bytes("CSP ")};
  }

  void adopt(jboolean trace, const Adoption& a, jobject inOut) {
    NATIVE(lpiSPIAdoptUser)(env, nullptr, trace, 6, 0, 0, 105, a.lexP, a.appl, 108, a.acct, 110,
                            a.channel, a.connName, inOut, 0, a.product, a.client, 1208,
                            a.security, 119, a.connId, cc, reason);
  }

  // Keeps what the record shows, and lets the runtime change the product
  // identifier and the in/out value.
  void inspectRecord(SeenRecord& seen) {
    runtime.on("lpiSPIAdoptUser", [&seen](RecordedCall& call) {
      auto* record = call.p<LpiAdoptUser>(7);
      seen.record = *record;
      seen.channel = text(record->Channel, 4);
      seen.connectionName = text(record->ConnectionName, 4);
      seen.clientId = text(record->ClientIdPtr, static_cast<size_t>(record->ClientIdLength));
      seen.inOut = *record->InOutValue;
      *record->InOutValue = 99;
      std::memcpy(record->ProductIdentifier, "CHANGED-BY-R", 12);
    });
  }
};

}  // namespace

TEST_F(SpiSecurity, AdoptUserPassesItsArgumentsAndARecordOfTheRest) {
  for (size_t arg : {2, 3, 5, 8, 10}) runtime.capture("lpiSPIAdoptUser", arg, 4);
  SeenRecord seen;
  inspectRecord(seen);
  Adoption a = adoption();
  jobject inOut = pint(13);
  FaultyEnv faults(env);
  FdCapture err(2);
  adopt(JNI_TRUE, a, inOut);
  std::vector<std::string> lines = traceMessages(err.stop());

  RecordedCall call = runtime.only("lpiSPIAdoptUser");
  EXPECT_EQ(call.i(0), 6);
  EXPECT_EQ(call.i(1), 105);
  EXPECT_EQ(call.bytes[2], Bytes({'L', 'E', 'X', 'P'}));
  EXPECT_EQ(call.bytes[3], Bytes({'A', 'P', 'P', 'L'}));
  EXPECT_EQ(call.i(4), 108);
  EXPECT_EQ(call.bytes[5], Bytes({'A', 'C', 'C', 'T'}));
  EXPECT_EQ(call.i(6), 110);
  EXPECT_EQ(call.bytes[8], Bytes({'C', 'S', 'P', ' '}));
  EXPECT_EQ(call.i(9), 119);
  EXPECT_EQ(call.bytes[10], Bytes({'C', 'I', 'D', ' '}));

  EXPECT_EQ(std::string(seen.record.StrucId, 4), "LADU");
  EXPECT_EQ(seen.record.Version, 3);
  EXPECT_EQ(seen.channel, "CHAN");
  EXPECT_EQ(seen.connectionName, "CONN");
  EXPECT_EQ(seen.inOut, 13);
  EXPECT_EQ(seen.record.Parm19, 119);
  EXPECT_EQ(std::string(seen.record.ProductIdentifier, 12), "PRODUCT-ID-1");
  EXPECT_EQ(seen.clientId, "CLIENT-7");
  EXPECT_EQ(seen.record.ClientIdOffset, 0);
  EXPECT_EQ(seen.record.ClientIdBufSize, 8);
  EXPECT_EQ(seen.record.ClientIdCCSID, 1208);

  Bytes product = bytesOf(a.product);
  EXPECT_EQ(std::string(product.begin(), product.end()), "CHANGED-BY-R234");
  EXPECT_EQ(value(inOut), 99);
  EXPECT_EQ(codes(), std::make_pair(0, 0));
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 0",
                                                "data 59 0 \"lpiSPIAdoptUser returned CC=0, RC=0\" -",
                                                "exit 59 0 0"}));
  EXPECT_EQ(faults.pinnedArrays(), a.pinOrder());
  EXPECT_EQ(faults.releasedArrays(), a.releaseOrder());
  EXPECT_EQ(faults.log("Release"), std::vector<std::string>(9, kCopyBack));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(firstLine(lines), kNative + "lpiSPIAdoptUser(entry)");
  EXPECT_EQ(lastLine(lines), kNative + "lpiSPIAdoptUser(exit): rc:0");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), ""), 3) << "a marker before each view";
}

TEST_F(SpiSecurity, AdoptUserWithoutClientOrProductIdentifierLeavesThoseFieldsEmpty) {
  SeenRecord seen;
  inspectRecord(seen);
  Adoption a = adoption();
  a.client = nullptr;
  a.product = nullptr;
  a.channel = nullptr;
  adopt(JNI_FALSE, a, pint(0));

  EXPECT_EQ(seen.record.ClientIdPtr, nullptr);
  EXPECT_EQ(seen.record.ClientIdOffset, 0);
  EXPECT_EQ(seen.record.ClientIdBufSize, 0);
  EXPECT_EQ(seen.record.ClientIdLength, 0);
  EXPECT_EQ(seen.record.ClientIdCCSID, 1208) << "the character set all the same";
  EXPECT_EQ(seen.record.Channel, nullptr);
  EXPECT_EQ(std::string(seen.record.ProductIdentifier, 12), std::string(12, '\0'));
  EXPECT_EQ(codes(), std::make_pair(0, 0));
}

TEST_F(SpiSecurity, AdoptUserReleasesWhatWasPinnedBeforeAFailedPinAndRewritesTheValue) {
  const std::vector<std::string> reports = {
      "2 0 0 0 \"native_lexPContext is null\"",  "1 0 0 0 \"native_acctToken is null\"",
      "1 0 0 0 \"native_applName is null\"",     "2 0 0 0 \"native_channel is null\"",
      "1 0 0 0 \"native_connectionName is null\"", "1 0 0 0 \"native_productIdentifier is null\"",
      "1 0 0 0 \"native_clientIdentifier is null\"", "1 0 0 0 \"native_connectionId is null\"",
      "2 0 0 0 \"native_securityParms is null\"",
  };
  for (size_t position = 0; position < reports.size(); ++position) {
    Adoption a = adoption();
    jobject inOut = pint(13);
    FaultyEnv faults(env);
    faults.fail(Jni::GetByteArrayElements, static_cast<int>(position) + 1);
    adopt(JNI_FALSE, a, inOut);
    EXPECT_TRUE(runtime.calls().empty());
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    EXPECT_EQ(events().back(), "krux 59 0 " + reports[position] + " null null");
    std::vector<const void*> pinned = a.pinOrder();
    pinned.resize(position);
    std::vector<const void*> released;
    for (const void* array : a.releaseOrder()) {
      if (std::count(pinned.begin(), pinned.end(), array)) released.push_back(array);
    }
    EXPECT_EQ(faults.releasedArrays(), released) << "position " << position;
    EXPECT_EQ(faults.log("SetIntField").front(), "SetIntField(13)") << "rewritten first";
    EXPECT_EQ(value(inOut), 13);
  }
}

TEST_F(SpiSecurity, AProductIdentifierShorterThanTheRecordFieldIsRefused) {
  Adoption a = adoption();
  a.product = bytes("PRODUCT-ID1");
  FaultyEnv faults(env);
  adopt(JNI_FALSE, a, pint(13));
  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  EXPECT_EQ(events(), std::vector<std::string>{
                          "krux 59 0 1 2195 12 11 \"native_productIdentifier is too short\" null null"});
  EXPECT_EQ(faults.releasedArrays(),
            (std::vector<const void*>{a.lexP, a.channel, a.appl, a.acct, a.connName}));
  EXPECT_EQ(bytesOf(a.product), Bytes({'P', 'R', 'O', 'D', 'U', 'C', 'T', '-', 'I', 'D', '1'}));

  a.product = bytes("PRODUCT-ID12");
  adopt(JNI_FALSE, a, pint(13));
  EXPECT_EQ(runtime.count("lpiSPIAdoptUser"), 1u) << "twelve bytes are enough";
}

TEST_F(SpiSecurity, MapCredentialsPassesItsArraysInOrderAndCopiesThemBack) {
  for (size_t arg = 1; arg <= 7; ++arg) runtime.capture("lpiSPIMapCredentials", arg, 4);
  runtime.answer("lpiSPIMapCredentials", 2, 2035);
  runtime.on("lpiSPIMapCredentials", [](RecordedCall& call) { call.p<uint8_t>(2)[0] = 'm'; });
  std::vector<jbyteArray> arrays = {structureArray(VxStructure::SpiSecurityContext, "LEXP"), bytes("USER"), bytes("CSP "), bytes("ACCT"),
                                    bytes("APPL"), bytes("CHNL"), bytes("CONN")};
  FaultyEnv faults(env);
  FdCapture err(2);
  NATIVE(lpiSPIMapCredentials)(env, nullptr, JNI_TRUE, 6, 0, 0, arrays[0], arrays[1], arrays[2],
                               arrays[3], arrays[4], arrays[5], arrays[6], cc, reason);
  std::vector<std::string> lines = traceMessages(err.stop());

  RecordedCall call = runtime.only("lpiSPIMapCredentials");
  EXPECT_EQ(call.i(0), 6);
  const std::vector<std::string> contents = {"LEXP", "USER", "CSP ", "ACCT", "APPL", "CHNL", "CONN"};
  for (size_t arg = 1; arg <= 7; ++arg) {
    EXPECT_EQ(std::string(call.bytes[arg].begin(), call.bytes[arg].end()), contents[arg - 1]);
  }
  EXPECT_EQ(bytesOf(arrays[1])[0], 'm') << "copied back after a failure";
  EXPECT_EQ(codes(), std::make_pair(2, 2035));
  EXPECT_EQ(events()[1], "data 59 0 \"lpiSPIMapCredentials returned CC=2, RC=2035\" -");
  std::vector<const void*> all(arrays.begin(), arrays.end());
  EXPECT_EQ(faults.releasedArrays(), all);
  EXPECT_EQ(faults.log("Release"), std::vector<std::string>(7, kCopyBack));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(firstLine(lines), kNative + "lpiSPIMapCredentials(entry)");
  EXPECT_EQ(lastLine(lines), kNative + "lpiSPIMapCredentials(exit): rc:2035");
}

TEST_F(SpiSecurity, MapCredentialsReleasesWhatWasPinnedBeforeAFailedPin) {
  const std::vector<std::string> reports = {
      "2 0 0 0 \"native_lexPContext is null\"", "2 0 0 0 \"native_mcaUser is null\"",
      "2 0 0 0 \"native_vxcsp_buf is null\"",   "1 0 0 0 \"native_acctToken is null\"",
      "1 0 0 0 \"native_applName is null\"",    "2 0 0 0 \"native_channelName is null\"",
      "1 0 0 0 \"native_connectionName is null\"",
  };
  for (size_t position = 0; position < reports.size(); ++position) {
    FaultyEnv faults(env);
    faults.fail(Jni::GetByteArrayElements, static_cast<int>(position) + 1);
    NATIVE(lpiSPIMapCredentials)(env, nullptr, JNI_FALSE, 6, 0, 0, structureArray(VxStructure::SpiSecurityContext),
                                 bytes("U"),
                                 bytes("C"), bytes("A"), bytes("P"), bytes("H"), bytes("N"), cc,
                                 reason);
    EXPECT_TRUE(runtime.calls().empty());
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    EXPECT_EQ(events().back(), "krux 59 0 " + reports[position] + " null null");
    EXPECT_EQ(faults.log("Release"), std::vector<std::string>(position, kCopyBack));
    EXPECT_EQ(faults.releasedArrays(), faults.pinnedArrays());
  }
}

TEST_F(SpiSecurity, ChannelAuthenticationNeedsItsParametersAndPassesTwoNullPointers) {
  runtime.capture("lpiSPICHLAUTH", 1, 4);
  runtime.answer("lpiSPICHLAUTH", 2, 2035);
  runtime.on("lpiSPICHLAUTH", [](RecordedCall& call) { call.p<uint8_t>(1)[3] = '!'; });
  jbyteArray parms = structureArray(VxStructure::SpiChlAuthParms, "PRMS");
  FdCapture err(2);
  NATIVE(lpiSPICHLAUTH)(env, nullptr, JNI_TRUE, 6, 0, 0, parms, cc, reason);
  std::vector<std::string> lines = traceMessages(err.stop());

  RecordedCall call = runtime.only("lpiSPICHLAUTH");
  EXPECT_EQ(call.i(0), 6);
  EXPECT_EQ(call.bytes[1], Bytes({'P', 'R', 'M', 'S'}));
  EXPECT_EQ(call.p(2), nullptr);
  EXPECT_EQ(call.p(3), nullptr);
  EXPECT_EQ(bytesOf(parms)[3], '!');
  EXPECT_EQ(codes(), std::make_pair(2, 2035));
  EXPECT_EQ(events()[1], "data 59 0 \"lpiSPICHLAUTH returned CC=2, RC=2035\" -");
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(firstLine(lines), kNative + "lpiSPICHLAUTH(entry)");
  EXPECT_EQ(lastLine(lines), kNative + "lpiSPICHLAUTH(exit): rc:2035");

  runtime.clear();
  NATIVE(lpiSPICHLAUTH)(env, nullptr, JNI_FALSE, 6, 0, 0, nullptr, cc, reason);
  FaultyEnv faults(env);
  faults.fail(Jni::GetByteArrayElements, 1);
  NATIVE(lpiSPICHLAUTH)(env, nullptr, JNI_FALSE, 6, 0, 0, parms, cc, reason);
  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_TRUE(faults.log("Release").empty());
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  std::vector<std::string> all = events();
  EXPECT_EQ(std::vector<std::string>(all.end() - 2, all.end()),
            std::vector<std::string>(2, "krux 59 0 1 0 0 0 \"native_pParms is null\" null null"));
}
