// Message handles and properties in the queue manager: names, types and
// values, inquiry one by one and by pattern, the limits of a handle, the
// buffer form and its damage, and properties travelling with messages and
// publications.
#include <cstring>

#include "qm_test.h"

using namespace vxqm;

namespace {

template <typename T>
std::vector<uint8_t> bytesOf(T value) {
  std::vector<uint8_t> bytes(sizeof value);
  std::memcpy(bytes.data(), &value, sizeof value);
  return bytes;
}

std::vector<uint8_t> textBytes(const std::string& text) { return {text.begin(), text.end()}; }

struct Inquired {
  Status status;
  PropertyAnswer answer;
  std::vector<uint8_t> value;
};

class Properties : public QmTest {
 protected:
  void SetUp() override {
    hconn = connect();
    EXPECT_EQ(qm.createMessageHandle(hconn, hmsg), ok());
  }
  Status set(const std::string& name, int32_t type, const std::vector<uint8_t>& value, int64_t on = 0) {
    return qm.setProperty(hconn, on != 0 ? on : hmsg, name, type, value.data(),
                          static_cast<int32_t>(value.size()));
  }
  Inquired inquire(const std::string& name, bool next = false, int32_t type = VXPT_ANY,
                   int32_t room = 64, int64_t on = 0) {
    Inquired got;
    got.value.assign(static_cast<size_t>(room), 0xEE);
    PropertyInquiry inquiry{name, type, next, got.value.data(), room};
    got.status = qm.inquireProperty(hconn, on != 0 ? on : hmsg, inquiry, got.answer);
    got.value.resize(static_cast<size_t>(std::min(room, got.answer.length)));
    return got;
  }
  std::vector<std::string> names(const std::string& pattern, int64_t on = 0) {
    std::vector<std::string> all;
    for (Inquired got = inquire(pattern, false, VXPT_ANY, 0, on); got.status.cc != VXCC_FAILED;
         got = inquire(pattern, true, VXPT_ANY, 0, on)) {
      all.push_back(got.answer.name);
    }
    return all;
  }
  std::vector<uint8_t> toBuffer(const std::string& pattern, int64_t on, const std::string& format = "TEXT") {
    PropertyBuffer probe{nullptr, 0, format, false};
    int32_t length = 0, count = 0;
    EXPECT_EQ(qm.propertiesToBuffer(hconn, on, pattern, probe, length, count),
              failure(VXRC_PROPERTIES_TOO_BIG));
    std::vector<uint8_t> buffer(static_cast<size_t>(length));
    PropertyBuffer block{buffer.data(), length, format, false};
    EXPECT_EQ(qm.propertiesToBuffer(hconn, on, pattern, block, length, count), ok());
    EXPECT_EQ(length, static_cast<int32_t>(buffer.size()));
    return buffer;
  }

  int32_t hconn = 0;
  int64_t hmsg = 0;
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(Properties, HandlesBelongToTheirConnection) {
  EXPECT_EQ(static_cast<int32_t>(static_cast<uint64_t>(hmsg) >> 32), hconn) << "the high word";
  int64_t second = 0;
  ASSERT_EQ(qm.createMessageHandle(hconn, second), ok());
  EXPECT_NE(second, hmsg);
  int32_t other = connect();
  EXPECT_EQ(qm.setProperty(other, hmsg, "a", VXPT_STRING, "x", 1), failure(VXRC_HMSG_ERROR));
  EXPECT_EQ(qm.setProperty(hconn, 0, "a", VXPT_STRING, "x", 1), failure(VXRC_HMSG_ERROR));
  int64_t deleted = second;
  EXPECT_EQ(qm.deleteMessageHandle(hconn, deleted), ok());
  EXPECT_EQ(deleted, 0);
  EXPECT_EQ(qm.deleteMessageHandle(hconn, second), failure(VXRC_HMSG_ERROR));
  EXPECT_EQ(set("a", VXPT_STRING, textBytes("x"), second), failure(VXRC_HMSG_ERROR));
  EXPECT_EQ(qm.createMessageHandle(424242, second), failure(VXRC_HCONN_ERROR));

  std::vector<int64_t> made;
  Status status;
  for (int64_t h = 0; (status = qm.createMessageHandle(other, h)).cc == VXCC_OK;) made.push_back(h);
  EXPECT_EQ(status, failure(VXRC_MSG_HANDLE_LIMIT));
  EXPECT_EQ(made.size(), static_cast<size_t>(VX_MAX_MSG_HANDLES));
  ASSERT_EQ(qm.disconnect(other), ok());
}

TEST_F(Properties, EachTypeTakesValuesOfItsLength) {
  EXPECT_EQ(set("flag", VXPT_BOOLEAN, bytesOf<int32_t>(1)), ok());
  EXPECT_EQ(set("flag", VXPT_BOOLEAN, bytesOf<int32_t>(2)), failure(VXRC_PROPERTY_VALUE_ERROR));
  EXPECT_EQ(set("flag", VXPT_BOOLEAN, {1}), failure(VXRC_PROPERTY_VALUE_ERROR));
  EXPECT_EQ(set("i8", VXPT_INT8, {0x80}), ok());
  EXPECT_EQ(set("i16", VXPT_INT16, bytesOf<int16_t>(-2)), ok());
  EXPECT_EQ(set("i16", VXPT_INT16, bytesOf<int32_t>(-2)), failure(VXRC_PROPERTY_VALUE_ERROR));
  EXPECT_EQ(set("i32", VXPT_INT32, bytesOf<int32_t>(7)), ok());
  EXPECT_EQ(set("i64", VXPT_INT64, bytesOf<int64_t>(INT64_MIN)), ok());
  EXPECT_EQ(set("f32", VXPT_FLOAT32, bytesOf(1.5f)), ok());
  EXPECT_EQ(set("f64", VXPT_FLOAT64, bytesOf(-2.25)), ok());
  EXPECT_EQ(set("f64", VXPT_FLOAT64, bytesOf(1.5f)), failure(VXRC_PROPERTY_VALUE_ERROR));
  EXPECT_EQ(set("empty", VXPT_STRING, {}), ok());
  EXPECT_EQ(set("blob", VXPT_BYTES, {0, 1, 0}), ok());
  EXPECT_EQ(set("odd", VXPT_ANY, {1}), failure(VXRC_PROPERTY_TYPE_ERROR));
  EXPECT_EQ(set("odd", 10, {1}), failure(VXRC_PROPERTY_TYPE_ERROR));
  EXPECT_EQ(qm.setProperty(hconn, hmsg, "s", VXPT_STRING, nullptr, 1), failure(VXRC_PROPERTY_VALUE_ERROR));
  EXPECT_EQ(qm.setProperty(hconn, hmsg, "s", VXPT_STRING, "x", -1), failure(VXRC_PROPERTY_VALUE_ERROR));
  std::vector<uint8_t> huge(static_cast<size_t>(VX_MAX_PROPERTY_VALUE_LENGTH) + 1);
  EXPECT_EQ(set("s", VXPT_BYTES, huge), failure(VXRC_PROPERTY_VALUE_ERROR));

  for (const char* bad : {"", "1abc", ".a", "a b", "a%", "a-b"}) {
    EXPECT_EQ(set(bad, VXPT_STRING, {}), failure(VXRC_PROPERTY_NAME_ERROR)) << bad;
  }
  EXPECT_EQ(set(std::string(VX_MAX_PROPERTY_NAME_LENGTH, 'n'), VXPT_STRING, {}), ok());
  EXPECT_EQ(set(std::string(VX_MAX_PROPERTY_NAME_LENGTH + 1, 'n'), VXPT_STRING, {}),
            failure(VXRC_PROPERTY_NAME_ERROR));
  EXPECT_EQ(set("_x.y_2", VXPT_STRING, {}), ok());

  Inquired got = inquire("i64");
  EXPECT_EQ(got.status, ok());
  EXPECT_EQ(got.answer.type, VXPT_INT64);
  EXPECT_EQ(got.value, bytesOf<int64_t>(INT64_MIN));
  EXPECT_EQ(inquire("f32").value, bytesOf(1.5f));
  EXPECT_EQ(inquire("blob").value, (std::vector<uint8_t>{0, 1, 0}));
  EXPECT_EQ(inquire("empty").answer.length, 0);
}

TEST_F(Properties, InquiryByNameByPatternAndOneAfterAnother) {
  ASSERT_EQ(set("colour", VXPT_STRING, textBytes("red")), ok());
  ASSERT_EQ(set("size.width", VXPT_INT32, bytesOf<int32_t>(3)), ok());
  ASSERT_EQ(set("size.height", VXPT_INT32, bytesOf<int32_t>(4)), ok());
  ASSERT_EQ(set("colour", VXPT_STRING, textBytes("blue")), ok()) << "replaced in its place";
  EXPECT_EQ(names("%"), (Names{"colour", "size.width", "size.height"}));
  EXPECT_EQ(names("size.%"), (Names{"size.width", "size.height"}));
  EXPECT_EQ(names("size%"), (Names{"size.width", "size.height"}));
  EXPECT_EQ(names("colour"), Names{"colour"});
  EXPECT_EQ(inquire("colour").value, textBytes("blue"));
  EXPECT_EQ(inquire("shape").status, failure(VXRC_PROPERTY_NOT_AVAILABLE));
  EXPECT_EQ(inquire("colour", false, VXPT_INT32).status, failure(VXRC_PROPERTY_TYPE_ERROR));
  EXPECT_EQ(inquire("colour", false, VXPT_STRING).status, ok());
  EXPECT_EQ(inquire("colour", false, 11).status, failure(VXRC_PROPERTY_TYPE_ERROR));
  EXPECT_EQ(inquire("1%").status, failure(VXRC_PROPERTY_NAME_ERROR));

  Inquired cut = inquire("colour", false, VXPT_ANY, 2);
  EXPECT_EQ(cut.status, warning(VXRC_PROPERTY_VALUE_TRUNCATED));
  EXPECT_EQ(cut.answer.length, 4) << "the full length";
  EXPECT_EQ(cut.value, textBytes("bl"));
  PropertyAnswer answer;
  PropertyInquiry noRoom{"colour", VXPT_ANY, false, nullptr, 4};
  EXPECT_EQ(qm.inquireProperty(hconn, hmsg, noRoom, answer), failure(VXRC_BUFFER_ERROR));
  noRoom.valueLength = -1;
  EXPECT_EQ(qm.inquireProperty(hconn, hmsg, noRoom, answer), failure(VXRC_BUFFER_LENGTH_ERROR));

  EXPECT_EQ(qm.deleteProperty(hconn, hmsg, "size.width"), ok());
  EXPECT_EQ(qm.deleteProperty(hconn, hmsg, "size.width"), failure(VXRC_PROPERTY_NOT_AVAILABLE));
  EXPECT_EQ(qm.deleteProperty(hconn, hmsg, "size.%"), failure(VXRC_PROPERTY_NAME_ERROR));
  EXPECT_EQ(names("%"), (Names{"colour", "size.height"}));
  ASSERT_EQ(set("size.width", VXPT_INT32, bytesOf<int32_t>(5)), ok());
  EXPECT_EQ(names("%"), (Names{"colour", "size.height", "size.width"})) << "set again: last";
}

TEST_F(Properties, AHandleHoldsALimitedNumberAndSizeOfProperties) {
  for (int i = 0; i < VX_MAX_PROPERTIES; ++i) {
    ASSERT_EQ(set("p" + std::to_string(i), VXPT_INT8, {1}), ok()) << i;
  }
  EXPECT_EQ(set("one.more", VXPT_INT8, {1}), failure(VXRC_PROPERTY_LIMIT));
  EXPECT_EQ(set("p0", VXPT_INT16, {1, 2}), ok()) << "replacing adds none";

  int64_t big = 0;
  ASSERT_EQ(qm.createMessageHandle(hconn, big), ok());
  std::vector<uint8_t> mebibyte(static_cast<size_t>(VX_MAX_PROPERTY_VALUE_LENGTH));
  for (int i = 0; i < 3; ++i) ASSERT_EQ(set("m" + std::to_string(i), VXPT_BYTES, mebibyte, big), ok());
  EXPECT_EQ(set("m3", VXPT_BYTES, mebibyte, big), failure(VXRC_PROPERTY_LIMIT)) << "4 MiB with the headers";
  EXPECT_EQ(set("m2", VXPT_BYTES, mebibyte, big), ok());
}

TEST_F(Properties, TheBufferFormCarriesEveryTypeBackAndForth) {
  ASSERT_EQ(set("flag", VXPT_BOOLEAN, bytesOf<int32_t>(1)), ok());
  ASSERT_EQ(set("count", VXPT_INT64, bytesOf<int64_t>(int64_t{1} << 40)), ok());
  ASSERT_EQ(set("name", VXPT_STRING, textBytes("abc")), ok());
  ASSERT_EQ(set("raw", VXPT_BYTES, {9, 8, 7, 6, 5}), ok());
  ASSERT_EQ(set("ratio", VXPT_FLOAT64, bytesOf(0.125)), ok());
  std::vector<uint8_t> block = toBuffer("%", hmsg, "TEXT");
  EXPECT_EQ(block.size() % 4, 0u);
  EXPECT_EQ(std::memcmp(block.data(), VXPBH_STRUC_ID, 4), 0);

  std::string data = "payload";
  std::vector<uint8_t> message = block;
  message.insert(message.end(), data.begin(), data.end());
  int64_t copy = 0;
  ASSERT_EQ(qm.createMessageHandle(hconn, copy), ok());
  PropertyBuffer in{message.data(), static_cast<int32_t>(message.size()), VXFMT_PROPERTIES, true};
  int32_t dataLength = -1, count = -1;
  ASSERT_EQ(qm.bufferToProperties(hconn, copy, in, dataLength, count), ok());
  EXPECT_EQ(count, 5);
  EXPECT_EQ(dataLength, 7);
  EXPECT_EQ(std::string(message.begin(), message.begin() + dataLength), data) << "moved to the front";
  EXPECT_EQ(in.format, "TEXT    ");
  EXPECT_EQ(names("%", copy), (Names{"flag", "count", "name", "raw", "ratio"}));
  for (const char* name : {"flag", "count", "name", "raw", "ratio"}) {
    Inquired a = inquire(name), b = inquire(name, false, VXPT_ANY, 64, copy);
    EXPECT_EQ(a.answer.type, b.answer.type) << name;
    EXPECT_EQ(a.value, b.value) << name;
  }
  EXPECT_EQ(toBuffer("%", copy, "TEXT"), block) << "the same block again";
  EXPECT_EQ(toBuffer("ra%", copy, "TEXT").size(), 24u + 28 + 28) << "raw and ratio only";

  PropertyBuffer other{message.data(), 3, "TEXT    ", false};
  EXPECT_EQ(qm.bufferToProperties(hconn, copy, other, dataLength, count), ok()) << "no block there";
  EXPECT_EQ(dataLength, 3);
  EXPECT_EQ(count, 0);
}

TEST_F(Properties, ADamagedBlockIsRefusedWholeWithoutReadingPastIt) {
  ASSERT_EQ(set("first", VXPT_STRING, textBytes("one")), ok());
  ASSERT_EQ(set("second", VXPT_INT32, bytesOf<int32_t>(2)), ok());
  std::vector<uint8_t> block = toBuffer("%", hmsg);
  int64_t target = 0;
  ASSERT_EQ(qm.createMessageHandle(hconn, target), ok());
  auto refused = [&](std::vector<uint8_t> damaged, int32_t length) {
    // Exactly the bytes given, so that a read past them is seen.
    std::vector<uint8_t> exact(damaged.begin(), damaged.begin() + length);
    PropertyBuffer in{exact.data(), length, "", false};
    int32_t dataLength = 0, count = 0;
    return qm.bufferToProperties(hconn, target, in, dataLength, count) ==
           failure(VXRC_PROPERTIES_BUFFER_ERROR);
  };
  int32_t total = static_cast<int32_t>(block.size());
  for (int32_t length = 0; length < total; ++length) EXPECT_TRUE(refused(block, length)) << length;
  for (size_t at : {0u, 4u, 8u, 12u, 24u, 28u, 32u, 36u, 40u}) {
    for (int32_t value : {-1, 0, 3, 1 << 20, INT32_MAX}) {
      std::vector<uint8_t> damaged = block;
      std::memcpy(damaged.data() + at, &value, sizeof value);
      int32_t length = total;
      bool kept = std::memcmp(damaged.data(), block.data(), block.size()) == 0;
      if (!kept) {
        EXPECT_TRUE(refused(damaged, length)) << "offset " << at << " value " << value;
      }
    }
  }
  std::vector<uint8_t> badName = block;
  badName[24 + 16] = '1';
  EXPECT_TRUE(refused(badName, total));
  EXPECT_TRUE(names("%", target).empty()) << "nothing was set";
  PropertyBuffer none{nullptr, 5, "", false};
  int32_t dataLength = 0, count = 0;
  EXPECT_EQ(qm.bufferToProperties(hconn, target, none, dataLength, count), failure(VXRC_BUFFER_ERROR));
}

TEST_F(Properties, PropertiesTravelWithTheMessageToAGetThatAsks) {
  int32_t queue = open(hconn, "TALY.QUEUE.1", VXOO_INPUT_SHARED | VXOO_OUTPUT | VXOO_BROWSE);
  ASSERT_EQ(set("order", VXPT_INT32, bytesOf<int32_t>(42)), ok());
  ASSERT_EQ(set("region", VXPT_STRING, textBytes("north")), ok());
  PutOptions withHandle;
  withHandle.msgHandle = hmsg;
  ASSERT_EQ(put(hconn, queue, "first", {}, withHandle), ok());
  ASSERT_EQ(qm.deleteProperty(hconn, hmsg, "region"), ok()) << "the message keeps its copy";
  ASSERT_EQ(put(hconn, queue, "second"), ok());

  int64_t received = 0;
  ASSERT_EQ(qm.createMessageHandle(hconn, received), ok());
  ASSERT_EQ(set("stale", VXPT_INT8, {1}, received), ok());
  GetOptions browse;
  browse.browse = Browse::First;
  browse.msgHandle = received;
  ASSERT_EQ(get(hconn, queue, browse).status, ok());
  EXPECT_EQ(names("%", received), (Names{"order", "region"})) << "replaced, not added to";
  GetOptions withReceiver;
  withReceiver.msgHandle = received;
  Got got = get(hconn, queue, withReceiver);
  ASSERT_EQ(got.text, "first");
  EXPECT_EQ(inquire("%", true, VXPT_ANY, 0, received).answer.name, "order")
      << "a get starts the inquiries again";
  EXPECT_EQ(inquire("region", false, VXPT_ANY, 64, received).value, textBytes("north"));
  got = get(hconn, queue, withReceiver);
  ASSERT_EQ(got.text, "second");
  EXPECT_TRUE(names("%", received).empty()) << "a message without properties empties the handle";

  ASSERT_EQ(put(hconn, queue, "third", {}, withHandle), ok());
  GetOptions badHandle;
  badHandle.msgHandle = received + 1;
  EXPECT_EQ(get(hconn, queue, badHandle).status, failure(VXRC_HMSG_ERROR));
  EXPECT_EQ(get(hconn, queue).text, "third") << "still there; a get without a handle drops them";
  PutOptions badPut;
  badPut.msgHandle = received + 1;
  EXPECT_EQ(put(hconn, queue, "x", {}, badPut), failure(VXRC_HMSG_ERROR));
  EXPECT_EQ(get(hconn, queue).status, failure(VXRC_NO_MSG_AVAILABLE));
}

TEST_F(Properties, APublicationCarriesItsPropertiesToEverySubscriber) {
  SubscribeRequest request;
  request.options = VXSO_CREATE | VXSO_MANAGED;
  request.topic = "news/**";
  int32_t first = 0, second = 0, hsub = 0;
  SubscribeResult result;
  ASSERT_EQ(qm.subscribe(hconn, request, first, hsub, result), ok());
  ASSERT_EQ(qm.subscribe(hconn, request, second, hsub, result), ok());
  ASSERT_EQ(set("headline", VXPT_STRING, textBytes("big")), ok());
  ObjectRequest topic;
  topic.type = VXOT_TOPIC;
  topic.topicString = "news/today";
  PutOptions options;
  options.msgHandle = hmsg;
  MessageDescriptor md;
  PutResult put;
  ASSERT_EQ(qm.put1(hconn, topic, md, options, "story", 5, put), ok());
  for (int32_t hobj : {first, second}) {
    int64_t received = 0;
    ASSERT_EQ(qm.createMessageHandle(hconn, received), ok());
    GetOptions get;
    get.msgHandle = received;
    ASSERT_EQ(this->get(hconn, hobj, get).text, "story");
    EXPECT_EQ(inquire("headline", false, VXPT_STRING, 64, received).value, textBytes("big"));
  }
}
