// Every structure array of every export, one byte shorter than the length
// the runtime reads and writes of it, is refused before it is pinned: its
// failure report ("native_<name> is too short", 2195, the bytes required
// and present), completion code 2 and reason 2195, no runtime call, and the
// arrays pinned before it released with the modes they have on a call that
// goes through. An array of exactly that length goes through.
#include <cstddef>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "faulty_env.h"
#include "jni_test.h"

namespace {

using Arrays = std::vector<jbyteArray>;

// One structure argument of an export, in pin order.
struct Argument {
  VxStructure structure;
  int32_t probe;
  const char* name;
};

struct Export {
  const char* name;
  int32_t function;
  std::vector<Argument> arguments;
  // Calls the export with the structure arrays in the order of arguments.
  void (*call)(JNIEnv*, class StructureLengths&, const Arrays&);
};

class StructureLengths : public ExportTest {
 public:
  // Holders and the other arrays of the calls, new for each call.
  jobject h(int32_t value = 0) { return hobjHolder(value); }
  jobject c(int32_t value = 0) { return hconnHolder(value); }
  jobject p(int32_t value = 0) { return pint(value); }
  jobject m() { return hmsgHolder(1); }
  // Four bytes of data, the one array of a call that holds no structure.
  jbyteArray data() { return data_; }
  void newData() { data_ = bytes("data"); }
  jbyteArray md() { return structureArray(VxStructure::MD); }
  jbyteArray pmo() { return structureArray(VxStructure::PMO); }
  jbyteArray spiSd() { return structureArray(VxStructure::SpiSubscribeDescriptor); }
  jobjectArray noSegments() {
    jclass cls = env->FindClass("[B");
    jobjectArray list = env->NewObjectArray(0, cls, nullptr);
    env->DeleteLocalRef(cls);
    return list;
  }
  jintArray noInts() { return env->NewIntArray(0); }
  jobject ccHolder() const { return cc; }
  jobject reasonHolder() const { return reason; }

 private:
  jbyteArray data_ = nullptr;
};

#define CODES t.ccHolder(), t.reasonHolder()

const std::vector<Export>& exports() {
  using S = VxStructure;
  static const std::vector<Export> all = {
      {"VXCONNX", 11, {{S::CNO, 4, "native_vxcno"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(VXCONNX)(e, nullptr, JNI_FALSE, t.data(), 0, a[0], t.c(), CODES);
       }},
      {"spiConnect_with_environment", 14,
       {{S::SpiConnectOptions, 3, "native_spicno"}, {S::CNO, 4, "native_vxcno"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(spiConnect_1with_1environment)(e, nullptr, JNI_FALSE, t.data(), 0, a[0], a[1], t.c(), 5,
                                               CODES);
       }},
      {"VXOPEN", 7, {{S::OD, 4, "native_vxod"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(VXOPEN)(e, nullptr, JNI_FALSE, 1, 0, 0, a[0], VXOO_OUTPUT, t.h(), CODES);
       }},
      {"spiOpen", 0, {{S::OD, 4, "native_vxod"}, {S::SpiOpenOptions, 5, "native_options"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(spiOpen)(e, nullptr, JNI_FALSE, 1, 0, 0, a[0], a[1], t.h(), CODES);
       }},
      {"VXPUT", 8, {{S::MD, 4, "native_vxmd"}, {S::PMO, 5, "native_vxpmo"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(VXPUT)(e, nullptr, JNI_FALSE, 1, 0, 0, 2, a[0], a[1], 4, t.data(), CODES);
       }},
      {"VXPUT1", 9, {{S::OD, 4, "native_vxod"}, {S::MD, 5, "native_vxmd"}, {S::PMO, 6, "native_vxpmo"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(VXPUT1)(e, nullptr, JNI_FALSE, 1, 0, 0, a[0], a[1], a[2], 4, t.data(), CODES);
       }},
      {"talyPut", 44, {{S::MD, 4, "native_vxmd"}, {S::PMO, 5, "native_vxpmo"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(talyPut)(e, nullptr, JNI_FALSE, 1, 0, 0, 2, a[0], a[1], 0, t.noSegments(), t.noInts(),
                         t.noInts(), CODES);
       }},
      {"talyPut1", 45, {{S::OD, 4, "native_vxod"}, {S::MD, 5, "native_vxmd"}, {S::PMO, 6, "native_vxpmo"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(talyPut1)(e, nullptr, JNI_FALSE, 1, 0, 0, a[0], a[1], a[2], 0, t.noSegments(), t.noInts(),
                          t.noInts(), CODES);
       }},
      {"VXGET", 5, {{S::MD, 4, "native_vxmd"}, {S::GMO, 5, "native_vxgmo"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(VXGET)(e, nullptr, JNI_FALSE, 1, 0, 0, 2, a[0], a[1], 4, t.data(), t.p(), CODES);
       }},
      {"spiPut", 16,
       {{S::MD, 3, "native_vxmd"}, {S::PMO, 4, "native_vxpmo"}, {S::SpiPutOptions, 5, "native_spipo"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(spiPut)(e, nullptr, JNI_FALSE, 1, 0, 0, 2, a[0], a[1], a[2], 4, t.data(), CODES);
       }},
      {"spiGet", 15,
       {{S::MD, 3, "native_vxmd"}, {S::GMO, 4, "native_vxgmo"}, {S::SpiGetOptions, 5, "native_spigo"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(spiGet)(e, nullptr, JNI_FALSE, 1, 0, 0, 2, a[0], a[1], a[2], 4, t.data(), t.p(), CODES);
       }},
      {"spiSyncPoint", 17, {{S::SpiSyncPointOptions, 3, "native_spo"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(spiSyncPoint)(e, nullptr, JNI_FALSE, 1, 0, 0, a[0], CODES);
       }},
      {"spiActivateMessage", 33, {{S::SpiActivation, 3, "native_spia"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(spiActivateMessage)(e, nullptr, JNI_FALSE, 1, 0, 0, a[0], CODES);
       }},
      {"spiNotify", 515, {{S::SpiNotifyDetails, 3, "native_notifyDetails"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(spiNotify)(e, nullptr, JNI_FALSE, 1, 0, 0, 1, a[0], CODES);
       }},
      {"VXBEGIN", 12, {{S::BO, 1, "native_vxbo"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(VXBEGIN)(e, nullptr, JNI_FALSE, 1, 0, 0, a[0], CODES);
       }},
      {"VXSUB", 38, {{S::SD, 4, "native_vxsd"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(VXSUB)(e, nullptr, JNI_FALSE, 1, 0, 0, a[0], t.h(), t.h(), CODES);
       }},
      {"VXSUBRQ", 0, {{S::SRO, 4, "native_vxsro"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(VXSUBRQ)(e, nullptr, JNI_FALSE, 1, 0, 0, t.h(3), 1, a[0], CODES);
       }},
      {"VXSTAT", 32, {{S::STS, 4, "native_vxsts"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(VXSTAT)(e, nullptr, JNI_FALSE, 1, 0, 0, 1, a[0], CODES);
       }},
      {"VXCRTMH", 0, {{S::CMHO, 3, "native_CrtMsgHOpts"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(VXCRTMH)(e, nullptr, JNI_FALSE, 1, 0, 0, a[0], t.m(), CODES);
       }},
      {"VXDLTMH", 0, {{S::DMHO, 3, "native_DltMsgHOpts"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(VXDLTMH)(e, nullptr, JNI_FALSE, 1, 0, 0, t.m(), a[0], CODES);
       }},
      {"VXSETMP", 0,
       {{S::SMPO, 3, "native_SetPropOpts"}, {S::PropertyName, 4, "native_Name"}, {S::PD, 5, "native_PropDesc"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(VXSETMP)(e, nullptr, JNI_FALSE, 1, 0, 0, 1, a[0], a[1], a[2], VXPT_BYTES, 4, t.data(), CODES);
       }},
      {"VXINQMP", 0,
       {{S::IMPO, 3, "native_InqPropOpts"}, {S::PropertyName, 4, "native_Name"}, {S::PD, 5, "native_PropDesc"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(VXINQMP)(e, nullptr, JNI_FALSE, 1, 0, 0, 1, a[0], a[1], a[2], t.p(), 4, t.data(), t.p(), CODES);
       }},
      {"VXDLTMP", 0, {{S::DMPO, 3, "native_DltPropOpts"}, {S::PropertyName, 4, "native_Name"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(VXDLTMP)(e, nullptr, JNI_FALSE, 1, 0, 0, 1, a[0], a[1], CODES);
       }},
      {"VXMHBUF", 0,
       {{S::MHBO, 3, "native_MsgHBufOpts"}, {S::PropertyName, 4, "native_Name"}, {S::MD, 5, "native_MsgDesc"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(VXMHBUF)(e, nullptr, JNI_FALSE, 1, 0, 0, 1, a[0], a[1], a[2], 4, t.data(), t.p(), CODES);
       }},
      {"VXBUFMH", 0, {{S::BMHO, 3, "native_BufMsgHOpts"}, {S::MD, 4, "native_MsgDesc"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(VXBUFMH)(e, nullptr, JNI_FALSE, 1, 0, 0, 1, a[0], a[1], 4, t.data(), 0, CODES);
       }},
      {"VXCB", 40, {{S::MD, 3, "native_vxmd"}, {S::GMO, 4, "native_vxgmo"}, {S::CBD, 5, "native_vxcbd"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(VXCB)(e, nullptr, JNI_FALSE, 0, 0, nullptr, nullptr, 1, 0, 0, VXOP_DEREGISTER, t.h(2), a[0],
                      a[1], a[2], CODES);
       }},
      {"VXCTL", 39, {{S::CTLO, 4, "native_vxctlo"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(VXCTL)(e, nullptr, JNI_FALSE, 1, 0, 0, VXOP_STOP, a[0], CODES);
       }},
      {"vpiConvertData", 516, {{S::MD, 4, "native_msgDesc"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(vpiConvertData)(e, nullptr, JNI_FALSE, 1, 0, 0, 0, 0, 0, JNI_FALSE, a[0], t.data(), t.p(4), 0, 4,
                                CODES, t.p());
       }},
      {"spiDefine", 0,
       {{S::SpiObjectSelector, 3, "native_ObjectSelector"}, {S::SpiFilterElement, 4, "native_FilterElement"},
        {S::SpiAttrErrors, 6, "native_AttrErrorss"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(spiDefine)(e, nullptr, JNI_FALSE, 1, 0, 0, JNI_TRUE, a[0], t.data(), 0, nullptr, 0, nullptr, 0,
                           nullptr, a[1], 0, a[2], CODES);
       }},
      {"spiDelete", 0, {{S::SpiObjectSelector, 3, "native_ObjectSelector"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(spiDelete)(e, nullptr, JNI_FALSE, 1, 0, 0, a[0], JNI_FALSE, CODES);
       }},
      {"spiInquire", 0,
       {{S::SpiObjectSelector, 3, "native_ObjectSelector"}, {S::SpiFilterElement, 4, "native_FilterElement"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(spiInquire)(e, nullptr, JNI_FALSE, 1, 0, 0, a[0], 0, nullptr, 0, nullptr, 0, nullptr, a[1],
                            CODES);
       }},
      {"lpiSPIInquireNamedSubscribers", 0, {{S::SpiNamedSubscriberOptions, 4, "native_callOptionsBuffer"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(lpiSPIInquireNamedSubscribers)(e, nullptr, JNI_FALSE, 1, 0, 0, a[0], t.data(), 4, t.data(),
                                               t.p(4), t.p(), CODES);
       }},
      {"lpiSPISubscriptionRequest", 0,
       {{S::SpiSubscriptionRequest, 4, "native_lpisrd"}, {S::SRO, 5, "native_vxsro"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(lpiSPISubscriptionRequest)(e, nullptr, JNI_FALSE, 1, 0, 0, t.h(3), 1, a[0], a[1], CODES);
       }},
      {"lpiSpiSubscribe", 48, {{S::SpiSubscribeDescriptor, 3, "native_lpiSD"}, {S::SD, 4, "native_subDesc"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(lpiSpiSubscribe)(e, nullptr, JNI_FALSE, 1, 0, 0, a[0], a[1], t.h(), t.h(), CODES);
       }},
      {"lpiSpiUnsubscribe", 49, {{S::SpiUnsubscribeDescriptor, 3, "native_lpiUSD"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(lpiSpiUnsubscribe)(e, nullptr, JNI_FALSE, 1, 0, 0, a[0], CODES);
       }},
      {"lpiSPIAdoptUser", 0, {{S::SpiSecurityContext, 2, "native_lexPContext"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(lpiSPIAdoptUser)(e, nullptr, JNI_FALSE, 1, 0, 0, 0, a[0], nullptr, 0, nullptr, 0, nullptr,
                                 nullptr, t.p(), 0, nullptr, t.data(), 0, nullptr, 0, nullptr, CODES);
       }},
      {"lpiSPIMapCredentials", 0, {{S::SpiSecurityContext, 2, "native_lexPContext"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(lpiSPIMapCredentials)(e, nullptr, JNI_FALSE, 1, 0, 0, a[0], nullptr, nullptr, nullptr, nullptr,
                                      nullptr, nullptr, CODES);
       }},
      {"lpiSPICHLAUTH", 0, {{S::SpiChlAuthParms, 1, "native_pParms"}},
       [](JNIEnv* e, StructureLengths& t, const Arrays& a) {
         NATIVE(lpiSPICHLAUTH)(e, nullptr, JNI_FALSE, 1, 0, 0, a[0], CODES);
       }},
  };
  return all;
}

// What a call did with the arrays it pinned: each array's release mode.
std::map<const void*, std::string> releaseModes(const FaultyEnv& faults) {
  std::vector<std::string> modes = faults.log("ReleaseByteArrayElements");
  std::map<const void*, std::string> byArray;
  for (size_t i = 0; i < faults.releasedArrays().size() && i < modes.size(); ++i) {
    byArray[faults.releasedArrays()[i]] = modes[i];
  }
  return byArray;
}

}  // namespace

TEST_F(StructureLengths, EachStructureArrayOneByteShortIsRefusedBeforeItIsPinnedAndOneOfItsLengthGoesThrough) {
  for (const Export& e : exports()) {
    for (size_t shortOne = 0; shortOne < e.arguments.size(); ++shortOne) {
      SCOPED_TRACE(std::string(e.name) + ", " + e.arguments[shortOne].name);
      ASSERT_EQ(env->PushLocalFrame(64), JNI_OK);
      newData();
      Arrays exact;
      for (const Argument& a : e.arguments) exact.push_back(structureArray(a.structure));
      runtime.clear();
      std::map<const void*, std::string> modes;
      {
        FaultyEnv faults(env);
        e.call(env, *this, exact);
        modes = releaseModes(faults);
        EXPECT_EQ(faults.pins(), 0);
      }
      EXPECT_EQ(runtime.calls().size(), 1u) << "an array of the length goes through";
      EXPECT_EQ(codes(), std::make_pair(0, 0));

      Arrays arrays = exact;
      int32_t required = vxStructureLength(e.arguments[shortOne].structure);
      arrays[shortOne] = bytes(Bytes(static_cast<size_t>(required) - 1, 0));
      runtime.clear();
      size_t before = events().size();
      FaultyEnv faults(env);
      e.call(env, *this, arrays);
      EXPECT_TRUE(runtime.calls().empty());
      EXPECT_EQ(codes(), std::make_pair(2, 2195));
      std::vector<std::string> seen = events();
      EXPECT_EQ(seen.size(), before + 1) << "the failure report alone, tracing off";
      EXPECT_EQ(seen.size() > before ? seen.back() : "", "krux 59 " + std::to_string(e.function) + " " +
                                 std::to_string(e.arguments[shortOne].probe) + " 2195 " +
                                 std::to_string(required) + " " + std::to_string(required - 1) + " \"" +
                                 e.arguments[shortOne].name + " is too short\" null null");
      EXPECT_EQ(faults.pins(), 0);
      EXPECT_EQ(faults.pinnedArrays(), faults.releasedArrays());
      for (const void* pinned : faults.pinnedArrays()) {
        EXPECT_NE(pinned, arrays[shortOne]) << "the short array is never pinned";
        EXPECT_EQ(releaseModes(faults)[pinned], modes[pinned]) << "released with its own mode";
      }
      for (size_t later = shortOne + 1; later < arrays.size(); ++later) {
        EXPECT_EQ(modes.count(arrays[later]), 1u);
        EXPECT_EQ(releaseModes(faults).count(arrays[later]), 0u) << "nothing after it is pinned";
      }
      size_t pinnedBefore = 0;
      for (size_t earlier = 0; earlier < shortOne; ++earlier) pinnedBefore += releaseModes(faults).count(arrays[earlier]);
      EXPECT_EQ(pinnedBefore, shortOne) << "every structure before it was pinned";
      env->PopLocalFrame(nullptr);
    }
  }
}

namespace {

// A string that a structure names by a VXCHARV at `at`: the runtime reads
// VSLength bytes of it, or writes up to VSBufSize.
struct NamedString {
  const char* exportName;
  VxStructure structure;
  size_t at;
  bool written;
  int32_t function;
  const char* name;
  void (*call)(JNIEnv*, StructureLengths&, jbyteArray);
};

const std::vector<NamedString>& namedStrings() {
  using S = VxStructure;
  static const std::vector<NamedString> all = {
      {"VXOPEN", S::OD, offsetof(VXOD, ObjectString), false, 7, "native_vxod",
       [](JNIEnv* e, StructureLengths& t, jbyteArray a) {
         NATIVE(VXOPEN)(e, nullptr, JNI_FALSE, 1, 0, 0, a, VXOO_OUTPUT, t.h(), CODES);
       }},
      {"VXOPEN", S::OD, offsetof(VXOD, SelectionString), false, 7, "native_vxod",
       [](JNIEnv* e, StructureLengths& t, jbyteArray a) {
         NATIVE(VXOPEN)(e, nullptr, JNI_FALSE, 1, 0, 0, a, VXOO_OUTPUT, t.h(), CODES);
       }},
      {"VXPUT1", S::OD, offsetof(VXOD, ResObjectString), true, 9, "native_vxod",
       [](JNIEnv* e, StructureLengths& t, jbyteArray a) {
         NATIVE(VXPUT1)(e, nullptr, JNI_FALSE, 1, 0, 0, a, t.md(), t.pmo(), 4, t.data(), CODES);
       }},
      {"VXSUB", S::SD, offsetof(VXSD, ObjectString), false, 38, "native_vxsd",
       [](JNIEnv* e, StructureLengths& t, jbyteArray a) {
         NATIVE(VXSUB)(e, nullptr, JNI_FALSE, 1, 0, 0, a, t.h(), t.h(), CODES);
       }},
      {"lpiSpiSubscribe", S::SD, offsetof(VXSD, SubName), false, 48, "native_subDesc",
       [](JNIEnv* e, StructureLengths& t, jbyteArray a) {
         NATIVE(lpiSpiSubscribe)(e, nullptr, JNI_FALSE, 1, 0, 0, t.spiSd(), a, t.h(), t.h(), CODES);
       }},
      {"VXINQMP", S::PropertyName, 0, false, 0, "native_Name",
       [](JNIEnv* e, StructureLengths& t, jbyteArray a) {
         NATIVE(VXINQMP)(e, nullptr, JNI_FALSE, 1, 0, 0, 1, nullptr, a, nullptr, t.p(), 4, t.data(), t.p(), CODES);
       }},
  };
  return all;
}

// The structure with a VXCHARV at `at` that names `length` bytes at `offset`
// (or holds `pointer`), and room for 8 bytes after the structure.
Bytes naming(const NamedString& s, int32_t offset, int32_t length, void* pointer = nullptr) {
  Bytes bytes(static_cast<size_t>(vxStructureLength(s.structure)) + 8, 0);
  VXCHARV string{};
  string.VSPtr = pointer;
  string.VSOffset = offset;
  (s.written ? string.VSBufSize : string.VSLength) = length;
  std::memcpy(bytes.data() + s.at, &string, sizeof string);
  return bytes;
}

}  // namespace

// The runtime follows the offset (or the pointer) of a string wherever it
// points, so a string that does not lie inside the array is refused before
// the array is pinned, and one that fills the room to its last byte goes
// through.
TEST_F(StructureLengths, AStringNamedByOffsetMustLieInsideItsArray) {
  for (const NamedString& s : namedStrings()) {
    SCOPED_TRACE(std::string(s.exportName) + " at " + std::to_string(s.at));
    ASSERT_EQ(env->PushLocalFrame(64), JNI_OK);
    newData();
    int32_t end = vxStructureLength(s.structure);
    int32_t present = end + 8;
    struct Case {
      Bytes array;
      std::string report;  // empty: the call goes on
    };
    std::string tooShort = " \"" + std::string(s.name) + " is too short\" null null";
    int dummy = 0;
    const std::vector<Case> cases = {
        {naming(s, end, 8), ""},                 // to the array's last byte
        {naming(s, end + 100, 0), ""},           // no bytes, nothing to follow
        {naming(s, end + 9, -1), ""},            // a negative length is the runtime's to refuse
        {naming(s, 0, 0, &dummy), ""},           // a pointer to no bytes
        {naming(s, end, 9), "2195 " + std::to_string(present + 1) + " " + std::to_string(present) + tooShort},
        {naming(s, end + 1, 8), "2195 " + std::to_string(present + 1) + " " + std::to_string(present) + tooShort},
        {naming(s, -1, 8), "2195 7 " + std::to_string(present) + tooShort},
        {naming(s, 0x7FFFFFF0, 0x20), "2195 2147483647 " + std::to_string(present) + tooShort},
        {naming(s, 0, 1, &dummy),
         "2195 0 " + std::to_string(present) + " \"" + s.name + " holds a native pointer\" null null"},
    };
    for (const Case& c : cases) {
      runtime.clear();
      size_t before = events().size();
      FaultyEnv faults(env);
      s.call(env, *this, bytes(c.array));
      std::vector<std::string> seen = events();
      if (c.report.empty()) {
        EXPECT_EQ(runtime.calls().size(), 1u);
        EXPECT_EQ(seen.size(), before);
      } else {
        EXPECT_TRUE(runtime.calls().empty()) << c.report;
        EXPECT_EQ(seen.size() > before ? seen.back() : "",
                  "krux 59 " + std::to_string(s.function) + " 4 " + c.report);
        EXPECT_EQ(codes(), std::make_pair(2, 2195));
      }
      EXPECT_EQ(faults.pins(), 0);
    }
    env->PopLocalFrame(nullptr);
  }
}

namespace {

// An export that hands the runtime a name, the entry that gets it and the
// argument it is.
struct NamePassing {
  const char* entry;
  size_t arg;
  void (*call)(JNIEnv*, StructureLengths&, jbyteArray);
};

}  // namespace

// The runtime reads a name up to 48 bytes or a NUL: a shorter array reaches
// it as a copy padded with NULs, a longer one as it is.
TEST_F(StructureLengths, NamesReachTheRuntimeAsFarAsTheirArraysGoAndPaddedWithNuls) {
  const std::vector<NamePassing> exports = {
      {"VXCONN", 0,
       [](JNIEnv* e, StructureLengths& t, jbyteArray name) {
         NATIVE(VXCONN)(e, nullptr, JNI_FALSE, name, 0, t.c(), CODES);
       }},
      {"VXCONNX", 0,
       [](JNIEnv* e, StructureLengths& t, jbyteArray name) {
         NATIVE(VXCONNX)(e, nullptr, JNI_FALSE, name, 0, nullptr, t.c(), CODES);
       }},
      {"lpiSPIVXConnect", 0,
       [](JNIEnv* e, StructureLengths& t, jbyteArray name) {
         NATIVE(spiConnect)(e, nullptr, JNI_FALSE, name, 0, nullptr, nullptr, t.c(), CODES);
       }},
      {"lpiSPIDefine", 3,
       [](JNIEnv* e, StructureLengths& t, jbyteArray like) {
         NATIVE(spiDefine)(e, nullptr, JNI_FALSE, 1, 0, 0, JNI_TRUE, nullptr, like, 0, nullptr, 0, nullptr, 0,
                           nullptr, nullptr, 0, nullptr, CODES);
       }},
  };
  const std::string shortName = "QM1";
  const std::string longName = std::string(VX_NAME_LENGTH, 'Q') + "tail";
  for (const NamePassing& e : exports) {
    SCOPED_TRACE(e.entry);
    runtime.clear();
    runtime.capture(e.entry, e.arg, VX_NAME_LENGTH);
    jbyteArray shortArray = bytes(shortName);
    e.call(env, *this, shortArray);
    e.call(env, *this, bytes(longName));
    e.call(env, *this, nullptr);
    std::vector<RecordedCall> calls = runtime.calls();
    ASSERT_EQ(calls.size(), 3u);
    Bytes padded(shortName.begin(), shortName.end());
    padded.resize(VX_NAME_LENGTH, 0);
    EXPECT_EQ(calls[0].bytes[e.arg], padded);
    EXPECT_EQ(calls[1].bytes[e.arg], Bytes(longName.begin(), longName.begin() + VX_NAME_LENGTH));
    EXPECT_EQ(calls[2].p(e.arg), nullptr);
    EXPECT_EQ(bytesOf(shortArray), Bytes(shortName.begin(), shortName.end()));
    EXPECT_EQ(codes(), std::make_pair(0, 0));
  }
}
