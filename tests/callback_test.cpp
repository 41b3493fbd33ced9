// Callback registration and control: VXCB with the callback area it makes,
// VXCTL, and the texts of operations and call types.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <map>

#include "capture.h"
#include "consumers.h"
#include "faulty_env.h"
#include "jvm.h"
#include "util/allocation.h"
#include "util/callback_area.h"
#include "util/consumer_dispatch.h"
#include "util/early_trace.h"
#include "runtime_vector.h"

namespace {

constexpr int32_t kRegister = 0x100;
constexpr int32_t kDeregister = 0x200;
constexpr size_t kAreaField = offsetof(VXCBD, CallbackArea);
constexpr size_t kFunctionField = offsetof(VXCBD, CallbackFunction);
constexpr size_t kNameField = offsetof(VXCBD, CallbackName);
constexpr size_t kWritten = kNameField + sizeof(VXCBD::CallbackName);

void* pointerAt(const Bytes& bytes, size_t offset) {
  void* pointer;
  std::memcpy(&pointer, bytes.data() + offset, sizeof pointer);
  return pointer;
}

Bytes slice(const Bytes& bytes, size_t offset, size_t length) {
  return Bytes(bytes.begin() + offset, bytes.begin() + offset + length);
}

// A descriptor as the Java side builds it: a name, and pointer fields that
// only the library may fill.
Bytes descriptor(size_t size = sizeof(VXCBD)) {
  Bytes d(size, 0x5A);
  std::memcpy(d.data(), "CBD ", 4);
  putInt(d, 4, 1);
  std::fill_n(d.begin() + kNameField, std::min(size, kWritten) - kNameField, 'N');
  return d;
}

// The log entries that start with one of the prefixes.
std::vector<std::string> only(const std::vector<std::string>& log,
                              std::initializer_list<const char*> prefixes) {
  std::vector<std::string> kept;
  for (const std::string& entry : log) {
    for (const char* prefix : prefixes) {
      if (entry.rfind(prefix, 0) == 0) kept.push_back(entry);
    }
  }
  return kept;
}

size_t lineIndex(const std::vector<std::string>& lines, const std::string& start) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind(start, 0) == 0) return i;
  }
  return lines.size();
}

class Callbacks : public ConsumerTest {
 protected:
  void SetUp() override {
    ConsumerTest::SetUp();
    hobj = hobjHolder(21);
    md = bytes(Bytes(364, 'm'));
    gmo = bytes(Bytes(112, 'g'));
    cbd = bytes(descriptor());
  }

  void vxcb(jboolean trace, int32_t index, jclass cls, jobject instance, int32_t operation) {
    NATIVE(VXCB)(env, nullptr, trace, 0, index, cls, instance, 7, 0, 0, operation, hobj, md, gmo,
                 cbd, cc, reason);
  }

  TalyCallbackArea* areaIn(const Bytes& bytes) {
    return static_cast<TalyCallbackArea*>(pointerAt(bytes, kAreaField));
  }

  jobject hobj = nullptr;
  jbyteArray md = nullptr;
  jbyteArray gmo = nullptr;
  jbyteArray cbd = nullptr;
};

class Control : public ExportTest {};
class CallbackLevel : public Callbacks {};

const std::string kNative = "Java_com_orvane_vx_taly_local_internal_base_Native_";

std::string pointerText(const void* pointer) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", pointer);
  return text;
}

// Every release is announced by an empty line just before its first line.
void expectEmptyLineBeforeEachRelease(const std::vector<std::string>& lines, size_t releases) {
  EXPECT_EQ(static_cast<size_t>(std::count(lines.begin(), lines.end(), "")), releases);
  EXPECT_EQ(linesStartingWith(lines, "releaseStructure entry"), releases);
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].rfind("releaseStructure entry", 0) == 0) {
      EXPECT_EQ(lines[i - 1], "") << i;
    }
  }
}

}  // namespace

TEST(CallbackTexts, OperationsAndCallTypesReadAsTheTraceShowsThem) {
  char buffer[kOperationTextSize];
  EXPECT_STREQ(operationText(buffer, 0x20100), "VXOP_REGISTER| VXOP_RESUME");
  EXPECT_STREQ(operationText(buffer, 0x4), "VXOP_STOP");
  EXPECT_STREQ(operationText(buffer, 0), "");
  EXPECT_STREQ(operationText(buffer, 0x8), "") << "bits outside the table are not shown";
  const char* all = operationText(buffer, -1);
  EXPECT_STREQ(all,
               "VXOP_START| VXOP_START_WAIT| VXOP_STOP| VXOP_REGISTER| VXOP_DEREGISTER| "
               "VXOP_SUSPEND| VXOP_RESUME");
  EXPECT_EQ(std::strlen(all), 97u);

  char callType[kCallTypeTextSize];
  EXPECT_STREQ(callTypeText(callType, 1), "VXCBCT_START_CALL");
  EXPECT_STREQ(callTypeText(callType, 4), "VXCBCT_DEREGISTER_CALL");
  EXPECT_STREQ(callTypeText(callType, 7), "VXCBCT_MSG_NOT_REMOVED");
  EXPECT_STREQ(callTypeText(callType, 8), "(8)");
  EXPECT_STREQ(callTypeText(callType, 0), "(0)");
  EXPECT_STREQ(callTypeText(callType, INT_MIN), "(-2147483648)");
}

TEST_F(Callbacks, ARegistrationHandsTheRuntimeItsAreaAndTheConsumerFunctionAndCopiesThemBack) {
  jobject consumer = newConsumer();
  runtime.capture("VXCB", 2, sizeof(VXCBD));
  runtime.capture("VXCB", 4, 364);
  runtime.capture("VXCB", 5, 112);
  runtime.on("VXCB", [](RecordedCall& call) {
    call.p<VXCBD>(2)->MaxMsgLength = 4096;
    call.p<uint8_t>(4)[0] = 'Z';
    call.p<uint8_t>(5)[0] = 'Z';
  });
  FaultyEnv faults(env);
  FdCapture err(2);
  vxcb(JNI_TRUE, 1, consumerClass(), consumer, 0x20100);
  std::vector<std::string> lines = traceMessages(err.stop());

  RecordedCall call = runtime.only("VXCB");
  EXPECT_EQ(call.i(0), 7);
  EXPECT_EQ(call.i(1), 0x20100);
  EXPECT_EQ(call.i(3), 21) << "the object handle from its holder";
  EXPECT_EQ(call.bytes[4], Bytes(364, 'm'));
  EXPECT_EQ(call.bytes[5], Bytes(112, 'g'));
  EXPECT_EQ(codes(), std::make_pair(0, 0));

  // What the runtime saw: the Java side's fields, then the library's.
  const Bytes& seen = call.bytes[2];
  EXPECT_EQ(slice(seen, 0, kAreaField), slice(descriptor(), 0, kAreaField));
  TalyCallbackArea* area = areaIn(seen);
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(pointerAt(seen, kFunctionField), reinterpret_cast<void*>(&TalyConsumerFunction));
  EXPECT_EQ(slice(seen, kNameField, 128), Bytes(128, 0));
  EXPECT_EQ(std::string(area->StrucId, 4), "TJCA");
  EXPECT_EQ(area->Version, 1);
  EXPECT_EQ(area->callback_index, 1);
  EXPECT_TRUE(env->IsSameObject(static_cast<jobject>(area->java_callback_instance), consumer));
  EXPECT_TRUE(env->IsSameObject(java_callback_class[1], consumerClass()));
  EXPECT_EQ(jvm.load(), javaVM());

  // The descriptor comes back whole; the descriptor and options do not.
  Bytes back = bytesOf(cbd);
  EXPECT_EQ(slice(back, 0, kWritten), slice(seen, 0, kWritten));
  EXPECT_EQ(intAt(back, offsetof(VXCBD, MaxMsgLength)), 4096);
  EXPECT_EQ(bytesOf(md), Bytes(364, 'm'));
  EXPECT_EQ(bytesOf(gmo), Bytes(112, 'g'));
  std::vector<std::string> log = faults.log();
  EXPECT_EQ(only(log, {"CallIntMethod", "GetByteArrayElements", "ReleaseByteArrayElements"}),
            (std::vector<std::string>{"CallIntMethod", "GetByteArrayElements",
                                      "GetByteArrayElements", "GetByteArrayElements",
                                      "ReleaseByteArrayElements(0)",
                                      "ReleaseByteArrayElements(2)",
                                      "ReleaseByteArrayElements(2)"}))
      << "the holder is read first; the descriptor is released first, with copy-back";
  auto descriptorPin = std::find(log.rbegin(), log.rend(), "GetByteArrayElements");
  ASSERT_NE(descriptorPin + 1, log.rend());
  EXPECT_EQ(descriptorPin[1], "GetArrayLength") << "its length is taken just before its pin";
  EXPECT_EQ(faults.pins(), 0);

  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 40", "entry 59 0", "exit 59 0 0",
                                                "data 59 40 \"VXCB returned CC=0, RC=0\" -",
                                                "exit 59 40 0"}));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(firstLine(lines),
            "Java_com_orvane_vx_taly_local_internal_base_Native_VXCB(entry): hconn:7, "
            "operation:VXOP_REGISTER| VXOP_RESUME");
  EXPECT_EQ(lastLine(lines), "Java_com_orvane_vx_taly_local_internal_base_Native_VXCB(exit): rc:0");
  size_t setupExit = lineIndex(lines, "SetupCallbackArea(exit)");
  size_t dump = lineIndex(lines, "native_vxcbd [length = " + std::to_string(sizeof(VXCBD)) + "]");
  size_t after = lineIndex(lines, "Java_com_orvane_vx_taly_local_internal_base_Native_VXCB(): "
                                  "after VXCB: rc:0");
  EXPECT_LT(lineIndex(lines, "SetupCallbackArea(entry)"), setupExit);
  EXPECT_LT(setupExit, dump);
  EXPECT_LT(dump, after);
  EXPECT_LT(after, lines.size());
  deregister(area);
}

TEST_F(Callbacks, TheClassOfAnIndexAndTheJvmAreKeptFromTheFirstRegistrationThatSetsThem) {
  jobject consumer = newConsumer();
  TalyCallbackArea* first = registerConsumer(consumer, 1);
  EXPECT_EQ(jvm.load(), javaVM());

  int elsewhere = 0;
  jvm = reinterpret_cast<JavaVM*>(&elsewhere);
  jclass object = env->FindClass("java/lang/Object");
  vxcb(JNI_FALSE, 1, object, consumer, kRegister);
  EXPECT_EQ(codes(), std::make_pair(0, 0));
  EXPECT_TRUE(env->IsSameObject(java_callback_class[1], consumerClass()));
  EXPECT_EQ(jvm.load(), reinterpret_cast<JavaVM*>(&elsewhere)) << "set once";
  EXPECT_EQ(java_callback_class[0].load(), nullptr);
  jvm = javaVM();

  TalyCallbackArea* second = areaIn(bytesOf(cbd));
  EXPECT_NE(second, first) << "one area per registration";
  deregister(first);
  deregister(second);
}

TEST_F(Callbacks, WithoutTheJavaVmTheDescriptorGoesToTheRuntimeAsJavaBuiltIt) {
  jobject consumer = newConsumer();
  runtime.capture("VXCB", 2, sizeof(VXCBD));
  FaultyEnv faults(env);
  faults.fail(Jni::GetJavaVM);
  vxcb(JNI_TRUE, 0, consumerClass(), consumer, kRegister);

  EXPECT_EQ(runtime.only("VXCB").bytes[2], descriptor());
  EXPECT_EQ(bytesOf(cbd), descriptor());
  EXPECT_EQ(codes(), std::make_pair(0, 0));
  EXPECT_EQ(jvm.load(), nullptr);
  EXPECT_TRUE(env->IsSameObject(java_callback_class[0], consumerClass()))
      << "the class is kept before the JavaVM is asked for";
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 40", "entry 59 0", "exit 59 0 0",
                                                "data 59 40 \"VXCB returned CC=0, RC=0\" -",
                                                "exit 59 40 0"}));
}

TEST_F(Callbacks, AnAreaThatCannotBeAllocatedFailsTheRegistrationButTheDescriptorComesBack) {
  jobject consumer = newConsumer();
  failAllocation(1);
  vxcb(JNI_TRUE, 0, consumerClass(), consumer, kRegister);

  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  Bytes back = bytesOf(cbd);
  EXPECT_EQ(slice(back, kAreaField, sizeof(void*)), Bytes(sizeof(void*), 0x5A))
      << "the area pointer stays as Java set it";
  EXPECT_EQ(pointerAt(back, kFunctionField), reinterpret_cast<void*>(&TalyConsumerFunction));
  EXPECT_EQ(slice(back, kNameField, 128), Bytes(128, 0));
  EXPECT_EQ(jvm.load(), javaVM());
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 40", "entry 59 0",
                                                "krux 59 0 1 0 0 0 \"malloc\" null null",
                                                "exit 59 0 2195", "exit 59 40 2195"}));
}

TEST_F(Callbacks, AnArrayThatCannotBePinnedStopsTheCallAndReleasesThoseBeforeIt) {
  const char* messages[] = {"native_vxmd is null", "native_vxgmo is null", "native_vxcbd is null"};
  const std::vector<std::string> released[] = {
      {}, {"ReleaseByteArrayElements(2)"},
      {"ReleaseByteArrayElements(2)", "ReleaseByteArrayElements(2)"}};
  jobject consumer = newConsumer();
  for (int nth = 1; nth <= 3; ++nth) {
    SCOPED_TRACE(nth);
    cbd = bytes(descriptor());
    FaultyEnv faults(env);
    faults.fail(Jni::GetByteArrayElements, nth);
    vxcb(JNI_FALSE, 0, consumerClass(), consumer, kRegister);

    EXPECT_TRUE(runtime.calls().empty());
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    EXPECT_EQ(faults.log("GetByteArrayElements").size(), static_cast<size_t>(nth));
    EXPECT_EQ(faults.log("Release"), released[nth - 1]);
    EXPECT_EQ(faults.pins(), 0);
    EXPECT_EQ(bytesOf(cbd), descriptor()) << "no area was made";
    EXPECT_EQ(events().back(), "krux 59 40 " + std::to_string(nth + 2) + " 0 0 0 \"" +
                                   messages[nth - 1] + "\" null null");
  }
}

TEST_F(Callbacks, ARegistrationWithoutADescriptorReachesTheRuntimeWithoutAnArea) {
  jobject consumer = newConsumer();
  cbd = nullptr;
  FdCapture err(2);
  vxcb(JNI_TRUE, 0, consumerClass(), consumer, kRegister);
  std::vector<std::string> lines = traceMessages(err.stop());

  EXPECT_EQ(runtime.only("VXCB").p(2), nullptr);
  EXPECT_EQ(codes(), std::make_pair(0, 0));
  EXPECT_LT(lineIndex(lines, "native_vxcbd == NULL"), lines.size());
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 40",
                                                "data 59 40 \"VXCB returned CC=0, RC=0\" -",
                                                "exit 59 40 0"}));
}

TEST_F(Callbacks, OtherOperationsPassTheDescriptorAsJavaBuiltItWhateverTheIndex) {
  runtime.capture("VXCB", 2, sizeof(VXCBD));
  runtime.answer("VXCB", 2, 3001);
  FaultyEnv faults(env);
  vxcb(JNI_FALSE, 2, nullptr, nullptr, kDeregister);

  RecordedCall call = runtime.only("VXCB");
  EXPECT_EQ(call.i(1), kDeregister);
  EXPECT_EQ(call.bytes[2], descriptor());
  EXPECT_EQ(codes(), std::make_pair(2, 3001));
  EXPECT_EQ(faults.log("Release"),
            (std::vector<std::string>{"ReleaseByteArrayElements(0)", "ReleaseByteArrayElements(2)",
                                      "ReleaseByteArrayElements(2)"}));
}

TEST_F(Callbacks, ARegistrationWhoseIndexIsOutsideTheTablesIsRefusedBeforeAnythingIsPinned) {
  jobject consumer = newConsumer();
  for (int32_t index : {2, -1, INT_MAX}) {
    SCOPED_TRACE(index);
    FaultyEnv faults(env);
    vxcb(JNI_FALSE, index, consumerClass(), consumer, kRegister);
    EXPECT_TRUE(runtime.calls().empty());
    EXPECT_TRUE(faults.log("GetByteArrayElements").empty());
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    EXPECT_EQ(events().back(), "krux 59 40 6 2195 " + std::to_string(index) +
                                   " 0 \"callback_index is out of range\" null null");
  }
  EXPECT_EQ(java_callback_class[0].load(), nullptr);
  EXPECT_EQ(java_callback_class[1].load(), nullptr);
  EXPECT_EQ(bytesOf(cbd), descriptor());
}

TEST_F(Callbacks, ARegistrationWhoseInstanceIsNotOfTheClassItsIndexCallsIsRefused) {
  jobject consumer = newConsumer();
  TalyCallbackArea* area = registerConsumer(consumer, 0);
  jclass objectClass = env->FindClass("java/lang/Object");
  jobject object = env->AllocObject(objectClass);

  vxcb(JNI_FALSE, 0, objectClass, object, kRegister);
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  vxcb(JNI_FALSE, 1, consumerClass(), nullptr, kRegister);
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  vxcb(JNI_FALSE, 1, nullptr, consumer, kRegister);
  EXPECT_EQ(codes(), std::make_pair(2, 2195));

  EXPECT_EQ(runtime.count("VXCB"), 1u) << "only the first registration";
  const std::string refused =
      " 0 \"callback instance is not of the callback class\" null null";
  EXPECT_EQ(events(), (std::vector<std::string>{"krux 59 40 7 2195 0" + refused,
                                                "krux 59 40 7 2195 1" + refused,
                                                "krux 59 40 7 2195 1" + refused}));
  EXPECT_EQ(java_callback_class[1].load(), nullptr);
  deregister(area);
}

TEST_F(Callbacks, ADescriptorShorterThanItsStructureIsRefusedBeforeItIsPinned) {
  jobject consumer = newConsumer();
  for (int32_t operation : {kRegister, kDeregister}) {
    for (size_t length : {kWritten - 1, sizeof(VXCBD) - 1}) {
      SCOPED_TRACE(std::to_string(operation) + " " + std::to_string(length));
      cbd = bytes(descriptor(length));
      size_t before = events().size();
      FaultyEnv faults(env);
      vxcb(JNI_FALSE, 0, consumerClass(), consumer, operation);

      EXPECT_TRUE(runtime.calls().empty());
      EXPECT_EQ(codes(), std::make_pair(2, 2195));
      EXPECT_EQ(faults.log("Release"), (std::vector<std::string>{"ReleaseByteArrayElements(2)",
                                                                 "ReleaseByteArrayElements(2)"}));
      EXPECT_EQ(faults.log("GetByteArrayElements").size(), 2u) << "the descriptor is not pinned";
      std::vector<std::string> now = events();
      EXPECT_EQ(std::vector<std::string>(now.begin() + before, now.end()),
                (std::vector<std::string>{"krux 59 40 5 2195 " + std::to_string(sizeof(VXCBD)) +
                                          " " + std::to_string(length) +
                                          " \"native_vxcbd is too short\" null null"}));
    }
  }
}

TEST_F(Callbacks, AnInstanceThatGetsNoGlobalReferenceFailsTheRegistrationAndFreesItsArea) {
  jobject consumer = newConsumer();
  vxcb(JNI_FALSE, 0, consumerClass(), consumer, kRegister);  // keeps the class
  deregister(areaIn(bytesOf(cbd)));
  cbd = bytes(descriptor());
  runtime.clear();
  size_t before = events().size();
  FaultyEnv faults(env);
  faults.fail(Jni::NewGlobalRef);
  vxcb(JNI_TRUE, 0, consumerClass(), consumer, kRegister);

  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(codes(), std::make_pair(2, 2071));
  EXPECT_EQ(slice(bytesOf(cbd), kAreaField, sizeof(void*)), Bytes(sizeof(void*), 0x5A))
      << "no area reaches Java";
  std::vector<std::string> now = events();
  EXPECT_EQ(std::vector<std::string>(now.begin() + before, now.end()),
            (std::vector<std::string>{"entry 59 40", "entry 59 0",
                                                "krux 59 0 2 0 0 0 \"NewGlobalRef\" null null",
                                                "exit 59 0 2071", "exit 59 40 2071"}));
  // The area count is checked when the test ends.
}

TEST_F(Callbacks, ARegistrationThatTheRuntimeRefusesFreesItsAreaAndHandsJavaNoAddress) {
  jobject consumer = newConsumer();
  runtime.capture("VXCB", 2, sizeof(VXCBD));
  runtime.answer("VXCB", 2, 3001);
  FdCapture err(2);
  vxcb(JNI_FALSE, 0, consumerClass(), consumer, kRegister);
  std::vector<std::string> lines = traceMessages(err.stop());

  EXPECT_NE(areaIn(runtime.only("VXCB").bytes[2]), nullptr) << "the runtime was handed an area";
  EXPECT_EQ(codes(), std::make_pair(2, 3001));
  Bytes back = bytesOf(cbd);
  EXPECT_EQ(areaIn(back), nullptr);
  EXPECT_EQ(pointerAt(back, kFunctionField), reinterpret_cast<void*>(&TalyConsumerFunction));
  EXPECT_LT(lineIndex(lines, "VXCB(): registration refused, talyCallbackArea:"), lines.size());
  // The area count is checked when the test ends; a double free would stop it.
}

TEST_F(Control, ControlPassesItsArgumentsInOrderAndCopiesTheOptionsBack) {
  runtime.capture("VXCTL", 2, 8);
  runtime.on("VXCTL", [](RecordedCall& call) { call.p<uint8_t>(2)[7] = 'Z'; });
  jbyteArray ctlo = structureArray(VxStructure::CTLO, std::string("CTLO\x01\x00\x00\x00", 8));
  FaultyEnv faults(env);
  FdCapture err(2);
  NATIVE(VXCTL)(env, nullptr, JNI_TRUE, 8, 0, 0, 0x10004, ctlo, cc, reason);
  std::vector<std::string> lines = traceMessages(err.stop());

  RecordedCall call = runtime.only("VXCTL");
  EXPECT_EQ(call.i(0), 8);
  EXPECT_EQ(call.i(1), 0x10004);
  EXPECT_EQ(call.bytes[2], Bytes({'C', 'T', 'L', 'O', 1, 0, 0, 0}));
  EXPECT_EQ(bytesOf(ctlo)[7], 'Z');
  EXPECT_EQ(faults.log("Release"), std::vector<std::string>{"ReleaseByteArrayElements(0)"});
  EXPECT_EQ(runtime.count("callInProgress"), 0u);
  EXPECT_EQ(codes(), std::make_pair(0, 0));
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 39",
                                                "data 59 39 \"VXCTL returned CC=0, RC=0\" -",
                                                "exit 59 39 0"}));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(firstLine(lines), "Java_com_orvane_vx_taly_local_internal_base_Native_VXCTL(entry): "
                           "operation:VXOP_STOP| VXOP_SUSPEND");
  EXPECT_LT(lineIndex(lines, "Java_com_orvane_vx_taly_local_internal_base_Native_VXCTL: "
                             "VXCTL --> 0"),
            lines.size());
  EXPECT_EQ(lastLine(lines), "Java_com_orvane_vx_taly_local_internal_base_Native_VXCTL(exit): rc:0");
}

TEST_F(Control, ACallInProgressIsNamedByTheRuntimesService) {
  runtime.answer("VXCTL", 2, 2219);
  runtime.on("callInProgress", [](RecordedCall& call) { call.result = 12; });
  FdCapture err(2);
  NATIVE(VXCTL)(env, nullptr, JNI_TRUE, 8, 0, 0, 0x1, nullptr, cc, reason);
  std::vector<std::string> lines = traceMessages(err.stop());

  EXPECT_EQ(runtime.only("VXCTL").p(2), nullptr);
  EXPECT_EQ(runtime.only("callInProgress").i(0), 8);
  EXPECT_EQ(codes(), std::make_pair(2, 2219));
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 39",
                                                "data 59 39 \"VXCTL --> rc:2219, call:12\" -",
                                                "data 59 39 \"VXCTL returned CC=2, RC=2219\" -",
                                                "exit 59 39 2219"}));
  EXPECT_LT(lineIndex(lines, "VXCTL --> rc:2219, call:12"), lines.size());
}

TEST_F(Control, OptionsThatCannotBePinnedStopTheCall) {
  jbyteArray ctlo = structureArray(VxStructure::CTLO);
  FaultyEnv faults(env);
  faults.fail(Jni::GetByteArrayElements);
  NATIVE(VXCTL)(env, nullptr, JNI_TRUE, 8, 0, 0, 0x1, ctlo, cc, reason);

  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_TRUE(faults.log("Release").empty());
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "entry 59 39", "krux 59 39 4 0 0 0 \"native_vxctlo is null\" null null",
                          "exit 59 39 2195"}));
}

TEST_F(Callbacks, ARegistrationTracesItsAreaAndDumpsTheWholeDescriptorArray) {
  jobject consumer = newConsumer();
  const size_t length = sizeof(VXCBD) + 40;
  cbd = bytes(descriptor(length));
  FdCapture err(2);
  vxcb(JNI_FALSE, 0, consumerClass(), consumer, kRegister);
  std::vector<std::string> lines = traceMessages(err.stop());
  ASSERT_EQ(codes(), std::make_pair(0, 0));
  TalyCallbackArea* area = areaIn(bytesOf(cbd));
  ASSERT_NE(area, nullptr);

  EXPECT_EQ(linesStartingWith(lines, "native_vxcbd [length = " + std::to_string(length) + "]"),
            1u);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [&](const std::string& line) {
                            return line.rfind("Entered hexdump2", 0) == 0 &&
                                   line.find(", len = " + std::to_string(length)) != line.npos;
                          }),
            1);
  const std::string setup[] = {
      "SetupCallbackArea(entry)",
      "SetupTalyCallbackArea: java_callback_instance:" + pointerText(consumer),
      "SetupCallbackArea: jvm:" + pointerText(javaVM()),
      "SetupTalyCallbackArea: talyCallbackArea:" + pointerText(area),
      "SetupTalyCallbackArea: talyCallbackArea->java_callback_instance:" +
          pointerText(area->java_callback_instance),
      "SetupCallbackArea(exit)"};
  size_t previous = 0;
  for (const std::string& line : setup) {
    SCOPED_TRACE(line);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1);
    size_t at = std::find(lines.begin(), lines.end(), line) - lines.begin();
    EXPECT_LE(previous, at) << "in this order";
    previous = at;
  }
  expectEmptyLineBeforeEachRelease(lines, 3);
  deregister(area);
}

TEST_F(Control, WithoutTheRuntimesServiceACallInProgressIsNamedAsCallZero) {
  // The scripted runtime lives for this test only.
  const_cast<VXServices*>(runtimeServices())->callInProgress = nullptr;
  runtime.answer("VXCTL", 2, 2219);
  jbyteArray ctlo = structureArray(VxStructure::CTLO);
  FdCapture err(2);
  NATIVE(VXCTL)(env, nullptr, JNI_TRUE, 8, 0, 0, 0x1, ctlo, cc, reason);
  std::vector<std::string> lines = traceMessages(err.stop());

  EXPECT_EQ(codes(), std::make_pair(2, 2219));
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 39",
                                                "data 59 39 \"VXCTL --> rc:2219, call:0\" -",
                                                "data 59 39 \"VXCTL returned CC=2, RC=2219\" -",
                                                "exit 59 39 2219"}));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "VXCTL --> rc:2219, call:0"), 1);
  expectEmptyLineBeforeEachRelease(lines, 1);
}

// Runs under several thresholds (tests/CMakeLists.txt): each line shows from
// its level on, and not below it.
TEST_F(CallbackLevel, EachLineIsWrittenFromItsLevelOn) {
  jobject consumer = newConsumer();
  const size_t length = sizeof(VXCBD) + 8;
  cbd = bytes(descriptor(length));
  jbyteArray ctlo = structureArray(VxStructure::CTLO);
  runtime.answer("VXCTL", 2, 2219);
  FdCapture err(2);
  vxcb(JNI_FALSE, 0, consumerClass(), consumer, kRegister);
  TalyCallbackArea* area = areaIn(bytesOf(cbd));
  RuntimeCallback message(area, 6, "hello", 4096);
  message.deliver();
  NATIVE(VXCTL)(env, nullptr, JNI_FALSE, 8, 0, 0, 0x1, ctlo, cc, reason);
  deregister(area);
  std::vector<std::string> lines = traceMessages(err.stop());

  const struct {
    std::string start;  // the empty text stands for empty lines
    int32_t level;
    size_t count;
  } expected[] = {
      {kNative + "VXCB(entry): hconn:7, operation:VXOP_REGISTER", 500, 1},
      {kNative + "VXCB(): after VXCB: rc:0", 300, 1},
      {"native_vxcbd [length = " + std::to_string(length) + "]", 300, 1},
      {kNative + "VXCB(exit): rc:0", 500, 1},
      {"SetupTalyCallbackArea: java_callback_instance:", 400, 1},
      {"SetupCallbackArea: jvm:", 400, 1},
      {"SetupTalyCallbackArea: talyCallbackArea:", 400, 1},
      {"SetupTalyCallbackArea: talyCallbackArea->java_callback_instance:", 400, 1},
      {"", 300, 4},
      {kNative + "VXCTL(entry): operation:VXOP_START", 500, 1},
      {kNative + "VXCTL: VXCTL --> 2219", 300, 1},
      {"VXCTL --> rc:2219, call:", 700, 1},
      {kNative + "VXCTL(exit): rc:2219", 500, 1},
      {"TalyConsumerFunction(entry)", 500, 2},
      {"VXHCONN [length = 4]", 400, 2},
      {"VXMD [length = 364]", 400, 1},
      {"VXGMO [length = 112]", 400, 1},
      {"VXMD == NULL", 400, 1},
      {"VXCBC [length = " + std::to_string(sizeof(VXCBC)) + "]", 400, 2},
      {"VXCBC:[Version:2 CallType:VXCBCT_MSG_REMOVED", 500, 1},
      {"buffer [length = 5]", 500, 1},
      {"buffer [length = 5]", 300, 1},
      {"buffer == NULL", 500, 1},
      {"buffer == NULL", 300, 1},
      {"TalyConsumerFunction(): talyConsumerMethod_method_id[0] = ", 400, 1},
  };
  std::map<std::string, size_t> shown;
  for (const auto& line : expected) {
    shown[line.start] += earlyTraceEnabled(line.level) ? line.count : 0;
  }
  for (const auto& [start, count] : shown) {
    SCOPED_TRACE("\"" + start + "\"");
    EXPECT_EQ(start.empty() ? std::count(lines.begin(), lines.end(), "")
                            : static_cast<std::ptrdiff_t>(linesStartingWith(lines, start)),
              static_cast<std::ptrdiff_t>(count));
  }
}
