// Consumers registered, started, stopped and deregistered a thousand times
// through the exports against the embedded queue manager (not the scripted
// runtime), whose own threads call the consumer function: each cycle's
// message reaches its Java consumer, and every callback area and global
// reference the library made is gone again, also for consumers that throw
// from every call.
#include <jvmti.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <string>
#include <thread>

#include "consumers.h"
#include "jvm.h"
#include "real_runtime.h"
#include "util/callback_area.h"
#include "vx/api.h"
#include "vx/vector.h"

namespace {

// Counts the JNI global references among the roots of a heap walk, and
// follows none of them.
jint JNICALL countGlobal(jvmtiHeapReferenceKind kind, const jvmtiHeapReferenceInfo*, jlong, jlong,
                         jlong, jlong*, jlong*, jint, void* count) {
  if (kind == JVMTI_HEAP_REFERENCE_JNI_GLOBAL) ++*static_cast<int*>(count);
  return 0;
}

// The JNI global references of the whole JVM.
int globalReferences() {
  jvmtiEnv* jvmti = nullptr;
  if (javaVM()->GetEnv(reinterpret_cast<void**>(&jvmti), JVMTI_VERSION_1_2) != JNI_OK) return -1;
  jvmtiCapabilities capabilities{};
  capabilities.can_tag_objects = 1;
  if (jvmti->AddCapabilities(&capabilities) != JVMTI_ERROR_NONE) return -1;
  jvmtiHeapCallbacks callbacks{};
  callbacks.heap_reference_callback = countGlobal;
  int count = 0;
  jvmtiError error = jvmti->FollowReferences(0, nullptr, nullptr, &callbacks, &count);
  jvmti->DisposeEnvironment();
  return error == JVMTI_ERROR_NONE ? count : -1;
}

// The JIT compilers hold global references for a while as they compile:
// the fewest of several counts leaves those out.
int settledGlobalReferences() {
  int fewest = globalReferences();
  for (int i = 0; i < 20; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    fewest = std::min(fewest, globalReferences());
  }
  return fewest;
}

std::string describedCall(int32_t callType, const std::string& thread, int dataLength) {
  std::string arrays = callType == VXCBCT_MSG_REMOVED
                           ? "md=364 gmo=112 data=" + std::to_string(dataLength)
                           : "md=null gmo=null data=null";
  return "thread=" + thread + " daemon=true " + arrays +
         " context=" + std::to_string(sizeof(VXCBC));
}

class ConsumerCycles : public ConsumerTest {
 protected:
  void SetUp() override {
    ConsumerTest::SetUp();
    connect();
  }

  void TearDown() override {
    if (hconn_ != 0) disconnect();
    ConsumerTest::TearDown();
  }

  // Registers a new consumer on the queue (one that throws from every call
  // when asked), starts it, puts text and waits for it, stops and
  // deregisters; returns the consumer.
  jobject cycle(const std::string& text, bool throwing) {
    jobject consumer = newConsumer();
    if (throwing) throwOnDelivery(consumer);
    registerOn(consumer);
    control(VXOP_START);
    put(text);
    bool arrived = false;
    for (int i = 0; i < 60000 && !arrived; ++i) {
      arrived = deliveries(consumer).size() >= 3;
      if (!arrived) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(arrived) << text;
    control(VXOP_STOP);
    deregisterFrom();
    return consumer;
  }

  // The calls the consumer had, as RecordingConsumer describes them, with
  // the call type of each.
  std::vector<std::string> callsOf(jobject consumer) {
    std::vector<std::string> calls = deliveries(consumer);
    for (size_t i = 0; i < calls.size(); ++i) {
      Bytes context = delivered(consumer, static_cast<int>(i), 3);
      int32_t callType = context.size() >= sizeof(VXCBC) ? intAt(context, offsetof(VXCBC, CallType)) : 0;
      calls[i] = std::to_string(callType) + " " + calls[i];
    }
    return calls;
  }

  std::string threadOf(jobject consumer, size_t i) {
    std::string described = deliveries(consumer).at(i);
    size_t from = std::strlen("thread=");
    return described.substr(from, described.find(" daemon=") - from);
  }

  // Gets with no wait: whether the queue still holds a message.
  bool queueEmpty() {
    jbyteArray md = bytes(structure<VXMD>(VXMD_STRUC_ID, VXMD_CURRENT_VERSION, [](VXMD&) {}));
    jbyteArray gmo = bytes(structure<VXGMO>(VXGMO_STRUC_ID, VXGMO_CURRENT_VERSION,
                                            [](VXGMO& g) { g.Options = VXGMO_NO_SYNCPOINT; }));
    jbyteArray buffer = bytes(Bytes(64, 0));
    jobject length = pint(0);
    NATIVE(VXGET)(env, nullptr, JNI_FALSE, hconn_, 0, 0, hobj_, md, gmo, 64, buffer, length, cc, reason);
    return codes() == std::make_pair(int32_t{VXCC_FAILED}, int32_t{VXRC_NO_MSG_AVAILABLE});
  }

 private:
  void expectOk(const char* call) { EXPECT_EQ(codes(), std::make_pair(0, 0)) << call; }

  void connect() {
    jobject holder = hconnHolder(0);
    NATIVE(VXCONN)(env, nullptr, JNI_FALSE, bytes(std::string(VX_NAME_LENGTH, ' ')), 0, holder, cc,
                   reason);
    expectOk("VXCONN");
    hconn_ = hconnValue(holder);
    jbyteArray od = bytes(structure<VXOD>(VXOD_STRUC_ID, VXOD_CURRENT_VERSION, [](VXOD& o) {
      o.ObjectType = VXOT_QUEUE;
      std::memcpy(o.ObjectName, "TALY.MODEL.QUEUE", 16);
      std::memcpy(o.DynamicQName, "CYCLES.*", 8);
    }));
    jobject hobj = hobjHolder(0);
    NATIVE(VXOPEN)(env, nullptr, JNI_FALSE, hconn_, 0, 0, od, VXOO_INPUT_SHARED | VXOO_OUTPUT, hobj,
                   cc, reason);
    expectOk("VXOPEN");
    hobj_ = hobjValue(hobj);
  }

  void disconnect() {
    NATIVE(VXCLOSE)(env, nullptr, JNI_FALSE, hconn_, 0, 0, hobjHolder(hobj_), VXCO_NONE, cc, reason);
    expectOk("VXCLOSE");
    NATIVE(VXDISC)(env, nullptr, JNI_FALSE, hconnHolder(hconn_), 0, 0, cc, reason);
    expectOk("VXDISC");
  }

  void registerOn(jobject consumer) {
    jbyteArray cbd = bytes(structure<VXCBD>(VXCBD_STRUC_ID, VXCBD_CURRENT_VERSION, [](VXCBD& d) {
      d.CallbackType = VXCBT_MESSAGE_CONSUMER;
      d.MaxMsgLength = VXCBD_FULL_MSG_LENGTH;
    }));
    NATIVE(VXCB)(env, nullptr, JNI_FALSE, 0, 0, consumerClass(), consumer, hconn_, 0, 0,
                 VXOP_REGISTER, hobjHolder(hobj_), nullptr, nullptr, cbd, cc, reason);
    expectOk("VXCB register");
  }

  void deregisterFrom() {
    NATIVE(VXCB)(env, nullptr, JNI_FALSE, 0, 0, consumerClass(), nullptr, hconn_, 0, 0,
                 VXOP_DEREGISTER, hobjHolder(hobj_), nullptr, nullptr, nullptr, cc, reason);
    expectOk("VXCB deregister");
  }

  void control(int32_t operation) {
    NATIVE(VXCTL)(env, nullptr, JNI_FALSE, hconn_, 0, 0, operation, nullptr, cc, reason);
    expectOk("VXCTL");
  }

  void put(const std::string& text) {
    jbyteArray md = bytes(structure<VXMD>(VXMD_STRUC_ID, VXMD_CURRENT_VERSION, [](VXMD&) {}));
    jbyteArray pmo = bytes(structure<VXPMO>(VXPMO_STRUC_ID, VXPMO_CURRENT_VERSION,
                                            [](VXPMO& p) { p.Options = VXPMO_NO_SYNCPOINT; }));
    NATIVE(VXPUT)(env, nullptr, JNI_FALSE, hconn_, 0, 0, hobj_, md, pmo,
                  static_cast<jint>(text.size()), bytes(text), cc, reason);
    expectOk("VXPUT");
  }

  RealRuntime realRuntime_;
  int32_t hconn_ = 0;
  int32_t hobj_ = 0;
};

TEST_F(ConsumerCycles, AThousandCyclesLeaveNoAreaNoGlobalReferenceAndLoseNoMessage) {
  const int areasAtStart = liveCallbackAreas();
  // The first registration keeps the consumer class for the process: count
  // the global references after it.
  ASSERT_EQ(env->PushLocalFrame(64), 0);
  cycle("warm-up", false);
  env->PopLocalFrame(nullptr);
  const int referencesAtStart = settledGlobalReferences();
  ASSERT_GT(referencesAtStart, 0) << "the heap walk did not run";

  constexpr int kCycles = 1000;
  for (int i = 0; i < kCycles; ++i) {
    ASSERT_EQ(env->PushLocalFrame(64), 0);
    const std::string text = "cycle " + std::to_string(i);
    // Every other consumer throws from each of its calls, its deregister call included.
    jobject consumer = cycle(text, i % 2 == 1);
    ASSERT_EQ(liveCallbackAreas(), areasAtStart) << "cycle " << i << ": its area outlived deregistration";

    std::string started = threadOf(consumer, 0);
    std::string left = threadOf(consumer, 4);
    std::vector<std::string> expected = {
        "3 " + describedCall(VXCBCT_REGISTER_CALL, started, 0),
        "1 " + describedCall(VXCBCT_START_CALL, started, 0),
        "6 " + describedCall(VXCBCT_MSG_REMOVED, started, static_cast<int>(text.size())),
        "2 " + describedCall(VXCBCT_STOP_CALL, started, 0),
        "4 " + describedCall(VXCBCT_DEREGISTER_CALL, left, 0)};
    ASSERT_EQ(callsOf(consumer), expected) << "cycle " << i;
    Bytes data = delivered(consumer, 2, 2);
    ASSERT_EQ(std::string(data.begin(), data.end()), text);
    ASSERT_EQ(started.rfind("Taly AsyncConsume Thread. tid: ", 0), 0u) << started;
    env->PopLocalFrame(nullptr);
  }

  std::vector<std::string> reported = events();
  EXPECT_EQ(std::count(reported.begin(), reported.end(), "krux 59 41 10 0 0 0 \"ExceptionCheck\" null null"),
            kCycles / 2 * 5)
      << "each call of a throwing consumer reached the library";
  EXPECT_TRUE(queueEmpty()) << "a message was left on the queue";
  // One left over per cycle would show as a thousand; fewer than at the start
  // only means that a compiler held one then.
  EXPECT_LE(settledGlobalReferences(), referencesAtStart) << "global references left over";
}

}  // namespace
