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
