// Topics and subscriptions in the queue manager: topic strings and their
// wildcards, publications reaching the subscriptions that match, managed and
// named destinations, durable subscriptions across connections, retained
// publications, publications under syncpoint, and the status of the puts.
#include "qm/topic_string.h"
#include "qm_test.h"

using namespace vxqm;

namespace {

bool matches(const std::string& pattern, const std::string& topic) {
  return topicMatches(topicLevels(pattern), topicLevels(topic));
}

struct Subscribed {
  Status status;
  int32_t hobj = 0;
  int32_t hsub = 0;
  SubscribeResult result;
};

class PubSub : public QmTest {
 protected:
  void SetUp() override { hconn = connect(); }

  Subscribed subscribe(int32_t h, const std::string& topic, int32_t options = VXSO_CREATE | VXSO_MANAGED,
                       const std::string& name = "", int32_t hobj = 0) {
    SubscribeRequest request;
    request.options = options;
    request.topic = topic;
    request.name = name;
    Subscribed s;
    s.hobj = hobj;
    s.status = qm.subscribe(h, request, s.hobj, s.hsub, s.result);
    return s;
  }
  Status publish(int32_t h, const std::string& topic, const std::string& text, PutOptions options = {},
                 MessageDescriptor md = {}) {
    ObjectRequest object;
    object.type = VXOT_TOPIC;
    object.topicString = topic;
    PutResult result;
    return qm.put1(h, object, md, options, text.data(), static_cast<int32_t>(text.size()), result);
  }
  int32_t openTopic(int32_t h, const std::string& topic, Status* status = nullptr) {
    ObjectRequest object;
    object.type = VXOT_TOPIC;
    object.topicString = topic;
    ObjectResolution resolution;
    int32_t hobj = 0;
    Status s = qm.open(h, object, openFor(VXOO_OUTPUT), hobj, resolution);
    if (status != nullptr) *status = s;
    return hobj;
  }
  // Every message waiting on the handle's queue, in order.
  std::vector<std::string> texts(int32_t h, int32_t hobj) {
    std::vector<std::string> all;
    for (Got got = get(h, hobj); got.status.cc == VXCC_OK; got = get(h, hobj)) all.push_back(got.text);
    return all;
  }
  PutStatus status(int32_t h) {
    PutStatus s;
    EXPECT_EQ(qm.putStatus(h, s), ok());
    return s;
  }

  int32_t hconn = 0;
};

using Strings = std::vector<std::string>;

}  // namespace

TEST(TopicStrings, RulesLevelsAndWildcards) {
  EXPECT_TRUE(validTopicString("prices/fruit", TopicUse::Publication));
  EXPECT_TRUE(validTopicString("/", TopicUse::Publication));
  EXPECT_FALSE(validTopicString("", TopicUse::Subscription));
  EXPECT_FALSE(validTopicString(std::string("a\0b", 3), TopicUse::Subscription));
  EXPECT_FALSE(validTopicString(std::string(VX_MAX_TOPIC_STRING_LENGTH + 1, 'a'), TopicUse::Subscription));
  EXPECT_TRUE(validTopicString(std::string(VX_MAX_TOPIC_STRING_LENGTH, 'a'), TopicUse::Publication));
  EXPECT_FALSE(validTopicString("prices/*", TopicUse::Publication));
  EXPECT_FALSE(validTopicString("a*b", TopicUse::Publication));
  EXPECT_TRUE(validTopicString("prices/**", TopicUse::Subscription));
  EXPECT_EQ(topicLevels("a//b"), (Strings{"a", "", "b"}));
  EXPECT_EQ(topicLevels("/a"), (Strings{"", "a"}));

  EXPECT_TRUE(matches("prices/fruit", "prices/fruit"));
  EXPECT_FALSE(matches("prices/fruit", "prices/fruit/apples"));
  EXPECT_FALSE(matches("prices/fruit", "prices/Fruit"));
  EXPECT_TRUE(matches("prices/*/apples", "prices/fruit/apples"));
  EXPECT_FALSE(matches("prices/*/apples", "prices/apples"));
  EXPECT_FALSE(matches("prices/*", "prices"));
  EXPECT_TRUE(matches("prices/*", "prices/"));
  EXPECT_TRUE(matches("prices/**", "prices"));
  EXPECT_TRUE(matches("prices/**", "prices/fruit/apples"));
  EXPECT_FALSE(matches("prices/**", "pricesx/fruit"));
  EXPECT_TRUE(matches("**", "anything/at/all"));
  EXPECT_TRUE(matches("a/**/b", "a/b"));
  EXPECT_TRUE(matches("a/**/b", "a/x/y/b"));
  EXPECT_TRUE(matches("a/**/b", "a/b/b/b"));
  EXPECT_FALSE(matches("a/**/b", "a/x/y/c"));
  EXPECT_TRUE(matches("**/b/**/d", "a/b/c/b/x/d"));
  EXPECT_FALSE(matches("**/b/*/d", "a/b/c/x/d"));
  EXPECT_TRUE(matches("a*b/c", "a*b/c")) << "'*' inside a level is a character";
  EXPECT_FALSE(matches("a*b/c", "axb/c"));
}

TEST_F(PubSub, APublicationReachesTheMatchingSubscriptionsOnly) {
  int32_t other = connect();
  Subscribed apples = subscribe(hconn, "prices/fruit/apples");
  Subscribed fruit = subscribe(other, "prices/*/apples");
  Subscribed veg = subscribe(other, "prices/vegetables/**");
  ASSERT_EQ(apples.status, ok());
  ASSERT_EQ(fruit.status, ok());
  ASSERT_EQ(veg.status, ok());
  EXPECT_EQ(apples.result.destination.rfind("VX.MANAGED.", 0), 0u) << apples.result.destination;
  EXPECT_NE(apples.result.correlId, fruit.result.correlId);

  Status opened;
  int32_t topic = openTopic(hconn, "prices/fruit/apples", &opened);
  ASSERT_EQ(opened, ok());
  EXPECT_EQ(put(hconn, topic, "1.20"), ok());
  EXPECT_EQ(publish(other, "prices/vegetables/leeks", "0.80"), ok());
  EXPECT_EQ(publish(other, "prices/nothing", "none"), ok()) << "no subscriber is no failure";

  Got got = get(hconn, apples.hobj);
  EXPECT_EQ(got.text, "1.20");
  EXPECT_EQ(got.md.correlId, apples.result.correlId) << "each delivery carries its subscription's";
  EXPECT_EQ(texts(other, fruit.hobj), Strings{"1.20"});
  EXPECT_EQ(texts(other, veg.hobj), Strings{"0.80"});
  EXPECT_EQ(texts(hconn, apples.hobj), Strings{});
}

TEST_F(PubSub, TopicsAreOpenedForOutputOnlyAndNamedByTopicStringAlone) {
  Status status;
  openTopic(hconn, "prices/*", &status);
  EXPECT_EQ(status, failure(VXRC_TOPIC_STRING_ERROR)) << "no wildcards in a publication";
  openTopic(hconn, "", &status);
  EXPECT_EQ(status, failure(VXRC_TOPIC_STRING_ERROR));
  ObjectRequest object;
  object.type = VXOT_TOPIC;
  object.topicString = "prices";
  ObjectResolution resolution;
  int32_t hobj = 0;
  EXPECT_EQ(qm.open(hconn, object, openFor(VXOO_OUTPUT | VXOO_INQUIRE), hobj, resolution),
            failure(VXRC_OPEN_OPTIONS_ERROR));
  EXPECT_EQ(qm.open(hconn, object, openFor(VXOO_INPUT_SHARED), hobj, resolution),
            failure(VXRC_OPEN_OPTIONS_ERROR));
  object.name = "TALY.QUEUE.1";
  EXPECT_EQ(qm.open(hconn, object, openFor(VXOO_OUTPUT), hobj, resolution),
            failure(VXRC_UNKNOWN_OBJECT_NAME));
  object.name.clear();
  ASSERT_EQ(qm.open(hconn, object, openFor(VXOO_OUTPUT), hobj, resolution), ok());
  EXPECT_EQ(resolution.resolvedType, VXOT_TOPIC);
  EXPECT_EQ(resolution.topicString, "prices");
  EXPECT_EQ(get(hconn, hobj).status, failure(VXRC_HOBJ_ERROR)) << "a topic handle has no queue";
  int32_t copy = hobj;
  EXPECT_EQ(qm.close(hconn, copy, VXCO_DELETE), failure(VXRC_CLOSE_OPTIONS_ERROR));
  EXPECT_EQ(qm.close(hconn, hobj, VXCO_NONE), ok());
  EXPECT_EQ(hobj, 0);
  EXPECT_EQ(put(hconn, copy, "late"), failure(VXRC_HOBJ_ERROR));
}

TEST_F(PubSub, ANonDurableSubscriptionEndsWithItsHandleOrConnection) {
  Subscribed first = subscribe(hconn, "news");
  int32_t other = connect();
  Subscribed second = subscribe(other, "news");
  ASSERT_EQ(publish(hconn, "news", "one"), ok());
  int32_t hsub = first.hsub;
  EXPECT_EQ(qm.close(hconn, hsub, VXCO_NONE), ok());
  EXPECT_EQ(hsub, 0);
  EXPECT_EQ(get(hconn, first.hobj).status, failure(VXRC_OBJECT_DELETED)) << "the managed queue went";
  ASSERT_EQ(qm.disconnect(other), ok());
  ASSERT_EQ(publish(hconn, "news", "two"), ok());
  PutStatus counts = status(hconn);
  EXPECT_EQ(counts.publications, 2);
  EXPECT_EQ(counts.deliveries, 2) << "both took the first, nobody the second";
  EXPECT_EQ(counts.deliveryFailures, 0);
  EXPECT_EQ(qm.close(hconn, first.hsub, VXCO_NONE), failure(VXRC_HOBJ_ERROR));
  (void)second;
}

TEST_F(PubSub, ADurableSubscriptionKeepsPublicationsAcrossItsSubscribersAbsence) {
  int32_t subscriber = connect();
  Subscribed made = subscribe(subscriber, "orders/**", VXSO_CREATE | VXSO_MANAGED | VXSO_DURABLE, "ORDERS");
  ASSERT_EQ(made.status, ok());
  ASSERT_EQ(publish(hconn, "orders/1", "first"), ok());
  ASSERT_EQ(qm.disconnect(subscriber), ok());
  ASSERT_EQ(publish(hconn, "orders/2", "second"), ok());

  subscriber = connect();
  EXPECT_EQ(subscribe(subscriber, "orders/**", VXSO_CREATE | VXSO_MANAGED | VXSO_DURABLE, "ORDERS").status,
            failure(VXRC_DUPLICATE_SUBSCRIPTION));
  Subscribed resumed = subscribe(subscriber, "", VXSO_RESUME, "ORDERS");
  ASSERT_EQ(resumed.status, ok());
  EXPECT_EQ(resumed.result.destination, made.result.destination);
  EXPECT_EQ(resumed.result.correlId, made.result.correlId);
  EXPECT_EQ(subscribe(hconn, "", VXSO_RESUME, "ORDERS").status, failure(VXRC_SUBSCRIPTION_IN_USE));
  EXPECT_EQ(texts(subscriber, resumed.hobj), (Strings{"first", "second"}));

  int32_t kept = resumed.hsub;
  EXPECT_EQ(qm.close(subscriber, kept, VXCO_KEEP_SUB), ok());
  Subscribed again = subscribe(subscriber, "", VXSO_RESUME | VXSO_CREATE, "ORDERS");
  ASSERT_EQ(again.status, ok());
  int32_t both = again.hsub;
  EXPECT_EQ(qm.close(subscriber, both, VXCO_KEEP_SUB | VXCO_REMOVE_SUB), failure(VXRC_CLOSE_OPTIONS_ERROR));
  int32_t managedQueue = again.hobj;
  EXPECT_EQ(qm.close(subscriber, managedQueue, VXCO_DELETE), failure(VXRC_MANAGED_QUEUE));
  ConnectRequest administrator;
  administrator.privileged = true;
  int32_t admin = 0;
  ASSERT_EQ(qm.connect(administrator, admin), ok());
  EXPECT_EQ(qm.removeQueue(admin, again.result.destination, true), failure(VXRC_MANAGED_QUEUE));
  EXPECT_EQ(qm.close(subscriber, again.hsub, VXCO_REMOVE_SUB), ok());
  EXPECT_EQ(subscribe(subscriber, "", VXSO_RESUME, "ORDERS").status, failure(VXRC_NO_SUBSCRIPTION));
  EXPECT_EQ(get(subscriber, again.hobj).status, failure(VXRC_OBJECT_DELETED));
}

TEST_F(PubSub, ANamedDestinationReceivesWithTheSubscriptionsCorrelationIdentifier) {
  int32_t queue = open(hconn, "TALY.QUEUE.3", VXOO_INPUT_SHARED);
  SubscribeRequest request;
  request.options = VXSO_CREATE | VXSO_SET_CORREL_ID;
  request.topic = "alerts/*";
  request.correlId[0] = 0xAB;
  int32_t hobj = queue, hsub = 0;
  SubscribeResult result;
  ASSERT_EQ(qm.subscribe(hconn, request, hobj, hsub, result), ok());
  EXPECT_EQ(hobj, queue) << "the caller's handle stays";
  EXPECT_EQ(result.destination, "TALY.QUEUE.3");
  ASSERT_EQ(publish(hconn, "alerts/fire", "hot"), ok());
  Got got = get(hconn, queue);
  EXPECT_EQ(got.text, "hot");
  EXPECT_EQ(got.md.correlId[0], 0xAB);
  EXPECT_EQ(qm.close(hconn, hsub, VXCO_NONE), ok());
  ASSERT_EQ(publish(hconn, "alerts/fire", "again"), ok());
  EXPECT_EQ(get(hconn, queue).status, failure(VXRC_NO_MSG_AVAILABLE)) << "the queue stays, unsubscribed";

  int32_t topic = openTopic(hconn, "alerts");
  EXPECT_EQ(subscribe(hconn, "x", VXSO_CREATE, "", topic).status, failure(VXRC_DESTINATION_ERROR));
  EXPECT_EQ(subscribe(hconn, "x", VXSO_CREATE, "", 999999).status, failure(VXRC_HOBJ_ERROR));
}

TEST_F(PubSub, SubscribeRefusesBadRequestsWithoutLeavingAnything) {
  EXPECT_EQ(subscribe(hconn, "t", 0).status, failure(VXRC_SUB_OPTIONS_ERROR));
  EXPECT_EQ(subscribe(hconn, "t", VXSO_CREATE | 0x1000).status, failure(VXRC_SUB_OPTIONS_ERROR));
  EXPECT_EQ(subscribe(hconn, "", VXSO_CREATE | VXSO_MANAGED).status, failure(VXRC_TOPIC_STRING_ERROR));
  EXPECT_EQ(subscribe(hconn, "t", VXSO_CREATE | VXSO_MANAGED | VXSO_DURABLE).status,
            failure(VXRC_SUB_NAME_ERROR));
  EXPECT_EQ(subscribe(hconn, "t", VXSO_RESUME).status, failure(VXRC_SUB_NAME_ERROR));
  EXPECT_EQ(subscribe(hconn, "t", VXSO_RESUME, "NOBODY").status, failure(VXRC_NO_SUBSCRIPTION));
  EXPECT_EQ(subscribe(hconn, "t", VXSO_CREATE | VXSO_MANAGED, std::string("a\0b", 3)).status,
            failure(VXRC_SUB_NAME_ERROR));
  EXPECT_EQ(subscribe(424242, "t").status, failure(VXRC_HCONN_ERROR));
  int32_t count = -1;
  EXPECT_EQ(qm.requestPublications(hconn, 77, VXSR_RETAINED, count), failure(VXRC_HSUB_ERROR));
  Subscribed s = subscribe(hconn, "t");
  EXPECT_EQ(qm.requestPublications(hconn, s.hsub, 99, count), failure(VXRC_SUBRQ_ACTION_ERROR));
  EXPECT_EQ(qm.requestPublications(hconn, s.hobj, VXSR_RETAINED, count), failure(VXRC_HSUB_ERROR));

  // Handles count against the connection's limit (8 here): a managed
  // subscription takes two.
  for (int i = 0; i < 3; ++i) ASSERT_EQ(subscribe(hconn, "t").status, ok());
  EXPECT_EQ(subscribe(hconn, "t").status, failure(VXRC_HANDLE_LIMIT)) << "8 in use";
  int32_t one = s.hsub;
  ASSERT_EQ(qm.close(hconn, one, VXCO_NONE), ok());
  Status opened;
  openTopic(hconn, "t", &opened);
  EXPECT_EQ(opened, ok());
  openTopic(hconn, "t", &opened);
  EXPECT_EQ(opened, failure(VXRC_HANDLE_LIMIT)) << "8 again";
}

TEST_F(PubSub, RetainedPublicationsReachLaterSubscriptionsAndComeAgainOnRequest) {
  PutOptions retain;
  retain.retain = true;
  ASSERT_EQ(publish(hconn, "weather/paris", "rain", retain), ok());
  ASSERT_EQ(publish(hconn, "weather/paris", "sun", retain), ok()) << "replaces the rain";
  ASSERT_EQ(publish(hconn, "weather/rome", "warm", retain), ok());
  ASSERT_EQ(publish(hconn, "weather/oslo", "not kept"), ok());

  Subscribed all = subscribe(hconn, "weather/*");
  EXPECT_EQ(texts(hconn, all.hobj), (Strings{"sun", "warm"})) << "in topic order";
  Subscribed fresh = subscribe(hconn, "weather/*", VXSO_CREATE | VXSO_MANAGED | VXSO_NEW_PUBLICATIONS_ONLY);
  EXPECT_EQ(texts(hconn, fresh.hobj), Strings{});

  int32_t count = -1;
  EXPECT_EQ(qm.requestPublications(hconn, fresh.hsub, VXSR_RETAINED, count), ok());
  EXPECT_EQ(count, 2);
  Got got = get(hconn, fresh.hobj);
  EXPECT_EQ(got.text, "sun");
  EXPECT_EQ(got.md.correlId, fresh.result.correlId);

  Subscribed none = subscribe(hconn, "climate/**");
  EXPECT_EQ(qm.requestPublications(hconn, none.hsub, VXSR_RETAINED, count), warning(VXRC_NO_RETAINED_MSG));
  EXPECT_EQ(count, 0);

  PutOptions both = retain;
  both.syncpoint = true;
  EXPECT_EQ(publish(hconn, "weather/paris", "x", both), failure(VXRC_PUT_OPTIONS_ERROR));
  int32_t queue = open(hconn, "TALY.QUEUE.1", VXOO_OUTPUT);
  EXPECT_EQ(put(hconn, queue, "x", {}, retain), failure(VXRC_PUT_OPTIONS_ERROR)) << "only to a topic";
}

TEST_F(PubSub, ExpiredRetainedPublicationsAreNotDelivered) {
  PutOptions retain;
  retain.retain = true;
  MessageDescriptor shortLived;
  shortLived.expiry = 100;
  ASSERT_EQ(publish(hconn, "flash", "soon gone", retain, shortLived), ok());
  clock.now += 200;
  Subscribed late = subscribe(hconn, "flash");
  EXPECT_EQ(texts(hconn, late.hobj), Strings{});
  int32_t count = -1;
  EXPECT_EQ(qm.requestPublications(hconn, late.hsub, VXSR_RETAINED, count), warning(VXRC_NO_RETAINED_MSG));
}

TEST_F(PubSub, APublicationUnderSyncpointIsDeliveredAtCommit) {
  Subscribed s = subscribe(hconn, "jobs");
  PutOptions syncpoint;
  syncpoint.syncpoint = true;
  ASSERT_EQ(publish(hconn, "jobs", "kept", syncpoint), ok());
  ASSERT_EQ(publish(hconn, "jobs", "dropped", syncpoint), ok());
  EXPECT_EQ(get(hconn, s.hobj).status, failure(VXRC_NO_MSG_AVAILABLE));
  ASSERT_EQ(qm.commit(hconn), ok());
  EXPECT_EQ(texts(hconn, s.hobj), (Strings{"kept", "dropped"}));
  ASSERT_EQ(publish(hconn, "jobs", "backed out", syncpoint), ok());
  ASSERT_EQ(qm.backout(hconn), ok());
  EXPECT_EQ(texts(hconn, s.hobj), Strings{});
}

TEST_F(PubSub, APublicationThatMissesASubscriptionWarnsAndIsCounted) {
  int32_t small = open(hconn, "SMALL", VXOO_INPUT_SHARED);  // 3 messages of up to 10 bytes
  Subscribed managed = subscribe(hconn, "feed");
  Subscribed named = subscribe(hconn, "feed", VXSO_CREATE, "", small);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(publish(hconn, "feed", "x"), ok());
  EXPECT_EQ(publish(hconn, "feed", "x"), warning(VXRC_NOT_ALL_DELIVERED)) << "SMALL is full";
  EXPECT_EQ(texts(hconn, managed.hobj).size(), 4u);
  EXPECT_EQ(texts(hconn, small).size(), 3u);
  EXPECT_EQ(publish(hconn, "feed", "longer than ten"), warning(VXRC_NOT_ALL_DELIVERED));
  (void)named;

  PutStatus counts = status(hconn);
  EXPECT_EQ(counts.successes, 3);
  EXPECT_EQ(counts.warnings, 2);
  EXPECT_EQ(counts.failures, 0);
  EXPECT_EQ(counts.publications, 5);
  EXPECT_EQ(counts.deliveries, 8);
  EXPECT_EQ(counts.deliveryFailures, 2);
  EXPECT_EQ(counts.compCode, VXCC_WARNING);
  EXPECT_EQ(counts.reason, VXRC_NOT_ALL_DELIVERED);
  EXPECT_EQ(counts.objectType, VXOT_TOPIC);
}

TEST_F(PubSub, TheStatusCountsEveryPutSinceTheLastStatus) {
  int32_t queue = open(hconn, "SMALL", VXOO_OUTPUT);
  ASSERT_EQ(put(hconn, queue, "a"), ok());
  EXPECT_EQ(put(hconn, queue, "far too long for it"), failure(VXRC_MSG_TOO_BIG_FOR_QUEUE));
  ASSERT_EQ(put(hconn, queue, "b"), ok());
  EXPECT_EQ(put(hconn, 31337, "x"), failure(VXRC_HOBJ_ERROR));
  PutStatus counts = status(hconn);
  EXPECT_EQ(counts.successes, 2);
  EXPECT_EQ(counts.failures, 2);
  EXPECT_EQ(counts.compCode, VXCC_FAILED);
  EXPECT_EQ(counts.reason, VXRC_HOBJ_ERROR) << "the last";
  EXPECT_EQ(counts.objectType, 0);
  EXPECT_EQ(counts.publications, 0);

  ObjectRequest object;
  object.name = "NOPUT";
  MessageDescriptor md;
  PutResult result;
  EXPECT_EQ(qm.put1(hconn, object, md, {}, "x", 1, result), failure(VXRC_PUT_INHIBITED));
  counts = status(hconn);
  EXPECT_EQ(counts.successes, 0) << "started again";
  EXPECT_EQ(counts.failures, 1);
  EXPECT_EQ(counts.objectType, VXOT_QUEUE);
  EXPECT_EQ(counts.objectName, "NOPUT");
  counts = status(hconn);
  EXPECT_EQ(counts.compCode, VXCC_OK);
  EXPECT_EQ(counts.reason, VXRC_NONE);
  EXPECT_EQ(qm.putStatus(424242, counts), failure(VXRC_HCONN_ERROR));
}
