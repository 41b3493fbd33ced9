// The vector's XA entries: the open string and open codes, XIDs read and
// refused, the recovery array written in the native XID layout, and the
// complete entry. The queue manager behind them is shared by this binary's
// tests, so each test uses rmids and XIDs of its own.
#include <cstring>
#include <string>
#include <vector>

#include "qm_test.h"
#include "vx/api.h"
#include "vx/vector.h"
#include "vx/xa.h"

namespace {

XID makeXid(const std::string& gtrid, const std::string& bqual, long format = 77) {
  XID x;
  std::memset(&x, 0xEE, sizeof x);  // bytes after the identifiers are not read
  x.formatID = format;
  x.gtrid_length = static_cast<long>(gtrid.size());
  x.bqual_length = static_cast<long>(bqual.size());
  std::memcpy(x.data, gtrid.data(), gtrid.size());
  std::memcpy(x.data + gtrid.size(), bqual.data(), bqual.size());
  return x;
}

class XaEntries : public ::testing::Test {
 protected:
  VXXaTable& xa() { return *VXInterface->priv->xa; }
  VXINT open(const char* info, VXINT rmid, VXINT code = VXXA_OPEN_CODE_TM) {
    opened.push_back(rmid);
    return xa().open(const_cast<char*>(info), rmid, TMNOFLAGS, code, 0, 0);
  }
  // Connects with rmid bound, and opens TALY.QUEUE.1 for output.
  void bind(VXINT rmid) {
    ASSERT_EQ(open("", rmid), XA_OK);
    VXInterface->VXCONN(nullptr, &hconn, &cc, &reason);
    ASSERT_EQ(cc, VXCC_OK);
    VXOD od;
    std::memset(&od, 0, sizeof od);
    std::memcpy(od.StrucId, VXOD_STRUC_ID, 4);
    od.Version = 1;
    od.ObjectType = VXOT_QUEUE;
    std::memcpy(od.ObjectName, "TALY.QUEUE.1", 12);
    VXInterface->VXOPEN(hconn, &od, VXOO_OUTPUT, &hobj, &cc, &reason);
    ASSERT_EQ(cc, VXCC_OK);
  }
  void putUnderSyncpoint() {
    VXMD md;
    std::memset(&md, 0, sizeof md);
    std::memcpy(md.StrucId, VXMD_STRUC_ID, 4);
    md.Version = 1;
    md.Priority = VXPRI_AS_QUEUE;
    md.Persistence = VXPER_AS_QUEUE;
    VXPMO pmo;
    std::memset(&pmo, 0, sizeof pmo);
    std::memcpy(pmo.StrucId, VXPMO_STRUC_ID, 4);
    pmo.Version = 1;
    pmo.Options = VXPMO_SYNCPOINT;
    VXInterface->VXPUT(hconn, hobj, &md, &pmo, 1, const_cast<char*>("m"), &cc, &reason);
    ASSERT_EQ(cc, VXCC_OK);
  }
  // An rmid left open would bind the next connection of this thread, in
  // whichever test comes next.
  void TearDown() override {
    if (hconn != 0) VXInterface->VXDISC(&hconn, &cc, &reason);
    for (VXINT rmid : opened) EXPECT_EQ(xa().close(nullptr, rmid, TMNOFLAGS), XA_OK);
  }

  VXINT hconn = 0, hobj = 0, cc = -1, reason = -1;
  std::vector<VXINT> opened;
};

}  // namespace

TEST_F(XaEntries, TheOpenStringNamesThisQueueManagerOrNone) {
  for (const char* good : {"", "   ", "qmgr=VXRT.QM", " qmgr=VXRT.QM , ", "\tqmgr=VXRT.QM"}) {
    EXPECT_EQ(open(good, 101), XA_OK) << "'" << good << "'";
  }
  for (const char* bad : {"qmgr=OTHER", "qmgr=", "qmgr", "QMGR=VXRT.QM", "user=alice",
                          "qmgr=VXRT.QM qmgr=VXRT.QM", "qmgr=VXRT.QM,tmr=1"}) {
    EXPECT_EQ(open(bad, 101), XAER_INVAL) << "'" << bad << "'";
  }
  EXPECT_EQ(open(nullptr, 101), XAER_INVAL);
  std::string longest(MAXINFOSIZE - 1, ' ');
  EXPECT_EQ(open(longest.c_str(), 101), XA_OK) << "255 characters and the NUL";
  std::vector<char> unterminated(MAXINFOSIZE + 16, ' ');
  EXPECT_EQ(open(unterminated.data(), 101), XAER_INVAL) << "no NUL within 256 bytes";

  EXPECT_EQ(open("", 102, VXXA_OPEN_CODE_RESOURCE), XA_OK);
  EXPECT_EQ(open("", 103, 0), XAER_INVAL) << "neither open code";
  EXPECT_EQ(xa().open(const_cast<char*>(""), 103, TMASYNC, VXXA_OPEN_CODE_TM, 0, 0), XAER_INVAL);
  EXPECT_EQ(xa().close(nullptr, 101, TMNOFLAGS), XA_OK) << "the close string is not read";
  EXPECT_EQ(xa().close(const_cast<char*>("anything"), 102, TMNOFLAGS), XA_OK);
}

TEST_F(XaEntries, XidsWithoutAFormatOrWithLengthsOutOfRangeAreInvalid) {
  ASSERT_EQ(open("", 111), XA_OK);
  XID longest = makeXid(std::string(MAXGTRIDSIZE, 'g'), std::string(MAXBQUALSIZE, 'q'));
  XID noBqual = makeXid("g", "");
  for (XID* good : {&longest, &noBqual}) {
    EXPECT_EQ(xa().start(good, 111, TMNOFLAGS, 0), XA_OK);
    EXPECT_EQ(xa().end(good, 111, TMSUCCESS), XA_OK);
    EXPECT_EQ(xa().prepare(good, 111, TMNOFLAGS), XA_RDONLY);
  }
  XID nullXid = makeXid("g", "q", NULLXID_FORMAT_ID);
  XID noGtrid = makeXid("", "q");
  XID longGtrid = makeXid(std::string(MAXGTRIDSIZE + 1, 'g'), "");
  XID longBqual = makeXid("g", std::string(MAXBQUALSIZE + 1, 'q'));
  XID negative = makeXid("g", "q");
  negative.bqual_length = -1;
  for (XID* bad : {&nullXid, &noGtrid, &longGtrid, &longBqual, &negative, static_cast<XID*>(nullptr)}) {
    EXPECT_EQ(xa().start(bad, 111, TMNOFLAGS, 0), XAER_INVAL);
    EXPECT_EQ(xa().end(bad, 111, TMSUCCESS), XAER_INVAL);
    EXPECT_EQ(xa().prepare(bad, 111, TMNOFLAGS), XAER_INVAL);
    EXPECT_EQ(xa().commit(bad, 111, TMNOFLAGS), XAER_INVAL);
    EXPECT_EQ(xa().rollback(bad, 111, TMNOFLAGS), XAER_INVAL);
    EXPECT_EQ(xa().forget(bad, 111, TMNOFLAGS), XAER_INVAL);
  }
  // The format and both parts tell XIDs apart; the bytes after them do not.
  XID x = makeXid("gt", "bq");
  ASSERT_EQ(xa().start(&x, 111, TMNOFLAGS, 0), XA_OK);
  ASSERT_EQ(xa().end(&x, 111, TMSUCCESS), XA_OK);
  XID sameButTail = makeXid("gt", "bq");
  sameButTail.data[10] = 'z';
  XID otherFormat = makeXid("gt", "bq", 78);
  XID otherSplit = makeXid("gtb", "q");
  EXPECT_EQ(xa().start(&sameButTail, 111, TMNOFLAGS, 0), XAER_DUPID);
  EXPECT_EQ(xa().rollback(&otherFormat, 111, TMNOFLAGS), XAER_NOTA);
  EXPECT_EQ(xa().rollback(&otherSplit, 111, TMNOFLAGS), XAER_NOTA);
  EXPECT_EQ(xa().rollback(&sameButTail, 111, TMNOFLAGS), XA_OK);
}

TEST_F(XaEntries, RecoveryWritesThePreparedXidsInTheNativeLayout) {
  bind(121);
  XID first = makeXid("recover-1", "branch", 0x10203);
  XID second = makeXid(std::string(MAXGTRIDSIZE, 'G'), std::string(MAXBQUALSIZE, 'B'), -7);
  for (XID* x : {&first, &second}) {
    ASSERT_EQ(xa().start(x, 121, TMNOFLAGS, 0), XA_OK);
    putUnderSyncpoint();
    ASSERT_EQ(xa().end(x, 121, TMSUCCESS), XA_OK);
    ASSERT_EQ(xa().prepare(x, 121, TMNOFLAGS), XA_OK);
  }
  VXInterface->VXDISC(&hconn, &cc, &reason);
  ASSERT_EQ(cc, VXCC_OK);
  ASSERT_EQ(xa().close(nullptr, 121, TMNOFLAGS), XA_OK);

  ASSERT_EQ(open("", 122), XA_OK);
  EXPECT_EQ(xa().recover(nullptr, 1, 122, TMSTARTRSCAN), XAER_INVAL);
  EXPECT_EQ(xa().recover(nullptr, 0, 122, TMSTARTRSCAN), 0) << "no room asked for";
  std::vector<XID> found(3);
  std::memset(found.data(), 0x5A, found.size() * sizeof(XID));
  ASSERT_EQ(xa().recover(found.data(), 3, 122, TMNOFLAGS), 2);
  ASSERT_EQ(xa().recover(nullptr, 0, 122, TMENDRSCAN), 0);
  // Sorted by format: second, then first.
  XID expected[2] = {second, first};
  for (XID& x : expected) std::memset(x.data + x.gtrid_length + x.bqual_length, 0,
                                      sizeof x.data - x.gtrid_length - x.bqual_length);
  EXPECT_EQ(std::memcmp(&found[0], &expected[0], sizeof(XID)), 0);
  EXPECT_EQ(std::memcmp(&found[1], &expected[1], sizeof(XID)), 0);
  std::vector<char> untouched(sizeof(XID), 0x5A);
  EXPECT_EQ(std::memcmp(&found[2], untouched.data(), sizeof(XID)), 0) << "past the XIDs found";
  EXPECT_EQ(xa().commit(&found[0], 122, TMNOFLAGS), XA_OK);
  EXPECT_EQ(xa().commit(&found[1], 122, TMNOFLAGS), XA_OK);
}

TEST_F(XaEntries, NothingIsEverLeftToComplete) {
  ASSERT_EQ(open("", 131), XA_OK);
  VXINT handle = 5, retval = 9;
  EXPECT_EQ(xa().complete(&handle, &retval, 131, TMNOFLAGS), XAER_PROTO);
  EXPECT_EQ(xa().complete(nullptr, &retval, 131, TMNOFLAGS), XAER_INVAL);
  EXPECT_EQ(xa().complete(&handle, nullptr, 131, TMNOFLAGS), XAER_INVAL);
  EXPECT_EQ(handle, 5);
  EXPECT_EQ(retval, 9);
}

TEST_F(XaEntries, QueueingCallsOnABoundConnectionReportTheBranch) {
  bind(141);
  XID x = makeXid("uow", "b");
  ASSERT_EQ(xa().start(&x, 141, TMNOFLAGS, 0), XA_OK);
  putUnderSyncpoint();
  VXInterface->VXCMIT(hconn, &cc, &reason);
  EXPECT_EQ(cc, VXCC_FAILED);
  EXPECT_EQ(reason, VXRC_GLOBAL_UOW_ACTIVE);
  VXInterface->VXBACK(hconn, &cc, &reason);
  EXPECT_EQ(cc, VXCC_FAILED);
  EXPECT_EQ(reason, VXRC_GLOBAL_UOW_ACTIVE);
  ASSERT_EQ(xa().end(&x, 141, TMSUCCESS), XA_OK);
  EXPECT_EQ(xa().rollback(&x, 141, TMNOFLAGS), XA_OK);
  EXPECT_EQ(xa().close(nullptr, 141, TMNOFLAGS), XA_OK);
}
