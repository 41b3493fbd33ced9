// VXGET: pins, the receive into native memory, the bounded copy-back, the
// exception handling around the runtime call and the checks after it.
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "capture.h"
#include "faulty_env.h"
#include "jni_test.h"
#include "util/allocation.h"
#include "util/early_trace.h"
#include "vx/structs.h"

namespace {

constexpr size_t kMdLength = 364;
constexpr size_t kGmoLength = 112;

class Get : public ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    md = bytes(Bytes(kMdLength, 0));
    gmo = bytes(Bytes(kGmoLength, 0));
    dataLength = pint(-1);
  }

  // A runtime that delivers message with the given codes.
  void deliver(const std::string& message, int32_t cc, int32_t reason) {
    runtime.answer("VXGET", cc, reason);
    runtime.on("VXGET", [message](RecordedCall& call) {
      int32_t room = call.i(4);
      std::memcpy(call.p(5), message.data(), std::min<size_t>(message.size(), room));
      *call.p<int32_t>(6) = static_cast<int32_t>(message.size());
      call.p<uint8_t>(2)[0] = 'M';  // descriptor and options are copied back
      call.p<uint8_t>(3)[0] = 'G';
    });
  }

  void get(jboolean trace, int32_t bufferLength, jbyteArray buffer) {
    NATIVE(VXGET)(env, nullptr, trace, 4, 0, 0, 21, md, gmo, bufferLength, buffer, dataLength, cc,
                  reason);
  }

  void setGmoOptions(int32_t options) {
    Bytes g(kGmoLength, 0);
    putInt(g, VXGMO_OPTIONS, options);
    gmo = bytes(g);
  }

  jbyteArray md = nullptr;
  jbyteArray gmo = nullptr;
  jobject dataLength = nullptr;
};

// Native trace lines with addresses shown as %p.
std::vector<std::string> withoutAddresses(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (std::string line : lines) {
    for (const std::string& form : {std::string("0x"), std::string("(nil)")}) {
      for (size_t at; (at = line.find(form)) != std::string::npos;) {
        size_t end = at + form.size();
        if (form == "0x") {
          while (end < line.size() && std::isxdigit(static_cast<unsigned char>(line[end]))) ++end;
        }
        line.replace(at, end - at, "%p");
      }
    }
    out.push_back(line);
  }
  return out;
}

std::string text(const Bytes& bytes, size_t n) { return std::string(bytes.begin(), bytes.begin() + n); }

}  // namespace

TEST_F(Get, AMessageArrivesInTheBufferWithItsLengthAndTheStructuresComeBack) {
  deliver("hello, world", 0, 0);
  runtime.capture("VXGET", 6, 4);
  dataLength = pint(77);
  jbyteArray buffer = bytes(std::string(32, '.'));
  FaultyEnv faults(env);
  FdCapture err(2);
  get(JNI_TRUE, 32, buffer);
  std::vector<std::string> lines = withoutAddresses(traceMessages(err.stop()));

  RecordedCall call = runtime.only("VXGET");
  EXPECT_EQ(call.i(0), 4);
  EXPECT_EQ(call.i(1), 21);
  EXPECT_NE(call.p(2), nullptr);
  EXPECT_NE(call.p(3), nullptr);
  EXPECT_EQ(call.i(4), 32);
  EXPECT_NE(call.p(5), nullptr);
  EXPECT_EQ(intAt(call.bytes[6], 0), 77) << "the holder's data length goes in";
  EXPECT_EQ(text(bytesOf(buffer), 14), "hello, world..");
  EXPECT_EQ(value(dataLength), 12);
  EXPECT_EQ(bytesOf(md)[0], 'M');
  EXPECT_EQ(bytesOf(gmo)[0], 'G');
  EXPECT_EQ(codes(), std::make_pair(0, 0));
  EXPECT_EQ(faults.log("GetByteArrayElements").size(), 2u) << "the buffer is never pinned";
  EXPECT_EQ(faults.log("Release"),
            (std::vector<std::string>{"ReleaseByteArrayElements(0)", "ReleaseByteArrayElements(0)"}));
  EXPECT_EQ(events(), (std::vector<std::string>{"entry 59 5",
                                                "data 59 5 \"VXGET returned CC=0, RC=0\" -",
                                                "exit 59 5 0"}));
  std::vector<std::string> expected = {
      "Java_com_orvane_vx_taly_local_internal_base_Native_VXGET(entry)",
      "DebugOptions: 0",
      "arrayToVXStructure entry - byteArrayElements @ {%p}",
      "arrayToVXStructure exit - resultant structure @ {%p}",
      "GetByteArrayElements:           java_vxmd_buf: %p,   native_vxmd: %p",
      "arrayToVXStructure entry - byteArrayElements @ {%p}",
      "arrayToVXStructure exit - resultant structure @ {%p}",
      "GetByteArrayElements:          java_vxgmo_buf: %p,  native_vxgmo: %p",
      "GetByteArrayElements:             java_buffer: %p, native_buffer: %p",
      "",
      "",
      "ReleaseByteArrayElements:       java_vxmd_buf: %p,   native_vxmd: %p",
      "",
      "releaseStructure entry - alignedPtr {%p}",
      "releaseStructure data - releasing {%p}",
      "releaseStructure exit",
      "ReleaseByteArrayElements:      java_vxgmo_buf: %p,  native_vxgmo: %p",
      "",
      "releaseStructure entry - alignedPtr {%p}",
      "releaseStructure data - releasing {%p}",
      "releaseStructure exit",
      "ReleaseByteArrayElements:         java_buffer: %p, native_buffer: %p",
      "Java_com_orvane_vx_taly_local_internal_base_Native_VXGET(exit): rc:0"};
  EXPECT_EQ(lines, expected);
  for (const std::string& line : expected) {
    if (line.find("ArrayElements:") != std::string::npos) {
      EXPECT_EQ(line.size(), 68u) << line;
    }
  }
}

TEST_F(Get, ATruncatedMessageCopiesTheBufferLengthAndReportsTheFullLength) {
  deliver(std::string(100, 'x'), 1, 2079);
  jbyteArray buffer = bytes(std::string(60, '.'));
  get(JNI_FALSE, 50, buffer);
  EXPECT_EQ(text(bytesOf(buffer), 60), std::string(50, 'x') + std::string(10, '.'));
  EXPECT_EQ(value(dataLength), 100);
  EXPECT_EQ(codes(), std::make_pair(1, 2079));
}

TEST_F(Get, AFailedGetCopiesNothingAndLeavesTheDataLength) {
  deliver("payload", 2, 2033);
  jbyteArray buffer = bytes(std::string(16, '.'));
  get(JNI_FALSE, 16, buffer);
  EXPECT_EQ(bytesOf(buffer), Bytes(16, '.'));
  EXPECT_EQ(value(dataLength), -1);
  EXPECT_EQ(bytesOf(md)[0], 'M');
  EXPECT_EQ(codes(), std::make_pair(2, 2033));
}

TEST_F(Get, OptionBit0x400LeavesBufferAndDataLengthAlone) {
  setGmoOptions(0x400);
  deliver("payload", 0, 0);
  jbyteArray buffer = bytes(std::string(16, '.'));
  get(JNI_FALSE, 16, buffer);
  EXPECT_EQ(bytesOf(buffer), Bytes(16, '.'));
  EXPECT_EQ(value(dataLength), -1);
  EXPECT_EQ(codes(), std::make_pair(0, 0));
}

TEST_F(Get, AJavaBufferShorterThanTheBufferLengthFailsBeforeTheRuntime) {
  jbyteArray buffer = bytes(std::string(10, '.'));
  FaultyEnv faults(env);
  get(JNI_FALSE, 20, buffer);
  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  EXPECT_EQ(events(), std::vector<std::string>{
      "krux 59 5 7 0 0 0 \"java_buffer_length is less than native_buffer_len\" null null"});
  EXPECT_EQ(faults.log("Release"),
            (std::vector<std::string>{"ReleaseByteArrayElements(0)", "ReleaseByteArrayElements(0)"}));
}

TEST_F(Get, ANullBufferOrAnEmptyOneStillReachesTheRuntime) {
  get(JNI_FALSE, 99, nullptr);
  RecordedCall call = runtime.only("VXGET");
  EXPECT_EQ(call.i(4), 99);
  EXPECT_EQ(call.p(5), nullptr);

  runtime.clear();
  get(JNI_FALSE, 0, bytes(Bytes{}));
  EXPECT_NE(runtime.only("VXGET").p(5), nullptr) << "a non-null address for length 0";
  EXPECT_EQ(value(dataLength), -1) << "the scripted runtime left the holder's value";
}

TEST_F(Get, APinFailureAtEachPositionReleasesWhatWasPinnedBefore) {
  struct Case {
    std::string report;
    std::vector<std::string> released;
  };
  const std::vector<Case> cases = {
      {"krux 59 5 4 0 0 0 \"native_vxmd is null\" null null", {}},
      {"krux 59 5 5 0 0 0 \"native_vxgmo is null\" null null", {"ReleaseByteArrayElements(0)"}},
      {"krux 59 5 6 0 0 0 \"native_buffer is null\" null null",
       {"ReleaseByteArrayElements(0)", "ReleaseByteArrayElements(0)"}},
  };
  for (size_t position = 0; position < cases.size(); ++position) {
    FaultyEnv faults(env);
    if (position < 2) {
      faults.fail(Jni::GetByteArrayElements, static_cast<int>(position) + 1);
    } else {
      failAllocation(1);
    }
    get(JNI_FALSE, 8, bytes(Bytes(8, 0)));
    EXPECT_TRUE(runtime.calls().empty());
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    EXPECT_EQ(events().back(), cases[position].report);
    EXPECT_EQ(faults.log("Release"), cases[position].released);
    EXPECT_EQ(faults.pins(), 0);
  }
}

TEST_F(Get, AnExceptionLeftByTheRuntimeIsReportedAndThrownAgainWithTheCodesKept) {
  deliver("abc", 1, 2110);
  runtime.on("VXGET", [this](RecordedCall& call) {
    *call.p<int32_t>(6) = 3;
    std::memcpy(call.p(5), "abc", 3);
    env->Throw(newException("java/lang/IllegalStateException", "from a callback"));
  });
  jbyteArray buffer = bytes(std::string(8, '.'));
  FdCapture err(2);
  get(JNI_FALSE, 8, buffer);
  std::string errText = err.stop();

  jthrowable pending = env->ExceptionOccurred();
  ASSERT_NE(pending, nullptr);
  env->ExceptionClear();
  EXPECT_EQ(codes(), std::make_pair(1, 2110));
  EXPECT_EQ(text(bytesOf(buffer), 3), "abc") << "the message still arrives";
  EXPECT_EQ(value(dataLength), 3);
  EXPECT_EQ(events(), std::vector<std::string>{
      "krux 59 5 15 0 0 0 \"ExceptionOccured\" \"java.lang.IllegalStateException\" \"from a callback\""});
  EXPECT_NE(errText.find("Unknown exception detected."), std::string::npos);
  EXPECT_NE(errText.find("Thrwoing saved exception"), std::string::npos);
}

TEST_F(Get, AThreadDeathIsReportedOnlyWhenTheVariableIsSet) {
  runtime.on("VXGET", [this](RecordedCall&) {
    jclass cls = env->FindClass("java/lang/ThreadDeath");
    env->Throw(static_cast<jthrowable>(env->NewObject(cls, env->GetMethodID(cls, "<init>", "()V"))));
  });
  dataLength = pint(0);
  unsetenv("ZRT_KRUX_ON_THREADDEATH_EXCEPTION");
  get(JNI_FALSE, 8, bytes(Bytes(8, 0)));
  ASSERT_TRUE(env->ExceptionCheck());
  env->ExceptionClear();
  EXPECT_TRUE(events().empty());
  EXPECT_EQ(codes(), std::make_pair(0, 0));

  setenv("ZRT_KRUX_ON_THREADDEATH_EXCEPTION", "", 1);  // looked up afresh, empty counts
  get(JNI_FALSE, 8, bytes(Bytes(8, 0)));
  unsetenv("ZRT_KRUX_ON_THREADDEATH_EXCEPTION");
  jthrowable pending = env->ExceptionOccurred();
  ASSERT_NE(pending, nullptr);
  env->ExceptionClear();
  jclass threadDeath = env->FindClass("java/lang/ThreadDeath");
  EXPECT_TRUE(env->IsInstanceOf(pending, threadDeath));
  EXPECT_EQ(events(), std::vector<std::string>{
      "krux 59 5 15 0 0 0 \"ExceptionOccured\" \"java.lang.ThreadDeath\" \"Unable to lookup exception name\""});
}

TEST_F(Get, ACopyThatRaisesAnExceptionFailsTheCallAndPassesNothingOn) {
  runtime.on("VXGET", [](RecordedCall& call) { *call.p<int32_t>(6) = -5; });
  jbyteArray buffer = bytes(std::string(8, '.'));
  get(JNI_FALSE, 8, buffer);
  EXPECT_FALSE(env->ExceptionCheck());
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  EXPECT_EQ(value(dataLength), -5) << "written after the failed copy too";
  std::vector<std::string> all = events();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0], "krux 59 5 7 0 0 0 \"Failed to update data bytes\" null null");
  EXPECT_EQ(all[1].rfind("krux 59 5 16 0 0 0 \"ExceptionOccured\" \"java.lang.ArrayIndexOutOfBoundsException\"", 0), 0u);

  runtime.answer("VXGET", 0, 2107);
  get(JNI_FALSE, 8, buffer);
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  EXPECT_EQ(events().size(), 3u) << "no copy report for reason 2107, only the check's";
}

TEST_F(Get, ACallResultEventThatThrowsIsCaughtByTheChecksNotPassedOn) {
  deliver("abc", 0, 0);
  traceThrowsFrom("data");
  jbyteArray buffer = bytes(std::string(8, '.'));
  get(JNI_TRUE, 8, buffer);
  EXPECT_FALSE(env->ExceptionCheck());
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  EXPECT_EQ(text(bytesOf(buffer), 3), "abc");
  std::vector<std::string> all = events();
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[2].rfind("krux 59 5 16 0 0 0 \"ExceptionOccured\" \"java.lang.IllegalStateException\" \"trace data failed\"", 0), 0u);
  EXPECT_EQ(all[3], "exit 59 5 2195");
}

// Run in processes of their own with TalyVXGETDebugOptions set to "6",
// "0x6" (both 6) and "010" (8, which keeps nothing).
TEST_F(Get, DebugOptionsKeepTheChosenArraysPinned) {
  const char* setting = std::getenv("TalyVXGETDebugOptions");
  ASSERT_NE(setting, nullptr);
  long options = std::strtol(setting, nullptr, 0);
  deliver("abc", 0, 0);
  jbyteArray buffer = bytes(std::string(8, '.'));
  FaultyEnv faults(env);
  FdCapture err(2);
  get(JNI_FALSE, 8, buffer);
  std::string errText = err.stop();

  EXPECT_NE(errText.find("DebugOptions: " + std::to_string(options)), std::string::npos);
  EXPECT_EQ(text(bytesOf(buffer), 3), "abc");
  bool keepsGmo = options & 2;
  EXPECT_EQ(faults.log("Release").size(), keepsGmo ? 1u : 2u);
  EXPECT_EQ(faults.pins(), keepsGmo ? 1 : 0);
  EXPECT_EQ(countOf(errText, "Not ReleaseByteArrayElements:"), keepsGmo ? 2u : 0u);
  EXPECT_EQ(errText.find("Not ReleaseByteArrayElements:  java_vxgmo_buf:") != std::string::npos,
            keepsGmo);
  EXPECT_NE(errText.find("ReleaseByteArrayElements:       java_vxmd_buf:"), std::string::npos);
}

TEST_F(Get, AnExceptionFromTheEntryEventIsTheOneFoundAfterTheCall) {
  deliver("abc", 0, 0);
  traceThrowsFrom("entry");
  get(JNI_TRUE, 8, bytes(std::string(8, '.')));
  jthrowable pending = env->ExceptionOccurred();
  ASSERT_NE(pending, nullptr) << "thrown again on return";
  env->ExceptionClear();
  EXPECT_EQ(codes(), std::make_pair(0, 0)) << "a saved exception keeps the codes";
  std::vector<std::string> all = events();
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[1].rfind("krux 59 5 15 0 0 0 \"ExceptionOccured\" \"java.lang.IllegalStateException\"", 0), 0u);
  EXPECT_EQ(all[3], "exit 59 5 0") << "the exit event went out before the rethrow";
}

TEST_F(Get, AFailureReportThatThrowsIsCheckedAndNotPassedOn) {
  traceThrowsFrom("krux");
  FaultyEnv faults(env);
  faults.fail(Jni::GetByteArrayElements, 2);
  get(JNI_FALSE, 8, bytes(Bytes(8, 0)));
  EXPECT_FALSE(env->ExceptionCheck());
  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(codes(), std::make_pair(2, 2195));
  std::vector<std::string> all = events();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0], "krux 59 5 5 0 0 0 \"native_vxgmo is null\" null null");
  EXPECT_EQ(all[1].rfind("krux 59 5 16 0 0 0 \"ExceptionOccured\"", 0), 0u);
}

TEST_F(Get, WithoutGetOptionsNothingIsCopiedBack) {
  deliver("abc", 0, 0);
  runtime.on("VXGET", [](RecordedCall& call) {
    std::memcpy(call.p(5), "abc", 3);
    *call.p<int32_t>(6) = 3;
  });
  gmo = nullptr;
  jbyteArray buffer = bytes(std::string(8, '.'));
  get(JNI_FALSE, 8, buffer);
  EXPECT_EQ(runtime.only("VXGET").p(3), nullptr);
  EXPECT_EQ(bytesOf(buffer), Bytes(8, '.'));
  EXPECT_EQ(value(dataLength), -1);
}

// A large buffer comes from the shared pool, and a get nested in another on
// the same thread (a callback of the runtime that gets) has memory of its own.
TEST_F(Get, LargeAndNestedReceivesKeepTheirOwnMemory) {
  const int32_t large = 1 << 20;
  jbyteArray outer = bytes(Bytes(large, 0));
  jbyteArray inner = bytes(std::string(16, '.'));
  jobject innerLength = pint(0);
  int depth = 0;
  runtime.on("VXGET", [&](RecordedCall& call) {
    if (depth++ == 0) {
      std::memset(call.p(5), 'o', static_cast<size_t>(call.i(4)));
      NATIVE(VXGET)(env, nullptr, JNI_FALSE, 4, 0, 0, 21, nullptr, gmo, 16, inner, innerLength,
                    cc, reason);
    } else {
      std::memset(call.p(5), 'i', 16);
    }
    *call.p<int32_t>(6) = call.i(4);
  });
  get(JNI_FALSE, large, outer);
  EXPECT_EQ(bytesOf(outer), Bytes(large, 'o'));
  EXPECT_EQ(bytesOf(inner), Bytes(16, 'i'));
  EXPECT_EQ(value(dataLength), large);
  EXPECT_EQ(value(innerLength), 16);
}

TEST_F(Get, AThreadDeathClassThatCannotBeFoundIsNotReported) {
  runtime.on("VXGET", [this](RecordedCall&) {
    env->Throw(newException("java/lang/IllegalStateException", "late"));
  });
  dataLength = pint(0);
  FaultyEnv faults(env);
  faults.failClass("java/lang/ThreadDeath");
  FdCapture err(2);
  get(JNI_FALSE, 8, bytes(Bytes(8, 0)));
  std::string errText = err.stop();
  ASSERT_TRUE(env->ExceptionCheck());
  env->ExceptionClear();
  EXPECT_TRUE(events().empty());
  if (earlyTraceEnabled(400)) {
    EXPECT_NE(errText.find("Failed to lookup ThreadDeath class."), std::string::npos);
  }
}
