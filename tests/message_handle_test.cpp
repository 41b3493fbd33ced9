// Message handles and properties: VXCRTMH, VXDLTMH, VXSETMP, VXINQMP, VXDLTMP,
// VXMHBUF and VXBUFMH.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>
#include <map>
#include <regex>

#include "call_steps.h"
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
  // Arrays that can be told apart by their letter, each as long as what it
  // holds: options ('o', long enough for every kind), create and delete
  // options and descriptors ('c', 'd'), a message descriptor ('m'), and a
  // property name ('n': its descriptor, with no bytes of a name to read).
  // Values and buffers ('v', 'b') have eight bytes.
  jbyteArray filled(char letter) {
    switch (letter) {
      case 'o': return bytes(std::string(vxStructureLength(VxStructure::IMPO), 'o'));
      case 'c':
      case 'd': return bytes(std::string(vxStructureLength(VxStructure::PD), letter));
      case 'm': return bytes(std::string(vxStructureLength(VxStructure::MD), 'm'));
      case 'n': {
        std::string name(sizeof(VXCHARV), '\0');
        name.replace(0, sizeof(void*), sizeof(void*), 'n');
        return bytes(name);
      }
      default: return bytes(std::string(8, letter));
    }
  }
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

  using Arrays = std::vector<jbyteArray>;
  // An export with its arrays in pin order, the runtime argument that each
  // becomes, the report of each that cannot be pinned, and a call with any
  // such arrays. Value and buffer lengths are `length`.
  struct Export {
    std::string name;
    Arrays arrays;
    std::vector<size_t> args;
    std::vector<std::string> messages;
    std::function<void(jboolean, const Arrays&)> call;
  };
  std::vector<Export> all() {
    handleHolder = hmsgHolder(kHandle);
    typeHolder = pint(5);
    lengthHolder = pint(6);
    return {
        {"VXCRTMH", {filled('c')}, {1}, {"native_CrtMsgHOpts is null"},
         [this](jboolean t, const Arrays& a) {
           NATIVE(VXCRTMH)(env, nullptr, t, 7, 0, 0, a[0], handleHolder, cc, reason);
         }},
        {"VXDLTMH", {filled('d')}, {2}, {"native_DltMsgHOpts is null"},
         [this](jboolean t, const Arrays& a) {
           NATIVE(VXDLTMH)(env, nullptr, t, 7, 0, 0, handleHolder, a[0], cc, reason);
         }},
        {"VXSETMP", {filled('o'), filled('n'), filled('d'), filled('v')}, {3, 4, 5, 8},
         {"native_SetPropOpts is null", "native_Name is null", "native_PropDesc is null",
          "native_Value is null"},
         [this](jboolean t, const Arrays& a) {
           NATIVE(VXSETMP)(env, nullptr, t, 7, 0, 0, kHandle, a[0], a[1], a[2], 4, length, a[3],
                           cc, reason);
         }},
        {"VXINQMP", {filled('o'), filled('n'), filled('d'), filled('v')}, {3, 4, 5, 8},
         {"native_InqPropOpts is null", "native_Name is null", "native_PropDesc is null",
          "native_Value is null"},
         [this](jboolean t, const Arrays& a) {
           NATIVE(VXINQMP)(env, nullptr, t, 7, 0, 0, kHandle, a[0], a[1], a[2], typeHolder, length,
                           a[3], lengthHolder, cc, reason);
         }},
        {"VXDLTMP", {filled('o'), filled('n')}, {3, 4},
         {"native_DltPropOpts is null", "native_Name is null"},
         [this](jboolean t, const Arrays& a) {
           NATIVE(VXDLTMP)(env, nullptr, t, 7, 0, 0, kHandle, a[0], a[1], cc, reason);
         }},
        {"VXMHBUF", {filled('o'), filled('n'), filled('m'), filled('b')}, {3, 4, 5, 7},
         {"native_MsgHBufOpts is null", "native_Name is null", "native_MsgDesc is null",
          "native_Buffer is null"},
         [this](jboolean t, const Arrays& a) {
           NATIVE(VXMHBUF)(env, nullptr, t, 7, 0, 0, kHandle, a[0], a[1], a[2], length, a[3],
                           lengthHolder, cc, reason);
         }},
        {"VXBUFMH", {filled('o'), filled('m'), filled('b')}, {3, 4, 6},
         {"native_BufMsgHOpts is null", "native_MsgDesc is null", "native_Buffer is null"},
         [this](jboolean t, const Arrays& a) {
           NATIVE(VXBUFMH)(env, nullptr, t, 7, 0, 0, kHandle, a[0], a[1], length, a[2], 0, cc,
                           reason);
         }},
    };
  }

  // What one call did, in order (see CallSteps), without the length reads.
  using Run = CallSteps;
  Run run(const std::string& entry, const std::function<void()>& call, int failPin = 0) {
    Run r = recordSteps(env, runtime, entry, call, failPin);
    r.steps.erase(std::remove(r.steps.begin(), r.steps.end(), "GetArrayLength"), r.steps.end());
    return r;
  }
  static size_t count(const std::vector<std::string>& steps, const std::string& step) {
    return static_cast<size_t>(std::count(steps.begin(), steps.end(), step));
  }
  std::string thrownMessage() { return takeThrownMessage(env); }

  jobject handleHolder = nullptr;
  jobject typeHolder = nullptr;
  jobject lengthHolder = nullptr;
  jint length = 8;
};

using Steps = std::vector<std::string>;
Steps join(std::initializer_list<Steps> parts) {
  Steps all;
  for (const Steps& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}
const std::string kPrefix = "Java_com_orvane_vx_taly_local_internal_base_Native_";
// The options go through the structure view with its trace lines, the
// others directly; every release follows an empty line.
const Steps kViewPin = {"GetByteArrayElements", "arrayToVXStructure entry - byteArrayElements @ {@}",
                        "arrayToVXStructure exit - resultant structure @ {@}"};
const Steps kViewRelease = {"", "releaseStructure entry - alignedPtr {@}",
                            "releaseStructure data - releasing {@}", "ReleaseByteArrayElements(0)",
                            "releaseStructure exit"};
const Steps kPin = {"GetByteArrayElements"};
const Steps kRelease = {"", "ReleaseByteArrayElements(0)"};

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

// Completion code 1 and reason 2600 throughout: the codes go back in that order.
TEST_F(MessageHandles, EachExportPinsCallsReleasesAndTracesInItsOrder) {
  const std::map<std::string, Steps> expected = {
      {"VXCRTMH", join({{kPrefix + "VXCRTMH(entry)"}, kViewPin,
                        {"CallLongMethod", "call", "CallVoidMethod"}, kViewRelease})},
      {"VXDLTMH", join({{kPrefix + "VXDLTMH(entry): hconn:7"}, kViewPin,
                        {"CallLongMethod", "call", "CallVoidMethod"}, kViewRelease})},
      {"VXSETMP", join({{kPrefix + "VXSETMP(entry)"}, kViewPin, kPin, kPin, kPin, {"call"},
                        kViewRelease, kRelease, kRelease, kRelease})},
      {"VXINQMP", join({{kPrefix + "VXINQMP(entry)"}, kViewPin, kPin, kPin, kPin,
                        {"call", "SetIntField(5)", "SetIntField(6)"}, kViewRelease, kRelease,
                        kRelease, kRelease})},
      {"VXDLTMP", join({{kPrefix + "VXDLTMP(entry)"}, kViewPin, kPin, {"call"}, kViewRelease,
                        kRelease})},
      {"VXMHBUF", join({{kPrefix + "VXMHBUF(entry)"}, kViewPin, kPin, kPin, kPin,
                        {"call", "SetIntField(6)"}, kViewRelease, kRelease, kRelease, kRelease})},
      {"VXBUFMH", join({{kPrefix + "VXBUFMH(entry): hconn:7"}, kViewPin, kPin, kPin, {"call"},
                        kViewRelease, kRelease, kRelease})},
  };
  for (Export& e : all()) {
    runtime.answer(e.name, 1, 2600);
    Run r = run(e.name, [&] { e.call(JNI_FALSE, e.arrays); });
    Steps leave = {"SetIntField(1)", "SetIntField(2600)", kPrefix + e.name + "(exit): rc:2600"};
    EXPECT_EQ(r.steps, join({expected.at(e.name), leave})) << e.name;
    EXPECT_EQ(r.pinned, std::vector<const void*>(e.arrays.begin(), e.arrays.end())) << e.name;
    EXPECT_EQ(r.released, r.pinned) << "released in the order pinned";
  }
}

// A failure at each position: its report, the arrays pinned before it
// released in order after their empty lines, no holder read or written
// besides the codes, and no call.
TEST_F(MessageHandles, APinFailureAtEachPositionOfEveryExport) {
  for (Export& e : all()) {
    for (size_t position = 1; position <= e.arrays.size(); ++position) {
      Run r = run(e.name, [&] { e.call(JNI_FALSE, e.arrays); }, static_cast<int>(position));
      std::string at = e.name + " " + std::to_string(position);
      std::vector<const void*> before(e.arrays.begin(), e.arrays.begin() + position - 1);
      EXPECT_EQ(r.pinned, before) << at;
      EXPECT_EQ(r.released, before) << at;
      EXPECT_EQ(count(r.steps, "GetByteArrayElements"), position) << at;
      EXPECT_EQ(count(r.steps, "ReleaseByteArrayElements(0)"), position - 1) << at;
      EXPECT_EQ(count(r.steps, ""), position - 1) << at;
      EXPECT_EQ(count(r.steps, "CallLongMethod"), 0u) << at;
      EXPECT_EQ(count(r.steps, "CallVoidMethod"), 1u) << at << ": the report alone";
      EXPECT_EQ(count(r.steps, "call"), 0u) << at;
      Steps codes;
      std::copy_if(r.steps.begin(), r.steps.end(), std::back_inserter(codes),
                   [](const std::string& s) { return s.rfind("SetIntField", 0) == 0; });
      EXPECT_EQ(codes, (Steps{"SetIntField(2)", "SetIntField(2195)"})) << at;
      EXPECT_EQ(lastEvents(1), Steps{"krux 59 0 " + std::to_string(position + 2) + " 0 0 0 \"" +
                                     e.messages[position - 1] + "\" null null"})
          << at;
    }
  }
  EXPECT_TRUE(runtime.calls().empty());
  EXPECT_EQ(hmsgValue(handleHolder), kHandle);
  EXPECT_EQ(value(typeHolder), 5);
  EXPECT_EQ(value(lengthHolder), 6);
}

// A null array reaches the runtime as a null address, a null value or
// buffer with it; a negative length is still rejected.
TEST_F(MessageHandles, NullArraysReachTheRuntimeAsNullAddresses) {
  for (Export& e : all()) {
    for (size_t i = 0; i < e.arrays.size(); ++i) {
      runtime.clear();
      Arrays some = e.arrays;
      some[i] = nullptr;
      e.call(JNI_FALSE, some);
      RecordedCall call = runtime.only(e.name);
      for (size_t j = 0; j < e.args.size(); ++j) {
        EXPECT_EQ(call.p(e.args[j]) == nullptr, i == j) << e.name << " array " << j;
      }
      if (e.arrays.size() > 2) {
        EXPECT_EQ(call.i(e.args.back() - 1), 8) << "the length as given";
      }
      EXPECT_EQ(codes(), std::make_pair(0, 0));
    }
    if (e.arrays.size() <= 2) continue;
    runtime.clear();
    length = -1;
    Arrays some = e.arrays;
    some.back() = nullptr;
    e.call(JNI_FALSE, some);
    length = 8;
    std::string name = e.messages.back().substr(0, e.messages.back().find(' '));
    EXPECT_EQ(lastEvents(1), Steps{"krux 59 0 " + std::to_string(e.arrays.size() + 2) +
                                   " 2195 -1 0 \"" + name + " is too short\" null null"});
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
    EXPECT_TRUE(runtime.calls().empty()) << e.name;
  }
}

// A trace method that throws: the export completes, and the exception is
// thrown when it returns. -Xcheck:jni would warn of a JNI call made while
// it was pending.
TEST_F(MessageHandles, AnExceptionFromATraceMethodIsThrownOnReturn) {
  runtime.on("VXCRTMH", [](RecordedCall& call) { *call.p<int64_t>(2) = kNewHandle; });
  for (Export& e : all()) {
    runtime.answer(e.name, 1, 2600);
    for (const char* method : {"entry", "data", "exit"}) {
      traceThrowsFrom(method);
      e.call(JNI_TRUE, e.arrays);
      EXPECT_EQ(thrownMessage(), "trace " + std::string(method) + " failed") << e.name;
      EXPECT_EQ(codes(), std::make_pair(1, 2600));
      EXPECT_EQ(lastEvents(3), (Steps{"entry 59 0", callResult(e.name.c_str(), 1, 2600),
                                      "exit 59 0 2600"}));
    }
    traceThrowsFrom("krux");
    FaultyEnv faults(env);
    faults.fail(Jni::GetByteArrayElements, static_cast<int>(e.arrays.size()));
    e.call(JNI_FALSE, e.arrays);
    EXPECT_EQ(thrownMessage(), "trace krux failed") << e.name;
    EXPECT_EQ(faults.log("Release").size(), e.arrays.size() - 1);
    EXPECT_EQ(codes(), std::make_pair(2, 2195));
  }
  EXPECT_EQ(hmsgValue(handleHolder), kNewHandle) << "written while an exception was set aside";
  EXPECT_EQ(value(typeHolder), 5);
}

// The message-handle holder throws when it is read or written: the export
// goes on with the value read, writes the holder, and throws on return.
TEST_F(MessageHandles, AHandleHolderThatThrowsIsSettledAndThrownOnReturn) {
  runtime.on("VXCRTMH", [](RecordedCall& call) {
    EXPECT_EQ(*call.p<int64_t>(2), kHandle);
    *call.p<int64_t>(2) = kNewHandle;
  });
  runtime.on("VXDLTMH", [](RecordedCall& call) {
    EXPECT_EQ(*call.p<int64_t>(1), kHandle);
    *call.p<int64_t>(1) = kNewHandle;
  });
  std::vector<Export> exports = all();
  for (size_t which : {0, 1}) {
    for (Jni accessor : {Jni::CallLongMethod, Jni::CallVoidMethod}) {
      jobject holder = hmsgHolder(kHandle);
      handleHolder = holder;
      {
        FaultyEnv faults(env);
        faults.fail(accessor);
        exports[which].call(JNI_FALSE, exports[which].arrays);
        EXPECT_EQ(faults.log("SetIntField"), (Steps{"SetIntField(0)", "SetIntField(0)"}));
        EXPECT_EQ(faults.log("Throw").size(), 1u);
      }
      EXPECT_EQ(thrownMessage(), "thrown by the test") << exports[which].name;
      EXPECT_EQ(hmsgValue(holder), kNewHandle);
      EXPECT_EQ(codes(), std::make_pair(0, 0));
    }
  }
  EXPECT_EQ(runtime.count("VXCRTMH") + runtime.count("VXDLTMH"), 4u);
}
