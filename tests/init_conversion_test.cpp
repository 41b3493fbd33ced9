// init_conversion: the class cache, the JavaVM handed to the runtime, and
// the exchange of support flags and the structure table.
#include "capture.h"
#include "faulty_env.h"
#include "jni_test.h"
#include "jvm.h"
#include "util/structure_info.h"

namespace {

class InitConversion : public JniTest {
 protected:
  bool init(bool trace, jobjectArray exchange) {
    return NATIVE(init_1conversion)(env, nullptr, trace, traceObject(), exchange) == JNI_TRUE;
  }
  std::vector<int32_t> valuesOf(jobjectArray exchange) {
    std::vector<int32_t> values;
    for (jsize i = 0; i < env->GetArrayLength(exchange); ++i) values.push_back(valueAt(exchange, i));
    return values;
  }
};

}  // namespace

TEST_F(InitConversion, FullExchangeArrayGetsTheStructureTableButTheUnusedIndexes) {
  jobjectArray exchange = pints(76, -1);
  NATIVE(init_1conversion)(env, nullptr, JNI_FALSE, traceObject(), exchange);
  std::vector<int32_t> values = valuesOf(exchange);

  EXPECT_EQ(std::vector<int32_t>(values.begin(), values.begin() + 4),
            (std::vector<int32_t>{4, 910, 36, 1}));
  for (int index : {18, 26, 33}) {
    EXPECT_EQ(values[4 + 2 * index], -1) << "index " << index;
    EXPECT_EQ(values[5 + 2 * index], -1) << "index " << index;
  }
  EXPECT_EQ(values[4 + 2 * 3], 4);    // VXGMO version
  EXPECT_EQ(values[5 + 2 * 3], 112);  // and length
  EXPECT_EQ(values[5 + 2 * 4], 364);  // VXMD
  EXPECT_EQ(values[5 + 2 * 6], static_cast<int32_t>(sizeof(VXOD)));
  EXPECT_EQ(values[5 + 2 * 21], static_cast<int32_t>(sizeof(VXCBC)));
  EXPECT_EQ(values[5 + 2 * 22], static_cast<int32_t>(sizeof(VXCBD)));
  EXPECT_EQ(values[5 + 2 * 35], 280);
  int written = 0;
  for (int32_t v : values) written += v != -1;
  EXPECT_EQ(written, 76 - 6);
}

TEST_F(InitConversion, ShortExchangeArraysGetWhatFits) {
  jobjectArray empty = pints(0, -1);
  jobjectArray three = pints(3, -1);
  jobjectArray odd = pints(2 * 5 + 5, -1);
  EXPECT_TRUE(init(false, empty));
  EXPECT_TRUE(init(false, three));
  EXPECT_EQ(valuesOf(three), (std::vector<int32_t>{4, 910, 36}));
  EXPECT_TRUE(init(false, odd));
  std::vector<int32_t> values = valuesOf(odd);
  EXPECT_EQ(values[4 + 2 * 5], 2) << "structure 5 gets its version";
  EXPECT_EQ(values[5 + 2 * 4], 364) << "structure 4 gets its length";
  EXPECT_EQ(values.size(), 15u);
  EXPECT_TRUE(init(false, nullptr)) << "a null array counts as empty";
}

TEST_F(InitConversion, SupportFlagsAreReadBeforeElementZeroIsOverwritten) {
  jobjectArray exchange = pints(2, 0x1234);
  FdCapture err(2);
  init(true, exchange);
  init(true, pints(0, 0));
  std::string out = err.stop();

  EXPECT_EQ(JavaSupportFlags.load(), 0x1234);
  EXPECT_EQ(valueAt(exchange, 0), 4);
  EXPECT_EQ(countOf(out, "SetJavaSupportFlags(): JavaSupportFlags = 0x1234"), 2u)
      << "an empty array traces the flags kept from before";
  std::vector<std::string> all = events();
  EXPECT_EQ(std::count(all.begin(), all.end(),
                       "data 59 0 \"SetJavaSupportFlags(): JavaSupportFlags = 0x1234\" -"),
            2);
}

TEST_F(InitConversion, TracedInitialisationSendsItsEventsInOrder) {
  jobjectArray exchange = pints(8, 0);
  ASSERT_TRUE(init(true, exchange));
  std::vector<std::string> all = events();
  ASSERT_EQ(all.size(), 3 + 3 + 1 + 2 * kNativeStructureCount + 2u);
  EXPECT_EQ(all[0], "entry 59 18");
  EXPECT_EQ(all[1], "data 59 18 \"Going to get JVM pointer\" -");
  char pointer[128];
  std::snprintf(pointer, sizeof pointer,
                "data 59 18 \"About to call xcsSetPointer - pointer is  (%p)\" -",
                static_cast<void*>(javaVM()));
  EXPECT_EQ(all[2], pointer);
  EXPECT_EQ(all[3], "entry 59 0");
  EXPECT_EQ(all[4], "data 59 0 \"SetJavaSupportFlags(): JavaSupportFlags = 0x0\" -");
  EXPECT_EQ(all[5], "exit 59 0 0");
  EXPECT_EQ(all[6], "entry 59 520");
  EXPECT_EQ(all[7], "entry 59 519");
  EXPECT_EQ(all[8], "exit 59 519 0");
  EXPECT_EQ(all[all.size() - 2], "exit 59 520 0");
  EXPECT_EQ(all.back(), "exit 59 18 0");

  jobjectArray again = pints(8, 0);
  ASSERT_TRUE(init(false, again));
  EXPECT_EQ(events().size(), all.size()) << "no events with tracing off";
}

TEST_F(InitConversion, HandsTheJavaVMToTheRuntimeUnlessGetJavaVMFails) {
  jobjectArray exchange = pints(4, 0);
  ASSERT_TRUE(init(false, exchange));
  EXPECT_EQ(runtime.only("xcsSetPointer").p(0), static_cast<void*>(javaVM()));

  runtime.clear();
  FaultyEnv faults(env);
  faults.fail(Jni::GetJavaVM);
  EXPECT_TRUE(init(true, exchange));
  EXPECT_EQ(runtime.count("xcsSetPointer"), 0u);
  EXPECT_EQ(valueAt(exchange, 1), 910) << "initialisation goes on";
}

TEST_F(InitConversion, LeavesOnlyTheHolderClassReferencesAndNoPins) {
  jobjectArray exchange = pints(76, 0);
  FaultyEnv faults(env);
  ASSERT_TRUE(init(true, exchange));
  EXPECT_EQ(faults.localRefs(), 4) << "the four holder classes, freed when the call returns";
  EXPECT_EQ(faults.pins(), 0);
}

TEST_F(InitConversion, MissingMessageHandleClassIsTracedAndCleared) {
  jobjectArray exchange = pints(4, 0);
  FaultyEnv faults(env);
  faults.failClass("com/orvane/vx/taly/handles/HmsgImpl");
  FdCapture err(2);
  EXPECT_TRUE(init(false, exchange));
  std::string out = err.stop();
  EXPECT_FALSE(env->ExceptionCheck());
  EXPECT_NE(out.find("tid:scripted-thread Message Handle class NOT FOUND\n"), std::string::npos)
      << out;
  EXPECT_EQ(valueAt(exchange, 2), 36);
}

TEST_F(InitConversion, ATraceObjectThatThrowsLeavesItsExceptionAndTheTableIsStillWritten) {
  traceThrowsFrom("data");
  jobjectArray exchange = pints(76, 0);
  EXPECT_TRUE(init(true, exchange));
  EXPECT_TRUE(env->ExceptionCheck());
  env->ExceptionClear();
  EXPECT_EQ(valueAt(exchange, 5 + 2 * 35), 280);
  EXPECT_EQ(runtime.count("xcsSetPointer"), 1u);
}
