// The vector's entries: how they read and write the structures, and how they
// answer bad handles, structures, options and null addresses.
#include <cstring>
#include <vector>

#include "capture.h"
#include "entries/entries.h"
#include "entries/spi_entries.h"
#include "qm_test.h"
#include "structures.h"
#include "vx/api.h"
#include "vx/vector.h"
#include "vx/vector_entries.h"

namespace {

VXGMO gmo(int32_t options = 0) {
  VXGMO g = make<VXGMO>(VXGMO_STRUC_ID, VXGMO_CURRENT_VERSION);
  g.Options = options;
  return g;
}
VXPMO pmo(int32_t options = 0) {
  VXPMO p = make<VXPMO>(VXPMO_STRUC_ID, VXPMO_CURRENT_VERSION);
  p.Options = options;
  return p;
}
VXOD od(const char* name) {
  VXOD o = make<VXOD>(VXOD_STRUC_ID, VXOD_CURRENT_VERSION);
  o.ObjectType = VXOT_QUEUE;
  std::memcpy(o.ObjectName, name, std::strlen(name));
  return o;
}

std::string field(const char* text, size_t length) { return std::string(text, length); }
std::string padded(const std::string& text, size_t length) { return text + std::string(length - text.size(), ' '); }

class Entries : public ::testing::Test {
 protected:
  void SetUp() override {
    v = VXInterface;
    v->VXCONN(nullptr, &hconn, &cc, &reason);
    ASSERT_EQ(codes(), ok());
    VXOD queue = od("TALY.QUEUE.2");
    v->VXOPEN(hconn, &queue, VXOO_INPUT_SHARED | VXOO_OUTPUT | VXOO_BROWSE, &hobj, &cc, &reason);
    ASSERT_EQ(codes(), ok());
  }
  void TearDown() override {
    drain();
    v->VXDISC(&hconn, &cc, &reason);
  }
  void drain() {
    for (;;) {
      VXMD d = md();
      VXGMO g = gmo(VXGMO_ACCEPT_TRUNCATED);
      int32_t length = 0;
      v->VXGET(hconn, hobj, &d, &g, 0, nullptr, &length, &cc, &reason);
      if (cc == VXCC_FAILED) break;
    }
  }
  std::pair<int32_t, int32_t> codes() const { return {cc, reason}; }
  static std::pair<int32_t, int32_t> ok() { return {VXCC_OK, VXRC_NONE}; }
  static std::pair<int32_t, int32_t> failed(int32_t r) { return {VXCC_FAILED, r}; }

  VXVector* v = nullptr;
  int32_t hconn = 0, hobj = 0;
  int32_t cc = -1, reason = -1;
};

}  // namespace

TEST_F(Entries, TheQueueManagerNameIsReadUpToANulOrTrailingBlanks) {
  char nulEnded[64] = "VXRT.QM";
  std::memcpy(nulEnded + 8, "garbage after the NUL", 21);
  char blankPadded[48];
  std::memset(blankPadded, ' ', sizeof blankPadded);
  std::memcpy(blankPadded, "VXRT.QM", 7);
  char allBlank[48];
  std::memset(allBlank, ' ', sizeof allBlank);
  for (void* name : {static_cast<void*>(nulEnded), static_cast<void*>(blankPadded),
                     static_cast<void*>(allBlank), static_cast<void*>(nullptr)}) {
    int32_t h = 0;
    v->VXCONN(name, &h, &cc, &reason);
    EXPECT_EQ(codes(), ok());
    v->VXDISC(&h, &cc, &reason);
    EXPECT_EQ(codes(), ok());
  }
  char other[48] = "VXRT.QM2";
  int32_t h = 77;
  v->VXCONN(other, &h, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_QMGR_NAME_ERROR));
  EXPECT_EQ(h, 77);
  char longer[48];
  std::memset(longer, 'Q', sizeof longer);
  v->VXCONN(longer, &h, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_QMGR_NAME_ERROR)) << "48 characters and no NUL";
  v->VXCONN(nullptr, nullptr, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_HCONN_ERROR));
  v->VXDISC(nullptr, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_HCONN_ERROR));
  v->VXCONN(nullptr, &h, nullptr, nullptr);  // nowhere to report: nothing happens
  EXPECT_EQ(h, 77);
}

TEST_F(Entries, ConnectOptionsCarryTheApplicationAndCredentials) {
  struct {
    VXCNO cno;
    VXCSP csp;
    char user[8];
    char password[8];
  } options;
  std::memset(&options, 0, sizeof options);
  options.cno = make<VXCNO>(VXCNO_STRUC_ID, VXCNO_CURRENT_VERSION);
  options.cno.SecurityParmsOffset = offsetof(decltype(options), csp);
  options.csp = make<VXCSP>(VXCSP_STRUC_ID, VXCSP_CURRENT_VERSION);
  options.csp.AuthenticationType = VXCSP_AUTH_USER_PASSWORD;
  options.csp.UserIdOffset = sizeof(VXCSP);
  options.csp.UserIdLength = 5;
  options.csp.PasswordOffset = sizeof(VXCSP) + 8;
  options.csp.PasswordLength = 6;
  std::memcpy(options.user, "carol", 5);
  std::memcpy(options.password, "secret", 6);
  int32_t h = 0;
  v->VXCONNX(nullptr, &options, &h, &cc, &reason);
  ASSERT_EQ(codes(), ok());
  EXPECT_NE(std::vector<uint8_t>(options.cno.ConnectionId, options.cno.ConnectionId + 24),
            std::vector<uint8_t>(24, 0));

  int32_t out = 0;
  VXOD queue = od("TALY.QUEUE.3");
  v->VXOPEN(h, &queue, VXOO_OUTPUT | VXOO_INPUT_SHARED, &out, &cc, &reason);
  VXMD d = md();
  VXPMO p = pmo();
  v->VXPUT(h, out, &d, &p, 1, const_cast<char*>("m"), &cc, &reason);
  ASSERT_EQ(codes(), ok());
  EXPECT_EQ(field(d.UserIdentifier, 12), padded("carol", 12));
  v->VXDISC(&h, &cc, &reason);

  auto refused = [&](auto change, int32_t expected) {
    auto copy = options;
    change(copy);
    int32_t handle = 0;
    v->VXCONNX(nullptr, &copy, &handle, &cc, &reason);
    return codes() == failed(expected);
  };
  EXPECT_TRUE(refused([](auto& o) { o.cno.StrucId[0] = 'X'; }, VXRC_CNO_ERROR));
  EXPECT_TRUE(refused([](auto& o) { o.cno.Version = VXCNO_CURRENT_VERSION + 1; }, VXRC_CNO_ERROR));
  EXPECT_TRUE(refused([](auto& o) { o.cno.Options = 1; }, VXRC_CONNECT_OPTIONS_ERROR));
  EXPECT_TRUE(refused([](auto& o) { o.cno.SecurityParmsOffset = 100; }, VXRC_CSP_ERROR));
  EXPECT_TRUE(refused([](auto& o) { o.cno.SecurityParmsOffset = 210; }, VXRC_CSP_ERROR));
  EXPECT_TRUE(refused([](auto& o) { o.csp.StrucId[0] = 'X'; }, VXRC_CSP_ERROR));
  EXPECT_TRUE(refused([](auto& o) { o.csp.AuthenticationType = 7; }, VXRC_CSP_ERROR));
  EXPECT_TRUE(refused([](auto& o) { o.csp.PasswordLength = VXCSP_MAX_PASSWORD_LENGTH + 1; }, VXRC_CSP_ERROR));
  EXPECT_TRUE(refused([](auto& o) { o.csp.UserIdOffset = 8; }, VXRC_CSP_ERROR));
  EXPECT_FALSE(refused([](auto& o) { o.cno.Version = 4; o.csp.StrucId[0] = 'X'; }, VXRC_CSP_ERROR))
      << "before version 5 the security parameters are not read";
}

TEST_F(Entries, APutAndGetWriteTheirStructuresBack) {
  VXMD put = md();
  std::memcpy(put.Format, "TEXT    ", 8);
  put.CorrelId[0] = 5;
  VXPMO p = pmo(VXPMO_NO_SYNCPOINT);
  v->VXPUT(hconn, hobj, &put, &p, 11, const_cast<char*>("hello world"), &cc, &reason);
  ASSERT_EQ(codes(), ok());
  EXPECT_EQ(field(p.ResolvedQName, 48), padded("TALY.QUEUE.2", 48));
  EXPECT_EQ(field(p.ResolvedQMgrName, 48), padded("VXRT.QM", 48));
  EXPECT_EQ(put.Priority, 0);
  EXPECT_NE(std::vector<uint8_t>(put.MsgId, put.MsgId + 24), std::vector<uint8_t>(24, 0))
      << "a generated identifier";

  VXMD got = md();
  got.CorrelId[0] = 5;
  VXGMO g = gmo(VXGMO_NO_SYNCPOINT);
  g.MatchOptions = VXMO_MATCH_CORREL_ID;
  char buffer[32] = {};
  int32_t length = -1;
  v->VXGET(hconn, hobj, &got, &g, sizeof buffer, buffer, &length, &cc, &reason);
  ASSERT_EQ(codes(), ok());
  EXPECT_EQ(std::string(buffer), "hello world");
  EXPECT_EQ(length, 11);
  EXPECT_EQ(g.MsgLength, 11);
  EXPECT_EQ(g.ReturnedLength, 11);
  EXPECT_EQ(field(g.ResolvedQName, 48), padded("TALY.QUEUE.2", 48));
  EXPECT_EQ(std::memcmp(got.MsgId, put.MsgId, 24), 0);
  EXPECT_EQ(field(got.Format, 8), "TEXT    ");
  EXPECT_EQ(field(got.PutDate, 8), field(put.PutDate, 8));
}

TEST_F(Entries, ATruncationFailureReportsTheLengthButLeavesTheDescriptor) {
  VXMD put = md();
  VXPMO p = pmo();
  v->VXPUT(hconn, hobj, &put, &p, 10, const_cast<char*>("0123456789"), &cc, &reason);
  VXMD got = md();
  VXMD before = got;
  VXGMO g = gmo();
  char buffer[4];
  int32_t length = -1;
  v->VXGET(hconn, hobj, &got, &g, sizeof buffer, buffer, &length, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_TRUNCATED_MSG_FAILED));
  EXPECT_EQ(g.MsgLength, 10);
  EXPECT_EQ(g.ReturnedLength, 0);
  EXPECT_EQ(std::memcmp(g.FoundMsgId, put.MsgId, sizeof put.MsgId), 0) << "the message to retry";
  EXPECT_EQ(std::memcmp(&got, &before, sizeof got), 0);
  g = gmo(VXGMO_ACCEPT_TRUNCATED);
  v->VXGET(hconn, hobj, &got, &g, sizeof buffer, buffer, &length, &cc, &reason);
  EXPECT_EQ(codes(), std::make_pair(int32_t{VXCC_WARNING}, int32_t{VXRC_TRUNCATED_MSG_ACCEPTED}));
  EXPECT_EQ(length, 10);
  EXPECT_EQ(std::string(buffer, 4), "0123");
}

TEST_F(Entries, BadStructuresAreRefusedWithTheirOwnReasons) {
  char data[] = "x";
  int32_t length = 0;
  VXMD d = md();
  VXPMO p = pmo();
  VXGMO g = gmo();
  auto put = [&](VXMD* m, VXPMO* o) { v->VXPUT(hconn, hobj, m, o, 1, data, &cc, &reason); return codes(); };
  auto get = [&](VXMD* m, VXGMO* o) { v->VXGET(hconn, hobj, m, o, 1, data, &length, &cc, &reason); return codes(); };

  EXPECT_EQ(put(nullptr, &p), failed(VXRC_MD_ERROR));
  EXPECT_EQ(put(&d, nullptr), failed(VXRC_PMO_ERROR));
  EXPECT_EQ(get(nullptr, &g), failed(VXRC_MD_ERROR));
  EXPECT_EQ(get(&d, nullptr), failed(VXRC_GMO_ERROR));
  VXMD wrongId = d;
  std::memcpy(wrongId.StrucId, "MDX ", 4);
  EXPECT_EQ(put(&wrongId, &p), failed(VXRC_MD_ERROR));
  for (int32_t version : {0, VXMD_CURRENT_VERSION + 1}) {
    VXMD m = d;
    m.Version = version;
    EXPECT_EQ(put(&m, &p), failed(VXRC_MD_ERROR)) << version;
  }
  VXMD first = d;
  first.Version = 1;
  EXPECT_EQ(put(&first, &p), ok()) << "every version up to the current one";
  VXGMO oldGmo = g;
  oldGmo.Version = VXGMO_CURRENT_VERSION + 1;
  EXPECT_EQ(get(&d, &oldGmo), failed(VXRC_GMO_ERROR));
  VXPMO wrongPmo = p;
  std::memcpy(wrongPmo.StrucId, "GMO ", 4);
  EXPECT_EQ(put(&d, &wrongPmo), failed(VXRC_PMO_ERROR));

  VXOD noName = od("TALY.QUEUE.2");
  noName.RecsPresent = 1;
  int32_t h = -1;
  v->VXOPEN(hconn, &noName, VXOO_OUTPUT, &h, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_OD_ERROR));
  v->VXOPEN(hconn, nullptr, VXOO_OUTPUT, &h, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_OD_ERROR));
  VXOD queue = od("TALY.QUEUE.2");
  v->VXOPEN(hconn, &queue, VXOO_OUTPUT, nullptr, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_HOBJ_ERROR));
  v->VXPUT1(hconn, nullptr, &d, &p, 1, data, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_OD_ERROR));
  v->VXGET(hconn, hobj, &d, &g, 1, data, nullptr, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_DATA_LENGTH_ERROR));

  VXBO bo = make<VXBO>(VXBO_STRUC_ID, VXBO_CURRENT_VERSION);
  bo.Options = 1;
  v->VXBEGIN(hconn, &bo, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_BEGIN_OPTIONS_ERROR));
  bo.Options = 0;
  bo.Version = 2;
  v->VXBEGIN(hconn, &bo, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_BO_ERROR));
  v->VXBEGIN(hconn, nullptr, &cc, &reason);
  EXPECT_EQ(codes(), ok()) << "begin options may be left out";
  v->VXBACK(hconn, &cc, &reason);
}

TEST_F(Entries, BadOptionWordsAreRefused) {
  char data[4];
  int32_t length = 0;
  VXMD d = md();
  auto get = [&](int32_t options, int32_t match = 0, int32_t wait = 0) {
    VXGMO g = gmo(options);
    g.MatchOptions = match;
    g.WaitInterval = wait;
    v->VXGET(hconn, hobj, &d, &g, 4, data, &length, &cc, &reason);
    return codes();
  };
  EXPECT_EQ(get(VXGMO_RESERVED), failed(VXRC_GET_OPTIONS_ERROR)) << "0x400 is never assigned";
  EXPECT_EQ(get(0x100000), failed(VXRC_GET_OPTIONS_ERROR));
  EXPECT_EQ(get(VXGMO_SYNCPOINT | VXGMO_NO_SYNCPOINT), failed(VXRC_GET_OPTIONS_ERROR));
  EXPECT_EQ(get(VXGMO_BROWSE_FIRST | VXGMO_BROWSE_NEXT), failed(VXRC_GET_OPTIONS_ERROR));
  EXPECT_EQ(get(VXGMO_BROWSE_FIRST | VXGMO_SYNCPOINT), failed(VXRC_GET_OPTIONS_ERROR));
  EXPECT_EQ(get(0, 4), failed(VXRC_MATCH_OPTIONS_ERROR));
  EXPECT_EQ(get(VXGMO_WAIT, 0, -2), failed(VXRC_WAIT_INTERVAL_ERROR));
  EXPECT_EQ(get(0, 0, -2), failed(VXRC_NO_MSG_AVAILABLE)) << "the interval counts only with the wait";

  VXPMO p = pmo(VXPMO_SYNCPOINT | VXPMO_NO_SYNCPOINT);
  v->VXPUT(hconn, hobj, &d, &p, 1, data, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_PUT_OPTIONS_ERROR));
  p = pmo(0x40);
  v->VXPUT(hconn, hobj, &d, &p, 1, data, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_PUT_OPTIONS_ERROR));

  for (int32_t options : {0, 0x40, VXOO_INPUT_SHARED | VXOO_INPUT_EXCLUSIVE}) {
    VXOD queue = od("TALY.QUEUE.2");
    int32_t h = -1;
    v->VXOPEN(hconn, &queue, options, &h, &cc, &reason);
    EXPECT_EQ(codes(), failed(VXRC_OPEN_OPTIONS_ERROR)) << options;
    EXPECT_EQ(h, -1);
  }
  int32_t h = hobj;
  v->VXCLOSE(hconn, &h, 2, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_CLOSE_OPTIONS_ERROR));
  v->VXCLOSE(hconn, nullptr, 0, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_HOBJ_ERROR));
}

TEST_F(Entries, BadHandlesAreRefused) {
  char data[] = "x";
  VXMD d = md();
  VXPMO p = pmo();
  v->VXPUT(hconn + 100000, hobj, &d, &p, 1, data, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_HCONN_ERROR));
  v->VXPUT(hconn, hobj + 100000, &d, &p, 1, data, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_HOBJ_ERROR));
  v->VXPUT(hobj, hconn, &d, &p, 1, data, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_HCONN_ERROR)) << "handles passed the wrong way round";
  v->VXCMIT(0, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_HCONN_ERROR));
  v->VXBACK(-1, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_HCONN_ERROR));
  int32_t selector = VXIA_CURRENT_DEPTH, value = 0;
  v->VXINQ(hconn, 0, 1, &selector, 1, &value, 0, nullptr, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_HOBJ_ERROR));
}

TEST_F(Entries, InquireAndSetReadSelectorsFromUnalignedBytes) {
  VXOD queue = od("TALY.QUEUE.2");
  int32_t h = 0;
  v->VXOPEN(hconn, &queue, VXOO_INQUIRE | VXOO_SET, &h, &cc, &reason);
  ASSERT_EQ(codes(), ok());
  alignas(4) unsigned char bytes[1 + 2 * 4 + 2 * 4];
  int32_t selectors[] = {VXIA_INHIBIT_PUT, VXIA_INHIBIT_GET};
  int32_t values[] = {VXINHIBIT_INHIBITED, VXINHIBIT_ALLOWED};
  std::memcpy(bytes + 1, selectors, 8);
  std::memcpy(bytes + 9, values, 8);
  v->VXSET(hconn, h, 2, bytes + 1, 2, bytes + 9, 0, nullptr, &cc, &reason);
  ASSERT_EQ(codes(), ok());
  std::memset(bytes + 9, 0xFF, 8);
  v->VXINQ(hconn, h, 2, bytes + 1, 2, bytes + 9, 0, nullptr, &cc, &reason);
  ASSERT_EQ(codes(), ok());
  std::memcpy(values, bytes + 9, 8);
  EXPECT_EQ(values[0], VXINHIBIT_INHIBITED);
  EXPECT_EQ(values[1], VXINHIBIT_ALLOWED);
  values[0] = VXINHIBIT_ALLOWED;
  v->VXSET(hconn, h, 1, selectors, 1, values, 0, nullptr, &cc, &reason);
  EXPECT_EQ(codes(), ok());
}

TEST_F(Entries, TheDumpRequestWritesTheStateAndLeavesNothingOpen) {
  VXOD dump = make<VXOD>("OD  ", 1);
  dump.ObjectType = VXOT_DUMP_SERVICE;
  std::memcpy(dump.ObjectName, "SERVICE1.DUMP", 13);
  std::memcpy(dump.DynamicQName, "ZRT.*", 5);
  int32_t h = -1;
  FdCapture err(2);
  v->VXOPEN(hconn, &dump, 16, &h, &cc, &reason);
  std::string out = err.stop();
  EXPECT_EQ(codes(), ok());
  EXPECT_EQ(h, 0);
  EXPECT_NE(out.find("vxrt dump: connection " + std::to_string(hconn) + " user"), std::string::npos) << out;
  EXPECT_NE(out.find("vxrt dump: queue TALY.QUEUE.2 type 1 depth 0 handles 1"), std::string::npos) << out;

  FdCapture again(2);
  v->VXOPEN(999999, &dump, 16, &h, &cc, &reason);
  out = again.stop();
  EXPECT_EQ(codes(), failed(VXRC_HCONN_ERROR));
  EXPECT_NE(out.find("vxrt dump: connection 999999 is not connected"), std::string::npos) << out;

  std::memcpy(dump.ObjectName, "SERVICE2.DUMP", 13);
  v->VXOPEN(hconn, &dump, 16, &h, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_UNKNOWN_OBJECT_NAME));
}

TEST_F(Entries, ADynamicQueuesMadeNameIsWrittenIntoTheDescriptor) {
  VXOD model = od("TALY.MODEL.QUEUE");
  std::memcpy(model.DynamicQName, "REPLY.*", 7);
  int32_t h = 0;
  v->VXOPEN(hconn, &model, VXOO_INPUT_EXCLUSIVE, &h, &cc, &reason);
  ASSERT_EQ(codes(), ok());
  std::string made = vxqm::fieldText(model.ObjectName, 48);
  EXPECT_EQ(made.rfind("REPLY.", 0), 0u) << made;
  EXPECT_EQ(vxqm::fieldText(model.ResolvedQName, 48), made);
  EXPECT_EQ(model.ResolvedType, VXOT_QUEUE);
  v->VXCLOSE(hconn, &h, VXCO_DELETE, &cc, &reason);
  EXPECT_EQ(codes(), ok());
  EXPECT_EQ(h, 0);
}

// Every slot of the public and private tables is the queue manager's own
// entry: naming a slot that it does not serve would not compile, so none can
// be left null or answering VXRC_NOT_AVAILABLE.
TEST_F(Entries, EverySlotIsServedByTheQueueManager) {
#define SERVED(entry) EXPECT_EQ(v->entry, &vxrt::entry) << #entry;
  VX_PUBLIC_CALLS(SERVED)
#undef SERVED
#define SPI_SERVED(entry) EXPECT_EQ(v->priv->spi->entry, &vxrt::entry) << #entry;
  VX_SPI_CALLS(SPI_SERVED)
#undef SPI_SERVED
  EXPECT_EQ(v->priv->xa->vpiConvertData, &vxrt::vpiConvertData);
  EXPECT_EQ(v->priv->services->callInProgress(hconn), VXCALL_NONE);
  EXPECT_EQ(v->priv->services->callInProgress(424242), VXCALL_NONE);
}
