// The queue manager as an XA resource manager: rmids bound to connections,
// branches started, ended, suspended, resumed and joined, two-phase and
// one-phase completion, recovery, and the errors of the XA standard.
#include <thread>

#include "qm_test.h"
#include "vx/xa.h"

using namespace vxqm;

namespace {

Xid xid(const std::string& gtrid, const std::string& bqual = "b") { return {0x5658, gtrid, bqual}; }

class Xa : public QmTest {
 protected:
  void SetUp() override {
    a = xaConnect(1);
    b = xaConnect(2);
    observer = connect();
    onA = open(a, "TALY.QUEUE.2", VXOO_INPUT_SHARED | VXOO_OUTPUT);
    onB = open(b, "TALY.QUEUE.2", VXOO_INPUT_SHARED | VXOO_OUTPUT);
    seen = open(observer, "TALY.QUEUE.2", VXOO_INPUT_SHARED | VXOO_OUTPUT);
    syncpointPut.syncpoint = true;
    syncpointGet.syncpoint = true;
  }
  // A connection whose XA calls name rmid.
  int32_t xaConnect(int32_t rmid) {
    EXPECT_EQ(qm.xaOpen("", rmid, TMNOFLAGS), XA_OK);
    return connect();
  }
  // Puts text under syncpoint inside a new branch of rmid, and ends it.
  void putInBranch(int32_t rmid, int32_t hconn, int32_t hobj, const Xid& x, const std::string& text) {
    ASSERT_EQ(qm.xaStart(x, rmid, TMNOFLAGS), XA_OK);
    ASSERT_EQ(put(hconn, hobj, text, {}, syncpointPut), ok());
    ASSERT_EQ(qm.xaEnd(x, rmid, TMSUCCESS), XA_OK);
  }
  std::vector<Xid> recoverAll(int32_t rmid) {
    std::vector<Xid> found;
    EXPECT_GE(qm.xaRecover(found, 100, rmid, TMSTARTRSCAN | TMENDRSCAN), 0);
    return found;
  }
  std::string next() {
    Got got = get(observer, seen);
    return got.status.failed() ? "(none)" : got.text;
  }

  int32_t a = 0, b = 0, observer = 0, onA = 0, onB = 0, seen = 0;
  PutOptions syncpointPut;
  GetOptions syncpointGet;
};

}  // namespace

TEST_F(Xa, TwoPhaseCommitOfPutsAndGetsOnTwoConnections) {
  ASSERT_EQ(put(observer, seen, "ordered"), ok());
  putInBranch(1, a, onA, xid("t1", "a"), "shipped");
  ASSERT_EQ(qm.xaStart(xid("t1", "b"), 2, TMNOFLAGS), XA_OK);
  ASSERT_EQ(get(b, onB, syncpointGet).text, "ordered");
  ASSERT_EQ(qm.xaEnd(xid("t1", "b"), 2, TMSUCCESS), XA_OK);
  EXPECT_EQ(next(), "(none)") << "neither the put nor the get shows before commit";

  EXPECT_EQ(qm.xaPrepare(xid("t1", "a"), 1, TMNOFLAGS), XA_OK);
  EXPECT_EQ(qm.xaPrepare(xid("t1", "b"), 2, TMNOFLAGS), XA_OK);
  EXPECT_EQ(next(), "(none)") << "nor after prepare";
  EXPECT_EQ(qm.xaCommit(xid("t1", "a"), 1, TMNOFLAGS), XA_OK);
  EXPECT_EQ(qm.xaCommit(xid("t1", "b"), 2, TMNOFLAGS), XA_OK);
  EXPECT_EQ(next(), "shipped");
  EXPECT_EQ(next(), "(none)") << "the got message is gone";
  EXPECT_EQ(qm.xaCommit(xid("t1", "a"), 1, TMNOFLAGS), XAER_NOTA) << "a completed branch is forgotten";
}

TEST_F(Xa, RollbackDiscardsPutsAndReturnsGotMessages) {
  ASSERT_EQ(put(observer, seen, "kept"), ok());
  ASSERT_EQ(qm.xaStart(xid("t2"), 1, TMNOFLAGS), XA_OK);
  ASSERT_EQ(put(a, onA, "discarded", {}, syncpointPut), ok());
  ASSERT_EQ(get(a, onA, syncpointGet).text, "kept");
  ASSERT_EQ(qm.xaEnd(xid("t2"), 1, TMSUCCESS), XA_OK);
  ASSERT_EQ(qm.xaPrepare(xid("t2"), 1, TMNOFLAGS), XA_OK);
  EXPECT_EQ(qm.xaRollback(xid("t2"), 2, TMNOFLAGS), XA_OK) << "from another rmid";
  Got got = get(observer, seen);
  EXPECT_EQ(got.text, "kept");
  EXPECT_EQ(got.md.backoutCount, 1);
  EXPECT_EQ(next(), "(none)");
  EXPECT_EQ(qm.xaRollback(xid("t2"), 1, TMNOFLAGS), XAER_NOTA);
}

TEST_F(Xa, OnePhaseCommitNeedsNoPrepareAndRefusesOne) {
  putInBranch(1, a, onA, xid("t3"), "one phase");
  EXPECT_EQ(qm.xaCommit(xid("t3"), 1, TMNOFLAGS), XAER_PROTO) << "two phases without a prepare";
  EXPECT_EQ(qm.xaCommit(xid("t3"), 1, TMONEPHASE), XA_OK);
  EXPECT_EQ(next(), "one phase");

  putInBranch(1, a, onA, xid("t4"), "prepared");
  ASSERT_EQ(qm.xaPrepare(xid("t4"), 1, TMNOFLAGS), XA_OK);
  EXPECT_EQ(qm.xaCommit(xid("t4"), 1, TMONEPHASE), XAER_PROTO) << "one phase after a prepare";
  EXPECT_EQ(qm.xaCommit(xid("t4"), 1, TMNOFLAGS | TMNOWAIT), XA_OK);
  EXPECT_EQ(next(), "prepared");
}

TEST_F(Xa, ABranchThatDidNothingIsReadOnlyAtPrepare) {
  ASSERT_EQ(qm.xaStart(xid("t5"), 1, TMNOFLAGS), XA_OK);
  ASSERT_EQ(put(a, onA, "outside any unit of work"), ok());
  ASSERT_EQ(qm.xaEnd(xid("t5"), 1, TMSUCCESS), XA_OK);
  EXPECT_EQ(qm.xaPrepare(xid("t5"), 1, TMNOFLAGS), XA_RDONLY);
  EXPECT_EQ(qm.xaCommit(xid("t5"), 1, TMNOFLAGS), XAER_NOTA) << "forgotten at prepare";
  EXPECT_EQ(next(), "outside any unit of work");
}

TEST_F(Xa, APreparedBranchSurvivesItsConnectionAndIsRecoveredAndCommittedFromAnother) {
  putInBranch(1, a, onA, xid("t6"), "in doubt");
  putInBranch(1, a, onA, xid("t7"), "idle");
  ASSERT_EQ(qm.xaPrepare(xid("t6"), 1, TMNOFLAGS), XA_OK);
  EXPECT_EQ(qm.disconnect(a), ok()) << "the branches are not the connection's to back out";
  EXPECT_EQ(qm.xaClose(1, TMNOFLAGS), XA_OK);

  std::thread recoverer([&] {
    int32_t c = xaConnect(3);
    std::vector<Xid> found = recoverAll(3);
    ASSERT_EQ(found.size(), 1u) << "only the prepared branch";
    EXPECT_EQ(found[0], xid("t6"));
    EXPECT_EQ(qm.xaCommit(found[0], 3, TMNOFLAGS), XA_OK);
    EXPECT_EQ(qm.xaCommit(xid("t7"), 3, TMONEPHASE), XA_OK) << "the idle branch survived too";
    EXPECT_EQ(qm.disconnect(c), ok());
  });
  recoverer.join();
  EXPECT_EQ(next(), "in doubt");
  EXPECT_EQ(next(), "idle");
}

TEST_F(Xa, CallsInTheWrongStateAreProtocolErrors) {
  ASSERT_EQ(qm.xaStart(xid("t8"), 1, TMNOFLAGS), XA_OK);
  ASSERT_EQ(put(a, onA, "m", {}, syncpointPut), ok());
  EXPECT_EQ(qm.xaCommit(xid("t8"), 1, TMONEPHASE), XAER_PROTO) << "commit before end";
  EXPECT_EQ(qm.xaPrepare(xid("t8"), 1, TMNOFLAGS), XAER_PROTO) << "prepare before end";
  EXPECT_EQ(qm.xaRollback(xid("t8"), 1, TMNOFLAGS), XAER_PROTO) << "rollback before end";
  EXPECT_EQ(qm.xaStart(xid("t9"), 1, TMNOFLAGS), XAER_PROTO) << "the rmid is associated already";
  EXPECT_EQ(qm.xaStart(xid("t8"), 2, TMNOFLAGS), XAER_DUPID) << "a known XID without join";
  EXPECT_EQ(qm.xaEnd(xid("t8"), 2, TMSUCCESS), XAER_PROTO) << "not associated with rmid 2";
  EXPECT_EQ(qm.xaClose(1, TMNOFLAGS), XAER_PROTO) << "closed while associated";
  ASSERT_EQ(qm.xaEnd(xid("t8"), 1, TMSUCCESS), XA_OK);
  EXPECT_EQ(qm.xaEnd(xid("t8"), 1, TMSUCCESS), XAER_PROTO) << "ended twice";
  EXPECT_EQ(qm.xaStart(xid("t8"), 1, TMRESUME), XAER_PROTO) << "resumed without a suspend";
  ASSERT_EQ(qm.xaPrepare(xid("t8"), 1, TMNOFLAGS), XA_OK);
  EXPECT_EQ(qm.xaPrepare(xid("t8"), 1, TMNOFLAGS), XAER_PROTO) << "prepared twice";
  EXPECT_EQ(qm.xaStart(xid("t8"), 1, TMJOIN), XAER_PROTO) << "joined after prepare";
  EXPECT_EQ(qm.xaForget(xid("t8"), 1, TMNOFLAGS), XAER_PROTO) << "not heuristically completed";

  EXPECT_EQ(qm.xaEnd(xid("nothing"), 1, TMSUCCESS), XAER_NOTA);
  EXPECT_EQ(qm.xaPrepare(xid("nothing"), 1, TMNOFLAGS), XAER_NOTA);
  EXPECT_EQ(qm.xaForget(xid("nothing"), 1, TMNOFLAGS), XAER_NOTA);
  EXPECT_EQ(qm.xaStart(xid("nothing"), 1, TMJOIN), XAER_NOTA);
  EXPECT_EQ(qm.xaStart(xid("nothing"), 1, TMRESUME), XAER_NOTA);

  for (int32_t rmid : {0, 99}) {
    SCOPED_TRACE(rmid);
    EXPECT_EQ(qm.xaStart(xid("t10"), rmid, TMNOFLAGS), XAER_PROTO) << "an rmid never opened";
    EXPECT_EQ(qm.xaCommit(xid("t8"), rmid, TMNOFLAGS), XAER_PROTO);
    std::vector<Xid> found;
    EXPECT_EQ(qm.xaRecover(found, 1, rmid, TMSTARTRSCAN), XAER_PROTO);
  }
  EXPECT_EQ(qm.xaCommit(xid("t8"), 1, TMNOFLAGS), XA_OK) << "none of this harmed the branch";
  EXPECT_EQ(next(), "m");
}

TEST_F(Xa, FlagsThatDoNotBelongToTheCallAreInvalid) {
  EXPECT_EQ(qm.xaOpen("", 5, TMASYNC), XAER_INVAL);
  EXPECT_EQ(qm.xaOpen("OTHER.QM", 5, TMNOFLAGS), XAER_INVAL);
  EXPECT_EQ(qm.xaStart(xid("t11"), 1, TMJOIN | TMRESUME), XAER_INVAL);
  EXPECT_EQ(qm.xaStart(xid("t11"), 1, TMSUCCESS), XAER_INVAL);
  EXPECT_EQ(qm.xaStart(xid("t11"), 1, TMASYNC), XAER_INVAL);
  ASSERT_EQ(qm.xaStart(xid("t11"), 1, TMNOFLAGS), XA_OK);
  for (int32_t flags : {TMNOFLAGS, TMSUCCESS | TMFAIL, TMSUSPEND | TMMIGRATE, TMJOIN}) {
    EXPECT_EQ(qm.xaEnd(xid("t11"), 1, flags), XAER_INVAL) << std::hex << flags;
  }
  ASSERT_EQ(qm.xaEnd(xid("t11"), 1, TMSUCCESS), XA_OK);
  EXPECT_EQ(qm.xaPrepare(xid("t11"), 1, TMONEPHASE), XAER_INVAL);
  EXPECT_EQ(qm.xaCommit(xid("t11"), 1, TMJOIN), XAER_INVAL);
  EXPECT_EQ(qm.xaRollback(xid("t11"), 1, TMONEPHASE), XAER_INVAL);
  EXPECT_EQ(qm.xaForget(xid("t11"), 1, TMSUCCESS), XAER_INVAL);
  EXPECT_EQ(qm.xaClose(1, TMASYNC), XAER_INVAL);
  std::vector<Xid> found;
  EXPECT_EQ(qm.xaRecover(found, 1, 1, TMJOIN), XAER_INVAL);
  EXPECT_EQ(qm.xaRecover(found, -1, 1, TMSTARTRSCAN), XAER_INVAL);
  EXPECT_EQ(qm.xaComplete(1, TMNOFLAGS), XAER_PROTO) << "nothing asynchronous is outstanding";
  EXPECT_EQ(qm.xaComplete(1, TMSUCCESS), XAER_INVAL);
  EXPECT_EQ(qm.xaRollback(xid("t11"), 1, TMNOFLAGS), XA_OK);
}

TEST_F(Xa, ASuspendedBranchLetsTheConnectionWorkOutsideItUntilResumed) {
  ASSERT_EQ(qm.xaStart(xid("t12"), 1, TMNOFLAGS), XA_OK);
  ASSERT_EQ(put(a, onA, "first", {}, syncpointPut), ok());
  ASSERT_EQ(qm.xaEnd(xid("t12"), 1, TMSUSPEND), XA_OK);
  EXPECT_EQ(qm.xaEnd(xid("t12"), 1, TMSUSPEND), XAER_PROTO) << "suspended twice";
  EXPECT_EQ(qm.xaPrepare(xid("t12"), 1, TMNOFLAGS), XAER_PROTO) << "a suspended association";
  EXPECT_EQ(qm.xaStart(xid("t12"), 2, TMRESUME), XAER_PROTO) << "suspended on another rmid";

  ASSERT_EQ(put(a, onA, "local", {}, syncpointPut), ok());
  EXPECT_EQ(qm.xaStart(xid("t12"), 1, TMRESUME), XAER_OUTSIDE) << "the local unit of work is open";
  ASSERT_EQ(qm.commit(a), ok());
  EXPECT_EQ(next(), "local");

  ASSERT_EQ(qm.xaStart(xid("t12"), 1, TMRESUME), XA_OK);
  ASSERT_EQ(put(a, onA, "second", {}, syncpointPut), ok());
  ASSERT_EQ(qm.xaEnd(xid("t12"), 1, TMSUCCESS), XA_OK);
  EXPECT_EQ(next(), "(none)");
  ASSERT_EQ(qm.xaCommit(xid("t12"), 1, TMONEPHASE), XA_OK);
  EXPECT_EQ(next(), "first");
  EXPECT_EQ(next(), "second");

  // A suspended association may be ended without resuming it; another
  // branch may start meanwhile.
  ASSERT_EQ(qm.xaStart(xid("t13"), 1, TMNOFLAGS), XA_OK);
  ASSERT_EQ(qm.xaEnd(xid("t13"), 1, TMSUSPEND), XA_OK);
  ASSERT_EQ(qm.xaStart(xid("t14"), 1, TMNOFLAGS), XA_OK);
  EXPECT_EQ(qm.xaEnd(xid("t13"), 1, TMSUCCESS), XA_OK);
  EXPECT_EQ(qm.xaEnd(xid("t14"), 1, TMSUCCESS), XA_OK);
  EXPECT_EQ(qm.xaPrepare(xid("t13"), 1, TMNOFLAGS), XA_RDONLY);
  EXPECT_EQ(qm.xaPrepare(xid("t14"), 1, TMNOFLAGS), XA_RDONLY);
}

TEST_F(Xa, TwoConnectionsJoinOneBranch) {
  ASSERT_EQ(qm.xaStart(xid("t15"), 1, TMNOFLAGS), XA_OK);
  ASSERT_EQ(put(a, onA, "from a", {}, syncpointPut), ok());
  ASSERT_EQ(qm.xaStart(xid("t15"), 2, TMJOIN), XA_OK) << "while a is still associated";
  ASSERT_EQ(put(b, onB, "from b", {}, syncpointPut), ok());
  ASSERT_EQ(qm.xaEnd(xid("t15"), 1, TMSUCCESS), XA_OK);
  EXPECT_EQ(qm.xaPrepare(xid("t15"), 1, TMNOFLAGS), XAER_PROTO) << "b is still associated";
  ASSERT_EQ(qm.xaEnd(xid("t15"), 2, TMSUCCESS), XA_OK);
  ASSERT_EQ(qm.xaStart(xid("t15"), 1, TMJOIN), XA_OK) << "an idle branch is joined again";
  ASSERT_EQ(qm.xaEnd(xid("t15"), 1, TMSUCCESS), XA_OK);
  ASSERT_EQ(qm.xaPrepare(xid("t15"), 1, TMNOFLAGS), XA_OK);
  ASSERT_EQ(qm.xaCommit(xid("t15"), 2, TMNOFLAGS), XA_OK);
  EXPECT_EQ(next(), "from a");
  EXPECT_EQ(next(), "from b");
}

TEST_F(Xa, AFailedBranchCanOnlyRollBack) {
  ASSERT_EQ(put(observer, seen, "kept"), ok());
  ASSERT_EQ(qm.xaStart(xid("t16"), 1, TMNOFLAGS), XA_OK);
  ASSERT_EQ(get(a, onA, syncpointGet).text, "kept");
  ASSERT_EQ(qm.xaStart(xid("t16"), 2, TMJOIN), XA_OK);
  ASSERT_EQ(qm.xaEnd(xid("t16"), 1, TMFAIL), XA_OK);
  EXPECT_EQ(qm.xaStart(xid("t16"), 1, TMJOIN), XA_RBROLLBACK) << "no joining a failed branch";
  EXPECT_EQ(qm.xaEnd(xid("t16"), 2, TMSUCCESS), XA_RBROLLBACK) << "b learns of it at its end";
  EXPECT_EQ(qm.xaPrepare(xid("t16"), 1, TMNOFLAGS), XA_RBROLLBACK);
  EXPECT_EQ(qm.xaRollback(xid("t16"), 1, TMNOFLAGS), XAER_NOTA) << "rolled back and forgotten";
  EXPECT_EQ(get(observer, seen).md.backoutCount, 1);

  putInBranch(1, a, onA, xid("t17"), "failed");
  ASSERT_EQ(qm.xaStart(xid("t17"), 1, TMJOIN), XA_OK);
  ASSERT_EQ(qm.xaEnd(xid("t17"), 1, TMFAIL), XA_OK);
  EXPECT_EQ(qm.xaCommit(xid("t17"), 1, TMONEPHASE), XA_RBROLLBACK);
  EXPECT_EQ(next(), "(none)");
}

TEST_F(Xa, TheConnectionsOwnUnitOfWorkAndTheBranchExcludeEachOther) {
  ASSERT_EQ(qm.xaStart(xid("t18"), 1, TMNOFLAGS), XA_OK);
  ASSERT_EQ(put(a, onA, "global", {}, syncpointPut), ok());
  EXPECT_EQ(qm.commit(a), failure(VXRC_GLOBAL_UOW_ACTIVE));
  EXPECT_EQ(qm.backout(a), failure(VXRC_GLOBAL_UOW_ACTIVE));
  EXPECT_EQ(qm.begin(a), failure(VXRC_GLOBAL_UOW_ACTIVE));
  EXPECT_EQ(qm.commit(b), ok()) << "only the associated connection";
  ASSERT_EQ(qm.xaEnd(xid("t18"), 1, TMSUCCESS), XA_OK);
  EXPECT_EQ(qm.commit(a), ok()) << "its own unit of work, empty";
  EXPECT_EQ(next(), "(none)") << "the branch's put stays pending";

  ASSERT_EQ(qm.begin(a), ok());
  EXPECT_EQ(qm.xaStart(xid("t19"), 1, TMNOFLAGS), XAER_OUTSIDE);
  EXPECT_EQ(qm.xaStart(xid("t18"), 1, TMJOIN), XAER_OUTSIDE);
  ASSERT_EQ(qm.backout(a), ok());
  EXPECT_EQ(qm.xaStart(xid("t19"), 1, TMNOFLAGS), XA_OK);
  EXPECT_EQ(qm.xaEnd(xid("t19"), 1, TMSUCCESS), XA_OK);
  EXPECT_EQ(qm.xaRollback(xid("t19"), 1, TMNOFLAGS), XA_OK);
  EXPECT_EQ(qm.xaCommit(xid("t18"), 1, TMONEPHASE), XA_OK);
  EXPECT_EQ(next(), "global");
}

TEST_F(Xa, AConnectionThatGoesWhileAssociatedLeavesItsBranchRollbackOnly) {
  ASSERT_EQ(put(observer, seen, "kept"), ok());
  ASSERT_EQ(qm.xaStart(xid("t20"), 1, TMNOFLAGS), XA_OK);
  ASSERT_EQ(get(a, onA, syncpointGet).text, "kept");
  ASSERT_EQ(put(a, onA, "lost", {}, syncpointPut), ok());
  EXPECT_EQ(qm.disconnect(a), ok()) << "its own unit of work was empty";
  EXPECT_EQ(qm.xaEnd(xid("t20"), 1, TMSUCCESS), XAER_PROTO) << "the association went with it";
  EXPECT_EQ(qm.xaCommit(xid("t20"), 1, TMONEPHASE), XA_RBROLLBACK);
  EXPECT_EQ(get(observer, seen).text, "kept");
  EXPECT_EQ(next(), "(none)");

  ASSERT_EQ(qm.xaStart(xid("t21"), 2, TMNOFLAGS), XA_OK);
  ASSERT_EQ(qm.xaEnd(xid("t21"), 2, TMSUSPEND), XA_OK);
  EXPECT_EQ(qm.disconnect(b), ok());
  EXPECT_EQ(qm.xaRollback(xid("t21"), 2, TMNOFLAGS), XA_OK) << "suspended associations go too";
  EXPECT_EQ(qm.xaClose(2, TMNOFLAGS), XA_OK);
}

TEST_F(Xa, ARecoveryScanHandsOutThePreparedXidsOnce) {
  for (const char* g : {"r1", "r2", "r3"}) {
    putInBranch(1, a, onA, xid(g), g);
    ASSERT_EQ(qm.xaPrepare(xid(g), 1, TMNOFLAGS), XA_OK);
  }
  putInBranch(1, a, onA, xid("r4"), "not prepared");
  std::vector<Xid> found;
  EXPECT_EQ(qm.xaRecover(found, 1, 2, TMNOFLAGS), XAER_INVAL) << "no scan started";
  EXPECT_EQ(qm.xaRecover(found, 2, 2, TMSTARTRSCAN), 2);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0], xid("r1"));
  EXPECT_EQ(found[1], xid("r2"));
  EXPECT_EQ(qm.xaRecover(found, 0, 2, TMNOFLAGS), 0);
  EXPECT_EQ(qm.xaRecover(found, 2, 2, TMNOFLAGS), 1);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0], xid("r3"));
  EXPECT_EQ(qm.xaRecover(found, 2, 2, TMENDRSCAN), 0);
  EXPECT_EQ(qm.xaRecover(found, 2, 2, TMNOFLAGS), XAER_INVAL) << "the scan has ended";
  EXPECT_EQ(qm.xaRecover(found, 5, 2, TMSTARTRSCAN), 3) << "a new scan starts over";
  EXPECT_EQ(qm.xaRecover(found, 5, 1, TMSTARTRSCAN | TMENDRSCAN), 3) << "each rmid scans apart";
  for (const char* g : {"r1", "r2", "r3"}) EXPECT_EQ(qm.xaRollback(xid(g), 2, TMNOFLAGS), XA_OK);
  EXPECT_EQ(qm.xaRollback(xid("r4"), 2, TMNOFLAGS), XA_OK);
  EXPECT_TRUE(recoverAll(2).empty());
}

TEST_F(Xa, AnRmidBindsTheFirstConnectionMadeOnItsThreadAfterTheOpen) {
  ASSERT_EQ(qm.xaOpen("VXRT.QM", 7, TMNOFLAGS), XA_OK);
  int32_t elsewhere = 0;
  std::thread other([&] { elsewhere = connect(); });
  other.join();
  int32_t bound = connect();
  int32_t unbound = connect();
  int32_t onBound = open(bound, "TALY.QUEUE.2", VXOO_OUTPUT);
  int32_t onUnbound = open(unbound, "TALY.QUEUE.2", VXOO_OUTPUT);
  int32_t onElsewhere = open(elsewhere, "TALY.QUEUE.2", VXOO_OUTPUT);

  ASSERT_EQ(qm.xaStart(xid("t22"), 7, TMNOFLAGS), XA_OK);
  ASSERT_EQ(put(unbound, onUnbound, "unbound", {}, syncpointPut), ok());
  ASSERT_EQ(put(elsewhere, onElsewhere, "elsewhere", {}, syncpointPut), ok());
  ASSERT_EQ(qm.commit(unbound), ok());
  ASSERT_EQ(qm.commit(elsewhere), ok());
  std::thread worker([&] { EXPECT_EQ(put(bound, onBound, "bound", {}, syncpointPut), ok()); });
  worker.join();  // the branch follows the connection, not the thread
  EXPECT_EQ(qm.commit(bound), failure(VXRC_GLOBAL_UOW_ACTIVE));
  ASSERT_EQ(qm.xaEnd(xid("t22"), 7, TMSUCCESS), XA_OK);
  EXPECT_EQ(next(), "unbound");
  EXPECT_EQ(next(), "elsewhere");
  EXPECT_EQ(next(), "(none)");

  // Closed, the rmid lets its connection go; opened again, it binds the next
  // connection made on this thread.
  EXPECT_EQ(qm.xaClose(7, TMNOFLAGS), XA_OK);
  EXPECT_EQ(qm.xaClose(7, TMNOFLAGS), XA_OK) << "closing a closed rmid";
  EXPECT_EQ(qm.xaCommit(xid("t22"), 7, TMONEPHASE), XAER_PROTO) << "closed";
  ASSERT_EQ(qm.xaOpen("", 7, TMNOFLAGS), XA_OK);
  EXPECT_EQ(qm.xaOpen("", 7, TMNOFLAGS), XA_OK) << "opened twice";
  ASSERT_EQ(qm.xaStart(xid("t23"), 7, TMNOFLAGS), XA_OK) << "before its connection is made";
  ASSERT_EQ(put(bound, onBound, "no longer bound", {}, syncpointPut), ok());
  ASSERT_EQ(qm.commit(bound), ok());
  int32_t rebound = connect();
  int32_t onRebound = open(rebound, "TALY.QUEUE.2", VXOO_OUTPUT);
  ASSERT_EQ(put(rebound, onRebound, "rebound", {}, syncpointPut), ok());
  ASSERT_EQ(qm.xaEnd(xid("t23"), 7, TMSUCCESS), XA_OK);
  EXPECT_EQ(next(), "no longer bound");
  EXPECT_EQ(qm.xaCommit(xid("t22"), 7, TMONEPHASE), XA_OK);
  EXPECT_EQ(qm.xaCommit(xid("t23"), 7, TMONEPHASE), XA_OK);
  EXPECT_EQ(next(), "bound");
  EXPECT_EQ(next(), "rebound");
}

TEST_F(Xa, OpensAndBranchesAreLimited) {
  QueueManagerConfig config = testConfig();
  config.limits.maxXaOpens = 2;
  config.limits.maxXaBranches = 2;
  QueueManager small(config, clock);
  EXPECT_EQ(small.xaOpen("", 1, TMNOFLAGS), XA_OK);
  EXPECT_EQ(small.xaOpen("", 2, TMNOFLAGS), XA_OK);
  EXPECT_EQ(small.xaOpen("", 3, TMNOFLAGS), XAER_RMERR);
  EXPECT_EQ(small.xaOpen("", 2, TMNOFLAGS), XA_OK) << "already open";
  ASSERT_EQ(small.xaStart(xid("l1"), 1, TMNOFLAGS), XA_OK);
  ASSERT_EQ(small.xaStart(xid("l2"), 2, TMNOFLAGS), XA_OK);
  ASSERT_EQ(small.xaEnd(xid("l1"), 1, TMSUCCESS), XA_OK);
  EXPECT_EQ(small.xaStart(xid("l3"), 1, TMNOFLAGS), XAER_RMERR);
  EXPECT_EQ(small.xaPrepare(xid("l1"), 1, TMNOFLAGS), XA_RDONLY);
  EXPECT_EQ(small.xaStart(xid("l3"), 1, TMNOFLAGS), XA_OK) << "room again";
}
