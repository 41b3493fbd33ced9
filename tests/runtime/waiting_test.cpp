// Gets that wait: woken by a put, by a commit, by an inhibit or a deleted
// queue; and one call at a time on a connection.
#include <atomic>
#include <future>
#include <thread>

#include "qm_test.h"

using namespace vxqm;

namespace {

class Waiting : public QmTest {
 protected:
  void SetUp() override {
    getter = connect();
    putter = connect();
    input = open(getter, "TALY.QUEUE.3", VXOO_INPUT_SHARED);
    output = open(putter, "TALY.QUEUE.3", VXOO_OUTPUT | VXOO_SET);
    forever.wait = true;
    forever.waitInterval = VXWI_UNLIMITED;
  }
  // Starts a get that waits, and returns once it waits.
  std::future<Got> waitingGet(int32_t hobj, const std::string& queue = "TALY.QUEUE.3") {
    int32_t before = qm.waitingGetters(queue);
    std::future<Got> got = std::async(std::launch::async, [=] { return get(getter, hobj, forever); });
    while (qm.waitingGetters(queue) == before) std::this_thread::yield();
    return got;
  }
  int32_t getter = 0, putter = 0, input = 0, output = 0;
  GetOptions forever;
};

}  // namespace

TEST_F(Waiting, AWaitingGetWakesForAPut) {
  std::future<Got> got = waitingGet(input);
  ASSERT_EQ(put(putter, output, "wake up"), ok());
  Got result = got.get();
  EXPECT_EQ(result.status, ok());
  EXPECT_EQ(result.text, "wake up");
}

TEST_F(Waiting, AWaitingGetWakesOnlyForTheCommitOfASyncpointPut) {
  std::atomic<bool> committed{false};
  std::future<Got> got = waitingGet(input);
  PutOptions syncpoint;
  syncpoint.syncpoint = true;
  ASSERT_EQ(put(putter, output, "committed", {}, syncpoint), ok());
  committed = true;
  ASSERT_EQ(qm.commit(putter), ok());
  Got result = got.get();
  EXPECT_TRUE(committed.load());
  EXPECT_EQ(result.text, "committed");
}

TEST_F(Waiting, AWaitingGetWakesForAMessageItMatchesOnly) {
  GetOptions byCorrel = forever;
  byCorrel.matchCorrelId = true;
  MessageDescriptor wanted;
  wanted.correlId[0] = 9;
  int32_t before = qm.waitingGetters("TALY.QUEUE.3");
  std::future<Got> got = std::async(std::launch::async, [&] { return get(getter, input, byCorrel, wanted); });
  while (qm.waitingGetters("TALY.QUEUE.3") == before) std::this_thread::yield();
  ASSERT_EQ(put(putter, output, "other"), ok());
  ASSERT_EQ(put(putter, output, "wanted", wanted), ok());
  EXPECT_EQ(got.get().text, "wanted");
  EXPECT_EQ(depth(putter, "TALY.QUEUE.3"), 1);
}

TEST_F(Waiting, AWaitWithAnIntervalEndsWithoutAMessage) {
  GetOptions briefly;
  briefly.wait = true;
  briefly.waitInterval = 20;
  EXPECT_EQ(get(getter, input, briefly).status, failure(VXRC_NO_MSG_AVAILABLE));
  briefly.waitInterval = 0;
  EXPECT_EQ(get(getter, input, briefly).status, failure(VXRC_NO_MSG_AVAILABLE));
}

TEST_F(Waiting, InhibitingGetsEndsAWait) {
  std::future<Got> got = waitingGet(input);
  int32_t selector = VXIA_INHIBIT_GET, inhibited = VXINHIBIT_INHIBITED;
  ASSERT_EQ(qm.set(putter, output, 1, &selector, 1, &inhibited, 0, nullptr), ok());
  EXPECT_EQ(got.get().status, failure(VXRC_GET_INHIBITED));
}

TEST_F(Waiting, DeletingTheQueueEndsAWait) {
  ObjectRequest model;
  model.name = "TALY.MODEL.QUEUE";
  model.dynamicName = "WAIT.*";
  ObjectResolution resolution;
  int32_t made = 0;
  ASSERT_EQ(qm.open(putter, model, openFor(VXOO_OUTPUT), made, resolution), ok());
  int32_t hobj = open(getter, resolution.objectName, VXOO_INPUT_SHARED);
  std::future<Got> got = waitingGet(hobj, resolution.objectName);
  ASSERT_EQ(qm.disconnect(putter), ok());
  EXPECT_EQ(got.get().status, failure(VXRC_OBJECT_DELETED));
}

TEST_F(Waiting, AConnectionServesOneCallAtATime) {
  EXPECT_EQ(qm.callInProgress(getter), VXCALL_NONE);
  std::future<Got> got = waitingGet(input);
  EXPECT_EQ(qm.callInProgress(getter), VXCALL_GET);
  EXPECT_EQ(put(getter, input, "x"), failure(VXRC_CALL_IN_PROGRESS));
  EXPECT_EQ(qm.disconnect(getter), failure(VXRC_CALL_IN_PROGRESS));
  EXPECT_EQ(qm.commit(getter), failure(VXRC_CALL_IN_PROGRESS));
  ASSERT_EQ(put(putter, output, "done"), ok());
  EXPECT_EQ(got.get().text, "done");
  EXPECT_EQ(qm.callInProgress(getter), VXCALL_NONE);
  EXPECT_EQ(qm.callInProgress(12345), VXCALL_NONE) << "not a connection";
  EXPECT_EQ(qm.disconnect(getter), ok());
}

TEST_F(Waiting, ABrowseWaitsForAMessageAfterItsCursor) {
  int32_t browser = open(getter, "TALY.QUEUE.3", VXOO_BROWSE);
  ASSERT_EQ(put(putter, output, "seen"), ok());
  GetOptions next = forever;
  next.browse = Browse::Next;
  EXPECT_EQ(get(getter, browser, next).text, "seen");
  int32_t before = qm.waitingGetters("TALY.QUEUE.3");
  std::future<Got> got = std::async(std::launch::async, [&] { return get(getter, browser, next); });
  while (qm.waitingGetters("TALY.QUEUE.3") == before) std::this_thread::yield();
  ASSERT_EQ(put(putter, output, "new"), ok());
  EXPECT_EQ(got.get().text, "new");
}
