// The Java trace bridge: events, failure reports, and what they do to a
// pending exception.
#include <cstdio>

#include "faulty_env.h"
#include "jni_test.h"
#include "trace.h"

namespace {

class TraceBridge : public JniTest {
 protected:
  CallContext on() { return {env, 1}; }
  CallContext off() { return {env, 0}; }

  // Throws a fresh exception and returns it (still pending).
  jthrowable throwPending(const char* message) {
    jthrowable thrown = newException("java/lang/RuntimeException", message);
    env->Throw(thrown);
    return thrown;
  }

  // The pending exception's message, after clearing it; "" when none.
  std::string takePending() {
    jthrowable pending = env->ExceptionOccurred();
    if (pending == nullptr) return "";
    env->ExceptionClear();
    jclass cls = env->GetObjectClass(pending);
    auto message = static_cast<jstring>(
        env->CallObjectMethod(pending, env->GetMethodID(cls, "getMessage", "()Ljava/lang/String;")));
    if (env->ExceptionCheck()) return "getMessage threw";
    const char* chars = env->GetStringUTFChars(message, nullptr);
    std::string text = chars;
    env->ReleaseStringUTFChars(message, chars);
    return text;
  }
};

}  // namespace

TEST_F(TraceBridge, EventsReachTheTraceObjectInTheirFormats) {
  CallContext ctx = on();
  const unsigned char data[3] = {1, 2, 3};
  traceEntry(&ctx, 59, 7);
  traceData(&ctx, 59, 7, 3, "label", data, 3);
  traceText(&ctx, 59, 7, 3, "plain");
  tracePointer(&ctx, 59, 7, 3, "at", reinterpret_cast<void*>(0x1234));
  traceQmgrName(&ctx, 59, 7, 0, nullptr);
  traceQmgrName(&ctx, 59, 7, 48, "QM1\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0");
  traceQmgrName(&ctx, 59, 7, 2, "QM1");
  traceCallResult(&ctx, 59, 7, 5, 3, "VXOPEN", 2, 2085);
  traceKrux(&ctx, 59, 7, 4, 2195, 364, 0, "native_vxmd is null", "first", nullptr);
  traceExit(&ctx, 59, 7, 2085);

  char pointerText[64];
  std::snprintf(pointerText, sizeof pointerText, "data 59 7 \"at (%p)\" -", reinterpret_cast<void*>(0x1234));
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "entry 59 7",
                          "data 59 7 \"label\" [3 bytes]",
                          "data 59 7 \"plain\" -",
                          pointerText,
                          "data 59 7 \"QueueManager name: ''\" -",
                          "data 59 7 \"QueueManager name: 'QM1'\" -",
                          "data 59 7 \"QueueManager name: 'QM'\" -",
                          "data 59 7 \"VXOPEN returned CC=2, RC=2085\" -",
                          "krux 59 7 4 2195 364 0 \"native_vxmd is null\" \"first\" null",
                          "exit 59 7 2085",
                      }));
  EXPECT_EQ(eventData(1), (Bytes{1, 2, 3}));
}

TEST_F(TraceBridge, TracingOffSendsOnlyFailureReportsAndTouchesNoJavaOtherwise) {
  CallContext ctx = off();
  {
    FaultyEnv faults(env);
    traceEntry(&ctx, 59, 7);
    traceData(&ctx, 59, 7, 3, "label", "xyz", 3);
    traceText(&ctx, 59, 7, 3, "plain");
    tracePointer(&ctx, 59, 7, 3, "at", nullptr);
    traceQmgrName(&ctx, 59, 7, 3, "QM1");
    traceCallResult(&ctx, 59, 7, 5, 3, "VXOPEN", 0, 0);
    traceExit(&ctx, 59, 7, 0);
    EXPECT_TRUE(faults.log().empty());
    traceKrux(&ctx, 59, 7, 1, 0, 0, 0, "native_vxbo is null");
    EXPECT_EQ(faults.localRefs(), 0) << "the report's arrays are deleted";
  }
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "krux 59 7 1 0 0 0 \"native_vxbo is null\" null null"}));
}

TEST_F(TraceBridge, AnExceptionPendingBeforeAnEventIsPendingAfterIt) {
  CallContext ctx = on();
  for (int routine = 0; routine < 4; ++routine) {
    jthrowable before = throwPending("before");
    switch (routine) {
      case 0: traceEntry(&ctx, 59, 1); break;
      case 1: traceExit(&ctx, 59, 1, 0); break;
      case 2: traceText(&ctx, 59, 1, 3, "t"); break;
      default: traceKrux(&ctx, 59, 1, 1, 0, 0, 0, "m"); break;
    }
    jthrowable after = env->ExceptionOccurred();
    EXPECT_TRUE(after != nullptr && env->IsSameObject(before, after)) << "routine " << routine;
    env->ExceptionClear();
  }
  EXPECT_EQ(events().size(), 4u) << "each trace method ran with no exception pending";
}

TEST_F(TraceBridge, AFailingTraceMethodLeavesItsOwnExceptionInPlaceOfTheSavedOne) {
  CallContext ctx = on();
  traceThrowsFrom("data");
  throwPending("before");
  traceText(&ctx, 59, 1, 3, "t");
  EXPECT_EQ(takePending(), "trace data failed");

  traceThrowsFrom("krux");
  {
    FaultyEnv faults(env);
    traceKrux(&ctx, 59, 1, 1, 0, 0, 0, "m", "t1", "t2");
    EXPECT_EQ(faults.localRefs(), 0);
  }
  EXPECT_EQ(takePending(), "trace krux failed");
}

TEST_F(TraceBridge, AnArrayThatCannotBeMadeStopsTheEventAndKeepsTheSavedException) {
  CallContext ctx = on();
  jthrowable before = throwPending("before");
  {
    FaultyEnv faults(env);
    faults.fail(Jni::NewByteArray, 2);
    traceKrux(&ctx, 59, 1, 1, 0, 0, 0, "message", "text one", nullptr);
    EXPECT_EQ(faults.log("NewByteArray"), (std::vector<std::string>{"NewByteArray(7)", "NewByteArray(8)"}));
    EXPECT_EQ(faults.localRefs(), 0);
  }
  jthrowable after = env->ExceptionOccurred();
  EXPECT_TRUE(after != nullptr && env->IsSameObject(before, after));
  env->ExceptionClear();
  EXPECT_TRUE(events().empty());
}

TEST_F(TraceBridge, ExceptionReportCarriesClassNameAndMessage) {
  CallContext ctx = off();
  jthrowable withMessage = newException("java/lang/IllegalArgumentException", "bad handle");
  jthrowable withoutMessage = newException("java/lang/RuntimeException", nullptr);
  env->Throw(withMessage);
  {
    FaultyEnv faults(env);
    traceException(&ctx, 59, 5, 15, 0, withMessage);
    EXPECT_FALSE(env->ExceptionCheck()) << "the pending exception is cleared";
    traceException(&ctx, 59, 5, 16, 7, withoutMessage);
    EXPECT_EQ(faults.localRefs(), 0);
  }
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "krux 59 5 15 0 0 0 \"ExceptionOccured\" "
                          "\"java.lang.IllegalArgumentException\" \"bad handle\"",
                          "krux 59 5 16 7 0 0 \"ExceptionOccured\" "
                          "\"java.lang.RuntimeException\" \"Unable to lookup exception name\"",
                      }));
}

TEST_F(TraceBridge, ExceptionReportLeavesNothingPendingWhenTheReportItselfFails) {
  CallContext ctx = on();
  traceThrowsFrom("krux");
  traceException(&ctx, 59, 5, 15, 0, newException("java/lang/RuntimeException", "x"));
  EXPECT_FALSE(env->ExceptionCheck());
}
