// VXCB and VXCTL through the vector, with a callback function: the
// structures the function is given, truncation against MaxMsgLength, calls
// back through the vector from inside the function, and the refusals of bad
// descriptors, operations and options.
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "qm_test.h"
#include "structures.h"
#include "vx/api.h"
#include "vx/vector.h"

namespace {

struct Seen {
  int32_t hconn = 0;
  VXCBC cbc{};
  bool hasMd = false, hasGmo = false, hasData = false;
  VXMD md{};
  VXGMO gmo{};
  std::string data;
};

std::mutex seenMutex;
std::condition_variable seenChanged;
std::vector<Seen> seen;
// Runs inside the function after the call is recorded.
std::function<void(int32_t hconn, VXCBC* cbc)> inside;

extern "C" void recordCall(VXINT hconn, void* md, void* gmo, void* buffer, void* context) {
  auto* cbc = static_cast<VXCBC*>(context);
  Seen s;
  s.hconn = hconn;
  s.cbc = *cbc;
  s.hasMd = md != nullptr;
  s.hasGmo = gmo != nullptr;
  s.hasData = buffer != nullptr;
  if (s.hasMd) std::memcpy(&s.md, md, sizeof s.md);
  if (s.hasGmo) std::memcpy(&s.gmo, gmo, sizeof s.gmo);
  if (s.hasData) s.data.assign(static_cast<const char*>(buffer), static_cast<size_t>(cbc->BufferLength));
  {
    std::lock_guard<std::mutex> lock(seenMutex);
    seen.push_back(s);
  }
  seenChanged.notify_all();
  if (inside) inside(hconn, cbc);
}

class CallbackEntries : public ::testing::Test {
 protected:
  void SetUp() override {
    {
      std::lock_guard<std::mutex> lock(seenMutex);
      seen.clear();
    }
    inside = nullptr;
    v = VXInterface;
    v->VXCONN(nullptr, &hconn, &cc, &reason);
    ASSERT_EQ(codes(), ok());
    VXOD queue = make<VXOD>(VXOD_STRUC_ID, VXOD_CURRENT_VERSION);
    queue.ObjectType = VXOT_QUEUE;
    std::memcpy(queue.ObjectName, "TALY.QUEUE.1", 12);
    v->VXOPEN(hconn, &queue, VXOO_INPUT_SHARED | VXOO_OUTPUT, &hobj, &cc, &reason);
    ASSERT_EQ(codes(), ok());
    drain();
    cbd = make<VXCBD>(VXCBD_STRUC_ID, VXCBD_CURRENT_VERSION);
    cbd.CallbackType = VXCBT_MESSAGE_CONSUMER;
    cbd.CallbackArea = &area;
    cbd.CallbackFunction = reinterpret_cast<void*>(&recordCall);
    cbd.MaxMsgLength = VXCBD_FULL_MSG_LENGTH;
  }
  void TearDown() override {
    inside = nullptr;
    v->VXDISC(&hconn, &cc, &reason);
  }
  // The queue is the queue manager's own, shared with other tests: each
  // test starts with it empty.
  void drain() {
    char buffer[1];
    for (int32_t c = VXCC_OK, r = VXRC_NONE; c != VXCC_FAILED || r == VXRC_TRUNCATED_MSG_ACCEPTED;) {
      VXMD any = md();
      VXGMO g = make<VXGMO>(VXGMO_STRUC_ID, VXGMO_CURRENT_VERSION);
      g.Options = VXGMO_ACCEPT_TRUNCATED;
      int32_t length = 0;
      v->VXGET(hconn, hobj, &any, &g, sizeof buffer, buffer, &length, &c, &r);
    }
  }
  void registerWith(VXGMO* gmo, int32_t operation = VXOP_REGISTER) {
    VXMD match = md();
    v->VXCB(hconn, operation, &cbd, hobj, &match, gmo, &cc, &reason);
  }
  void control(int32_t operation) { v->VXCTL(hconn, operation, nullptr, &cc, &reason); }
  void put(const std::string& text) {
    VXMD d = md();
    VXPMO p = make<VXPMO>(VXPMO_STRUC_ID, VXPMO_CURRENT_VERSION);
    v->VXPUT(hconn, hobj, &d, &p, static_cast<int32_t>(text.size()), const_cast<char*>(text.data()), &cc,
             &reason);
    ASSERT_EQ(codes(), ok());
  }
  static bool awaitCalls(size_t n) {
    std::unique_lock<std::mutex> lock(seenMutex);
    return seenChanged.wait_for(lock, std::chrono::minutes(1), [&] { return seen.size() >= n; });
  }
  static std::vector<Seen> calls() {
    std::lock_guard<std::mutex> lock(seenMutex);
    return seen;
  }
  std::pair<int32_t, int32_t> codes() const { return {cc, reason}; }
  static std::pair<int32_t, int32_t> ok() { return {VXCC_OK, VXRC_NONE}; }
  static std::pair<int32_t, int32_t> failed(int32_t r) { return {VXCC_FAILED, r}; }

  VXVector* v = nullptr;
  int32_t hconn = 0, hobj = 0;
  int32_t cc = -1, reason = -1;
  int area = 0;
  VXCBD cbd{};
};

}  // namespace

TEST_F(CallbackEntries, TheFunctionGetsTheContextTheDescriptorTheOptionsAndTheData) {
  cbd.MaxMsgLength = 4096;
  VXGMO gmo = make<VXGMO>(VXGMO_STRUC_ID, VXGMO_CURRENT_VERSION);
  gmo.Options = VXGMO_ACCEPT_TRUNCATED | VXGMO_NO_SYNCPOINT;
  registerWith(&gmo);
  ASSERT_EQ(codes(), ok());
  std::string big(10000, 'x');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
  put(big);
  control(VXOP_START);
  ASSERT_EQ(codes(), ok());
  ASSERT_TRUE(awaitCalls(3));
  control(VXOP_STOP);
  ASSERT_EQ(codes(), ok());

  std::vector<Seen> s = calls();
  ASSERT_EQ(s.size(), 4u);
  const Seen& registered = s[0];
  EXPECT_EQ(std::string(registered.cbc.StrucId, 4), "CBC ");
  EXPECT_EQ(registered.cbc.Version, VXCBC_CURRENT_VERSION);
  EXPECT_EQ(registered.cbc.CallType, VXCBCT_REGISTER_CALL);
  EXPECT_EQ(registered.cbc.Hobj, hobj);
  EXPECT_EQ(registered.cbc.CallbackArea, &area);
  EXPECT_EQ(registered.cbc.ConnectionArea, nullptr);
  EXPECT_FALSE(registered.hasMd || registered.hasGmo || registered.hasData);
  EXPECT_EQ(registered.hconn, hconn);

  const Seen& message = s[2];
  EXPECT_EQ(message.cbc.CallType, VXCBCT_MSG_REMOVED);
  EXPECT_EQ(message.cbc.CompCode, VXCC_WARNING);
  EXPECT_EQ(message.cbc.Reason, VXRC_TRUNCATED_MSG_ACCEPTED);
  EXPECT_EQ(message.cbc.DataLength, 10000);
  EXPECT_EQ(message.cbc.BufferLength, 4096);
  EXPECT_EQ(message.cbc.State, VXCS_NONE);
  EXPECT_EQ(message.data, big.substr(0, 4096));
  ASSERT_TRUE(message.hasMd && message.hasGmo);
  EXPECT_EQ(std::string(message.md.StrucId, 4), "MD  ");
  EXPECT_NE(message.md.PutDate[0], 0);
  EXPECT_EQ(message.gmo.Options, gmo.Options) << "the registration's options";
  EXPECT_EQ(message.gmo.MsgLength, 10000);
  EXPECT_EQ(message.gmo.ReturnedLength, 4096);
  EXPECT_EQ(vxqm::fieldText(message.gmo.ResolvedQName, 48), "TALY.QUEUE.1");
  EXPECT_EQ(s[3].cbc.CallType, VXCBCT_STOP_CALL);
  EXPECT_EQ(s[3].cbc.State, VXCS_STOPPED);
}

TEST_F(CallbackEntries, TheFunctionCallsThroughTheVector) {
  cbd.MaxMsgLength = 16;
  registerWith(nullptr);
  ASSERT_EQ(codes(), ok());
  std::vector<int32_t> results;
  inside = [&](int32_t h, VXCBC* cbc) {
    if (cbc->CallType == VXCBCT_MSG_NOT_REMOVED) {
      results.push_back(v->priv->services->callInProgress(h));
      // Too long for the function's buffer: it gets the message itself.
      Seen last = calls().back();
      VXMD match = last.md;
      VXGMO byId = make<VXGMO>(VXGMO_STRUC_ID, VXGMO_CURRENT_VERSION);
      byId.MatchOptions = VXMO_MATCH_MSG_ID;
      char buffer[64];
      int32_t length = 0, c = -1, r = -1;
      v->VXGET(h, cbc->Hobj, &match, &byId, sizeof buffer, buffer, &length, &c, &r);
      results.push_back(r);
      results.push_back(length);
      v->VXCTL(h, VXOP_STOP, nullptr, &c, &r);
      results.push_back(r);
    }
    if (cbc->CallType == VXCBCT_DEREGISTER_CALL) cbc->CallbackArea = nullptr;
  };
  put("more than sixteen bytes");
  control(VXOP_START);
  ASSERT_TRUE(awaitCalls(4));
  std::vector<Seen> s = calls();
  EXPECT_EQ(s[2].cbc.CallType, VXCBCT_MSG_NOT_REMOVED);
  EXPECT_EQ(s[2].cbc.CompCode, VXCC_FAILED);
  EXPECT_EQ(s[2].cbc.Reason, VXRC_TRUNCATED_MSG_FAILED);
  EXPECT_EQ(s[2].cbc.DataLength, 23);
  EXPECT_EQ(s[2].cbc.BufferLength, 0);
  EXPECT_FALSE(s[2].hasData);
  EXPECT_EQ(s[2].gmo.MsgLength, 23);
  EXPECT_EQ(s[2].gmo.ReturnedLength, 0);
  EXPECT_EQ(std::memcmp(s[2].gmo.FoundMsgId, s[2].md.MsgId, sizeof s[2].md.MsgId), 0);
  EXPECT_EQ(results, (std::vector<int32_t>{VXCALL_CALLBACK, VXRC_NONE, 23, VXRC_NONE}));
  EXPECT_EQ(s[3].cbc.CallType, VXCBCT_STOP_CALL);

  v->VXCB(hconn, VXOP_DEREGISTER, nullptr, hobj, nullptr, nullptr, &cc, &reason);
  EXPECT_EQ(codes(), ok());
  s = calls();
  ASSERT_EQ(s.size(), 5u);
  EXPECT_EQ(s[4].cbc.CallType, VXCBCT_DEREGISTER_CALL);
}

TEST_F(CallbackEntries, AnEventHandlerIsNamedByItsDescriptor) {
  cbd.CallbackType = VXCBT_EVENT_HANDLER;
  v->VXCB(hconn, VXOP_REGISTER, &cbd, 0, nullptr, nullptr, &cc, &reason);
  ASSERT_EQ(codes(), ok());
  v->VXCB(hconn, VXOP_DEREGISTER, nullptr, 0, nullptr, nullptr, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_CALLBACK_NOT_REGISTERED)) << "without a descriptor: a message consumer";
  v->VXCB(hconn, VXOP_DEREGISTER, &cbd, 0, nullptr, nullptr, &cc, &reason);
  EXPECT_EQ(codes(), ok());
  std::vector<Seen> s = calls();
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[0].cbc.CallType, VXCBCT_REGISTER_CALL);
  EXPECT_EQ(s[1].cbc.CallType, VXCBCT_DEREGISTER_CALL);
  EXPECT_EQ(s[1].cbc.Hobj, 0);
}

TEST_F(CallbackEntries, BadDescriptorsOperationsAndOptionsAreRefused) {
  auto refused = [&](VXCBD d, int32_t operation, int32_t expected, VXGMO* gmo = nullptr, VXMD* m = nullptr) {
    v->VXCB(hconn, operation, &d, hobj, m, gmo, &cc, &reason);
    return codes() == failed(expected);
  };
  VXCBD wrongId = cbd;
  std::memcpy(wrongId.StrucId, "CBX ", 4);
  VXCBD wrongVersion = cbd;
  wrongVersion.Version = 2;
  VXCBD wrongType = cbd;
  wrongType.CallbackType = 3;
  VXCBD withOptions = cbd;
  withOptions.Options = 1;
  VXCBD noFunction = cbd;
  noFunction.CallbackFunction = nullptr;
  VXCBD badLength = cbd;
  badLength.MaxMsgLength = -2;
  VXGMO badGmo = make<VXGMO>(VXGMO_STRUC_ID, VXGMO_CURRENT_VERSION);
  badGmo.Options = VXGMO_SYNCPOINT | VXGMO_NO_SYNCPOINT;
  VXMD badMd = md();
  badMd.Version = 9;
  EXPECT_TRUE(refused(wrongId, VXOP_REGISTER, VXRC_CBD_ERROR));
  EXPECT_TRUE(refused(wrongVersion, VXOP_REGISTER, VXRC_CBD_ERROR));
  EXPECT_TRUE(refused(wrongType, VXOP_REGISTER, VXRC_CALLBACK_TYPE_ERROR));
  EXPECT_TRUE(refused(withOptions, VXOP_REGISTER, VXRC_CALLBACK_OPTIONS_ERROR));
  EXPECT_TRUE(refused(noFunction, VXOP_REGISTER, VXRC_CALLBACK_FUNCTION_ERROR));
  EXPECT_TRUE(refused(badLength, VXOP_REGISTER, VXRC_MAX_MSG_LENGTH_ERROR));
  EXPECT_TRUE(refused(cbd, VXOP_REGISTER, VXRC_GET_OPTIONS_ERROR, &badGmo));
  EXPECT_TRUE(refused(cbd, VXOP_REGISTER, VXRC_MD_ERROR, nullptr, &badMd));
  for (int32_t operation : std::vector<int32_t>{0, VXOP_START, VXOP_REGISTER | VXOP_DEREGISTER, VXOP_SUSPEND | VXOP_RESUME,
                            VXOP_REGISTER | VXOP_SUSPEND | VXOP_RESUME, 0x8}) {
    EXPECT_TRUE(refused(cbd, operation, VXRC_OPERATION_ERROR)) << operation;
  }
  v->VXCB(hconn, VXOP_REGISTER, nullptr, hobj, nullptr, nullptr, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_CBD_ERROR));
  v->VXCB(hconn, VXOP_REGISTER, &cbd, hobj, nullptr, nullptr, nullptr, &reason);

  for (int32_t operation : std::vector<int32_t>{0, VXOP_REGISTER, VXOP_START | VXOP_STOP, VXOP_DEREGISTER, 0x8}) {
    control(operation);
    EXPECT_EQ(codes(), failed(VXRC_OPERATION_ERROR)) << operation;
  }
  VXCTLO ctlo = make<VXCTLO>(VXCTLO_STRUC_ID, VXCTLO_CURRENT_VERSION);
  v->VXCTL(hconn, VXOP_SUSPEND, &ctlo, &cc, &reason);
  EXPECT_EQ(codes(), ok());
  ctlo.Options = 1;
  v->VXCTL(hconn, VXOP_RESUME, &ctlo, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_CTLO_ERROR));
  ctlo = make<VXCTLO>("CTL ", 1);
  v->VXCTL(hconn, VXOP_RESUME, &ctlo, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_CTLO_ERROR));
  EXPECT_TRUE(calls().empty()) << "nothing was registered";
}
