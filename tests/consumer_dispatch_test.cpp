// Consumer dispatch: callbacks delivered by native threads that are not
// attached to the JVM, as the runtime's dispatcher threads deliver them, and
// on this (attached) thread where a test needs its JNIEnv.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "capture.h"
#include "consumers.h"
#include "faulty_env.h"
#include "jvm.h"
#include "util/callback_area.h"

namespace {

constexpr int32_t kStart = 1;
constexpr int32_t kStop = 2;
constexpr int32_t kRegistered = 3;
constexpr int32_t kDeregistered = 4;
constexpr int32_t kEvent = 5;
constexpr int32_t kRemoved = 6;
constexpr int32_t kNotRemoved = 7;

const std::string kContext = std::to_string(sizeof(VXCBC));

// A delivery as RecordingConsumer describes it, on a thread that the
// callback attached.
std::string delivery(const std::string& data, bool message = true) {
  std::string arrays = message ? "md=364 gmo=112 data=" + data : "md=null gmo=null data=null";
  return "thread=Taly AsyncConsume Thread. tid: scripted-thread daemon=true " + arrays +
         " context=" + kContext;
}

size_t linesContaining(const std::vector<std::string>& lines, const std::string& part) {
  size_t n = 0;
  for (const std::string& line : lines) n += line.find(part) != std::string::npos;
  return n;
}

size_t firstLine(const std::vector<std::string>& lines, const std::string& start) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind(start, 0) == 0) return i;
  }
  return lines.size();
}

Bytes bytesOfContext(const VXCBC& cbc) {
  auto at = reinterpret_cast<const uint8_t*>(&cbc);
  return Bytes(at, at + sizeof cbc);
}

void attachHere() {
  JNIEnv* env = nullptr;
  javaVM()->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&env), nullptr);
}

// A JavaVM whose GetEnv answers neither "attached" nor "detached".
jint JNICALL wrongVersion(JavaVM*, void**, jint) { return JNI_EVERSION; }

class Dispatch : public ConsumerTest {};
class ConsumerSetting : public ConsumerTest {};

}  // namespace

TEST_F(Dispatch, TheFirstCallbackAttachesItsThreadAsANamedDaemonAndLaterOnesFindItAttached) {
  jobject consumer = newConsumer();
  TalyCallbackArea* area = registerConsumer(consumer);
  RuntimeCallback first(area, kRemoved, "hello", 4096);
  RuntimeCallback second(area, kNotRemoved, "world!", 4096);
  RuntimeCallback stop(area, kStop, "", 0);
  RuntimeCallback deregistration(area, kDeregistered, "", 0);
  stop.withoutMessage();
  deregistration.withoutMessage();
  FdCapture err(2);
  std::vector<bool> attached = onNativeThread({[&] { first.deliver(); }, [&] { second.deliver(); },
                                               [&] { stop.deliver(); },
                                               [&] { deregistration.deliver(); }});
  std::vector<std::string> lines = traceMessages(err.stop());

  EXPECT_EQ(attached, (std::vector<bool>{true, true, false, false}))
      << "attached by the first message, detached by the stop; the deregistration attaches "
         "again and detaches what it attached";
  EXPECT_EQ(deliveries(consumer),
            (std::vector<std::string>{delivery("5"), delivery("6"), delivery("", false),
                                      delivery("", false)}));
  EXPECT_EQ(linesStartingWith(lines, "TalyConsumerFunction(): Before up to 1 call(s) to "
                                     "AttachCurrentThreadAsDaemon(): jvm:0x"),
            2u);
  EXPECT_EQ(linesStartingWith(lines, "TalyConsumerFunction(): Thread is already attached to a JVM"),
            2u);
  EXPECT_EQ(linesStartingWith(lines, "TalyConsumerFunction(): Before DetachCurrentThread()"), 2u);
  EXPECT_EQ(linesStartingWith(lines, "TalyConsumerFunction(entry)"), 4u);
  EXPECT_EQ(linesStartingWith(lines, "TalyConsumerFunction(exit)"), 4u);
  EXPECT_EQ(linesStartingWith(lines, "VXCBC:[Version:2 CallType:VXCBCT_MSG_REMOVED CompCode:0 "
                                     "Reason:0 State:0 DataLength:5 BufferLength:4096]"),
            1u);
  EXPECT_EQ(deregistration.cbc.CallbackArea, nullptr) << "the area is freed";

  // What the consumer received are copies; what it wrote into them stays in Java.
  EXPECT_EQ(delivered(consumer, 0, 0), first.md);
  EXPECT_EQ(delivered(consumer, 0, 1), first.gmo);
  EXPECT_EQ(delivered(consumer, 0, 2), Bytes({'h', 'e', 'l', 'l', 'o'}));
  EXPECT_EQ(delivered(consumer, 0, 3), bytesOfContext(first.cbc));
  EXPECT_EQ(first.md, Bytes(364, 'm'));
  EXPECT_TRUE(events().empty()) << "Java trace events are off by default";
}

TEST_F(Dispatch, TheThreadIsDetachedByTheCallTypeAndWhetherTheCallbackAttachedIt) {
  jobject consumer = newConsumer();
  // Call type, attached after a callback on a fresh thread, and after one on
  // a thread that was attached before.
  const struct {
    int32_t callType;
    bool freshStaysAttached;
    bool attachedStaysAttached;
  } cases[] = {{kStart, true, true},       {kStop, false, false},      {kRegistered, true, true},
               {kDeregistered, false, true}, {kEvent, false, true},   {kRemoved, true, true},
               {kNotRemoved, true, true},  {8, true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.callType);
    for (bool attachedBefore : {false, true}) {
      TalyCallbackArea* area = registerConsumer(consumer);
      RuntimeCallback callback(area, c.callType, "m", 16);
      std::vector<std::function<void()>> steps;
      if (attachedBefore) steps.push_back(attachHere);
      steps.push_back([&] { callback.deliver(); });
      std::vector<bool> attached = onNativeThread(steps);
      EXPECT_EQ(attached.back(), attachedBefore ? c.attachedStaysAttached : c.freshStaysAttached)
          << (attachedBefore ? "attached before" : "fresh thread");
      if (c.callType != kDeregistered) deregister(area);
    }
  }
}

TEST_F(Dispatch, AMessageLongerThanItsBufferArrivesAsTheBuffersBytes) {
  jobject consumer = newConsumer();
  TalyCallbackArea* area = registerConsumer(consumer);
  std::string message(10000, '\0');
  for (size_t i = 0; i < message.size(); ++i) message[i] = static_cast<char>(i % 251);
  RuntimeCallback callback(area, kRemoved, message, 4096);
  FdCapture err(2);
  onNativeThread({[&] { callback.deliver(); }});
  std::vector<std::string> lines = traceMessages(err.stop());

  EXPECT_EQ(deliveries(consumer), std::vector<std::string>{delivery("4096")});
  EXPECT_EQ(delivered(consumer, 0, 2), Bytes(message.begin(), message.begin() + 4096));
  EXPECT_EQ(linesStartingWith(lines, "TalyConsumerFunction(): buffer: NewByteArray(4096) --> 0x"),
            1u);
  deregister(area);
}

TEST_F(Dispatch, AnEventCallbackGivesTheConsumerThreeNullArraysAndTheContext) {
  jobject consumer = newConsumer();
  TalyCallbackArea* area = registerConsumer(consumer);
  RuntimeCallback event(area, kEvent, "", 0);
  event.withoutMessage();
  event.cbc.Reason = 3001;
  EXPECT_EQ(onNativeThread({[&] { event.deliver(); }}), std::vector<bool>{false});

  EXPECT_EQ(deliveries(consumer), std::vector<std::string>{delivery("", false)});
  EXPECT_EQ(intAt(delivered(consumer, 0, 3), offsetof(VXCBC, Reason)), 3001);
  deregister(area);
}

TEST_F(Dispatch, ACallbackWhoseContextOrAreaIsBadNeverReachesJavaNorAttaches) {
  jobject consumer = newConsumer();
  TalyCallbackArea* area = registerConsumer(consumer);
  TalyCallbackArea bad = *area;
  RuntimeCallback callback(&bad, kDeregistered, "m", 16);
  auto deliverAndRead = [&] {
    FdCapture err(2);
    std::vector<bool> attached = onNativeThread({[&] { callback.deliver(); }});
    EXPECT_EQ(attached, std::vector<bool>{false});
    return traceMessages(err.stop());
  };
  const struct {
    std::function<void()> spoil;
    const char* line;
  } cases[] = {
      {[&] { callback.hasContext = false; }, "VXCBC IS NULL"},
      {[&] { callback.cbc.CallbackArea = nullptr; }, "talyCallbackArea is NULL"},
      {[&] { bad.StrucId[0] = 'X'; }, "talyCallbackArea->StrucId:'XJCA'"},
      {[&] { bad.Version = 2; }, "talyCallbackArea->Version:2"},
      {[&] { bad.callback_index = 2; }, "talyCallbackArea->callback_index:2"},
      {[&] { bad.callback_index = -1; }, "talyCallbackArea->callback_index:-1"},
      {[&] { jvm = nullptr; }, "jvm IS NULL"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    bad = *area;
    callback.hasContext = true;
    callback.cbc.CallbackArea = &bad;
    jvm = javaVM();
    c.spoil();
    void* named = callback.cbc.CallbackArea;
    std::vector<std::string> lines = deliverAndRead();
    EXPECT_EQ(linesStartingWith(lines, c.line), 1u);
    EXPECT_EQ(linesStartingWith(lines, "TalyConsumerFunction(): index:0, Reason:2195"), 1u);
    EXPECT_EQ(linesStartingWith(lines, "TalyConsumerFunction(): Before call to GetEnv()"), 0u);
    EXPECT_EQ(callback.cbc.CallbackArea, named) << "nothing is freed";
  }
  jvm = javaVM();
  EXPECT_TRUE(deliveries(consumer).empty());
  EXPECT_TRUE(events().empty());
  deregister(area);
}

TEST_F(Dispatch, AnIndexWithoutAClassFailsBeforeJava) {
  jobject consumer = newConsumer();
  jvm = javaVM();
  TalyCallbackArea area{{'T', 'J', 'C', 'A'}, 1, 1, env->NewGlobalRef(consumer)};
  RuntimeCallback callback(&area, kRemoved, "m", 16);
  FdCapture err(2);
  callback.deliver();
  std::vector<std::string> lines = traceMessages(err.stop());

  EXPECT_EQ(linesStartingWith(lines, "TalyConsumerFunction(): java_callback_class IS NULL"), 1u);
  EXPECT_TRUE(deliveries(consumer).empty());
  EXPECT_TRUE(events().empty());
  env->DeleteGlobalRef(static_cast<jobject>(area.java_callback_instance));
}

TEST_F(Dispatch, AConsumerThatThrowsIsReportedAndStillGetsItsDeregistration) {
  jobject consumer = newConsumer();
  throwOnDelivery(consumer);
  TalyCallbackArea* area = registerConsumer(consumer);
  RuntimeCallback message(area, kRemoved, "hello", 4096);
  RuntimeCallback deregistration(area, kDeregistered, "", 0);
  deregistration.withoutMessage();
  std::vector<bool> attached =
      onNativeThread({[&] { message.deliver(); }, [&] { deregistration.deliver(); }});

  EXPECT_EQ(attached, (std::vector<bool>{true, true}))
      << "the deregistration did not attach the thread, so it leaves it attached";
  EXPECT_EQ(deliveries(consumer), (std::vector<std::string>{delivery("5"), delivery("", false)}));
  const std::string report = "krux 59 41 10 0 0 0 \"ExceptionCheck\" null null";
  EXPECT_EQ(events(), (std::vector<std::string>{report, report}));
  EXPECT_EQ(deregistration.cbc.CallbackArea, nullptr) << "freed all the same";
}

TEST_F(Dispatch, AClassWithoutTheConsumerMethodIsReportedAndItsErrorLeftPending) {
  jclass objectClass = env->FindClass("java/lang/Object");
  jobject object = env->AllocObject(objectClass);
  TalyCallbackArea* area = registerConsumer(object, 0, objectClass);
  RuntimeCallback message(area, kRemoved, "hello", 4096);
  message.deliver();

  jthrowable pending = env->ExceptionOccurred();
  ASSERT_NE(pending, nullptr);
  env->ExceptionClear();
  jclass noSuchMethod = env->FindClass("java/lang/NoSuchMethodError");
  EXPECT_TRUE(env->IsInstanceOf(pending, noSuchMethod));
  EXPECT_EQ(events(), std::vector<std::string>{
                          "krux 59 41 5 2195 0 0 \"Consumer_method_id is 0\" null null"});
  EXPECT_EQ(talyConsumerMethod_method_id[0].load(), nullptr);

  deregister(area);
  env->ExceptionClear();
}

TEST_F(Dispatch, AnExceptionPendingBeforeTheCallKeepsTheConsumerUncalledAndStaysPending) {
  jobject consumer = newConsumer();
  TalyCallbackArea* area = registerConsumer(consumer);
  jthrowable earlier = newException("java/lang/IllegalStateException", "earlier");
  RuntimeCallback message(area, kRemoved, "hello", 4096);
  env->Throw(earlier);
  message.deliver();

  jthrowable pending = env->ExceptionOccurred();
  ASSERT_NE(pending, nullptr);
  env->ExceptionClear();
  EXPECT_TRUE(env->IsSameObject(pending, earlier));
  EXPECT_TRUE(deliveries(consumer).empty());
  EXPECT_EQ(events(),
            std::vector<std::string>{"krux 59 41 100 0 0 0 \"Pending exception\" null null"});
  deregister(area);
}

TEST_F(Dispatch, EachArrayThatCannotBeMadeIsReportedAndTheOthersAreDeleted) {
  jobject consumer = newConsumer();
  TalyCallbackArea* area = registerConsumer(consumer);
  const std::string reports[] = {
      "krux 59 41 6 2195 364 0 \"java_vxmd_buf is null\" null null",
      "krux 59 41 7 2195 112 0 \"java_vxgmo_buf is null\" null null",
      "krux 59 41 8 2195 5 0 \"java_buffer is null\" \"DataLength = 5, BufferLength = 4096\" null",
      "krux 59 41 9 2195 " + kContext + " 0 \"java_context is null\" null null"};
  for (int nth = 1; nth <= 4; ++nth) {
    SCOPED_TRACE(nth);
    RuntimeCallback message(area, kRemoved, "hello", 4096);
    FaultyEnv faults(env);
    faults.fail(Jni::NewByteArray, nth);
    message.deliver();
    EXPECT_EQ(events().back(), reports[nth - 1]);
    EXPECT_EQ(faults.localRefs(), 0) << "every array made is deleted";
    EXPECT_TRUE(faults.log("CallVoidMethod").size() == 1u) << "only the failure report";
  }
  EXPECT_TRUE(deliveries(consumer).empty());
  deregister(area);
}

// Settings are read once per process: each case runs in a process of its
// own, with the variables that tests/CMakeLists.txt sets. Two messages on one
// fresh thread show the attach decision, the detach policy, and that each
// setting is reported once.
TEST_F(ConsumerSetting, TwoMessagesOnOneThreadShowTheSettings) {
  const char* expectedLines = std::getenv("TALY_EXPECT_LINES");
  const char* expectedAttached = std::getenv("TALY_EXPECT_ATTACHED");
  ASSERT_NE(expectedLines, nullptr);
  ASSERT_NE(expectedAttached, nullptr);
  jobject consumer = newConsumer();
  TalyCallbackArea* area = registerConsumer(consumer);
  RuntimeCallback first(area, kRemoved, "one", 64);
  RuntimeCallback second(area, kRemoved, "two", 64);
  FdCapture err(2);
  std::vector<bool> attached =
      onNativeThread({[&] { first.deliver(); }, [&] { second.deliver(); }});
  std::vector<std::string> lines = traceMessages(err.stop());

  std::vector<bool> expected;
  for (const char* c = expectedAttached; *c != '\0'; ++c) expected.push_back(*c == '1');
  EXPECT_EQ(attached, expected);
  EXPECT_EQ(deliveries(consumer), (std::vector<std::string>{delivery("3"), delivery("3")}))
      << "a daemon thread, whatever the attach lines say";
  // "text=count|...": how many lines contain each text.
  std::stringstream entries(expectedLines);
  for (std::string entry; std::getline(entries, entry, '|');) {
    size_t at = entry.rfind('=');
    ASSERT_NE(at, std::string::npos) << entry;
    EXPECT_EQ(linesContaining(lines, entry.substr(0, at)),
              static_cast<size_t>(std::atoi(entry.c_str() + at + 1)))
        << entry.substr(0, at);
  }
  size_t entry = firstLine(lines, "TalyConsumerFunction(entry)");
  for (const char* before : {"TalyAttachRetry set to", "TalyAttachNonDaemon set to"}) {
    size_t at = firstLine(lines, before);
    EXPECT_TRUE(at == lines.size() || at < entry) << before << " comes before the entry line";
  }
  size_t orig = firstLine(lines, "TalyAsyncOrig set to");
  EXPECT_TRUE(orig == lines.size() || orig > entry) << "TalyAsyncOrig is read after it";

  // On a thread of its own: a callback that always attaches would detach this one.
  RuntimeCallback deregistration(area, kDeregistered, "", 0);
  onNativeThread({[&] { deregistration.withoutMessage().deliver(); }});
  EXPECT_EQ(deregistration.cbc.CallbackArea, nullptr);
}

TEST_F(ConsumerSetting, TraceSendsEachCallbacksEventsToJava) {
  jobject consumer = newConsumer();
  TalyCallbackArea* area = registerConsumer(consumer);
  std::string message(10000, 'x');
  for (size_t i = 0; i < 256; ++i) message[i] = static_cast<char>(i);
  RuntimeCallback callback(area, kRemoved, message, 4096);
  onNativeThread({[&] { callback.deliver(); }});

  const std::string line = "data 59 41 \"__________\" -";
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "entry 59 41", line, "data 59 41 \"TalyConsumerFunction >>\" -",
                          "data 59 41 \"CallType\" [18 bytes]", "data 59 41 \"VXHCONN\" [4 bytes]",
                          "data 59 41 \"VXMD\" [364 bytes]", "data 59 41 \"VXGMO\" [112 bytes]",
                          "data 59 41 \"VXVOID\" [256 bytes]",
                          "data 59 41 \"VXCBC\" [" + kContext + " bytes]", line, line,
                          "data 59 41 \"TalyConsumerFunction <<\" -", line, "exit 59 41 0"}));
  Bytes callType = eventData(3);
  EXPECT_EQ(std::string(callType.begin(), callType.end()), "VXCBCT_MSG_REMOVED");
  EXPECT_EQ(intAt(eventData(4), 0), callback.hconn);
  EXPECT_EQ(eventData(7), Bytes(message.begin(), message.begin() + 256));
  EXPECT_EQ(deliveries(consumer), std::vector<std::string>{delivery("4096")});

  // A trace method that throws leaves its exception pending: the consumer is
  // not called, and the exception stays for the runtime's caller on this thread.
  traceThrowsFrom("data");
  callback.deliver();
  jthrowable pending = env->ExceptionOccurred();
  ASSERT_NE(pending, nullptr);
  env->ExceptionClear();
  std::vector<std::string> all = events();
  EXPECT_EQ(std::count(all.begin(), all.end(),
                       "krux 59 41 100 0 0 0 \"Pending exception\" null null"),
            1);
  EXPECT_EQ(deliveries(consumer).size(), 1u);
  deregister(area);
  env->ExceptionClear();
}

TEST_F(Dispatch, TheCallbacksStructuresAreDumpedAndTheBufferOnlyAsFarAsItHolds) {
  jobject consumer = newConsumer();
  TalyCallbackArea* area = registerConsumer(consumer);
  RuntimeCallback message(area, kRemoved, std::string(100, 'b'), 10);
  FdCapture err(2);
  message.deliver();
  std::vector<std::string> lines = traceMessages(err.stop());

  EXPECT_EQ(delivered(consumer, 0, 2), Bytes(10, 'b'));
  EXPECT_EQ(linesStartingWith(lines, "TalyConsumerFunction(): buffer: NewByteArray(10) --> 0x"),
            1u);
  EXPECT_EQ(linesStartingWith(lines, "buffer [length = 10]"), 2u);
  EXPECT_EQ(linesContaining(lines, "length = 100]"), 0u);
  EXPECT_EQ(linesContaining(lines, "len = 100"), 0u) << "no dump reads past the buffer";
  // The structures as the runtime passed them, before they are looked at.
  const std::string dumps[] = {"VXHCONN [length = 4]", "VXMD [length = 364]",
                               "VXGMO [length = 112]", "VXCBC:[Version:2",
                               "VXCBC [length = " + kContext + "]"};
  size_t previous = 0;
  for (const std::string& dump : dumps) {
    SCOPED_TRACE(dump);
    EXPECT_EQ(linesStartingWith(lines, dump), 1u);
    EXPECT_LE(previous, firstLine(lines, dump));
    previous = firstLine(lines, dump);
  }
  deregister(area);
}

TEST_F(Dispatch, OfTwoFaultsInTheContextTheFirstCheckedIsReported) {
  jobject consumer = newConsumer();
  TalyCallbackArea* area = registerConsumer(consumer);
  TalyCallbackArea bad = *area;
  RuntimeCallback callback(&bad, kRemoved, "m", 16);
  const struct {
    std::function<void()> spoil;
    const char* reported;
    const char* unreported;
  } cases[] = {
      {[&] { callback.hasContext = false; jvm = nullptr; }, "VXCBC IS NULL", "jvm IS NULL"},
      {[&] { jvm = nullptr; callback.cbc.CallbackArea = nullptr; }, "jvm IS NULL",
       "talyCallbackArea is NULL"},
      {[&] { bad.StrucId[0] = 'X'; bad.Version = 2; }, "talyCallbackArea->StrucId:'XJCA'",
       "talyCallbackArea->Version:"},
      {[&] { bad.Version = 2; bad.callback_index = 2; }, "talyCallbackArea->Version:2",
       "talyCallbackArea->callback_index:"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reported);
    bad = *area;
    callback.hasContext = true;
    callback.cbc.CallbackArea = &bad;
    jvm = javaVM();
    c.spoil();
    FdCapture err(2);
    callback.deliver();
    std::vector<std::string> lines = traceMessages(err.stop());
    EXPECT_EQ(linesStartingWith(lines, c.reported), 1u);
    EXPECT_EQ(linesStartingWith(lines, c.unreported), 0u);
    EXPECT_EQ(linesStartingWith(lines, "TalyConsumerFunction(): index:0, Reason:2195"), 1u);
  }
  jvm = javaVM();
  EXPECT_TRUE(deliveries(consumer).empty());
  deregister(area);
}

TEST_F(Dispatch, AGetEnvAnswerOtherThanAttachedOrDetachedFailsTheCallbackWithoutAttaching) {
  jobject consumer = newConsumer();
  TalyCallbackArea* area = registerConsumer(consumer);
  JNIInvokeInterface_ functions = *javaVM()->functions;
  functions.GetEnv = wrongVersion;
  JavaVM_ refusing{&functions};
  jvm = &refusing;
  RuntimeCallback message(area, kRemoved, "hello", 4096);
  FdCapture err(2);
  EXPECT_EQ(onNativeThread({[&] { message.deliver(); }}), std::vector<bool>{false});
  std::vector<std::string> lines = traceMessages(err.stop());
  jvm = javaVM();

  EXPECT_EQ(linesStartingWith(lines, "TalyConsumerFunction(): GetEnv() --> -3"), 1u);
  EXPECT_EQ(linesStartingWith(lines, "TalyConsumerFunction(): After call to GetEnv() result=-3"),
            1u);
  EXPECT_EQ(linesStartingWith(lines, "TalyConsumerFunction(): Reason:0"), 0u);
  EXPECT_GT(linesStartingWith(lines, "TalyConsumerFunction(): Reason:2195"), 0u);
  EXPECT_EQ(linesStartingWith(lines, "TalyConsumerFunction(): Before up to"), 0u);
  EXPECT_TRUE(deliveries(consumer).empty());
  deregister(area);
}

TEST_F(Dispatch, EachIndexLooksUpTheMethodOfItsOwnClassOnceAndTheCallbackDeletesItsArrays) {
  jobject recording = newConsumer();
  jclass nullClass = env->FindClass("com/orvane/vx/taly/testkit/NullConsumer");
  jobject nullConsumer = env->AllocObject(nullClass);
  TalyCallbackArea* first = registerConsumer(recording, 0);
  TalyCallbackArea* second = registerConsumer(nullConsumer, 1, nullClass);
  FdCapture err(2);
  for (int round = 0; round < 2; ++round) {
    for (TalyCallbackArea* area : {first, second}) {
      RuntimeCallback message(area, kRemoved, "hello", 4096);
      FaultyEnv faults(env);
      message.deliver();
      EXPECT_EQ(faults.log("NewByteArray").size(), 4u);
      EXPECT_EQ(faults.localRefs(), 0) << "every array is deleted";
    }
  }
  std::vector<std::string> lines = traceMessages(err.stop());

  EXPECT_EQ(deliveries(recording).size(), 2u);
  const char* consumerSignature = "([B[B[B[B)V";
  jmethodID recordingMethod =
      env->GetMethodID(consumerClass(), "talyConsumerMethod", consumerSignature);
  jmethodID nullMethod = env->GetMethodID(nullClass, "talyConsumerMethod", consumerSignature);
  EXPECT_EQ(talyConsumerMethod_method_id[0].load(), recordingMethod);
  EXPECT_EQ(talyConsumerMethod_method_id[1].load(), nullMethod);
  for (int index : {0, 1}) {
    jmethodID method = index == 0 ? recordingMethod : nullMethod;
    std::string line = "TalyConsumerFunction(): talyConsumerMethod_method_id[" +
                       std::to_string(index) + "] = " +
                       std::to_string(static_cast<int>(reinterpret_cast<intptr_t>(method)));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1) << line;
  }
  deregister(first);
  deregister(second);
}

TEST_F(Dispatch, ALongThreadTextIsCutSoThatTheThreadNameFitsItsBuffer) {
  jobject consumer = newConsumer();
  TalyCallbackArea* area = registerConsumer(consumer);
  runtime.threadText = std::string(100, 't');
  RuntimeCallback message(area, kRemoved, "hello", 4096);
  onNativeThread({[&] { message.deliver(); }});

  // 31 characters of prefix, 32 of the text and the terminator make 64.
  EXPECT_EQ(deliveries(consumer),
            std::vector<std::string>{"thread=Taly AsyncConsume Thread. tid: " +
                                     std::string(32, 't') + " daemon=true md=364 gmo=112 "
                                     "data=5 context=" + kContext});
  deregister(area);
}
