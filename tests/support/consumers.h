// Tests of asynchronous consumption: the recording Java consumer, the
// process-wide callback tables emptied before each test, callbacks built as
// the runtime builds them, and native threads that deliver them as the
// runtime's dispatcher threads do.
#ifndef TEST_CONSUMERS_H
#define TEST_CONSUMERS_H

#include <jni.h>

#include <functional>
#include <string>
#include <vector>

#include "jni_test.h"
#include "vx/structs.h"

// The arguments of one callback, held in native memory.
struct RuntimeCallback {
  RuntimeCallback(TalyCallbackArea* area, int32_t callType, const std::string& message,
           int32_t bufferLength);

  // Calls the consumer function, as the runtime does, with the given parts.
  void deliver();
  RuntimeCallback& withoutMessage();  // null descriptor, options and data

  int32_t hconn = 5;
  Bytes md;
  Bytes gmo;
  Bytes buffer;
  VXCBC cbc{};
  bool hasMessage = true;
  bool hasContext = true;
};

// Whether the calling thread is attached to the JVM.
bool threadAttached();

// Runs each step on one new native thread, which is not attached unless a
// step attaches it, and records after each step whether the thread is
// attached. The thread is detached at the end if a step left it attached.
std::vector<bool> onNativeThread(const std::vector<std::function<void()>>& steps);

class ConsumerTest : public ExportTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A new RecordingConsumer, and its class.
  jobject newConsumer();
  static jclass consumerClass();
  // Its deliveries as RecordingConsumer describes them, and array n of delivery i.
  std::vector<std::string> deliveries(jobject consumer);
  Bytes delivered(jobject consumer, int i, int n);
  void throwOnDelivery(jobject consumer);

  // Registers instance at index through VXCB, as the Java side does, with
  // its class (RecordingConsumer unless given), and returns the callback
  // area that the runtime was handed.
  TalyCallbackArea* registerConsumer(jobject instance, int32_t index = 0, jclass cls = nullptr);
  // A deregistration callback on this (attached) thread: frees area.
  void deregister(TalyCallbackArea* area);

 private:
  int areasAtStart_ = 0;
};

#endif
