// Put and get: order, what a put stamps, matching, browsing, truncation,
// expiry and the limits of a queue.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <set>

#include "qm/queue.h"
#include "qm_test.h"

using namespace vxqm;

namespace {

class Messaging : public QmTest {
 protected:
  void SetUp() override {
    hconn = connect();
    hobj = open(hconn, "TALY.QUEUE.1", VXOO_INPUT_SHARED | VXOO_OUTPUT | VXOO_BROWSE);
  }
  MessageDescriptor withPriority(int32_t priority) {
    MessageDescriptor md;
    md.priority = priority;
    return md;
  }
  MessageDescriptor withCorrelId(uint8_t first) {
    MessageDescriptor md;
    md.correlId[0] = first;
    return md;
  }
  std::vector<std::string> drain() {
    std::vector<std::string> texts;
    for (Got got = get(hconn, hobj); got.status.cc == VXCC_OK; got = get(hconn, hobj)) {
      texts.push_back(got.text);
    }
    return texts;
  }
  int32_t hconn = 0;
  int32_t hobj = 0;
};

}  // namespace

TEST_F(Messaging, HigherPriorityFirstThenTheOrderOfPutting) {
  ASSERT_EQ(put(hconn, hobj, "a", withPriority(0)), ok());
  ASSERT_EQ(put(hconn, hobj, "b", withPriority(5)), ok());
  ASSERT_EQ(put(hconn, hobj, "c", withPriority(5)), ok());
  ASSERT_EQ(put(hconn, hobj, "d", withPriority(9)), ok());
  ASSERT_EQ(put(hconn, hobj, "e", withPriority(0)), ok());
  EXPECT_EQ(drain(), (std::vector<std::string>{"d", "b", "c", "a", "e"}));
  EXPECT_EQ(get(hconn, hobj).status, failure(VXRC_NO_MSG_AVAILABLE));
}

// A take by key after a find, straight on the queue: the message the find
// returned goes, whatever came between; one that a later find discarded as
// expired, or that was taken already, is not found again.
TEST(QueueIndex, ATakeFollowsTheLastFindAndNeverAMessageGoneSince) {
  ManualClock clock;
  Queue queue(QueueDefinition{"Q", QueueType::Local, {}});
  auto message = [](int32_t priority, uint8_t first, int64_t expiresAt) {
    auto stored = std::make_unique<StoredMessage>();
    stored->md.priority = priority;
    stored->data = {first};
    stored->expiresAt = expiresAt;
    return stored;
  };
  auto findFirst = [&](MessageKey& key) {
    ExpiryTime now(clock);
    StoredMessage* found = queue.find(Match{}, nullptr, now, key);
    return found != nullptr ? found->data[0] : 0;
  };
  clock.now = 1000;
  MessageKey low = queue.add(message(0, 'a', 0));
  MessageKey brief = queue.add(message(4, 'b', 1500));
  MessageKey key;
  ASSERT_EQ(findFirst(key), 'b');
  EXPECT_EQ(key, brief);
  // Added between the find and its take: ahead of the found one, and last.
  MessageKey urgent = queue.add(message(9, 'u', 0));
  queue.add(message(0, 'z', 0));
  std::unique_ptr<StoredMessage> taken = queue.take(brief);
  ASSERT_NE(taken, nullptr);
  EXPECT_EQ(taken->data[0], 'b');
  EXPECT_EQ(queue.take(brief), nullptr) << "taken twice";

  ASSERT_EQ(findFirst(key), 'u');
  EXPECT_EQ(queue.take(low)->data[0], 'a') << "a take of another message than the one found";
  EXPECT_EQ(queue.take(urgent)->data[0], 'u');
  EXPECT_EQ(queue.depth(), 1);

  ASSERT_EQ(findFirst(key), 'z');
  EXPECT_EQ(queue.take(key)->data[0], 'z');

  MessageKey expiring = queue.add(message(9, 'e', 2000));
  ASSERT_EQ(findFirst(key), 'e');
  clock.now = 2000;
  EXPECT_EQ(findFirst(key), 0) << "the expired message is discarded";
  EXPECT_EQ(queue.take(expiring), nullptr);
  EXPECT_EQ(queue.depth(), 0);
}

// A put to a queue that a dispatcher watches counts its wake-up only while
// some dispatcher waits for one; the count is what a spinning dispatcher
// reads, and busy ones need not pay for writing it.
TEST(QueueIndex, WakeUpsAreCountedOnlyWhileADispatcherWaitsForOne) {
  Queue queue(QueueDefinition{"Q", QueueType::Local, {}});
  Condition dispatcher;
  queue.watch(&dispatcher);
  auto counted = [&] {
    uint64_t before = Queue::wakeUps().load();
    queue.add(std::make_unique<StoredMessage>());
    return Queue::wakeUps().load() - before;
  };
  EXPECT_EQ(counted(), 0u);
  {
    WakeUpWatch watch;
    watch.begin();
    watch.begin();
    EXPECT_EQ(counted(), 1u);
    WakeUpWatch other;
    other.begin();
    watch.end();
    EXPECT_EQ(counted(), 1u) << "another dispatcher still waits";
  }
  EXPECT_EQ(counted(), 0u) << "a watch ends with its scope";
  queue.unwatch(&dispatcher);
}

TEST_F(Messaging, APutStampsTheDescriptorAndTheGetReturnsIt) {
  MessageDescriptor md;
  md.format = "TEXT";
  md.replyToQ = "REPLIES";
  md.msgType = VXMT_REQUEST;
  md.codedCharSetId = 1208;
  ASSERT_EQ(put(hconn, hobj, "hello", md), ok());
  Got got = get(hconn, hobj);
  ASSERT_EQ(got.status, ok());
  EXPECT_EQ(got.text, "hello");
  EXPECT_EQ(got.dataLength, 5);
  EXPECT_EQ(got.result.msgLength, 5);
  EXPECT_EQ(got.result.resolvedQName, "TALY.QUEUE.1");
  EXPECT_EQ(got.md.format, "TEXT");
  EXPECT_EQ(got.md.replyToQ, "REPLIES");
  EXPECT_EQ(got.md.msgType, VXMT_REQUEST);
  EXPECT_EQ(got.md.codedCharSetId, 1208);
  EXPECT_EQ(got.md.priority, 0) << "the queue's default";
  EXPECT_EQ(got.md.persistence, VXPER_NOT_PERSISTENT);
  EXPECT_EQ(got.md.expiry, VXEXP_UNLIMITED);
  EXPECT_EQ(got.md.putDate.size(), 8u);
  EXPECT_EQ(got.md.putTime.size(), 8u);
  EXPECT_TRUE(std::all_of(got.md.putDate.begin(), got.md.putDate.end(), ::isdigit)) << got.md.putDate;
  EXPECT_TRUE(std::all_of(got.md.putTime.begin(), got.md.putTime.end(), ::isdigit)) << got.md.putTime;
}

// The stamp's calendar arithmetic against the C library's, over four
// centuries of days from 1970 (leap years, century years, 2000) and times
// of day.
TEST(PutDateAndTime, AgreesWithTheCLibrary) {
  char date[8], time[8];
  for (int64_t day = 0; day < 150000; day += 7) {
    for (int64_t ofDay : {int64_t{0}, int64_t{86399999}, (day * 7919) % 86400000}) {
      int64_t millis = day * 86400000 + ofDay;
      putDateAndTime(millis, date, time);
      std::time_t seconds = static_cast<std::time_t>(millis / 1000);
      std::tm utc{};
      gmtime_r(&seconds, &utc);
      char expected[32];
      std::snprintf(expected, sizeof expected, "%04d%02d%02d %02d%02d%02d%02d", (utc.tm_year + 1900) % 10000,
                    utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                    static_cast<int>(millis % 1000 / 10));
      ASSERT_EQ(std::string(date, 8) + " " + std::string(time, 8), expected) << "at " << millis;
    }
  }
}

// A field's text ends at its first NUL or else after its last non-blank;
// the word-at-a-time reading of a whole field agrees with the byte-by-byte one.
TEST(FieldText, EndsAtTheFirstNulOrAfterTheLastNonBlank) {
  const struct {
    std::string field;
    std::string text;
  } cases[] = {
      {std::string(48, ' '), ""},
      {"Q" + std::string(47, ' '), "Q"},
      {std::string(48, 'N'), std::string(48, 'N')},
      {std::string("AB\0CD", 5) + std::string(43, 'x'), "AB"},
      {"A B" + std::string(9, ' ') + std::string("\0zz", 3), "A B"},
      {"REPLY.QUEUE" + std::string(37, ' '), "REPLY.QUEUE"},
      {"abc" + std::string(8, ' '), "abc"},
      {std::string(16, 'a') + std::string(8, ' ') + "b" + std::string(7, ' '),
       std::string(16, 'a') + std::string(8, ' ') + "b"},
      {std::string(8, ' ') + "x" + std::string(3, ' '), std::string(8, ' ') + "x"},
      {std::string(1, '\0') + std::string(11, 'y'), ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(wholeFieldView(c.field.data(), c.field.size()), c.text) << "[" << c.field << "]";
    EXPECT_EQ(fieldView(c.field.data(), c.field.size()), c.text) << "[" << c.field << "]";
  }
}

// Assigned from any kind of text, a fixed text holds at most its length;
// null and an empty brace clear it, and a part of itself is copied safely.
TEST(FixedText, AssignmentsCutToTheLengthAndNullClears) {
  FixedText<8> text("previous");
  const std::string longer = "0123456789";
  const std::string_view view = "view";
  text = longer;
  EXPECT_EQ(text, "01234567");
  text = view;
  EXPECT_EQ(text, "view");
  text = static_cast<const char*>(nullptr);
  EXPECT_TRUE(text.empty());
  text = "abcdef";
  text = text.view().substr(2);
  EXPECT_EQ(text, "cdef");
  text = {};
  EXPECT_TRUE(text.empty());
  text = std::string();
  EXPECT_TRUE(text.empty());
}

TEST_F(Messaging, MessageIdsAreGeneratedUnlessOneIsGiven) {
  std::set<MsgId> ids;
  for (int i = 0; i < 100; ++i) {
    MessageDescriptor md;
    ASSERT_EQ(putWith(hconn, hobj, "m", md), ok());
    EXPECT_NE(md.msgId, MsgId{});
    ids.insert(md.msgId);
  }
  EXPECT_EQ(ids.size(), 100u);

  MessageDescriptor given;
  given.msgId[0] = 42;
  ASSERT_EQ(putWith(hconn, hobj, "m", given), ok());
  EXPECT_EQ(given.msgId, (MsgId{42}));
  PutOptions renew;
  renew.newMsgId = true;
  renew.newCorrelId = true;
  ASSERT_EQ(putWith(hconn, hobj, "m", given, renew), ok());
  EXPECT_NE(given.msgId, (MsgId{42}));
  EXPECT_NE(given.correlId, CorrelId{});
}

TEST_F(Messaging, TheQueuesDefaultsFillPriorityAndPersistenceLeftToIt) {
  int32_t urgent = open(hconn, "URGENT", VXOO_OUTPUT | VXOO_INPUT_SHARED);
  MessageDescriptor md;
  ASSERT_EQ(putWith(hconn, urgent, "u", md), ok());
  EXPECT_EQ(md.priority, 7);
  EXPECT_EQ(md.persistence, VXPER_PERSISTENT);
  Got got = get(hconn, urgent);
  EXPECT_EQ(got.md.priority, 7);
  EXPECT_EQ(got.md.persistence, VXPER_PERSISTENT);
}

TEST_F(Messaging, GetsMatchByMessageOrCorrelationIdentifier) {
  MessageDescriptor first = withCorrelId(1), second = withCorrelId(2), third = withCorrelId(1);
  ASSERT_EQ(putWith(hconn, hobj, "first", first), ok());
  ASSERT_EQ(putWith(hconn, hobj, "second", second), ok());
  ASSERT_EQ(putWith(hconn, hobj, "third", third), ok());

  GetOptions byCorrel;
  byCorrel.matchCorrelId = true;
  EXPECT_EQ(get(hconn, hobj, byCorrel, withCorrelId(2)).text, "second");
  EXPECT_EQ(get(hconn, hobj, byCorrel, withCorrelId(3)).status, failure(VXRC_NO_MSG_AVAILABLE));

  GetOptions byMsgId;
  byMsgId.matchMsgId = true;
  MessageDescriptor match;
  match.msgId = third.msgId;
  EXPECT_EQ(get(hconn, hobj, byMsgId, match).text, "third");

  GetOptions byBoth;
  byBoth.matchMsgId = byBoth.matchCorrelId = true;
  match = withCorrelId(2);
  match.msgId = first.msgId;
  EXPECT_EQ(get(hconn, hobj, byBoth, match).status, failure(VXRC_NO_MSG_AVAILABLE));
  match.correlId = first.correlId;
  EXPECT_EQ(get(hconn, hobj, byBoth, match).text, "first");
  EXPECT_EQ(get(hconn, hobj, {}, match).status, failure(VXRC_NO_MSG_AVAILABLE)) << "nothing left";
}

TEST_F(Messaging, BrowseWalksTheQueueWithoutTakingAnything) {
  for (const char* text : {"one", "two", "three"}) ASSERT_EQ(put(hconn, hobj, text), ok());
  GetOptions first, next;
  first.browse = Browse::First;
  next.browse = Browse::Next;
  EXPECT_EQ(get(hconn, hobj, first).text, "one");
  EXPECT_EQ(get(hconn, hobj, next).text, "two");
  EXPECT_EQ(get(hconn, hobj).text, "one");
  EXPECT_EQ(get(hconn, hobj).text, "two");
  EXPECT_EQ(get(hconn, hobj, next).text, "three") << "the cursor outlives its message";
  EXPECT_EQ(get(hconn, hobj, next).status, failure(VXRC_NO_MSG_AVAILABLE));
  EXPECT_EQ(get(hconn, hobj, first).text, "three");
  EXPECT_EQ(depth(hconn, "TALY.QUEUE.1"), 1);

  int32_t other = open(hconn, "TALY.QUEUE.1", VXOO_BROWSE);
  EXPECT_EQ(get(hconn, other, next).text, "three") << "each handle has its own cursor";
}

TEST_F(Messaging, ATooLongMessageStaysUnlessTruncationIsAccepted) {
  ASSERT_EQ(put(hconn, hobj, "0123456789"), ok());
  Got refused = get(hconn, hobj, {}, {}, 4);
  EXPECT_EQ(refused.status, failure(VXRC_TRUNCATED_MSG_FAILED));
  EXPECT_EQ(refused.dataLength, 10);
  EXPECT_EQ(refused.result.msgLength, 10);
  EXPECT_EQ(refused.result.returnedLength, 0);
  EXPECT_EQ(depth(hconn, "TALY.QUEUE.1"), 1);

  GetOptions accept;
  accept.acceptTruncated = true;
  Got truncated = get(hconn, hobj, accept, {}, 4);
  EXPECT_EQ(truncated.status, warning(VXRC_TRUNCATED_MSG_ACCEPTED));
  EXPECT_EQ(truncated.text, "0123");
  EXPECT_EQ(truncated.dataLength, 10);
  EXPECT_EQ(refused.result.msgId, truncated.md.msgId) << "the refusal named the message that stayed";
  EXPECT_EQ(depth(hconn, "TALY.QUEUE.1"), 0);

  ASSERT_EQ(put(hconn, hobj, ""), ok());
  Got empty;
  empty.status = qm.get(hconn, hobj, empty.md, {}, nullptr, 0, empty.dataLength, empty.result);
  EXPECT_EQ(empty.status, ok()) << "an empty message fits no buffer at all";
  EXPECT_EQ(empty.dataLength, 0);
}

// Puts and gets taking turns, messages growing and shrinking (empty ones,
// ones at and past 4 KiB): each get returns its own message's data,
// descriptor and lifetime, nothing of the messages before it.
TEST_F(Messaging, EachMessageGotAfterOthersCarriesOnlyItsOwnDataAndDescriptor) {
  struct Case {
    size_t length;
    int32_t expiry;
    const char* format;
  };
  const std::vector<Case> cases = {{4096, VXEXP_UNLIMITED, "LONG"}, {0, 700, ""},
                                   {5, VXEXP_UNLIMITED, "SHORT"}, {4097, 300, "PAST"},
                                   {0, VXEXP_UNLIMITED, ""}, {3, 900, "ABC"}, {4096, VXEXP_UNLIMITED, ""}};
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    std::string text(c.length, static_cast<char>('a' + i));
    MessageDescriptor md;
    md.expiry = c.expiry;
    md.format = c.format;
    ASSERT_EQ(put(hconn, hobj, text, md), ok()) << i;
    Got got = get(hconn, hobj, {}, {}, 8192);
    EXPECT_EQ(got.status, ok()) << i;
    EXPECT_EQ(got.text, text) << i;
    EXPECT_EQ(got.dataLength, static_cast<int32_t>(c.length)) << i;
    EXPECT_EQ(got.md.expiry, c.expiry) << i;
    EXPECT_EQ(got.md.format, c.format) << i;
  }
}

TEST_F(Messaging, ExpiredMessagesAreDiscardedAndOthersShowTheirLifetimeLeft) {
  MessageDescriptor shortLived, longLived;
  shortLived.expiry = 500;
  longLived.expiry = 2000;
  ASSERT_EQ(put(hconn, hobj, "short", shortLived), ok());
  ASSERT_EQ(put(hconn, hobj, "long", longLived), ok());
  ASSERT_EQ(put(hconn, hobj, "forever"), ok());
  clock.now += 500;
  Got got = get(hconn, hobj);
  EXPECT_EQ(got.text, "long");
  EXPECT_EQ(got.md.expiry, 1500);
  EXPECT_EQ(get(hconn, hobj).md.expiry, VXEXP_UNLIMITED);
  EXPECT_EQ(depth(hconn, "TALY.QUEUE.1"), 0);
}

TEST_F(Messaging, AQueuesLimitsAndBadDescriptorsRefuseThePut) {
  int32_t small = open(hconn, "SMALL", VXOO_OUTPUT);
  EXPECT_EQ(put(hconn, small, "01234567890"), failure(VXRC_MSG_TOO_BIG_FOR_QUEUE));
  for (int i = 0; i < 3; ++i) ASSERT_EQ(put(hconn, small, "0123456789"), ok());
  EXPECT_EQ(put(hconn, small, "x"), failure(VXRC_QUEUE_FULL));

  EXPECT_EQ(put(hconn, hobj, "x", withPriority(10)), failure(VXRC_PRIORITY_ERROR));
  EXPECT_EQ(put(hconn, hobj, "x", withPriority(-2)), failure(VXRC_PRIORITY_ERROR));
  MessageDescriptor md;
  md.persistence = 2;
  EXPECT_EQ(put(hconn, hobj, "x", md), failure(VXRC_PERSISTENCE_ERROR));
  md = {};
  md.expiry = -1;
  EXPECT_EQ(put(hconn, hobj, "x", md), failure(VXRC_EXPIRY_ERROR));
  PutResult result;
  md = {};
  EXPECT_EQ(qm.put(hconn, hobj, md, {}, "x", -1, result), failure(VXRC_BUFFER_LENGTH_ERROR));
  EXPECT_EQ(qm.put(hconn, hobj, md, {}, nullptr, 1, result), failure(VXRC_BUFFER_ERROR));
  EXPECT_EQ(depth(hconn, "TALY.QUEUE.1"), 0) << "nothing was put";

  int32_t dataLength = 0;
  GetResult got;
  EXPECT_EQ(qm.get(hconn, hobj, md, {}, nullptr, 5, dataLength, got), failure(VXRC_BUFFER_ERROR));
  char buffer[4];
  EXPECT_EQ(qm.get(hconn, hobj, md, {}, buffer, -1, dataLength, got), failure(VXRC_BUFFER_LENGTH_ERROR));
  GetOptions badWait;
  badWait.wait = true;
  badWait.waitInterval = -2;
  EXPECT_EQ(qm.get(hconn, hobj, md, badWait, buffer, 4, dataLength, got), failure(VXRC_WAIT_INTERVAL_ERROR));
}

TEST_F(Messaging, PutOneNamesItsQueueAndCannotUseAModel) {
  ObjectRequest object;
  object.name = "TALY.QUEUE.1";
  MessageDescriptor md;
  PutResult result;
  ASSERT_EQ(qm.put1(hconn, object, md, {}, "once", 4, result), ok());
  EXPECT_EQ(result.resolvedQName, "TALY.QUEUE.1");
  EXPECT_EQ(result.resolvedQMgrName, "VXRT.QM");
  EXPECT_EQ(get(hconn, hobj).text, "once");
  object.name = "TALY.MODEL.QUEUE";
  EXPECT_EQ(qm.put1(hconn, object, md, {}, "x", 1, result), failure(VXRC_MODEL_QUEUE_ERROR));
  object.name = "NOPUT";
  EXPECT_EQ(qm.put1(hconn, object, md, {}, "x", 1, result), failure(VXRC_PUT_INHIBITED));
  object.name = "MISSING";
  EXPECT_EQ(qm.put1(hconn, object, md, {}, "x", 1, result), failure(VXRC_UNKNOWN_OBJECT_NAME));
}
