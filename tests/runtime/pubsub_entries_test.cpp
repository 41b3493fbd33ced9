// The vector's entries for topics, subscriptions, status, message handles
// and properties: how they read strings given by offset or pointer, the
// structures they write back, the handle in the put and get options, and
// what they answer to bad structures, options and addresses.
#include <cstring>
#include <string>
#include <vector>

#include "qm_test.h"
#include "structures.h"
#include "vx/api.h"
#include "vx/vector.h"

namespace {

// A structure with the bytes of its strings after it, as the Java side lays
// them out in one array.
template <typename S>
struct WithText {
  S s;
  char text[256];
};

// A property name or pattern: a VXCHARV with its bytes after it.
struct Name {
  explicit Name(const std::string& name) {
    std::memset(this, 0, sizeof *this);
    v.VSOffset = sizeof(VXCHARV);
    v.VSLength = static_cast<int32_t>(name.size());
    std::memcpy(bytes, name.data(), name.size());
  }
  VXCHARV v;
  char bytes[200];
};

std::string field(const char* text, size_t length) { return std::string(text, length); }
std::string trimmed(const char* text, size_t length) {
  std::string s(text, length);
  return s.substr(0, s.find_last_not_of(' ') + 1);
}

class PubSubEntries : public ::testing::Test {
 protected:
  void SetUp() override {
    v = VXInterface;
    v->VXCONN(nullptr, &hconn, &cc, &reason);
    ASSERT_EQ(codes(), ok());
  }
  void TearDown() override { v->VXDISC(&hconn, &cc, &reason); }

  std::pair<int32_t, int32_t> codes() const { return {cc, reason}; }
  static std::pair<int32_t, int32_t> ok() { return {VXCC_OK, VXRC_NONE}; }
  static std::pair<int32_t, int32_t> failed(int32_t r) { return {VXCC_FAILED, r}; }
  static std::pair<int32_t, int32_t> warned(int32_t r) { return {VXCC_WARNING, r}; }

  WithText<VXOD> topicOd(const std::string& topic) {
    WithText<VXOD> od;
    std::memset(&od, 0, sizeof od);
    od.s = make<VXOD>(VXOD_STRUC_ID, VXOD_CURRENT_VERSION);
    od.s.ObjectType = VXOT_TOPIC;
    od.s.ObjectString.VSOffset = offsetof(WithText<VXOD>, text);
    od.s.ObjectString.VSLength = static_cast<int32_t>(topic.size());
    std::memcpy(od.text, topic.data(), topic.size());
    return od;
  }
  WithText<VXSD> sd(int32_t options, const std::string& topic, const std::string& name = "") {
    WithText<VXSD> d;
    std::memset(&d, 0, sizeof d);
    d.s = make<VXSD>(VXSD_STRUC_ID, VXSD_CURRENT_VERSION);
    d.s.Options = options;
    d.s.ObjectString.VSOffset = offsetof(WithText<VXSD>, text);
    d.s.ObjectString.VSLength = static_cast<int32_t>(topic.size());
    std::memcpy(d.text, topic.data(), topic.size());
    d.s.SubName.VSOffset = static_cast<int32_t>(offsetof(WithText<VXSD>, text) + 128);
    d.s.SubName.VSLength = static_cast<int32_t>(name.size());
    std::memcpy(d.text + 128, name.data(), name.size());
    return d;
  }
  void put(int32_t hobj, const std::string& text, int64_t hmsg = 0) {
    VXMD md = make<VXMD>(VXMD_STRUC_ID, VXMD_CURRENT_VERSION);
    md.Priority = VXPRI_AS_QUEUE;
    md.Persistence = VXPER_AS_QUEUE;
    VXPMO pmo = make<VXPMO>(VXPMO_STRUC_ID, VXPMO_CURRENT_VERSION);
    pmo.MsgHandle = hmsg;
    v->VXPUT(hconn, hobj, &md, &pmo, static_cast<int32_t>(text.size()), const_cast<char*>(text.data()),
             &cc, &reason);
  }
  std::string get(int32_t hobj, int64_t hmsg = 0) {
    VXMD md = make<VXMD>(VXMD_STRUC_ID, VXMD_CURRENT_VERSION);
    VXGMO gmo = make<VXGMO>(VXGMO_STRUC_ID, VXGMO_CURRENT_VERSION);
    gmo.MsgHandle = hmsg;
    char buffer[64] = {};
    int32_t length = 0;
    v->VXGET(hconn, hobj, &md, &gmo, sizeof buffer, buffer, &length, &cc, &reason);
    return cc == VXCC_FAILED ? "" : std::string(buffer, static_cast<size_t>(length));
  }
  int64_t createHandle() {
    int64_t hmsg = 0;
    VXCMHO options = make<VXCMHO>(VXCMHO_STRUC_ID, VXCMHO_CURRENT_VERSION);
    v->VXCRTMH(hconn, &options, &hmsg, &cc, &reason);
    EXPECT_EQ(codes(), ok());
    return hmsg;
  }
  static int32_t low(int64_t h) { return static_cast<int32_t>(static_cast<uint64_t>(h)); }
  static int32_t high(int64_t h) { return static_cast<int32_t>(static_cast<uint64_t>(h) >> 32); }

  VXVector* v = nullptr;
  int32_t hconn = 0;
  int32_t cc = -1, reason = -1;
};

}  // namespace

TEST_F(PubSubEntries, ATopicIsOpenedByItsTopicStringAtAnOffsetOrAPointer) {
  WithText<VXOD> od = topicOd("scores/final");
  char resolved[8];
  od.s.ResObjectString.VSPtr = resolved;
  od.s.ResObjectString.VSBufSize = sizeof resolved;
  int32_t topic = 0;
  v->VXOPEN(hconn, &od, VXOO_OUTPUT, &topic, &cc, &reason);
  ASSERT_EQ(codes(), ok());
  EXPECT_EQ(od.s.ResolvedType, VXOT_TOPIC);
  EXPECT_EQ(od.s.ResObjectString.VSLength, 12) << "the full length";
  EXPECT_EQ(std::string(resolved, 8), "scores/f") << "as much as fits";

  const char* text = "scores/**";
  WithText<VXSD> d = sd(VXSO_CREATE | VXSO_MANAGED, "");
  d.s.ObjectString.VSPtr = const_cast<char*>(text);
  d.s.ObjectString.VSLength = 9;
  int32_t hobj = 0, hsub = 0;
  v->VXSUB(hconn, &d, &hobj, &hsub, &cc, &reason);
  ASSERT_EQ(codes(), ok());
  put(topic, "3-1");
  ASSERT_EQ(codes(), ok());
  EXPECT_EQ(get(hobj), "3-1");

  auto refused = [&](auto change) {
    WithText<VXOD> bad = topicOd("scores/final");
    change(bad.s.ObjectString);
    int32_t h = 0;
    v->VXOPEN(hconn, &bad, VXOO_OUTPUT, &h, &cc, &reason);
    return codes() == failed(VXRC_TOPIC_STRING_ERROR);
  };
  EXPECT_TRUE(refused([](VXCHARV& s) { s.VSLength = -1; }));
  EXPECT_TRUE(refused([](VXCHARV& s) { s.VSLength = 0; }));
  EXPECT_TRUE(refused([](VXCHARV& s) { s.VSLength = VX_MAX_TOPIC_STRING_LENGTH + 1; }));
  EXPECT_TRUE(refused([](VXCHARV& s) { s.VSOffset = 8; })) << "inside the descriptor";
  EXPECT_TRUE(refused([](VXCHARV& s) { s.VSOffset = -4; }));
  EXPECT_TRUE(refused([](VXCHARV& s) { s.VSOffset = VX_MAX_STRING_OFFSET + 1; }));

  WithText<VXOD> one = topicOd("scores/final");
  VXMD md = make<VXMD>(VXMD_STRUC_ID, VXMD_CURRENT_VERSION);
  VXPMO pmo = make<VXPMO>(VXPMO_STRUC_ID, VXPMO_CURRENT_VERSION);
  v->VXPUT1(hconn, &one, &md, &pmo, 3, const_cast<char*>("4-1"), &cc, &reason);
  ASSERT_EQ(codes(), ok());
  EXPECT_EQ(one.s.ResolvedType, VXOT_TOPIC);
  EXPECT_EQ(trimmed(pmo.ResolvedQName, 48), "");
  EXPECT_EQ(get(hobj), "4-1");
}

TEST_F(PubSubEntries, SubscribeWritesBothHandlesAndItsDescriptorOnlyOnSuccess) {
  WithText<VXSD> d = sd(VXSO_CREATE | VXSO_MANAGED | VXSO_DURABLE, "games/*", "GAMES");
  int32_t hobj = -5, hsub = -6;
  v->VXSUB(hconn, &d, &hobj, &hsub, &cc, &reason);
  ASSERT_EQ(codes(), ok());
  EXPECT_GT(hobj, 0);
  EXPECT_GT(hsub, 0);
  EXPECT_EQ(trimmed(d.s.ResolvedQName, 48).rfind("VX.MANAGED.", 0), 0u);
  EXPECT_NE(std::vector<uint8_t>(d.s.SubCorrelId, d.s.SubCorrelId + 24), std::vector<uint8_t>(24, 0));

  int32_t h1 = -5, h2 = -6;
  v->VXSUB(hconn, &d, &h1, &h2, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_DUPLICATE_SUBSCRIPTION));
  EXPECT_EQ(h1, -5);
  EXPECT_EQ(h2, -6);
  WithText<VXSD> bad = d;
  bad.s.StrucId[0] = 'X';
  v->VXSUB(hconn, &bad, &h1, &h2, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_SD_ERROR));
  bad = d;
  bad.s.Version = 2;
  v->VXSUB(hconn, &bad, &h1, &h2, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_SD_ERROR));
  v->VXSUB(hconn, nullptr, &h1, &h2, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_SD_ERROR));
  v->VXSUB(hconn, &d, nullptr, &h2, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_HOBJ_ERROR));
  v->VXSUB(hconn, &d, &h1, nullptr, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_HSUB_ERROR));
  bad = sd(VXSO_CREATE | VXSO_MANAGED, "games", "");
  bad.s.SubName.VSLength = VX_MAX_SUB_NAME_LENGTH + 1;
  v->VXSUB(hconn, &bad, &h1, &h2, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_SUB_NAME_ERROR));
  bad = sd(VXSO_RESUME, "", "GAMES");
  bad.s.ObjectString.VSLength = -1;
  v->VXSUB(hconn, &bad, &h1, &h2, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_SUBSCRIPTION_IN_USE)) << "the topic string is not read to resume";

  // A queue the caller opened, and the correlation identifier it chose.
  VXOD queue = make<VXOD>(VXOD_STRUC_ID, VXOD_CURRENT_VERSION);
  queue.ObjectType = VXOT_QUEUE;
  std::memcpy(queue.ObjectName, "TALY.QUEUE.3", 12);
  int32_t named = 0;
  v->VXOPEN(hconn, &queue, VXOO_INPUT_SHARED, &named, &cc, &reason);
  WithText<VXSD> mine = sd(VXSO_CREATE | VXSO_SET_CORREL_ID, "games/chess");
  std::memset(mine.s.SubCorrelId, 0x5A, 24);
  int32_t given = named, hsub2 = 0;
  v->VXSUB(hconn, &mine, &given, &hsub2, &cc, &reason);
  ASSERT_EQ(codes(), ok());
  EXPECT_EQ(given, named);
  EXPECT_EQ(trimmed(mine.s.ResolvedQName, 48), "TALY.QUEUE.3");
  EXPECT_EQ(mine.s.SubCorrelId[23], 0x5A);

  int32_t sub = hsub;
  v->VXCLOSE(hconn, &sub, VXCO_KEEP_SUB | VXCO_REMOVE_SUB, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_CLOSE_OPTIONS_ERROR));
  v->VXCLOSE(hconn, &sub, VXCO_REMOVE_SUB, &cc, &reason);
  EXPECT_EQ(codes(), ok());
  EXPECT_EQ(sub, 0);
  v->VXCLOSE(hconn, &hsub2, VXCO_NONE, &cc, &reason);
  EXPECT_EQ(codes(), ok());
}

TEST_F(PubSubEntries, ASubscriptionRequestCountsTheRetainedPublicationsItDelivers) {
  WithText<VXOD> od = topicOd("state/door");
  VXMD md = make<VXMD>(VXMD_STRUC_ID, VXMD_CURRENT_VERSION);
  VXPMO pmo = make<VXPMO>(VXPMO_STRUC_ID, VXPMO_CURRENT_VERSION);
  pmo.Options = VXPMO_RETAIN;
  v->VXPUT1(hconn, &od, &md, &pmo, 4, const_cast<char*>("open"), &cc, &reason);
  ASSERT_EQ(codes(), ok());
  WithText<VXSD> d = sd(VXSO_CREATE | VXSO_MANAGED | VXSO_NEW_PUBLICATIONS_ONLY, "state/*");
  int32_t hobj = 0, hsub = 0;
  v->VXSUB(hconn, &d, &hobj, &hsub, &cc, &reason);
  ASSERT_EQ(codes(), ok());
  EXPECT_EQ(get(hobj), "");

  VXSRO sro = make<VXSRO>(VXSRO_STRUC_ID, VXSRO_CURRENT_VERSION);
  sro.NumPubs = -1;
  v->VXSUBRQ(hconn, hsub, VXSR_RETAINED, &sro, &cc, &reason);
  EXPECT_EQ(codes(), ok());
  EXPECT_EQ(sro.NumPubs, 1);
  EXPECT_EQ(get(hobj), "open");
  v->VXSUBRQ(hconn, hsub, VXSR_RETAINED, nullptr, &cc, &reason);
  EXPECT_EQ(codes(), ok());
  sro.Options = 1;
  v->VXSUBRQ(hconn, hsub, VXSR_RETAINED, &sro, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_SRO_ERROR));
  sro = make<VXSRO>("SRO?", 1);
  v->VXSUBRQ(hconn, hsub, VXSR_RETAINED, &sro, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_SRO_ERROR));
  sro = make<VXSRO>(VXSRO_STRUC_ID, VXSRO_CURRENT_VERSION);
  v->VXSUBRQ(hconn, hsub, 0, &sro, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_SUBRQ_ACTION_ERROR));
  v->VXSUBRQ(hconn, hobj, VXSR_RETAINED, &sro, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_HSUB_ERROR));
}

TEST_F(PubSubEntries, StatusFillsItsStructureWithThePutsSinceTheLastOne) {
  VXOD queue = make<VXOD>(VXOD_STRUC_ID, VXOD_CURRENT_VERSION);
  queue.ObjectType = VXOT_QUEUE;
  std::memcpy(queue.ObjectName, "TALY.QUEUE.1", 12);
  int32_t out = 0;
  v->VXOPEN(hconn, &queue, VXOO_OUTPUT, &out, &cc, &reason);
  put(out, "a");
  put(out, "b");
  VXMD md = make<VXMD>(VXMD_STRUC_ID, VXMD_CURRENT_VERSION);
  md.Priority = 12;
  VXPMO pmo = make<VXPMO>(VXPMO_STRUC_ID, VXPMO_CURRENT_VERSION);
  v->VXPUT(hconn, out, &md, &pmo, 1, const_cast<char*>("c"), &cc, &reason);
  ASSERT_EQ(codes(), failed(VXRC_PRIORITY_ERROR));

  VXSTS sts = make<VXSTS>(VXSTS_STRUC_ID, VXSTS_CURRENT_VERSION);
  v->VXSTAT(hconn, VXSTAT_PUTS, &sts, &cc, &reason);
  ASSERT_EQ(codes(), ok());
  EXPECT_EQ(sts.PutSuccessCount, 2);
  EXPECT_EQ(sts.PutFailureCount, 1);
  EXPECT_EQ(sts.PutWarningCount, 0);
  EXPECT_EQ(sts.CompCode, VXCC_FAILED);
  EXPECT_EQ(sts.Reason, VXRC_PRIORITY_ERROR);
  EXPECT_EQ(sts.ObjectType, VXOT_QUEUE);
  EXPECT_EQ(field(sts.ObjectName, 48), std::string("TALY.QUEUE.1") + std::string(36, ' '));
  v->VXSTAT(hconn, VXSTAT_PUTS, &sts, &cc, &reason);
  EXPECT_EQ(sts.PutSuccessCount + sts.PutFailureCount, 0);

  v->VXSTAT(hconn, 2, &sts, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_STATUS_TYPE_ERROR));
  v->VXSTAT(hconn, VXSTAT_PUTS, nullptr, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_STS_ERROR));
  sts.Version = 0;
  v->VXSTAT(hconn, VXSTAT_PUTS, &sts, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_STS_ERROR));
  int32_t in = 0;
  v->VXOPEN(hconn, &queue, VXOO_INPUT_SHARED, &in, &cc, &reason);
  std::string left = get(in);
  left += get(in);
  left += get(in);
  EXPECT_EQ(left, "ab") << "the queue left as found";
}

TEST_F(PubSubEntries, PropertiesGoThroughTheHandleInTwoWordsAndTheirNamesByDescriptor) {
  int64_t hmsg = createHandle();
  EXPECT_EQ(high(hmsg), hconn) << "a handle whose high word is not zero";
  Name name("price");
  VXSMPO smpo = make<VXSMPO>(VXSMPO_STRUC_ID, VXSMPO_CURRENT_VERSION);
  VXPD pd = make<VXPD>(VXPD_STRUC_ID, VXPD_CURRENT_VERSION);
  double price = 9.75;
  v->VXSETMP(hconn, low(hmsg), high(hmsg), &smpo, &name, &pd, VXPT_FLOAT64, 8, &price, &cc, &reason);
  ASSERT_EQ(codes(), ok());
  Name note("note");
  v->VXSETMP(hconn, low(hmsg), high(hmsg), nullptr, &note, nullptr, VXPT_STRING, 5,
             const_cast<char*>("hello"), &cc, &reason);
  ASSERT_EQ(codes(), ok());
  v->VXSETMP(hconn, low(hmsg), 0, nullptr, &note, nullptr, VXPT_STRING, 0, nullptr, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_HMSG_ERROR)) << "the high word counts";

  VXIMPO impo = make<VXIMPO>(VXIMPO_STRUC_ID, VXIMPO_CURRENT_VERSION);
  Name all("%");
  int32_t type = VXPT_ANY, length = -1;
  char value[16] = {};
  v->VXINQMP(hconn, low(hmsg), high(hmsg), &impo, &all, nullptr, &type, sizeof value, value, &length,
             &cc, &reason);
  ASSERT_EQ(codes(), ok());
  EXPECT_EQ(type, VXPT_FLOAT64);
  EXPECT_EQ(length, 8);
  EXPECT_EQ(std::memcmp(value, &price, 8), 0);
  EXPECT_EQ(impo.ReturnedNameLength, 5);
  EXPECT_EQ(std::string(impo.ReturnedName), "price");
  impo.Options = VXIMPO_INQ_NEXT;
  type = VXPT_ANY;
  v->VXINQMP(hconn, low(hmsg), high(hmsg), &impo, &all, nullptr, &type, 2, value, &length, &cc, &reason);
  EXPECT_EQ(codes(), warned(VXRC_PROPERTY_VALUE_TRUNCATED));
  EXPECT_EQ(std::string(impo.ReturnedName), "note");
  EXPECT_EQ(type, VXPT_STRING);
  EXPECT_EQ(length, 5);
  EXPECT_EQ(std::string(value, 2), "he");
  v->VXINQMP(hconn, low(hmsg), high(hmsg), &impo, &all, nullptr, &type, 0, nullptr, &length, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_PROPERTY_NOT_AVAILABLE));
  impo.Options = 4;
  v->VXINQMP(hconn, low(hmsg), high(hmsg), &impo, &all, nullptr, &type, 0, nullptr, &length, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_PROPERTY_OPTIONS_ERROR));
  impo.Options = 0;
  v->VXINQMP(hconn, low(hmsg), high(hmsg), &impo, &all, nullptr, nullptr, 0, nullptr, &length, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_PROPERTY_TYPE_ERROR));
  v->VXINQMP(hconn, low(hmsg), high(hmsg), &impo, &all, nullptr, &type, 0, nullptr, nullptr, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_DATA_LENGTH_ERROR));
  v->VXINQMP(hconn, low(hmsg), high(hmsg), &impo, nullptr, nullptr, &type, 0, nullptr, &length, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_PROPERTY_NAME_ERROR));
  Name outside("x");
  outside.v.VSOffset = 4;
  v->VXINQMP(hconn, low(hmsg), high(hmsg), &impo, &outside, nullptr, &type, 0, nullptr, &length, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_PROPERTY_NAME_ERROR));

  VXDMPO dmpo = make<VXDMPO>(VXDMPO_STRUC_ID, VXDMPO_CURRENT_VERSION);
  v->VXDLTMP(hconn, low(hmsg), high(hmsg), &dmpo, &note, &cc, &reason);
  EXPECT_EQ(codes(), ok());
  dmpo.StrucId[3] = '?';
  v->VXDLTMP(hconn, low(hmsg), high(hmsg), &dmpo, &name, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_DMPO_ERROR));
  smpo.Options = 1;
  v->VXSETMP(hconn, low(hmsg), high(hmsg), &smpo, &name, nullptr, VXPT_INT8, 1, value, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_PROPERTY_OPTIONS_ERROR));
  pd.Version = 9;
  v->VXSETMP(hconn, low(hmsg), high(hmsg), nullptr, &name, &pd, VXPT_INT8, 1, value, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_PD_ERROR));

  VXDMHO dmho = make<VXDMHO>(VXDMHO_STRUC_ID, VXDMHO_CURRENT_VERSION);
  int64_t cell = hmsg;
  v->VXDLTMH(hconn, &cell, &dmho, &cc, &reason);
  EXPECT_EQ(codes(), ok());
  EXPECT_EQ(cell, 0);
  cell = hmsg;
  v->VXDLTMH(hconn, &cell, nullptr, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_HMSG_ERROR));
  EXPECT_EQ(cell, hmsg);
  VXCMHO cmho = make<VXCMHO>("CMHX", 1);
  v->VXCRTMH(hconn, &cmho, &cell, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_CMHO_ERROR));
  v->VXCRTMH(hconn, nullptr, nullptr, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_HMSG_ERROR));
}

TEST_F(PubSubEntries, ThePutAndGetOptionsCarryTheHandle) {
  VXOD queue = make<VXOD>(VXOD_STRUC_ID, VXOD_CURRENT_VERSION);
  queue.ObjectType = VXOT_QUEUE;
  std::memcpy(queue.ObjectName, "TALY.QUEUE.2", 12);
  int32_t hobj = 0;
  v->VXOPEN(hconn, &queue, VXOO_INPUT_SHARED | VXOO_OUTPUT, &hobj, &cc, &reason);
  int64_t sent = createHandle(), received = createHandle();
  Name name("id");
  int32_t id = 77;
  v->VXSETMP(hconn, low(sent), high(sent), nullptr, &name, nullptr, VXPT_INT32, 4, &id, &cc, &reason);
  put(hobj, "with", sent);
  ASSERT_EQ(codes(), ok());
  EXPECT_EQ(get(hobj, received), "with");
  int32_t type = VXPT_INT32, length = 0, value = 0;
  v->VXINQMP(hconn, low(received), high(received), nullptr, &name, nullptr, &type, 4, &value, &length,
             &cc, &reason);
  EXPECT_EQ(codes(), ok());
  EXPECT_EQ(value, 77);
  put(hobj, "x", received + 1);
  EXPECT_EQ(codes(), failed(VXRC_HMSG_ERROR));
}

TEST_F(PubSubEntries, BufferConversionsTellTheFormatThroughTheDescriptor) {
  int64_t hmsg = createHandle();
  Name name("weight");
  int16_t weight = 12;
  v->VXSETMP(hconn, low(hmsg), high(hmsg), nullptr, &name, nullptr, VXPT_INT16, 2, &weight, &cc, &reason);
  Name all("%");
  VXMD md = make<VXMD>(VXMD_STRUC_ID, VXMD_CURRENT_VERSION);
  std::memcpy(md.Format, VXFMT_TEXT, 8);
  VXMHBO mhbo = make<VXMHBO>(VXMHBO_STRUC_ID, VXMHBO_CURRENT_VERSION);
  uint8_t buffer[128] = {};
  int32_t dataLength = -1;
  v->VXMHBUF(hconn, low(hmsg), high(hmsg), &mhbo, &all, &md, 8, buffer, &dataLength, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_PROPERTIES_TOO_BIG));
  EXPECT_EQ(mhbo.RequiredLength, 24 + 24) << "header, and 16 + 6 + 2 rounded up";
  EXPECT_EQ(field(md.Format, 8), VXFMT_TEXT) << "left alone";
  v->VXMHBUF(hconn, low(hmsg), high(hmsg), &mhbo, &all, &md, sizeof buffer, buffer, &dataLength, &cc,
             &reason);
  ASSERT_EQ(codes(), ok());
  EXPECT_EQ(dataLength, 48);
  EXPECT_EQ(mhbo.PropertyCount, 1);
  EXPECT_EQ(field(md.Format, 8), VXFMT_PROPERTIES);
  std::memcpy(buffer + dataLength, "data", 4);

  int64_t other = createHandle();
  VXBMHO bmho = make<VXBMHO>(VXBMHO_STRUC_ID, VXBMHO_CURRENT_VERSION);
  bmho.Options = VXBMHO_DELETE_PROPERTIES;
  int32_t remaining = -1;
  v->VXBUFMH(hconn, low(other), high(other), &bmho, &md, 52, buffer, &remaining, &cc, &reason);
  ASSERT_EQ(codes(), ok());
  EXPECT_EQ(remaining, 4);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), "data");
  EXPECT_EQ(field(md.Format, 8), VXFMT_TEXT) << "the data's own format again";
  EXPECT_EQ(bmho.PropertyCount, 1);
  int32_t type = VXPT_ANY, length = 0;
  int16_t got = 0;
  v->VXINQMP(hconn, low(other), high(other), nullptr, &name, nullptr, &type, 2, &got, &length, &cc, &reason);
  EXPECT_EQ(got, 12);

  v->VXBUFMH(hconn, low(other), high(other), &bmho, &md, 4, buffer, &remaining, &cc, &reason);
  EXPECT_EQ(codes(), ok()) << "a text message has no block";
  EXPECT_EQ(remaining, 4);
  v->VXBUFMH(hconn, low(other), high(other), nullptr, nullptr, 4, buffer, &remaining, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_PROPERTIES_BUFFER_ERROR)) << "without a descriptor a block must be there";
  bmho.Options = 2;
  v->VXBUFMH(hconn, low(other), high(other), &bmho, nullptr, 4, buffer, &remaining, &cc, &reason);
  EXPECT_EQ(codes(), failed(VXRC_PROPERTY_OPTIONS_ERROR));
  md.Version = 0;
  v->VXMHBUF(hconn, low(hmsg), high(hmsg), nullptr, &all, &md, sizeof buffer, buffer, &dataLength, &cc,
             &reason);
  EXPECT_EQ(codes(), failed(VXRC_MD_ERROR));
  mhbo.StrucId[0] = 'm';
  v->VXMHBUF(hconn, low(hmsg), high(hmsg), &mhbo, &all, nullptr, sizeof buffer, buffer, &dataLength, &cc,
             &reason);
  EXPECT_EQ(codes(), failed(VXRC_MHBO_ERROR));
}
