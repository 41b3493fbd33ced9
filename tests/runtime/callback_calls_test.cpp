// Calls and callbacks on one connection: a callback's own calls run at once,
// other threads' calls wait for the callback, stop and disconnect from
// anywhere end without a deadlock, and many messages from many threads
// arrive exactly once.
#include <atomic>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "qm_test.h"
#include "recorder.h"

using namespace vxqm;

namespace {

using Types = std::vector<int32_t>;
constexpr int32_t REGISTER = VXCBCT_REGISTER_CALL, START = VXCBCT_START_CALL, STOP = VXCBCT_STOP_CALL,
                  DEREGISTER = VXCBCT_DEREGISTER_CALL, REMOVED = VXCBCT_MSG_REMOVED,
                  NOT_REMOVED = VXCBCT_MSG_NOT_REMOVED;

class CallbackCalls : public QmTest {
 protected:
  void SetUp() override {
    hconn = connect();
    putter = connect();
    input = open(hconn, "TALY.QUEUE.1", VXOO_INPUT_SHARED | VXOO_OUTPUT);
    output = open(putter, "TALY.QUEUE.1", VXOO_OUTPUT);
  }
  std::shared_ptr<Recorder> consume(ConsumerOptions options = {}) {
    auto recorder = std::make_shared<Recorder>();
    EXPECT_EQ(qm.registerConsumer(hconn, input, ConsumerKind::Message, options, recorder), ok());
    return recorder;
  }
  template <typename F>
  static bool finished(std::future<F>& f) {
    return f.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
  }
  int32_t hconn = 0, putter = 0, input = 0, output = 0;
};

}  // namespace

TEST_F(CallbackCalls, ACallbackCallsItsOwnConnection) {
  ConsumerOptions small;
  small.maxMsgLength = 2;
  auto consumer = consume(small);
  int32_t replies = open(hconn, "TALY.QUEUE.3", VXOO_OUTPUT);
  std::vector<Status> inside;
  std::vector<int32_t> callsInProgress;
  std::string fetched;
  consumer->setAction([&](const Delivery& d) {
    if (d.callType != NOT_REMOVED) return;
    callsInProgress.push_back(qm.callInProgress(hconn));
    // Too long for the consumer: fetched whole by its identifier, under
    // syncpoint, with a reply, and committed.
    MessageDescriptor match = *d.md;
    GetOptions byId;
    byId.matchMsgId = true;
    byId.syncpoint = true;
    std::string buffer(64, '\0');
    int32_t length = 0;
    GetResult result;
    inside.push_back(qm.get(hconn, input, match, byId, buffer.data(), 64, length, result));
    fetched = buffer.substr(0, static_cast<size_t>(length));
    PutOptions syncpoint;
    syncpoint.syncpoint = true;
    inside.push_back(put(hconn, replies, "reply", {}, syncpoint));
    inside.push_back(qm.commit(hconn));
  });
  ASSERT_EQ(put(putter, output, "longer than two"), ok());
  ASSERT_EQ(qm.control(hconn, Control::Start), ok());
  ASSERT_TRUE(consumer->awaitCount(NOT_REMOVED, 1));
  ASSERT_EQ(qm.control(hconn, Control::Stop), ok());
  EXPECT_EQ(inside, (std::vector<Status>{ok(), ok(), ok()}));
  EXPECT_EQ(callsInProgress, std::vector<int32_t>{VXCALL_CALLBACK});
  EXPECT_EQ(fetched, "longer than two");
  EXPECT_EQ(depth(putter, "TALY.QUEUE.1"), 0);
  EXPECT_EQ(depth(putter, "TALY.QUEUE.3"), 1);
  EXPECT_EQ(qm.callInProgress(hconn), VXCALL_NONE);
}

TEST_F(CallbackCalls, AConsumerThatBacksOutGetsTheMessageAgain) {
  ConsumerOptions syncpoint;
  syncpoint.syncpoint = true;
  auto consumer = consume(syncpoint);
  consumer->setAction([&](const Delivery& d) {
    if (d.callType != REMOVED) return;
    if (d.md->backoutCount == 0) {
      qm.backout(hconn);
    } else {
      qm.commit(hconn);
    }
  });
  ASSERT_EQ(put(putter, output, "twice"), ok());
  ASSERT_EQ(qm.control(hconn, Control::Start), ok());
  ASSERT_TRUE(consumer->awaitCount(REMOVED, 2));
  ASSERT_EQ(qm.control(hconn, Control::Stop), ok());
  std::vector<Recorded> calls = consumer->calls();
  EXPECT_EQ(calls[2].md.backoutCount, 0);
  EXPECT_EQ(calls[3].md.backoutCount, 1);
  EXPECT_EQ(calls[3].text, "twice");
  EXPECT_EQ(depth(putter, "TALY.QUEUE.1"), 0);
}

TEST_F(CallbackCalls, StopDeregisterAndDisconnectFromInsideACallback) {
  auto consumer = consume();
  std::vector<Status> inside;
  consumer->setAction([&](const Delivery& d) {
    if (d.callType != REMOVED) return;
    inside.push_back(qm.control(hconn, Control::Stop));
    inside.push_back(qm.control(hconn, Control::StartWait));
  });
  ASSERT_EQ(put(putter, output, "stop"), ok());
  ASSERT_EQ(qm.control(hconn, Control::Start), ok());
  ASSERT_TRUE(consumer->awaitCount(STOP, 1));
  EXPECT_EQ(inside, (std::vector<Status>{ok(), failure(VXRC_CALLBACK_CALL_ERROR)}));
  EXPECT_EQ(consumer->types(), (Types{REGISTER, START, REMOVED, STOP}));

  consumer->setAction([&](const Delivery& d) {
    if (d.callType == REMOVED) inside.push_back(qm.deregisterConsumer(hconn, input, ConsumerKind::Message));
  });
  ASSERT_EQ(put(putter, output, "leave"), ok());
  ASSERT_EQ(qm.control(hconn, Control::Start), ok());
  ASSERT_TRUE(consumer->awaitCount(DEREGISTER, 1));
  EXPECT_EQ(consumer->types(), (Types{REGISTER, START, REMOVED, STOP, START, REMOVED, STOP, DEREGISTER}));

  auto last = consume();
  int32_t disconnected = hconn;
  last->setAction([&, disconnected](const Delivery& d) {
    if (d.callType != REMOVED) return;
    int32_t h = disconnected;
    inside.push_back(qm.disconnect(h));
    int32_t depthSelector = VXIA_CURRENT_DEPTH, value = 0;
    inside.push_back(qm.inquire(disconnected, input, 1, &depthSelector, 1, &value, 0, nullptr));
  });
  ASSERT_EQ(put(putter, output, "disconnect"), ok());
  ASSERT_TRUE(last->awaitCount(DEREGISTER, 1));
  EXPECT_EQ(last->types(), (Types{REGISTER, START, REMOVED, STOP, DEREGISTER}));
  EXPECT_EQ(inside.back(), failure(VXRC_HCONN_ERROR));
  EXPECT_EQ(inside[inside.size() - 2], ok());
  EXPECT_FALSE(qm.connected(disconnected));
}

TEST_F(CallbackCalls, CallsFromOtherThreadsWaitForTheCallback) {
  auto consumer = consume();
  Gate gate;
  consumer->setAction([&](const Delivery& d) {
    if (d.callType == REMOVED) gate.pass();
  });
  ASSERT_EQ(put(putter, output, "slow"), ok());
  ASSERT_EQ(qm.control(hconn, Control::Start), ok());
  ASSERT_TRUE(gate.awaitWaiter());
  EXPECT_EQ(qm.callInProgress(hconn), VXCALL_CALLBACK);

  std::future<Status> putting = std::async(std::launch::async, [&] { return put(hconn, input, "queued"); });
  OpenAtEnd putOpener{gate};
  ASSERT_TRUE(eventually([&] { return qm.waitingCalls(hconn) == 1; }));
  std::future<Status> stopping = std::async(std::launch::async, [&] { return qm.control(hconn, Control::Stop); });
  OpenAtEnd opener{gate};
  ASSERT_TRUE(eventually([&] { return qm.waitingCalls(hconn) == 2; }));
  EXPECT_FALSE(finished(putting));
  EXPECT_FALSE(finished(stopping));
  gate.open();
  EXPECT_EQ(putting.get(), ok());
  EXPECT_EQ(stopping.get(), ok());
  // Stop returned after the STOP call, and no callback began after it.
  std::vector<int32_t> types = consumer->types();
  ASSERT_GE(types.size(), 4u);
  EXPECT_EQ(types.back(), STOP);
  EXPECT_EQ(qm.waitingCalls(hconn), 0);
}

TEST_F(CallbackCalls, AnotherCallersCallInProgressStillRefusesTheNext) {
  auto consumer = consume();
  ASSERT_EQ(qm.control(hconn, Control::Start), ok());
  ASSERT_TRUE(consumer->awaitCount(START, 1));
  GetOptions forever;
  forever.wait = true;
  forever.waitInterval = VXWI_UNLIMITED;
  int32_t browser = open(hconn, "TALY.QUEUE.2", VXOO_INPUT_SHARED);
  int32_t other = open(putter, "TALY.QUEUE.2", VXOO_OUTPUT);
  int32_t before = qm.waitingGetters("TALY.QUEUE.2");
  std::future<Got> waiting = std::async(std::launch::async, [&] { return get(hconn, browser, forever); });
  // No ASSERT before the put that ends the wait: the future would wait for
  // the get for ever.
  EXPECT_TRUE(eventually([&] { return qm.waitingGetters("TALY.QUEUE.2") > before; }));
  EXPECT_EQ(qm.control(hconn, Control::Stop), failure(VXRC_CALL_IN_PROGRESS));
  // A message for the consumer makes the dispatcher wait for the get too;
  // the next call is still refused, not queued behind the get.
  EXPECT_EQ(put(putter, output, "for the consumer"), ok());
  EXPECT_TRUE(eventually([&] { return qm.dispatcherWaits(hconn); }));
  auto stop = std::async(std::launch::async, [&] { return qm.control(hconn, Control::Stop); });
  bool answered = stop.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
  EXPECT_TRUE(answered) << "the stop waits behind the get";
  if (answered) {
    EXPECT_EQ(stop.get(), failure(VXRC_CALL_IN_PROGRESS));
    EXPECT_EQ(qm.callInProgress(hconn), VXCALL_GET);
  }
  ASSERT_EQ(put(putter, other, "ends the wait"), ok());
  EXPECT_EQ(waiting.get().text, "ends the wait");
  EXPECT_EQ(qm.control(hconn, Control::Stop), ok());
}

TEST_F(CallbackCalls, StartWaitReturnsWhenTheConsumersStop) {
  auto consumer = consume();
  consumer->setAction([&](const Delivery& d) {
    if (d.callType == REMOVED && consumer->count(REMOVED) == 3) qm.control(hconn, Control::Stop);
  });
  for (int i = 0; i < 3; ++i) ASSERT_EQ(put(putter, output, "m"), ok());
  EXPECT_EQ(qm.control(hconn, Control::StartWait), ok());
  EXPECT_EQ(consumer->types(), (Types{REGISTER, START, REMOVED, REMOVED, REMOVED, STOP}));

  consumer->setAction([&](const Delivery& d) {
    if (d.callType == REMOVED) qm.deregisterConsumer(hconn, input, ConsumerKind::Message);
  });
  ASSERT_EQ(put(putter, output, "last"), ok());
  EXPECT_EQ(qm.control(hconn, Control::StartWait), ok()) << "no message consumer left";
  EXPECT_EQ(consumer->types().back(), DEREGISTER);
}

TEST_F(CallbackCalls, ManyMessagesFromManyThreadsArriveExactlyOnce) {
  constexpr int kProducers = 4, kPerProducer = 500, kTotal = kProducers * kPerProducer;
  std::mutex mutex;
  std::condition_variable changed;
  std::multiset<std::string> kept;
  auto keep = [&](const Delivery& d) {
    std::lock_guard<std::mutex> lock(mutex);
    kept.insert(std::string(reinterpret_cast<const char*>(d.data), static_cast<size_t>(d.bufferLength)));
    changed.notify_all();
  };
  auto plain = consume();
  plain->setAction([&](const Delivery& d) {
    if (d.callType == REMOVED) keep(d);
  });
  // A second consumer gets under syncpoint and backs out every fourth
  // message, which then comes again.
  int32_t second = open(hconn, "TALY.QUEUE.1", VXOO_INPUT_SHARED);
  ConsumerOptions syncpoint;
  syncpoint.syncpoint = true;
  auto committing = std::make_shared<Recorder>();
  int backouts = 0;
  committing->setAction([&](const Delivery& d) {
    if (d.callType != REMOVED) return;
    if (committing->count(REMOVED) % 4 == 0) {
      ++backouts;
      EXPECT_EQ(qm.backout(hconn), ok());
    } else {
      EXPECT_EQ(qm.commit(hconn), ok());
      keep(d);
    }
  });
  ASSERT_EQ(qm.registerConsumer(hconn, second, ConsumerKind::Message, syncpoint, committing), ok());
  ASSERT_EQ(qm.control(hconn, Control::Start), ok());

  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p) {
    producers.emplace_back([&, p] {
      // One producer shares the consumers' connection: its calls take turns
      // with their callbacks.
      int32_t h = p == 0 ? hconn : connect();
      int32_t hobj = p == 0 ? input : open(h, "TALY.QUEUE.1", VXOO_OUTPUT);
      for (int i = 0; i < kPerProducer; ++i) {
        ASSERT_EQ(put(h, hobj, std::to_string(p) + ":" + std::to_string(i)), ok());
      }
    });
  }
  for (std::thread& t : producers) t.join();
  {
    std::unique_lock<std::mutex> lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::minutes(1), [&] { return kept.size() >= kTotal; }));
  }
  ASSERT_EQ(qm.control(hconn, Control::Stop), ok());

  std::set<std::string> all;
  for (int p = 0; p < kProducers; ++p) {
    for (int i = 0; i < kPerProducer; ++i) all.insert(std::to_string(p) + ":" + std::to_string(i));
  }
  EXPECT_EQ(kept.size(), static_cast<size_t>(kTotal)) << "none twice";
  EXPECT_EQ(std::set<std::string>(kept.begin(), kept.end()), all) << "none lost";
  EXPECT_GT(backouts, 0);
  EXPECT_GT(plain->count(REMOVED), 0u);
  EXPECT_EQ(depth(putter, "TALY.QUEUE.1"), 0);
}
