// Units of work: what syncpoint puts and gets show to others, commit,
// backout, begin, and what a disconnect does with an open unit of work.
#include "qm_test.h"

using namespace vxqm;

namespace {

class UnitsOfWork : public QmTest {
 protected:
  void SetUp() override {
    worker = connect();
    observer = connect();
    mine = open(worker, "TALY.QUEUE.2", VXOO_INPUT_SHARED | VXOO_OUTPUT);
    theirs = open(observer, "TALY.QUEUE.2", VXOO_INPUT_SHARED | VXOO_OUTPUT);
    syncpointPut.syncpoint = true;
    syncpointGet.syncpoint = true;
  }
  int32_t worker = 0, observer = 0, mine = 0, theirs = 0;
  PutOptions syncpointPut;
  GetOptions syncpointGet;
};

}  // namespace

TEST_F(UnitsOfWork, SyncpointPutsShowOnlyAfterCommit) {
  ASSERT_EQ(put(worker, mine, "pending", {}, syncpointPut), ok());
  EXPECT_EQ(get(observer, theirs).status, failure(VXRC_NO_MSG_AVAILABLE));
  EXPECT_EQ(get(worker, mine).status, failure(VXRC_NO_MSG_AVAILABLE)) << "not even to the putter";
  EXPECT_EQ(depth(observer, "TALY.QUEUE.2"), 1) << "the depth counts uncommitted messages";
  EXPECT_EQ(qm.commit(worker), ok());
  EXPECT_EQ(get(observer, theirs).text, "pending");
}

TEST_F(UnitsOfWork, BackoutDiscardsPutsAndReturnsGotMessagesWithTheirBackoutCount) {
  ASSERT_EQ(put(observer, theirs, "kept"), ok());
  ASSERT_EQ(put(worker, mine, "discarded", {}, syncpointPut), ok());
  Got got = get(worker, mine, syncpointGet);
  ASSERT_EQ(got.text, "kept");
  EXPECT_EQ(got.md.backoutCount, 0);
  EXPECT_EQ(get(observer, theirs).status, failure(VXRC_NO_MSG_AVAILABLE)) << "taken under syncpoint";

  EXPECT_EQ(qm.backout(worker), ok());
  EXPECT_EQ(get(worker, mine, syncpointGet).md.backoutCount, 1);
  EXPECT_EQ(qm.backout(worker), ok());
  got = get(worker, mine, syncpointGet);
  EXPECT_EQ(got.md.backoutCount, 2);
  EXPECT_EQ(got.text, "kept") << "the discarded put never shows";
  EXPECT_EQ(qm.commit(worker), ok());
  EXPECT_EQ(depth(observer, "TALY.QUEUE.2"), 0);
}

TEST_F(UnitsOfWork, BackedOutMessagesKeepTheirPlace) {
  for (const char* text : {"1", "2", "3"}) ASSERT_EQ(put(observer, theirs, text), ok());
  EXPECT_EQ(get(worker, mine, syncpointGet).text, "1");
  EXPECT_EQ(get(observer, theirs).text, "2");
  EXPECT_EQ(qm.backout(worker), ok());
  EXPECT_EQ(get(observer, theirs).text, "1");
  EXPECT_EQ(get(observer, theirs).text, "3");
}

TEST_F(UnitsOfWork, BeginRefusesASecondUnitOfWork) {
  EXPECT_EQ(qm.begin(worker), ok());
  EXPECT_EQ(qm.begin(worker), failure(VXRC_UOW_IN_PROGRESS));
  EXPECT_EQ(qm.commit(worker), ok());
  EXPECT_EQ(qm.begin(worker), ok());
  EXPECT_EQ(qm.backout(worker), ok());
  ASSERT_EQ(put(worker, mine, "m", {}, syncpointPut), ok());
  EXPECT_EQ(qm.begin(worker), failure(VXRC_UOW_IN_PROGRESS)) << "a syncpoint put began one";
  EXPECT_EQ(qm.commit(worker), ok());
  EXPECT_EQ(qm.commit(worker), ok()) << "nothing to commit is no failure";
  EXPECT_EQ(qm.backout(worker), ok());
}

TEST_F(UnitsOfWork, DisconnectBacksOutAndSaysSo) {
  ASSERT_EQ(put(observer, theirs, "got"), ok());
  ASSERT_EQ(get(worker, mine, syncpointGet).text, "got");
  ASSERT_EQ(put(worker, mine, "put", {}, syncpointPut), ok());
  EXPECT_EQ(qm.disconnect(worker), warning(VXRC_BACKED_OUT_AT_DISCONNECT));
  EXPECT_EQ(worker, 0);
  Got got = get(observer, theirs);
  EXPECT_EQ(got.text, "got");
  EXPECT_EQ(got.md.backoutCount, 1);
  EXPECT_EQ(get(observer, theirs).status, failure(VXRC_NO_MSG_AVAILABLE));

  ASSERT_EQ(qm.begin(observer), ok());
  EXPECT_EQ(qm.disconnect(observer), ok()) << "a begun unit of work without messages";
}

TEST_F(UnitsOfWork, AUnitOfWorkHoldsALimitedNumberOfMessages) {
  for (int i = 0; i < 5; ++i) ASSERT_EQ(put(worker, mine, "m", {}, syncpointPut), ok());
  EXPECT_EQ(put(worker, mine, "m", {}, syncpointPut), failure(VXRC_SYNCPOINT_LIMIT));
  EXPECT_EQ(put(worker, mine, "outside"), ok());
  EXPECT_EQ(get(worker, mine, syncpointGet).status, failure(VXRC_SYNCPOINT_LIMIT));
  EXPECT_EQ(qm.commit(worker), ok());
  EXPECT_EQ(depth(worker, "TALY.QUEUE.2"), 6);
}

TEST_F(UnitsOfWork, ACommitAfterItsQueueWasDeletedIsHarmless) {
  ObjectRequest model;
  model.name = "TALY.MODEL.QUEUE";
  model.dynamicName = "TMP.*";
  ObjectResolution resolution;
  int32_t dynamic = 0;
  ASSERT_EQ(qm.open(worker, model, openFor(VXOO_OUTPUT), dynamic, resolution), ok());
  ASSERT_EQ(put(worker, dynamic, "m", {}, syncpointPut), ok());
  ASSERT_EQ(put(worker, mine, "survives", {}, syncpointPut), ok());
  ASSERT_EQ(qm.close(worker, dynamic, true), ok());
  EXPECT_EQ(qm.commit(worker), ok());
  EXPECT_EQ(get(observer, theirs).text, "survives");
}

namespace {

// A unit of work that gets many messages from one queue, with read-ahead
// on: the database store then holds several messages per round trip; the
// memory store reads nothing ahead. What the unit and others see is the same.
class ReadAhead : public QmTest {
 protected:
  ReadAhead() : QmTest(config()) {}
  static QueueManagerConfig config() {
    QueueManagerConfig config = testConfig();
    config.readAhead = 8;
    config.limits.maxUncommittedMessages = 100;
    return config;
  }
  void SetUp() override {
    worker = connect();
    observer = connect();
    mine = open(worker, "TALY.QUEUE.2", VXOO_INPUT_SHARED);
    theirs = open(observer, "TALY.QUEUE.2", VXOO_INPUT_SHARED | VXOO_OUTPUT);
    for (int i = 0; i < 30; ++i) {
      MessageDescriptor md;
      md.correlId[0] = static_cast<uint8_t>(i + 1);
      ASSERT_EQ(put(observer, theirs, "m" + std::to_string(i), md), ok());
    }
    syncpoint.syncpoint = true;
  }
  // The texts of count syncpoint gets by the worker.
  std::string take(int count) {
    std::string texts;
    for (int i = 0; i < count; ++i) texts += (texts.empty() ? "" : " ") + get(worker, mine, syncpoint).text;
    return texts;
  }
  int32_t worker = 0, observer = 0, mine = 0, theirs = 0;
  GetOptions syncpoint;
};

}  // namespace

TEST_F(ReadAhead, AUnitGetsInOrderAndWhatItDidNotGetComesBackUntouched) {
  EXPECT_EQ(take(6), "m0 m1 m2 m3 m4 m5");
  MessageDescriptor urgent;
  urgent.priority = 9;
  ASSERT_EQ(put(observer, theirs, "urgent", urgent), ok());
  EXPECT_EQ(take(2), "urgent m6") << "a message put since, of a higher priority, comes first";

  Got tooLong = get(worker, mine, syncpoint, {}, 1);
  EXPECT_EQ(tooLong.status, failure(VXRC_TRUNCATED_MSG_FAILED));
  EXPECT_EQ(tooLong.dataLength, 2);
  EXPECT_EQ(take(6), "m7 m8 m9 m10 m11 m12") << "the message too long for the buffer stays next";

  GetOptions byCorrelId = syncpoint;
  byCorrelId.matchCorrelId = true;
  MessageDescriptor match;
  match.correlId[0] = 15;  // m14
  EXPECT_EQ(get(worker, mine, byCorrelId, match).text, "m14") << "found while it may be held ahead";
  EXPECT_EQ(take(3), "m13 m15 m16");
  ASSERT_EQ(qm.commit(worker), ok());

  Got next = get(observer, theirs);
  EXPECT_EQ(next.text, "m17") << "what was held ahead is back at commit, in its place";
  EXPECT_EQ(next.md.backoutCount, 0);

  EXPECT_EQ(take(3), "m18 m19 m20");
  ASSERT_EQ(qm.backout(worker), ok());
  for (int i = 18; i < 24; ++i) {
    next = get(observer, theirs);
    EXPECT_EQ(next.text, "m" + std::to_string(i));
    EXPECT_EQ(next.md.backoutCount, i <= 20 ? 1 : 0) << "only the messages got are counted, m" << i;
  }
  EXPECT_EQ(depth(observer, "TALY.QUEUE.2"), 6);
}

TEST_F(ReadAhead, WhatBecomesVisibleBeforeTheMessagesHeldAheadComesFirst) {
  EXPECT_EQ(take(6), "m0 m1 m2 m3 m4 m5");
  // Several of a higher priority, in one commit (announced by the first).
  MessageDescriptor urgent;
  urgent.priority = 9;
  PutOptions inUnit;
  inUnit.syncpoint = true;
  for (int i = 1; i <= 3; ++i) ASSERT_EQ(put(observer, theirs, "u" + std::to_string(i), urgent, inUnit), ok());
  ASSERT_EQ(qm.commit(observer), ok());
  EXPECT_EQ(take(4), "u1 u2 u3 m6");
  ASSERT_EQ(qm.commit(worker), ok());

  // Messages another connection held, and held ahead, backed out.
  int32_t other = connect();
  int32_t hers = open(other, "TALY.QUEUE.2", VXOO_INPUT_SHARED);
  for (int i = 0; i < 5; ++i) ASSERT_EQ(get(other, hers, syncpoint).status, ok());
  take(5);
  ASSERT_EQ(qm.backout(other), ok());
  EXPECT_EQ(take(3), "m7 m8 m9");

  // Gets inhibited in this process meanwhile.
  int32_t setter = connect();
  int32_t handle = open(setter, "TALY.QUEUE.2", VXOO_SET);
  int32_t selector = VXIA_INHIBIT_GET, value = VXINHIBIT_INHIBITED;
  ASSERT_EQ(qm.set(setter, handle, 1, &selector, 1, &value, 0, nullptr), ok());
  EXPECT_EQ(get(worker, mine, syncpoint).status, failure(VXRC_GET_INHIBITED));
  value = VXINHIBIT_ALLOWED;
  ASSERT_EQ(qm.set(setter, handle, 1, &selector, 1, &value, 0, nullptr), ok());
  EXPECT_EQ(take(1), "m10");
}
