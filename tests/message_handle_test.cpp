// Message handles and properties: VXCRTMH, VXDLTMH, VXSETMP, VXINQMP, VXDLTMP,
// VXMHBUF and VXBUFMH.
#include <algorithm>
#include <cstdio>
#include <functional>

#include "capture.h"
#include "faulty_env.h"
#include "jni_test.h"

namespace {

// A handle whose high word is not zero, and its two words.
constexpr int64_t kHandle = (int64_t{10} << 32) | 0xFFFFFFF0u;
constexpr int32_t kLow = -16;
constexpr int32_t kHigh = 10;
constexpr int64_t kNewHandle = (int64_t{0x7654321} << 32) | 0x89ABCDEFu;

class MessageHandles : public ExportTest {
 protected:
  // Eight bytes of one letter, so that each array can be told apart.
  jbyteArray filled(char letter) { return bytes(std::string(8, letter)); }
  static std::string captured(RecordedCall& call, size_t arg) {
    return std::string(call.bytes[arg].begin(), call.bytes[arg].end());
  }
  static std::vector<std::string> copiedBack(size_t n) {
    return std::vector<std::string>(n, "ReleaseByteArrayElements(0)");
  }
  // The last n events, those of the last calls.
  std::vector<std::string> lastEvents(size_t n) {
    std::vector<std::string> all = events();
    return std::vector<std::string>(all.end() - static_cast<long>(std::min(n, all.size())), all.end());
  }
  static std::string callResult(const char* name, int32_t completion, int32_t rc) {
    return "data 59 0 \"" + std::string(name) + " returned CC=" + std::to_string(completion) +
           ", RC=" + std::to_string(rc) + "\" -";
  }
};

}  // namespace

TEST_F(MessageHandles, CreateAndDeleteUseA64BitCellThatGoesBackToTheHolderOnZeroAndOne) {
  runtime.capture("VXCRTMH", 1, 4);
  runtime.capture("VXDLTMH", 2, 4);
  runtime.on("VXCRTMH", [](RecordedCall& call) {
    EXPECT_EQ(*call.p<int64_t>(2), kHandle) << "the holder's value goes in";
    *call.p<int64_t>(2) = kNewHandle;
    call.p<uint8_t>(1)[0] = 'C';
  });
  runtime.on("VXDLTMH", [](RecordedCall& call) {
    EXPECT_EQ(*call.p<int64_t>(1), kHandle);
    *call.p<int64_t>(1) = 0;
    call.p<uint8_t>(2)[0] = 'D';
  });
  for (int32_t completion : {0, 1, 2}) {
    runtime.clear();
    runtime.answer("VXCRTMH", completion, 2000 + completion);
    runtime.answer("VXDLTMH", completion, 2100 + completion);
    jbyteArray crtOpts = filled('c');
    jbyteArray dltOpts = filled('d');
    jobject created = hmsgHolder(kHandle);
    jobject deleted = hmsgHolder(kHandle);
    std::vector<std::string> longCalls, released;
    {
      FaultyEnv faults(env);
      NATIVE(VXCRTMH)(env, nullptr, JNI_TRUE, 7, 0, 0, crtOpts, created, cc, reason);
      EXPECT_EQ(codes(), std::make_pair(completion, 2000 + completion));
      NATIVE(VXDLTMH)(env, nullptr, JNI_TRUE, 8, 0, 0, deleted, dltOpts, cc, reason);
      longCalls = faults.log("CallLongMethod");
      released = faults.log("Release");
    }

    RecordedCall create = runtime.only("VXCRTMH");
    RecordedCall remove = runtime.only("VXDLTMH");
    EXPECT_EQ(create.i(0), 7);
    EXPECT_EQ(captured(create, 1), "cccc");
    EXPECT_EQ(remove.i(0), 8);
    EXPECT_EQ(captured(remove, 2), "dddd");
    bool written = completion != 2;
    EXPECT_EQ(hmsgValue(created), written ? kNewHandle : kHandle) << "completion " << completion;
    EXPECT_EQ(hmsgValue(deleted), written ? 0 : kHandle) << "what the runtime left in the cell";
    EXPECT_EQ(bytesOf(crtOpts)[0], 'C') << "copied back whatever the outcome";
    EXPECT_EQ(bytesOf(dltOpts)[0], 'D');
    EXPECT_EQ(longCalls.size(), 2u);
    EXPECT_EQ(released, copiedBack(2));
    EXPECT_EQ(codes(), std::make_pair(completion, 2100 + completion));
    EXPECT_EQ(lastEvents(6), (std::vector<std::string>{
                                 "entry 59 0", callResult("VXCRTMH", completion, 2000 + completion),
                            "exit 59 0 " + std::to_string(2000 + completion), "entry 59 0",
                            callResult("VXDLTMH", completion, 2100 + completion),
                            "exit 59 0 " + std::to_string(2100 + completion)}));
  }
}

// Delete and buffer-to-handle write their entry line, with the connection,
// after the Java entry event; the others write it first.
TEST_F(MessageHandles, EntryLinesWithTheConnectionFollowTheJavaEntryEvent) {
  FaultyEnv faults(env);
  runtime.on("threadIdText", [&faults](RecordedCall&) { faults.note("native line"); });
  FdCapture err(2);
  auto firstTwo = [&faults](const std::function<void()>& call) {
    size_t before = faults.log().size();
    call();
    std::vector<std::string> order;
    std::vector<std::string> all = faults.log();
    for (size_t i = before; i < all.size() && order.size() < 2; ++i) {
      if (all[i] == "CallVoidMethod" || all[i] == "native line") order.push_back(all[i]);
    }
    return order;
  };
  const std::vector<std::string> eventFirst = {"CallVoidMethod", "native line"};
  const std::vector<std::string> lineFirst = {"native line", "CallVoidMethod"};
  EXPECT_EQ(firstTwo([&] {
              NATIVE(VXDLTMH)(env, nullptr, JNI_TRUE, 41, 0, 0, hmsgHolder(1), nullptr, cc, reason);
            }),
            eventFirst);
  EXPECT_EQ(firstTwo([&] {
              NATIVE(VXBUFMH)(env, nullptr, JNI_TRUE, 42, 0, 0, 1, nullptr, nullptr, 0, nullptr,
                              0, cc, reason);
            }),
            eventFirst);
  EXPECT_EQ(firstTwo([&] {
              NATIVE(VXSETMP)(env, nullptr, JNI_TRUE, 43, 0, 0, 1, nullptr, nullptr, nullptr, 0,
                              0, nullptr, cc, reason);
            }),
            lineFirst);
  runtime.on("threadIdText", nullptr);

  std::vector<std::string> lines = traceMessages(err.stop());
  const std::string prefix = "Java_com_orvane_vx_taly_local_internal_base_Native_";
  EXPECT_EQ(lines, (std::vector<std::string>{
                       prefix + "VXDLTMH(entry): hconn:41", prefix + "VXDLTMH(exit): rc:0",
                       prefix + "VXBUFMH(entry): hconn:42", prefix + "VXBUFMH(exit): rc:0",
                       prefix + "VXSETMP(entry)", prefix + "VXSETMP(exit): rc:0"}));
}

TEST_F(MessageHandles, SetAndDeletePropertyPassTheHandleAsTwoWordsLowFirst) {
  for (size_t arg : {3, 4, 5, 8}) runtime.capture("VXSETMP", arg, 4);
  for (size_t arg : {3, 4}) runtime.capture("VXDLTMP", arg, 4);
  runtime.answer("VXDLTMP", 2, 2471);
  runtime.on("VXSETMP", [](RecordedCall& call) { call.p<uint8_t>(8)[0] = 'V'; });
  runtime.on("VXDLTMP", [](RecordedCall& call) { call.p<uint8_t>(4)[0] = 'N'; });
  jbyteArray propertyValue = filled('v');
  jbyteArray name = filled('n');
  FaultyEnv faults(env);
  NATIVE(VXSETMP)(env, nullptr, JNI_TRUE, 7, 0, 0, kHandle, filled('o'), filled('n'),
                  filled('d'), 4, 8, propertyValue, cc, reason);
  EXPECT_EQ(codes(), std::make_pair(0, 0));
  NATIVE(VXDLTMP)(env, nullptr, JNI_TRUE, 9, 0, 0, kHandle, filled('o'), name, cc, reason);

  RecordedCall set = runtime.only("VXSETMP");
  EXPECT_EQ(set.i(0), 7);
  EXPECT_EQ(set.i(1), kLow);
  EXPECT_EQ(set.i(2), kHigh);
  EXPECT_EQ(captured(set, 3) + captured(set, 4) + captured(set, 5), "oooonnnndddd");
  EXPECT_EQ(set.i(6), 4);
  EXPECT_EQ(set.i(7), 8);
  EXPECT_EQ(captured(set, 8), "vvvv");
  RecordedCall remove = runtime.only("VXDLTMP");
  EXPECT_EQ(remove.i(0), 9);
  EXPECT_EQ(remove.i(1), kLow);
  EXPECT_EQ(remove.i(2), kHigh);
  EXPECT_EQ(captured(remove, 3) + captured(remove, 4), "oooonnnn");
  EXPECT_EQ(bytesOf(propertyValue)[0], 'V');
  EXPECT_EQ(bytesOf(name)[0], 'N') << "copied back after a failure too";
  EXPECT_EQ(faults.log("Release"), copiedBack(6));
  EXPECT_EQ(codes(), std::make_pair(2, 2471));
  std::vector<std::string> all = events();
  ASSERT_EQ(all.size(), 6u);
  EXPECT_EQ(all[1], callResult("VXSETMP", 0, 0));
  EXPECT_EQ(all[4], callResult("VXDLTMP", 2, 2471));
}

TEST_F(MessageHandles, InquireWritesTypeAndDataLengthOnZeroAndOneAndCopiesTheValueBack) {
  for (size_t arg : {3, 4, 5, 8}) runtime.capture("VXINQMP", arg, 4);
  runtime.on("VXINQMP", [](RecordedCall& call) {
    EXPECT_EQ(*call.p<int32_t>(6), 5) << "the type holder's value goes in";
    EXPECT_EQ(*call.p<int32_t>(9), 6) << "the data-length holder's value goes in";
    *call.p<int32_t>(6) = 0x40;
    *call.p<int32_t>(9) = 123;
    if (call.p(8) != nullptr) call.p<uint8_t>(8)[7] = 'V';
    call.p<uint8_t>(5)[1] = 'D';
  });
  for (int32_t completion : {0, 1, 2}) {
    runtime.clear();
    runtime.answer("VXINQMP", completion, 2400 + completion);
    jbyteArray desc = filled('d');
    jbyteArray propertyValue = filled('v');
    jobject type = pint(5);
    jobject dataLength = pint(6);
    FaultyEnv faults(env);
    NATIVE(VXINQMP)(env, nullptr, JNI_TRUE, 7, 0, 0, kHandle, filled('o'), filled('n'), desc,
                    type, 8, propertyValue, dataLength, cc, reason);

    RecordedCall call = runtime.only("VXINQMP");
    EXPECT_EQ(call.i(0), 7);
    EXPECT_EQ(call.i(1), kLow);
    EXPECT_EQ(call.i(2), kHigh);
    EXPECT_EQ(captured(call, 3) + captured(call, 4) + captured(call, 5), "oooonnnndddd");
    EXPECT_EQ(call.i(7), 8);
    EXPECT_EQ(captured(call, 8), "vvvv");
    bool written = completion != 2;
    EXPECT_EQ(value(type), written ? 0x40 : 5) << "completion " << completion;
    EXPECT_EQ(value(dataLength), written ? 123 : 6);
    EXPECT_EQ(bytesOf(propertyValue)[7], 'V') << "copied back whatever the outcome";
    EXPECT_EQ(bytesOf(desc)[1], 'D');
    EXPECT_EQ(faults.log("Release"), copiedBack(4));
    EXPECT_EQ(codes(), std::make_pair(completion, 2400 + completion));
    EXPECT_EQ(lastEvents(2)[0], callResult("VXINQMP", completion, 2400 + completion));
  }

  runtime.clear();
  runtime.answer("VXINQMP", 0, 0);
  jobject type = pint(5);
  jobject dataLength = pint(6);
  NATIVE(VXINQMP)(env, nullptr, JNI_FALSE, 7, 0, 0, kHandle, nullptr, nullptr, filled('d'), type,
                  0, nullptr, dataLength, cc, reason);
  EXPECT_EQ(runtime.only("VXINQMP").p(8), nullptr);
  EXPECT_EQ(value(type), 0x40) << "written without a value array too";
  EXPECT_EQ(value(dataLength), 123);
}

TEST_F(MessageHandles, HandleToBufferWritesTheDataLengthOnZeroAndOneAndCopiesTheBufferBack) {
  for (size_t arg : {3, 4, 5, 7}) runtime.capture("VXMHBUF", arg, 4);
  runtime.on("VXMHBUF", [](RecordedCall& call) {
    EXPECT_EQ(*call.p<int32_t>(8), 6) << "the data-length holder's value goes in";
    *call.p<int32_t>(8) = 300;
    call.p<uint8_t>(7)[15] = 'P';
  });
  for (int32_t completion : {0, 1, 2}) {
    runtime.clear();
    runtime.answer("VXMHBUF", completion, 2500 + completion);
    jbyteArray buffer = bytes(std::string(16, 'b'));
    jobject dataLength = pint(6);
    FaultyEnv faults(env);
    NATIVE(VXMHBUF)(env, nullptr, JNI_FALSE, 7, 0, 0, kHandle, filled('o'), filled('n'),
                    filled('m'), 16, buffer, dataLength, cc, reason);

    RecordedCall call = runtime.only("VXMHBUF");
    EXPECT_EQ(call.i(0), 7);
    EXPECT_EQ(call.i(1), kLow);
    EXPECT_EQ(call.i(2), kHigh);
    EXPECT_EQ(captured(call, 3) + captured(call, 4) + captured(call, 5), "oooonnnnmmmm");
    EXPECT_EQ(call.i(6), 16);
    EXPECT_EQ(captured(call, 7), "bbbb");
    EXPECT_EQ(value(dataLength), completion != 2 ? 300 : 6) << "completion " << completion;
    EXPECT_EQ(bytesOf(buffer)[15], 'P');
    EXPECT_EQ(faults.log("Release"), copiedBack(4));
    EXPECT_EQ(codes(), std::make_pair(completion, 2500 + completion));
  }
}

// The data length that buffer-to-handle receives stays in the export: the
// Java parameter at that position is a plain int and is not read.
TEST_F(MessageHandles, BufferToHandleKeepsTheDataLengthAndCopiesTheBufferBack) {
  for (size_t arg : {3, 4, 6}) runtime.capture("VXBUFMH", arg, 4);
  runtime.answer("VXBUFMH", 1, 2541);
  runtime.on("VXBUFMH", [](RecordedCall& call) {
    ASSERT_NE(call.p(7), nullptr);
    EXPECT_EQ(*call.p<int32_t>(7), 0);
    *call.p<int32_t>(7) = 12;
    call.p<uint8_t>(6)[0] = 'P';
  });
  jbyteArray buffer = bytes(std::string(16, 'b'));
  FaultyEnv faults(env);
  NATIVE(VXBUFMH)(env, nullptr, JNI_TRUE, 7, 0, 0, kHandle, filled('o'), filled('m'), 16, buffer,
                  4242, cc, reason);

  RecordedCall call = runtime.only("VXBUFMH");
  EXPECT_EQ(call.args.size(), 10u);
  EXPECT_EQ(call.i(0), 7);
  EXPECT_EQ(call.i(1), kLow);
  EXPECT_EQ(call.i(2), kHigh);
  EXPECT_EQ(captured(call, 3) + captured(call, 4), "oooommmm");
  EXPECT_EQ(call.i(5), 16);
  EXPECT_EQ(captured(call, 6), "bbbb");
  EXPECT_EQ(bytesOf(buffer)[0], 'P');
  EXPECT_EQ(faults.log("Release"), copiedBack(3));
  EXPECT_EQ(faults.log("SetIntField"),
            (std::vector<std::string>{"SetIntField(1)", "SetIntField(2541)"}))
      << "only the codes are written";
  EXPECT_EQ(codes(), std::make_pair(1, 2541));
  EXPECT_EQ(events()[1], callResult("VXBUFMH", 1, 2541));
}

// A pin failure at each position releases, with copy-back, exactly the
// arrays pinned before it, and writes back nothing but the codes.
TEST_F(MessageHandles, APinFailureAtEachPositionReleasesWhatWasPinnedBefore) {
  jobject type = pint(-7);
  jobject dataLength = pint(-8);
  struct Export {
    const char* name;
    std::vector<const char*> messages;
    std::function<void()> call;
  };
  const std::vector<Export> exports = {
      {"VXINQMP",
       {"native_InqPropOpts is null", "native_Name is null", "native_PropDesc is null",
        "native_Value is null"},
       [&] {
         NATIVE(VXINQMP)(env, nullptr, JNI_FALSE, 1, 0, 0, kHandle, filled('o'), filled('n'),
                         filled('d'), type, 8, filled('v'), dataLength, cc, reason);
       }},
      {"VXMHBUF",
       {"native_MsgHBufOpts is null", "native_Name is null", "native_MsgDesc is null",
        "native_Buffer is null"},
       [&] {
         NATIVE(VXMHBUF)(env, nullptr, JNI_FALSE, 1, 0, 0, kHandle, filled('o'), filled('n'),
                         filled('m'), 8, filled('b'), dataLength, cc, reason);
       }},
      {"VXSETMP",
       {"native_SetPropOpts is null", "native_Name is null", "native_PropDesc is null",
        "native_Value is null"},
       [&] {
         NATIVE(VXSETMP)(env, nullptr, JNI_FALSE, 1, 0, 0, kHandle, filled('o'), filled('n'),
                         filled('d'), 4, 8, filled('v'), cc, reason);
       }},
  };
  for (const Export& e : exports) {
    for (int position = 1; position <= 4; ++position) {
      FaultyEnv faults(env);
      faults.fail(Jni::GetByteArrayElements, position);
      e.call();
      EXPECT_EQ(faults.log("GetByteArrayElements").size(), static_cast<size_t>(position));
      EXPECT_EQ(faults.log("Release"), copiedBack(position - 1)) << e.name << " " << position;
      EXPECT_EQ(faults.pins(), 0);
      EXPECT_EQ(codes(), std::make_pair(2, 2195));
      EXPECT_EQ(lastEvents(1),
                std::vector<std::string>{"krux 59 0 " + std::to_string(position + 2) + " 0 0 0 \"" +
                                         e.messages[position - 1] + "\" null null"});
    }
  }
  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(value(type), -7);
  EXPECT_EQ(value(dataLength), -8);
}

// A value or buffer length beyond its Java array, or negative, would let the
// runtime read or write past the array: rejected before anything is pinned.
TEST_F(MessageHandles, LengthsBeyondTheJavaArrayAreRejectedBeforeAnythingIsPinned) {
  jobject type = pint(0);
  jobject dataLength = pint(0);
  struct Export {
    const char* name;
    const char* report;  // probe and message
    std::function<void(jint)> call;
  };
  const std::vector<Export> exports = {
      {"VXSETMP", "6 2195 %d 8 \"native_Value is too short\"",
       [&](jint length) {
         NATIVE(VXSETMP)(env, nullptr, JNI_FALSE, 1, 0, 0, kHandle, filled('o'), filled('n'),
                         filled('d'), 4, length, filled('v'), cc, reason);
       }},
      {"VXINQMP", "6 2195 %d 8 \"native_Value is too short\"",
       [&](jint length) {
         NATIVE(VXINQMP)(env, nullptr, JNI_FALSE, 1, 0, 0, kHandle, filled('o'), filled('n'),
                         filled('d'), type, length, filled('v'), dataLength, cc, reason);
       }},
      {"VXMHBUF", "6 2195 %d 8 \"native_Buffer is too short\"",
       [&](jint length) {
         NATIVE(VXMHBUF)(env, nullptr, JNI_FALSE, 1, 0, 0, kHandle, filled('o'), filled('n'),
                         filled('m'), length, filled('b'), dataLength, cc, reason);
       }},
      {"VXBUFMH", "5 2195 %d 8 \"native_Buffer is too short\"",
       [&](jint length) {
         NATIVE(VXBUFMH)(env, nullptr, JNI_FALSE, 1, 0, 0, kHandle, filled('o'), filled('m'),
                         length, filled('b'), 0, cc, reason);
       }},
  };
  for (const Export& e : exports) {
    for (jint length : {9, -1}) {
      FaultyEnv faults(env);
      e.call(length);
      char report[128];
      std::snprintf(report, sizeof report, e.report, length);
      EXPECT_TRUE(faults.log("GetByteArrayElements").empty()) << e.name;
      EXPECT_EQ(codes(), std::make_pair(2, 2195));
      EXPECT_EQ(lastEvents(1),
                std::vector<std::string>{"krux 59 0 " + std::string(report) + " null null"});
    }
    EXPECT_EQ(runtime.count(e.name), 0u);
    e.call(8);
    EXPECT_EQ(runtime.count(e.name), 1u) << "the whole array is allowed";
    EXPECT_EQ(codes(), std::make_pair(0, 0));
  }
}
