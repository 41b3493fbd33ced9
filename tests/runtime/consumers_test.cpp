// Consumers on the queue manager's dispatcher threads: the order of their
// calls, what a message call carries, stop, suspend and deregistration,
// truncation, browsing, events and refused registrations.
#include <pthread.h>
#include <sched.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "qm_test.h"
#include "recorder.h"

using namespace vxqm;

namespace {

using Types = std::vector<int32_t>;
constexpr int32_t REGISTER = VXCBCT_REGISTER_CALL, START = VXCBCT_START_CALL, STOP = VXCBCT_STOP_CALL,
                  DEREGISTER = VXCBCT_DEREGISTER_CALL, EVENT = VXCBCT_EVENT_CALL,
                  REMOVED = VXCBCT_MSG_REMOVED, NOT_REMOVED = VXCBCT_MSG_NOT_REMOVED;

class ConsumerCalls : public QmTest {
 protected:
  void SetUp() override {
    hconn = connect();
    putter = connect();
    input = open(hconn, "TALY.QUEUE.2", VXOO_INPUT_SHARED | VXOO_BROWSE);
    output = open(putter, "TALY.QUEUE.2", VXOO_OUTPUT | VXOO_SET);
  }
  std::shared_ptr<Recorder> consume(int32_t hobj, ConsumerOptions options = {}) {
    auto recorder = std::make_shared<Recorder>();
    EXPECT_EQ(qm.registerConsumer(hconn, hobj, ConsumerKind::Message, options, recorder), ok());
    return recorder;
  }
  std::shared_ptr<Recorder> handleEvents() {
    auto recorder = std::make_shared<Recorder>();
    EXPECT_EQ(qm.registerConsumer(hconn, 0, ConsumerKind::Event, {}, recorder), ok());
    return recorder;
  }
  Status control(Control operation) { return qm.control(hconn, operation); }
  void inhibitGets(bool inhibit) {
    int32_t selector = VXIA_INHIBIT_GET, value = inhibit ? VXINHIBIT_INHIBITED : VXINHIBIT_ALLOWED;
    ASSERT_EQ(qm.set(putter, output, 1, &selector, 1, &value, 0, nullptr), ok());
  }

  int32_t hconn = 0, putter = 0, input = 0, output = 0;
};

}  // namespace

TEST_F(ConsumerCalls, EachConsumerMeetsItsCallsInOrderOnADispatcherThread) {
  auto consumer = consume(input);
  ASSERT_EQ(put(putter, output, "one"), ok());
  ASSERT_EQ(put(putter, output, "two"), ok());
  EXPECT_TRUE(consumer->calls().empty()) << "nothing before the start";
  ASSERT_EQ(control(Control::Start), ok());
  ASSERT_TRUE(consumer->awaitCount(REMOVED, 2));
  ASSERT_EQ(control(Control::Stop), ok());
  EXPECT_EQ(consumer->types(), (Types{REGISTER, START, REMOVED, REMOVED, STOP})) << "STOP before stop returns";
  ASSERT_EQ(qm.deregisterConsumer(hconn, input, ConsumerKind::Message), ok());

  std::vector<Recorded> calls = consumer->calls();
  ASSERT_EQ(calls.size(), 6u);
  EXPECT_EQ(calls[5].callType, DEREGISTER) << "before deregistration returns";
  EXPECT_EQ(calls[2].text, "one");
  EXPECT_EQ(calls[3].text, "two");
  EXPECT_EQ(calls[4].state, VXCS_STOPPED);
  for (const Recorded& call : calls) {
    EXPECT_NE(call.thread, std::this_thread::get_id());
    EXPECT_EQ(call.thread, calls[0].thread) << "one dispatcher for one start";
    EXPECT_EQ(call.hconn, hconn);
    EXPECT_EQ(call.hobj, input);
    EXPECT_EQ(call.hasMd, call.callType == REMOVED);
  }
  EXPECT_EQ(depth(putter, "TALY.QUEUE.2"), 0);
}

TEST_F(ConsumerCalls, AMessageCallCarriesTheMessage) {
  auto consumer = consume(input);
  MessageDescriptor md;
  md.priority = 6;
  md.correlId[0] = 0x42;
  md.expiry = 600000;
  ASSERT_EQ(putWith(putter, output, "hello consumer", md), ok());
  ASSERT_EQ(control(Control::Start), ok());
  ASSERT_TRUE(consumer->awaitCount(REMOVED, 1));
  Recorded got = consumer->calls()[2];
  EXPECT_EQ(got.status, ok());
  EXPECT_EQ(got.state, VXCS_NONE);
  EXPECT_EQ(got.text, "hello consumer");
  EXPECT_EQ(got.dataLength, 14);
  EXPECT_EQ(got.bufferLength, 14);
  EXPECT_EQ(got.queueName, "TALY.QUEUE.2");
  EXPECT_EQ(got.md.msgId, md.msgId);
  EXPECT_EQ(got.md.correlId[0], 0x42);
  EXPECT_EQ(got.md.priority, 6);
  EXPECT_GT(got.md.expiry, 0);
  EXPECT_LE(got.md.expiry, 600000);
}

// What a delivery leaves behind serves later puts, delivered or got: each
// carries its own bytes and format, whatever was delivered before it.
TEST_F(ConsumerCalls, EachMessageDeliveredOrGotAfterDeliveriesCarriesOnlyItsOwnData) {
  const std::vector<std::pair<size_t, const char*>> cases = {
      {4096, "LONG"}, {0, ""}, {5, "SHORT"}, {4097, "PAST"}, {0, ""}, {3, "ABC"}, {4096, ""}};
  auto consumer = consume(input);
  ASSERT_EQ(control(Control::Start), ok());
  for (size_t i = 0; i < cases.size(); ++i) {
    std::string text(cases[i].first, static_cast<char>('a' + i));
    MessageDescriptor md;
    md.format = cases[i].second;
    ASSERT_EQ(put(putter, output, text, md), ok()) << i;
    ASSERT_TRUE(consumer->awaitCount(REMOVED, i + 1)) << i;
    Recorded got = consumer->calls().back();
    EXPECT_EQ(got.text, text) << i;
    EXPECT_EQ(got.dataLength, static_cast<int32_t>(text.size())) << i;
    EXPECT_EQ(got.md.format, cases[i].second) << i;
  }
  ASSERT_EQ(control(Control::Stop), ok());
  int32_t getter = open(putter, "TALY.QUEUE.2", VXOO_INPUT_SHARED);
  for (size_t i = 0; i < cases.size(); ++i) {
    std::string text(cases[i].first, static_cast<char>('A' + i));
    ASSERT_EQ(put(putter, output, text), ok()) << i;
    Got got = get(putter, getter, {}, {}, 8192);
    EXPECT_EQ(got.text, text) << i;
    EXPECT_EQ(got.md.format, "") << i;
  }
}

// A message that comes while the dispatcher looks for more after a
// delivery is taken with the lock held shared when the consumer is in the
// plain case; every other case is left to the whole way. Either way each
// message reaches the consumer once, in order, as it was put.
TEST_F(ConsumerCalls, MessagesThatComeWhileTheDispatcherLooksArriveAsPut) {
  ConsumerOptions matching;
  matching.match.byCorrelId = true;
  matching.match.correlId[0] = 7;
  ConsumerOptions syncpoint;
  syncpoint.syncpoint = true;
  ConsumerOptions browse;
  browse.browse = true;
  ConsumerOptions cut;
  cut.maxMsgLength = 4;
  cut.acceptTruncated = true;
  struct Case {
    const char* what;
    ConsumerOptions options;
    bool shared;
    int32_t callType;
    size_t shown;  // bytes of each 6-byte message that the consumer is given
  };
  const Case cases[] = {
      {"plain", {}, true, REMOVED, 6},
      {"matching a correlation identifier", matching, true, REMOVED, 6},
      {"under syncpoint", syncpoint, false, REMOVED, 6},
      {"browsing", browse, false, NOT_REMOVED, 6},
      {"cut short", cut, false, REMOVED, 4},
  };
  const int messages = databaseStore() ? 20 : 300;
  // On one processor the dispatcher does not wait for the next message, and
  // takes it shared only when it is there already.
  const bool oneProcessor = std::thread::hardware_concurrency() == 1;
  for (const Case& c : cases) {
    auto consumer = consume(input, c.options);
    std::atomic<int> delivered{0};
    consumer->setAction([&](const Delivery& d) {
      // Under syncpoint the consumer commits each message, as its unit of work has a limit.
      if (c.options.syncpoint) {
        EXPECT_EQ(qm.commit(d.hconn), ok());
      }
      if (d.callType == c.callType) delivered.fetch_add(1);
    });
    ASSERT_EQ(control(Control::Start), ok()) << c.what;
    int64_t before = qm.sharedCallsMade(hconn);
    for (int i = 0; i < messages; ++i) {
      MessageDescriptor md;
      md.correlId[0] = 7;
      md.expiry = 600000;
      ASSERT_EQ(put(putter, output, "m" + std::to_string(10000 + i), md), ok()) << c.what;
      ASSERT_TRUE(eventually([&] { return delivered.load() > i; })) << c.what << ", message " << i;
      // The next comes a moment later, when the dispatcher looks for more.
      auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(20);
      while (std::chrono::steady_clock::now() < until) {
      }
    }
    int64_t shared = qm.sharedCallsMade(hconn) - before;
    ASSERT_EQ(control(Control::Stop), ok());
    ASSERT_EQ(qm.deregisterConsumer(hconn, input, ConsumerKind::Message), ok());

    if (!c.shared || databaseStore()) {
      EXPECT_EQ(shared, 0) << c.what;
    } else if (!oneProcessor) {
      EXPECT_GT(shared, 0) << c.what;
    }
    std::vector<Recorded> got;
    for (const Recorded& r : consumer->calls()) {
      if (r.callType == c.callType) got.push_back(r);
    }
    ASSERT_EQ(got.size(), static_cast<size_t>(messages)) << c.what;
    for (int i = 0; i < messages; ++i) {
      const Recorded& r = got[static_cast<size_t>(i)];
      std::string text = "m" + std::to_string(10000 + i);
      EXPECT_EQ(r.text, text.substr(0, c.shown)) << c.what << ", message " << i;
      EXPECT_EQ(r.dataLength, 6) << c.what;
      EXPECT_EQ(r.bufferLength, static_cast<int32_t>(c.shown)) << c.what;
      EXPECT_EQ(r.status, c.shown < 6 ? Status::warning(VXRC_TRUNCATED_MSG_ACCEPTED) : ok()) << c.what;
      EXPECT_EQ(r.state, VXCS_NONE) << c.what;
      EXPECT_EQ(r.hconn, hconn) << c.what;
      EXPECT_EQ(r.hobj, input) << c.what;
      EXPECT_EQ(r.queueName, "TALY.QUEUE.2") << c.what;
      EXPECT_EQ(r.md.correlId[0], 7) << c.what;
      EXPECT_GT(r.md.expiry, 0) << c.what;
      EXPECT_LE(r.md.expiry, 600000) << c.what;
    }
    EXPECT_EQ(depth(putter, "TALY.QUEUE.2"), c.options.browse ? messages : 0) << c.what;
    int32_t getter = open(putter, "TALY.QUEUE.2", VXOO_INPUT_SHARED);
    while (get(putter, getter).status == ok()) {
    }
    qm.close(putter, getter, 0);
  }
}

// A dispatcher that has delivered looks for more a moment only: it sleeps,
// using no processor time, while messages keep coming for other
// connections' consumers on other queues.
TEST_F(ConsumerCalls, AnIdleDispatcherSleepsWhileOtherQueuesAreBusy) {
  int32_t busy = connect();
  auto other = std::make_shared<Recorder>();
  int32_t busyInput = open(busy, "TALY.QUEUE.1", VXOO_INPUT_SHARED);
  ASSERT_EQ(qm.registerConsumer(busy, busyInput, ConsumerKind::Message, {}, other), ok());
  ASSERT_EQ(qm.control(busy, Control::Start), ok());
  int32_t busyOutput = open(putter, "TALY.QUEUE.1", VXOO_OUTPUT);
  std::atomic<bool> done{false};
  std::atomic<size_t> sent{0};
  std::thread producer([&] {
    while (!done.load()) {
      EXPECT_EQ(put(putter, busyOutput, "elsewhere"), ok());
      ++sent;
      auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(10);
      while (std::chrono::steady_clock::now() < until) {
      }
    }
  });

  auto consumer = consume(input);
  std::atomic<pthread_t> dispatcher{};
  consumer->setAction([&](const Delivery&) { dispatcher = pthread_self(); });
  ASSERT_EQ(control(Control::Start), ok());
  ASSERT_TRUE(consumer->awaitCount(START, 1));
  clockid_t cpuClock;
  ASSERT_EQ(pthread_getcpuclockid(dispatcher.load(), &cpuClock), 0);
  auto cpuTime = [&] {
    timespec t{};
    clock_gettime(cpuClock, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
  };
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  auto before = cpuTime();
  ASSERT_EQ(put(hconn, open(hconn, "TALY.QUEUE.2", VXOO_OUTPUT), "one"), ok());
  ASSERT_TRUE(consumer->awaitCount(REMOVED, 1));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  auto used = std::chrono::duration_cast<std::chrono::microseconds>(cpuTime() - before);
  done = true;
  producer.join();
  ASSERT_TRUE(other->awaitCount(REMOVED, sent.load()));
  // One delivery and a spin of 50 us cost well under a millisecond; looking
  // again at each wake-up of the other queue costs its whole time.
  EXPECT_LT(used.count(), 2000) << "microseconds of processor time for one delivery";
  ASSERT_EQ(qm.control(busy, Control::Stop), ok());
  EXPECT_EQ(consumer->count(REMOVED), 1u);
}

// The scheduler often runs a woken thread on its waker's processor. A
// dispatcher that looks for more on the processor of the producer it waits
// for must let the producer run, or each message waits for the end of its
// spin and goes the whole way. Here both share one processor by their
// affinity (the dispatcher's thread inherits the test thread's), and each
// message is put once the one before has arrived.
TEST_F(ConsumerCalls, AProducerOnTheDispatchersProcessorIsNotHeldUpByItsSpin) {
  if (std::thread::hardware_concurrency() < 2 || databaseStore()) {
    GTEST_SKIP() << "the dispatcher spins only on several processors, and only in memory";
  }
  // The thread's own affinity, given back however the test ends.
  struct Affinity {
    cpu_set_t all;
    ~Affinity() { sched_setaffinity(0, sizeof all, &all); }
  } saved;
  ASSERT_EQ(sched_getaffinity(0, sizeof saved.all, &saved.all), 0);
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(sched_getcpu(), &one);
  if (sched_setaffinity(0, sizeof one, &one) != 0) GTEST_SKIP() << "no affinity here";
  auto consumer = consume(input);
  std::atomic<int> delivered{0};
  consumer->setAction([&](const Delivery& d) {
    if (d.callType == REMOVED) delivered.fetch_add(1);
  });
  ASSERT_EQ(control(Control::Start), ok());
  const int messages = 100;
  int64_t before = qm.sharedCallsMade(hconn);
  for (int i = 0; i < messages; ++i) {
    ASSERT_EQ(put(putter, output, "m" + std::to_string(i)), ok());
    ASSERT_TRUE(eventually([&] { return delivered.load() > i; })) << "message " << i;
  }
  int64_t shared = qm.sharedCallsMade(hconn) - before;
  ASSERT_EQ(control(Control::Stop), ok());
  // Held up, each message after the first waits out the spin and goes the
  // whole way, and none is delivered shared.
  EXPECT_GT(shared, messages / 2);
  EXPECT_EQ(consumer->count(REMOVED), static_cast<size_t>(messages));
}

TEST_F(ConsumerCalls, StopHoldsMessagesAndAStartDeliversThem) {
  auto consumer = consume(input);
  ASSERT_EQ(control(Control::Start), ok());
  ASSERT_EQ(put(putter, output, "first"), ok());
  ASSERT_TRUE(consumer->awaitCount(REMOVED, 1));
  ASSERT_EQ(control(Control::Stop), ok());
  ASSERT_EQ(put(putter, output, "second"), ok());
  ASSERT_EQ(control(Control::Stop), ok()) << "stopping twice is no fault";
  EXPECT_EQ(consumer->count(REMOVED), 1u);
  EXPECT_EQ(depth(putter, "TALY.QUEUE.2"), 1);

  ASSERT_EQ(control(Control::Start), ok());
  ASSERT_TRUE(consumer->awaitCount(REMOVED, 2));
  ASSERT_EQ(control(Control::Stop), ok());
  EXPECT_EQ(consumer->types(), (Types{REGISTER, START, REMOVED, STOP, START, REMOVED, STOP}));
  EXPECT_EQ(consumer->calls()[5].text, "second");
}

TEST_F(ConsumerCalls, SuspendedConsumersGetNoMessages) {
  ConsumerOptions suspended;
  suspended.suspended = true;
  auto consumer = consume(input, suspended);
  ASSERT_EQ(control(Control::Start), ok());
  ASSERT_EQ(put(putter, output, "held"), ok());
  ASSERT_TRUE(consumer->awaitCount(START, 1));
  EXPECT_EQ(consumer->calls()[1].state, VXCS_SUSPENDED_USER);
  ASSERT_EQ(control(Control::Suspend), ok());
  ASSERT_EQ(qm.suspendConsumer(hconn, input, ConsumerKind::Message, false), ok());
  ASSERT_EQ(control(Control::Stop), ok());
  EXPECT_EQ(consumer->count(REMOVED), 0u) << "the connection was suspended";
  EXPECT_EQ(depth(putter, "TALY.QUEUE.2"), 1);

  ASSERT_EQ(control(Control::Resume), ok());
  ASSERT_EQ(control(Control::Start), ok());
  ASSERT_TRUE(consumer->awaitCount(REMOVED, 1));
  EXPECT_EQ(consumer->calls().back().text, "held");
}

TEST_F(ConsumerCalls, DeregistrationComesLastForEveryConsumerAlsoAtDisconnect) {
  int32_t other = open(hconn, "TALY.QUEUE.3", VXOO_INPUT_SHARED);
  auto first = consume(input);
  auto second = consume(other);
  auto events = handleEvents();
  ASSERT_EQ(control(Control::Start), ok());
  ASSERT_TRUE(events->awaitCount(START, 1));
  ASSERT_EQ(qm.disconnect(hconn), ok());
  for (auto* recorder : {first.get(), second.get(), events.get()}) {
    EXPECT_EQ(recorder->types(), (Types{REGISTER, START, STOP, DEREGISTER}));
  }
}

TEST_F(ConsumerCalls, AConsumerNeverStartedGetsItsRegistrationAndDeregistrationOnADispatcherThread) {
  auto consumer = consume(input);
  ASSERT_EQ(qm.disconnect(hconn), ok());
  std::vector<Recorded> calls = consumer->calls();
  ASSERT_EQ(consumer->types(), (Types{REGISTER, DEREGISTER}));
  for (const Recorded& call : calls) {
    EXPECT_NE(call.thread, std::this_thread::get_id());
    EXPECT_EQ(call.state, VXCS_STOPPED);
  }
}

TEST_F(ConsumerCalls, ClosingTheHandleOrRegisteringAgainDeregisters) {
  auto first = consume(input);
  ASSERT_EQ(control(Control::Start), ok());
  ASSERT_TRUE(first->awaitCount(START, 1));
  auto second = consume(input);
  EXPECT_EQ(first->types(), (Types{REGISTER, START, STOP, DEREGISTER})) << "replaced";
  ASSERT_TRUE(second->awaitCount(START, 1));
  ASSERT_EQ(qm.close(hconn, input, false), ok());
  EXPECT_EQ(second->types(), (Types{REGISTER, START, STOP, DEREGISTER}));
  EXPECT_EQ(qm.deregisterConsumer(hconn, input, ConsumerKind::Message), failure(VXRC_CALLBACK_NOT_REGISTERED));
}

TEST_F(ConsumerCalls, AMessageLongerThanTheConsumerTakesStaysOnTheQueue) {
  ConsumerOptions small;
  small.maxMsgLength = 4;
  auto consumer = consume(input, small);
  ASSERT_EQ(put(putter, output, "too long"), ok());
  ASSERT_EQ(put(putter, output, "fits"), ok());
  ASSERT_EQ(control(Control::Start), ok());
  ASSERT_TRUE(consumer->awaitCount(REMOVED, 1)) << ::testing::PrintToString(consumer->types());
  ASSERT_EQ(put(putter, output, "also"), ok());
  ASSERT_TRUE(consumer->awaitCount(REMOVED, 2));
  ASSERT_EQ(control(Control::Stop), ok());

  std::vector<Recorded> calls = consumer->calls();
  EXPECT_EQ(consumer->types(), (Types{REGISTER, START, NOT_REMOVED, REMOVED, REMOVED, STOP}))
      << "shown once, not again";
  EXPECT_EQ(calls[2].status, failure(VXRC_TRUNCATED_MSG_FAILED));
  EXPECT_EQ(calls[2].dataLength, 8);
  EXPECT_EQ(calls[2].bufferLength, 0);
  EXPECT_FALSE(calls[2].hasData);
  EXPECT_TRUE(calls[2].hasMd);
  EXPECT_EQ(calls[3].text, "fits");
  EXPECT_EQ(calls[4].text, "also");
  Got left = get(hconn, input);
  EXPECT_EQ(left.text, "too long");
  EXPECT_EQ(left.md.msgId, calls[2].md.msgId);
}

TEST_F(ConsumerCalls, WithTruncationAcceptedTheMessageIsRemovedCut) {
  ConsumerOptions options;
  options.maxMsgLength = 4;
  options.acceptTruncated = true;
  auto consumer = consume(input, options);
  ASSERT_EQ(put(putter, output, "truncated"), ok());
  ASSERT_EQ(control(Control::Start), ok());
  ASSERT_TRUE(consumer->awaitCount(REMOVED, 1));
  Recorded got = consumer->calls()[2];
  EXPECT_EQ(got.status, warning(VXRC_TRUNCATED_MSG_ACCEPTED));
  EXPECT_EQ(got.text, "trun");
  EXPECT_EQ(got.dataLength, 9);
  EXPECT_EQ(got.bufferLength, 4);
  ASSERT_EQ(control(Control::Stop), ok());
  EXPECT_EQ(depth(putter, "TALY.QUEUE.2"), 0);
}

TEST_F(ConsumerCalls, ABrowsingConsumerSeesEachMessageOnceAndLeavesIt) {
  ConsumerOptions browse;
  browse.browse = true;
  auto consumer = consume(input, browse);
  ASSERT_EQ(put(putter, output, "a"), ok());
  ASSERT_EQ(put(putter, output, "b"), ok());
  ASSERT_EQ(control(Control::Start), ok());
  ASSERT_TRUE(consumer->awaitCount(NOT_REMOVED, 2));
  ASSERT_EQ(put(putter, output, "c"), ok());
  ASSERT_TRUE(consumer->awaitCount(NOT_REMOVED, 3));
  ASSERT_EQ(control(Control::Stop), ok());
  std::vector<Recorded> calls = consumer->calls();
  ASSERT_EQ(calls.size(), 6u);
  EXPECT_EQ(calls[2].text + calls[3].text + calls[4].text, "abc");
  EXPECT_EQ(calls[2].status, ok());
  EXPECT_EQ(depth(putter, "TALY.QUEUE.2"), 3);
}

TEST_F(ConsumerCalls, AConditionIsReportedOnceToTheConsumerOrItsEventHandler) {
  auto consumer = consume(input);
  ASSERT_EQ(control(Control::Start), ok());
  inhibitGets(true);
  ASSERT_EQ(put(putter, output, "waits"), ok());
  ASSERT_TRUE(consumer->awaitCount(EVENT, 1));
  Recorded event = consumer->calls().back();
  EXPECT_EQ(event.status, failure(VXRC_GET_INHIBITED));
  EXPECT_EQ(event.hobj, input);
  EXPECT_EQ(event.state, VXCS_SUSPENDED_TEMPORARY);
  EXPECT_FALSE(event.hasMd);
  ASSERT_EQ(put(putter, output, "still waits"), ok());
  inhibitGets(false);
  ASSERT_TRUE(consumer->awaitCount(REMOVED, 2));
  EXPECT_EQ(consumer->count(EVENT), 1u);

  auto events = handleEvents();
  ASSERT_TRUE(events->awaitCount(START, 1));
  inhibitGets(true);
  ASSERT_EQ(put(putter, output, "for later"), ok());
  ASSERT_TRUE(events->awaitCount(EVENT, 1));
  EXPECT_EQ(events->calls().back().hobj, input);
  EXPECT_EQ(events->calls().back().status, failure(VXRC_GET_INHIBITED));
  EXPECT_EQ(consumer->count(EVENT), 1u) << "the handler had it";
  inhibitGets(false);
}

TEST_F(ConsumerCalls, AConsumerWhoseQueueIsDeletedIsToldSo) {
  ObjectRequest model;
  model.name = "TALY.MODEL.QUEUE";
  model.dynamicName = "GONE.*";
  ObjectResolution resolution;
  int32_t made = 0;
  ASSERT_EQ(qm.open(putter, model, openFor(VXOO_OUTPUT), made, resolution), ok());
  int32_t hobj = open(hconn, resolution.objectName, VXOO_INPUT_SHARED);
  auto consumer = consume(hobj);
  ASSERT_EQ(control(Control::Start), ok());
  ASSERT_TRUE(consumer->awaitCount(START, 1));
  ASSERT_EQ(qm.disconnect(putter), ok());
  ASSERT_TRUE(consumer->awaitCount(EVENT, 1));
  EXPECT_EQ(consumer->calls().back().status, failure(VXRC_OBJECT_DELETED));
  EXPECT_EQ(consumer->calls().back().state, VXCS_SUSPENDED);
}

TEST_F(ConsumerCalls, AFullUnitOfWorkWaitsForItsCommit) {
  ConsumerOptions syncpoint;
  syncpoint.syncpoint = true;
  auto consumer = consume(input, syncpoint);
  for (int i = 0; i < 7; ++i) ASSERT_EQ(put(putter, output, std::to_string(i)), ok());
  ASSERT_EQ(control(Control::Start), ok());
  ASSERT_TRUE(consumer->awaitCount(EVENT, 1));
  EXPECT_EQ(consumer->count(REMOVED), 5u) << "the unit of work holds five";
  EXPECT_EQ(consumer->calls().back().status, failure(VXRC_SYNCPOINT_LIMIT));
  ASSERT_EQ(qm.commit(hconn), ok());
  ASSERT_TRUE(consumer->awaitCount(REMOVED, 7));
  ASSERT_EQ(qm.commit(hconn), ok());
  EXPECT_EQ(depth(putter, "TALY.QUEUE.2"), 0);
}

TEST_F(ConsumerCalls, RefusedRegistrationsAndControls) {
  auto recorder = std::make_shared<Recorder>();
  int32_t outputOnly = open(hconn, "TALY.QUEUE.3", VXOO_OUTPUT);
  ConsumerOptions browse;
  browse.browse = true;
  ConsumerOptions tooSmall;
  tooSmall.maxMsgLength = -2;
  EXPECT_EQ(qm.registerConsumer(hconn, 999, ConsumerKind::Message, {}, recorder), failure(VXRC_HOBJ_ERROR));
  EXPECT_EQ(qm.registerConsumer(hconn, outputOnly, ConsumerKind::Message, {}, recorder),
            failure(VXRC_NOT_OPEN_FOR_INPUT));
  EXPECT_EQ(qm.registerConsumer(hconn, outputOnly, ConsumerKind::Message, browse, recorder),
            failure(VXRC_NOT_OPEN_FOR_BROWSE));
  EXPECT_EQ(qm.registerConsumer(hconn, input, ConsumerKind::Message, tooSmall, recorder),
            failure(VXRC_MAX_MSG_LENGTH_ERROR));
  EXPECT_EQ(qm.registerConsumer(hconn, input, ConsumerKind::Message, {}, nullptr),
            failure(VXRC_CALLBACK_FUNCTION_ERROR));
  EXPECT_EQ(qm.registerConsumer(4242, input, ConsumerKind::Message, {}, recorder), failure(VXRC_HCONN_ERROR));
  EXPECT_EQ(qm.deregisterConsumer(hconn, input, ConsumerKind::Message), failure(VXRC_CALLBACK_NOT_REGISTERED));
  EXPECT_EQ(qm.deregisterConsumer(hconn, 0, ConsumerKind::Event), failure(VXRC_CALLBACK_NOT_REGISTERED));
  EXPECT_EQ(qm.suspendConsumer(hconn, input, ConsumerKind::Message, true), failure(VXRC_CALLBACK_NOT_REGISTERED));
  EXPECT_EQ(control(Control::StartWait), failure(VXRC_NO_CALLBACKS_ACTIVE));
  handleEvents();
  EXPECT_EQ(control(Control::StartWait), failure(VXRC_NO_CALLBACKS_ACTIVE)) << "an event handler is not waited for";
  EXPECT_EQ(qm.suspendConsumer(hconn, 0, ConsumerKind::Event, true), failure(VXRC_CALLBACK_TYPE_ERROR));
  EXPECT_TRUE(recorder->calls().empty());
}

// A queue manager that goes away first stops and deregisters every consumer.
TEST(ConsumersAtShutdown, TheQueueManagerDeregistersItsConsumers) {
  auto recorder = std::make_shared<Recorder>();
  {
    QueueManager qm(testConfig());
    int32_t hconn = 0, hobj = 0;
    ASSERT_EQ(qm.connect({}, hconn), Status::ok());
    ObjectRequest queue;
    queue.name = "TALY.QUEUE.1";
    ObjectResolution resolution;
    ASSERT_EQ(qm.open(hconn, queue, openFor(VXOO_INPUT_SHARED), hobj, resolution), Status::ok());
    ASSERT_EQ(qm.registerConsumer(hconn, hobj, ConsumerKind::Message, {}, recorder), Status::ok());
    ASSERT_EQ(qm.control(hconn, Control::Start), Status::ok());
    ASSERT_TRUE(recorder->awaitCount(START, 1));
  }
  EXPECT_EQ(recorder->types(), (Types{REGISTER, START, STOP, DEREGISTER}));
}
