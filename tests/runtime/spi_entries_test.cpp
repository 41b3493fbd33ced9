// The private entries: the privileged connect and its environment value, the
// private open, put, get and syncpoint with their overriding options, and the
// definition, deletion and inquiry of queues by object selector.
#include <cstring>
#include <string>

#include "qm_test.h"
#include "structures.h"
#include "vx/spi.h"
#include "vx/vector.h"

namespace {

LpiObjectSelector selector(const char* name, int32_t queueType = 0) {
  LpiObjectSelector s = make<LpiObjectSelector>(LPIOSL_STRUC_ID);
  s.ObjectType = VXOT_QUEUE;
  s.QueueType = queueType;
  std::memset(s.ObjectName, ' ', sizeof s.ObjectName);
  std::memcpy(s.ObjectName, name, std::strlen(name));
  return s;
}

class SpiEntries : public ::testing::Test {
 protected:
  void SetUp() override {
    spi = VXInterface->priv->spi;
    int32_t environment = 7;
    LpiConnectOptions options = make<LpiConnectOptions>(LPICNO_STRUC_ID);
    options.EnvironmentPtr = &environment;
    spi->lpiSPIVXConnect(nullptr, &options, nullptr, &hconn, &cc, &reason);
    ASSERT_EQ(codes(), ok());
    EXPECT_EQ(options.Environment, 7);
  }
  void TearDown() override { VXInterface->VXDISC(&hconn, &cc, &reason); }

  vxqm::Status codes() const { return {cc, reason}; }
  static vxqm::Status ok() { return vxqm::Status::ok(); }
  static vxqm::Status failure(int32_t r) { return vxqm::Status::failure(r); }

  vxqm::Status define(const char* name, int32_t how, const char* like, std::vector<int32_t> selectors,
                      std::vector<int32_t> values, LpiAttrErrors* errors = nullptr, int32_t queueType = 0,
                      std::string chars = "") {
    LpiObjectSelector s = selector(name, queueType);
    char likeName[48];
    std::memset(likeName, ' ', sizeof likeName);
    if (like != nullptr) std::memcpy(likeName, like, std::strlen(like));
    spi->lpiSPIDefine(hconn, how, &s, like != nullptr ? likeName : nullptr,
                      static_cast<int32_t>(selectors.size()), selectors.data(),
                      static_cast<int32_t>(values.size()), values.data(), static_cast<int32_t>(chars.size()),
                      chars.empty() ? nullptr : chars.data(), nullptr, errors, &cc, &reason);
    return codes();
  }
  vxqm::Status inquire(const char* name, std::vector<int32_t> selectors, std::vector<int32_t>& values,
                       const LpiFilterElement* filter = nullptr, std::string* chars = nullptr) {
    LpiObjectSelector s = selector(name);
    values.assign(selectors.size(), -1);
    spi->spiInquire(hconn, &s, static_cast<int32_t>(selectors.size()), selectors.data(),
                    static_cast<int32_t>(values.size()), values.data(),
                    chars != nullptr ? static_cast<int32_t>(chars->size()) : 0,
                    chars != nullptr ? chars->data() : nullptr, const_cast<LpiFilterElement*>(filter), &cc,
                    &reason);
    return codes();
  }
  vxqm::Status remove(const char* name, bool purge) {
    LpiObjectSelector s = selector(name);
    spi->lpiSPIDelete(hconn, &s, purge ? 1 : 0, &cc, &reason);
    return codes();
  }
  int32_t open(const char* name) {
    VXOD od = make<VXOD>(VXOD_STRUC_ID, VXOD_CURRENT_VERSION);
    od.ObjectType = VXOT_QUEUE;
    std::memcpy(od.ObjectName, name, std::strlen(name));
    LpiOpenOptions options = make<LpiOpenOptions>(LPIOPO_STRUC_ID);
    options.Options = VXOO_INPUT_SHARED | VXOO_OUTPUT;
    int32_t hobj = 0;
    spi->lpiSPIOpen(hconn, &od, &options, &hobj, &cc, &reason);
    return hobj;
  }
  vxqm::Status put(int32_t hobj, const std::string& text, int32_t lpiOptions, LpiPutOptions* out = nullptr) {
    VXMD md = make<VXMD>(VXMD_STRUC_ID, VXMD_CURRENT_VERSION);
    md.Priority = VXPRI_AS_QUEUE;
    md.Persistence = VXPER_AS_QUEUE;
    VXPMO pmo = make<VXPMO>(VXPMO_STRUC_ID, VXPMO_CURRENT_VERSION);
    LpiPutOptions options = make<LpiPutOptions>(LPIPO_STRUC_ID);
    options.Options = lpiOptions;
    spi->lpiSPIPut(hconn, hobj, &md, &pmo, static_cast<int32_t>(text.size()), const_cast<char*>(text.data()),
                   &options, &cc, &reason);
    if (out != nullptr) *out = options;
    return codes();
  }
  vxqm::Status get(int32_t hobj, int32_t gmoOptions, int32_t lpiOptions, std::string& text,
                   LpiGetOptions* out = nullptr) {
    VXMD md = make<VXMD>(VXMD_STRUC_ID, VXMD_CURRENT_VERSION);
    VXGMO gmo = make<VXGMO>(VXGMO_STRUC_ID, VXGMO_CURRENT_VERSION);
    gmo.Options = gmoOptions;
    gmo.WaitInterval = VXWI_UNLIMITED;
    LpiGetOptions options = make<LpiGetOptions>(LPIGO_STRUC_ID);
    options.Options = lpiOptions;
    char buffer[64];
    int32_t length = 0;
    spi->lpiSPIGet(hconn, hobj, &md, &gmo, sizeof buffer, buffer, &length, &options, &cc, &reason);
    text.assign(buffer, cc == VXCC_FAILED ? 0 : std::min<int32_t>(length, sizeof buffer));
    if (out != nullptr) *out = options;
    return codes();
  }
  vxqm::Status syncPoint(int32_t option) {
    LpiSyncPointOptions options = make<LpiSyncPointOptions>(LPISPO_STRUC_ID);
    options.Options = option;
    spi->lpiSPISyncPoint(hconn, &options, &cc, &reason);
    return codes();
  }

  VXSpiTable* spi = nullptr;
  int32_t hconn = 0;
  int32_t cc = -1;
  int32_t reason = -1;
};

TEST_F(SpiEntries, TheConnectReadsTheEnvironmentThroughItsPointerAndRefusesBadOptions) {
  int32_t other = 0;
  LpiConnectOptions options = make<LpiConnectOptions>(LPICNO_STRUC_ID);
  options.Environment = 99;
  spi->lpiSPIVXConnect(nullptr, &options, nullptr, &other, &cc, &reason);  // no pointer: none
  EXPECT_EQ(codes(), ok());
  EXPECT_EQ(options.Environment, LPI_NO_ENVIRONMENT);
  VXInterface->VXDISC(&other, &cc, &reason);

  int32_t bad = -5;
  options.EnvironmentPtr = &bad;
  spi->lpiSPIVXConnect(nullptr, &options, nullptr, &other, &cc, &reason);
  EXPECT_EQ(codes(), failure(VXRC_ENVIRONMENT_ERROR));
  spi->lpiSPIVXConnect(nullptr, nullptr, nullptr, &other, &cc, &reason);
  EXPECT_EQ(codes(), failure(VXRC_SPI_OPTIONS_ERROR));
}

TEST_F(SpiEntries, OnlyAPrivilegedConnectionMayUseThePrivateCalls) {
  int32_t plain = 0;
  VXInterface->VXCONN(nullptr, &plain, &cc, &reason);
  ASSERT_EQ(codes(), ok());
  LpiObjectSelector s = selector("TALY.QUEUE.1");
  spi->lpiSPIDelete(plain, &s, 0, &cc, &reason);
  EXPECT_EQ(codes(), failure(VXRC_NOT_PRIVILEGED));
  LpiSyncPointOptions commit = make<LpiSyncPointOptions>(LPISPO_STRUC_ID);
  commit.Options = LPISPO_COMMIT;
  spi->lpiSPISyncPoint(plain, &commit, &cc, &reason);
  EXPECT_EQ(codes(), failure(VXRC_NOT_PRIVILEGED));
  VXInterface->VXDISC(&plain, &cc, &reason);
  spi->lpiSPISyncPoint(plain, &commit, &cc, &reason);
  EXPECT_EQ(codes(), failure(VXRC_HCONN_ERROR));
}

TEST_F(SpiEntries, PrivateOptionsOverrideTheSyncpointAndWaitChoices) {
  ASSERT_EQ(define("SPI.UOW", LPIDEF_CREATE, nullptr, {}, {}), ok());
  int32_t hobj = open("SPI.UOW");
  ASSERT_EQ(codes(), ok());
  LpiPutOptions putOut;
  EXPECT_EQ(put(hobj, "one", LPIPO_SYNCPOINT, &putOut), ok());
  EXPECT_NE(std::string(reinterpret_cast<char*>(putOut.MsgId), 24), std::string(24, '\0'));
  std::string text;
  // The message is not visible before the commit: a get that would wait forever returns at once.
  EXPECT_EQ(get(hobj, VXGMO_WAIT, LPIGO_NO_WAIT, text), failure(VXRC_NO_MSG_AVAILABLE));
  EXPECT_EQ(syncPoint(LPISPO_COMMIT), ok());
  LpiGetOptions getOut;
  EXPECT_EQ(get(hobj, VXGMO_NO_SYNCPOINT, LPIGO_SYNCPOINT, text, &getOut), ok());
  EXPECT_EQ(text, "one");
  EXPECT_EQ(getOut.MsgLength, 3);
  EXPECT_EQ(getOut.ReturnedLength, 3);
  EXPECT_EQ(syncPoint(LPISPO_BACKOUT), ok());
  std::vector<int32_t> depth;
  EXPECT_EQ(inquire("SPI.UOW", {VXIA_CURRENT_DEPTH}, depth), ok());
  EXPECT_EQ(depth[0], 1);

  EXPECT_EQ(put(hobj, "x", LPIPO_SYNCPOINT | LPIPO_NO_SYNCPOINT), failure(VXRC_SPI_OPTIONS_ERROR));
  EXPECT_EQ(syncPoint(LPISPO_COMMIT | LPISPO_BACKOUT), failure(VXRC_SPI_OPTIONS_ERROR));
  EXPECT_EQ(get(hobj, 0, 0x100, text), failure(VXRC_SPI_OPTIONS_ERROR));
  VXInterface->VXCLOSE(hconn, &hobj, 0, &cc, &reason);
  EXPECT_EQ(remove("SPI.UOW", false), failure(VXRC_QUEUE_NOT_EMPTY));
  EXPECT_EQ(remove("SPI.UOW", true), ok());
}

TEST_F(SpiEntries, DefineTakesTheLikeQueueAndRefusesWholeOnABadAttribute) {
  ASSERT_EQ(define("SPI.MODEL", LPIDEF_CREATE, nullptr, {VXIA_MAX_DEPTH, VXIA_DEFAULT_PRIORITY}, {3, 4},
                   nullptr, VXQT_MODEL),
            ok());
  ASSERT_EQ(define("SPI.LIKE", LPIDEF_CREATE, "SPI.MODEL", {VXIA_MAX_DEPTH}, {8}), ok());
  std::vector<int32_t> values;
  EXPECT_EQ(inquire("SPI.LIKE", {VXIA_MAX_DEPTH, VXIA_DEFAULT_PRIORITY, VXIA_QUEUE_TYPE}, values), ok());
  EXPECT_EQ(values, (std::vector<int32_t>{8, 4, VXQT_MODEL}));

  LpiAttrErrors errors = make<LpiAttrErrors>(LPIAER_STRUC_ID);
  EXPECT_EQ(define("SPI.LIKE", LPIDEF_REPLACE, nullptr, {VXIA_MAX_DEPTH, VXIA_INHIBIT_PUT}, {9, 5}, &errors),
            failure(VXRC_ATTR_VALUE_ERROR));
  EXPECT_EQ(errors.Selector, VXIA_INHIBIT_PUT);
  EXPECT_EQ(errors.Reason, VXRC_ATTR_VALUE_ERROR);
  EXPECT_EQ(define("SPI.LIKE", LPIDEF_REPLACE, nullptr, {VXIA_CURRENT_DEPTH}, {1}, &errors),
            failure(VXRC_ATTR_NOT_SETTABLE));
  EXPECT_EQ(inquire("SPI.LIKE", {VXIA_MAX_DEPTH}, values), ok());
  EXPECT_EQ(values[0], 8);  // nothing changed
  EXPECT_EQ(define("SPI.LIKE", LPIDEF_REPLACE, nullptr, {VXIA_MAX_DEPTH}, {9}, &errors), ok());
  EXPECT_EQ(errors.Selector, 0);

  EXPECT_EQ(define("SPI.LIKE", LPIDEF_CREATE, nullptr, {}, {}), failure(VXRC_OBJECT_ALREADY_EXISTS));
  EXPECT_EQ(define("SPI.NEW", LPIDEF_REPLACE, nullptr, {}, {}), failure(VXRC_UNKNOWN_OBJECT_NAME));
  EXPECT_EQ(define("SPI.NEW", LPIDEF_CREATE, "NO.SUCH", {}, {}), failure(VXRC_LIKE_OBJECT_ERROR));
  EXPECT_EQ(define("SPI.NEW", LPIDEF_CREATE, nullptr, {VXIA_MAX_DEPTH}, {}), failure(VXRC_INT_ATTR_COUNT_ERROR));
  EXPECT_EQ(define("SPI.NEW", 2, nullptr, {}, {}), failure(VXRC_SPI_OPTIONS_ERROR));
  EXPECT_EQ(remove("SPI.LIKE", false), ok());
  EXPECT_EQ(remove("SPI.MODEL", false), ok());
  EXPECT_EQ(remove("SPI.MODEL", false), failure(VXRC_UNKNOWN_OBJECT_NAME));
}

// Character values follow the integers' rules: in selector order, end to
// end, each of its length; a definition that carries them, or only has room
// for them, is not refused for it.
TEST_F(SpiEntries, DefineSetsTheDescriptionFromTheCharacterAttributes) {
  std::string description = "Orders of the web shop";
  description.resize(48, ' ');
  LpiAttrErrors errors = make<LpiAttrErrors>(LPIAER_STRUC_ID);
  ASSERT_EQ(define("SPI.DESC", LPIDEF_CREATE, nullptr, {VXIA_MAX_DEPTH, VXCA_QUEUE_DESC, VXIA_DEFAULT_PRIORITY},
                   {7, 3}, &errors, 0, description),
            ok());
  std::string chars(96, '?');
  std::vector<int32_t> values;
  ASSERT_EQ(inquire("SPI.DESC", {VXCA_QUEUE_NAME, VXIA_DEFAULT_PRIORITY, VXCA_QUEUE_DESC, VXIA_MAX_DEPTH}, values,
                    nullptr, &chars),
            ok());
  EXPECT_EQ(chars, std::string("SPI.DESC").append(40, ' ') + description);
  EXPECT_EQ(values[0], 3);
  EXPECT_EQ(values[1], 7);

  EXPECT_EQ(define("SPI.DESC", LPIDEF_REPLACE, nullptr, {VXIA_MAX_DEPTH}, {9}, nullptr, 0, std::string(48, ' ')),
            ok())
      << "room for characters that no selector names";
  EXPECT_EQ(define("SPI.DESC", LPIDEF_REPLACE, nullptr, {VXCA_QUEUE_DESC}, {}, nullptr, 0, std::string(47, 'x')),
            failure(VXRC_CHAR_ATTR_LENGTH_ERROR));
  EXPECT_EQ(define("SPI.DESC", LPIDEF_REPLACE, nullptr, {VXCA_QUEUE_NAME}, {}, &errors, 0, std::string(48, 'x')),
            failure(VXRC_ATTR_NOT_SETTABLE));
  EXPECT_EQ(errors.Selector, VXCA_QUEUE_NAME);
  std::string blank(48, ' ');
  ASSERT_EQ(define("SPI.DESC", LPIDEF_REPLACE, nullptr, {VXCA_QUEUE_DESC}, {}, nullptr, 0, blank), ok());
  chars.assign(48, '?');
  ASSERT_EQ(inquire("SPI.DESC", {VXCA_QUEUE_DESC}, values, nullptr, &chars), ok());
  EXPECT_EQ(chars, blank);
  EXPECT_EQ(remove("SPI.DESC", false), ok());
}

TEST_F(SpiEntries, InquiryAnswersOnlyWhenTheFilterMatches) {
  std::vector<int32_t> values;
  LpiFilterElement filter = make<LpiFilterElement>(LPIFLT_STRUC_ID);
  filter.Selector = VXIA_QUEUE_TYPE;
  filter.Operator = LPIFLT_EQUAL;
  filter.Value = VXQT_LOCAL;
  EXPECT_EQ(inquire("TALY.QUEUE.3", {VXIA_QUEUE_TYPE}, values, &filter), ok());
  filter.Value = VXQT_MODEL;
  EXPECT_EQ(inquire("TALY.QUEUE.3", {VXIA_QUEUE_TYPE}, values, &filter), failure(VXRC_FILTER_NOT_MATCHED));
  EXPECT_EQ(values[0], -1);
  filter.Operator = 9;
  EXPECT_EQ(inquire("TALY.QUEUE.3", {VXIA_QUEUE_TYPE}, values, &filter), failure(VXRC_FILTER_ERROR));
  EXPECT_EQ(inquire("TALY.QUEUE.3", {4711}, values), failure(VXRC_SELECTOR_ERROR));
  LpiObjectSelector bad = selector("TALY.QUEUE.3");
  bad.ObjectType = 5;
  spi->lpiSPIDelete(hconn, &bad, 0, &cc, &reason);
  EXPECT_EQ(codes(), failure(VXRC_OBJECT_SELECTOR_ERROR));
}

TEST_F(SpiEntries, ActivationAndNotificationAreNotSupported) {
  LpiActivation activation = make<LpiActivation>(LPIACT_STRUC_ID);
  spi->lpiSPIActivateMessage(hconn, &activation, &cc, &reason);
  EXPECT_EQ(codes(), failure(VXRC_FUNCTION_NOT_SUPPORTED));
  LpiNotifyDetails details = make<LpiNotifyDetails>(LPINTD_STRUC_ID);
  spi->lpiSPINotify(hconn, 1, &details, &cc, &reason);
  EXPECT_EQ(codes(), failure(VXRC_FUNCTION_NOT_SUPPORTED));
  spi->lpiSPINotify(hconn, 1, &activation, &cc, &reason);
  EXPECT_EQ(codes(), failure(VXRC_SPI_OPTIONS_ERROR));
}

}  // namespace
