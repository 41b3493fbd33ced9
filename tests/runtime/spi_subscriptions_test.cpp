// The private subscription entries: subscribe with the private descriptor,
// the named-subscriber inquiry, the private subscription request and
// unsubscribe by handle and by name, and their answers to bad input.
#include <cstring>
#include <string>
#include <vector>

#include "qm_test.h"
#include "structures.h"
#include "vx/spi.h"
#include "vx/vector.h"

namespace {

struct Sd {
  VXSD s;
  char text[128];
};

class SpiSubscriptions : public ::testing::Test {
 protected:
  void SetUp() override {
    v = VXInterface;
    spi = v->priv->spi;
    LpiConnectOptions options = make<LpiConnectOptions>(LPICNO_STRUC_ID);
    spi->lpiSPIVXConnect(nullptr, &options, nullptr, &hconn, &cc, &reason);
    ASSERT_EQ(codes(), vxqm::Status::ok());
    v->VXCONN(nullptr, &plain, &cc, &reason);
    ASSERT_EQ(codes(), vxqm::Status::ok());
  }
  void TearDown() override {
    v->VXDISC(&plain, &cc, &reason);
    v->VXDISC(&hconn, &cc, &reason);
  }
  vxqm::Status codes() const { return {cc, reason}; }
  static vxqm::Status failure(int32_t r) { return vxqm::Status::failure(r); }

  static Sd sd(int32_t options, const std::string& topic, const std::string& name) {
    Sd d;
    std::memset(&d, 0, sizeof d);
    d.s = make<VXSD>(VXSD_STRUC_ID);
    d.s.Options = options;
    d.s.ObjectString.VSOffset = offsetof(Sd, text);
    d.s.ObjectString.VSLength = static_cast<int32_t>(topic.size());
    std::memcpy(d.text, topic.data(), topic.size());
    d.s.SubName.VSOffset = static_cast<int32_t>(offsetof(Sd, text) + 64);
    d.s.SubName.VSLength = static_cast<int32_t>(name.size());
    std::memcpy(d.text + 64, name.data(), name.size());
    return d;
  }
  vxqm::Status subscribe(int32_t on, Sd& d, LpiSubscribeDescriptor* lsd, int32_t& hobj, int32_t& hsub) {
    spi->lpiSPISubscribe(on, lsd, &d, &hobj, &hsub, &cc, &reason);
    return codes();
  }
  void publishRetained(const std::string& topic, const std::string& text) {
    struct {
      VXOD od;
      char topic[64];
    } object;
    std::memset(&object, 0, sizeof object);
    object.od = make<VXOD>(VXOD_STRUC_ID, VXOD_CURRENT_VERSION);
    object.od.ObjectType = VXOT_TOPIC;
    object.od.ObjectString.VSOffset = sizeof(VXOD);
    object.od.ObjectString.VSLength = static_cast<int32_t>(topic.size());
    std::memcpy(object.topic, topic.data(), topic.size());
    VXMD md = make<VXMD>(VXMD_STRUC_ID, VXMD_CURRENT_VERSION);
    md.Priority = VXPRI_AS_QUEUE;
    md.Persistence = VXPER_AS_QUEUE;
    VXPMO pmo = make<VXPMO>(VXPMO_STRUC_ID, VXPMO_CURRENT_VERSION);
    pmo.Options = VXPMO_RETAIN;
    v->VXPUT1(plain, &object, &md, &pmo, static_cast<int32_t>(text.size()), const_cast<char*>(text.data()),
              &cc, &reason);
    ASSERT_EQ(codes(), vxqm::Status::ok());
  }
  // Names found, the in/out and output values (-1 after a failure).
  vxqm::Status inquire(int32_t how, const std::string& text, std::vector<std::string>& names, int32_t& count,
                       int32_t& inUse, int32_t bufferLength = 64) {
    LpiNamedSubscriberOptions options = make<LpiNamedSubscriberOptions>(LPINSO_STRUC_ID);
    options.Options = how;
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    count = bufferLength;
    inUse = -1;
    spi->lpiSPIInquireNamedSubscribers(hconn, &options, const_cast<char*>(text.data()),
                                       static_cast<int32_t>(text.size()), buffer, &count, &inUse, &cc,
                                       &reason);
    names.clear();
    for (int32_t at = 0; at < options.ReturnedLength; at += static_cast<int32_t>(names.back().size()) + 1) {
      names.emplace_back(buffer + at);
    }
    if (options.ReturnedLength < bufferLength) {
      EXPECT_EQ(buffer[options.ReturnedLength], 'x');
    }
    return codes();
  }
  vxqm::Status unsubscribe(int32_t options, int32_t hsub, const std::string& name, int32_t on = 0) {
    LpiUnsubscribeDescriptor d = make<LpiUnsubscribeDescriptor>(LPIUSD_STRUC_ID);
    d.Options = options;
    d.Hsub = hsub;
    d.SubNameLength = static_cast<int32_t>(name.size());
    std::memcpy(d.SubName, name.data(), name.size());
    spi->lpiSPIUnsubscribe(on != 0 ? on : hconn, &d, &cc, &reason);
    return codes();
  }

  VXVector* v = nullptr;
  VXSpiTable* spi = nullptr;
  int32_t hconn = 0, plain = 0;
  int32_t cc = -1, reason = -1;
};

TEST_F(SpiSubscriptions, SubscribeRequestInquireAndUnsubscribeARoundTrip) {
  publishRetained("spi/rt/a", "first");
  LpiSubscribeDescriptor lsd = make<LpiSubscribeDescriptor>(LPISD_STRUC_ID);
  lsd.RetainedCount = -1;
  Sd d = sd(VXSO_CREATE | VXSO_DURABLE | VXSO_MANAGED, "spi/rt/*", "spi.rt.one");
  int32_t hobj = 0, hsub = 0;
  ASSERT_EQ(subscribe(hconn, d, &lsd, hobj, hsub), vxqm::Status::ok());
  EXPECT_NE(hobj, 0);
  EXPECT_NE(hsub, 0);
  EXPECT_EQ(lsd.RetainedCount, 1);
  EXPECT_EQ(std::string(d.s.ResolvedQName, 11), "VX.MANAGED.");
  Sd other = sd(VXSO_CREATE | VXSO_DURABLE | VXSO_MANAGED, "spi/**", "spi.rt.two");
  int32_t hobj2 = 0, hsub2 = 0;
  ASSERT_EQ(subscribe(hconn, other, &lsd, hobj2, hsub2), vxqm::Status::ok());
  v->VXCLOSE(hconn, &hsub2, VXCO_KEEP_SUB, &cc, &reason);  // durable, no longer in use

  std::vector<std::string> names;
  int32_t count = 0, inUse = 0;
  EXPECT_EQ(inquire(LPINSO_BY_TOPIC, "spi/rt/a", names, count, inUse), vxqm::Status::ok());
  EXPECT_EQ(names, (std::vector<std::string>{"spi.rt.one", "spi.rt.two"}));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(inUse, 1);
  EXPECT_EQ(inquire(LPINSO_BY_NAME, "spi.rt.t*", names, count, inUse), vxqm::Status::ok());
  EXPECT_EQ(names, (std::vector<std::string>{"spi.rt.two"}));
  EXPECT_EQ(inUse, 0);
  // A buffer too short for every name takes the whole ones that fit.
  EXPECT_EQ(inquire(LPINSO_BY_NAME, "spi.rt.*", names, count, inUse, 12),
            vxqm::Status::warning(VXRC_SUBSCRIBER_LIST_TRUNCATED));
  EXPECT_EQ(names, (std::vector<std::string>{"spi.rt.one"}));
  EXPECT_EQ(count, 2);

  LpiSubscriptionRequestDescriptor srd = make<LpiSubscriptionRequestDescriptor>(LPISRD_STRUC_ID);
  VXSRO sro = make<VXSRO>(VXSRO_STRUC_ID);
  spi->lpiSPISubscriptionRequest(hconn, hsub, VXSR_RETAINED, &srd, &sro, &cc, &reason);
  EXPECT_EQ(codes(), vxqm::Status::ok());
  EXPECT_EQ(srd.Matched, 1);
  EXPECT_EQ(sro.NumPubs, 1);

  // Resuming with the private option delivers the retained publication again.
  Sd resume = sd(VXSO_RESUME | VXSO_DURABLE | VXSO_MANAGED, "", "spi.rt.two");
  lsd.Options = LPISO_RETAINED_AT_RESUME;
  ASSERT_EQ(subscribe(hconn, resume, &lsd, hobj2, hsub2), vxqm::Status::ok());
  EXPECT_EQ(lsd.RetainedCount, 1);

  EXPECT_EQ(unsubscribe(LPIUS_BY_HANDLE, hsub, ""), vxqm::Status::ok());
  EXPECT_EQ(unsubscribe(LPIUS_BY_HANDLE, hsub, ""), failure(VXRC_HSUB_ERROR));
  EXPECT_EQ(unsubscribe(LPIUS_BY_NAME, 0, "spi.rt.two"), vxqm::Status::ok());
  EXPECT_EQ(unsubscribe(LPIUS_BY_NAME, 0, "spi.rt.two"), failure(VXRC_NO_SUBSCRIPTION));
  EXPECT_EQ(inquire(LPINSO_BY_NAME, "spi.rt.*", names, count, inUse), vxqm::Status::ok());
  EXPECT_EQ(count, 0);
  EXPECT_EQ(inUse, 0);
  // The handles went with the subscriptions.
  v->VXCLOSE(hconn, &hsub2, VXCO_NONE, &cc, &reason);
  EXPECT_EQ(codes(), failure(VXRC_HOBJ_ERROR));
}

TEST_F(SpiSubscriptions, ASubscriptionOpenOnAnotherConnectionIsNotRemovedByName) {
  LpiConnectOptions options = make<LpiConnectOptions>(LPICNO_STRUC_ID);
  int32_t second = 0;
  spi->lpiSPIVXConnect(nullptr, &options, nullptr, &second, &cc, &reason);
  ASSERT_EQ(codes(), vxqm::Status::ok());
  LpiSubscribeDescriptor lsd = make<LpiSubscribeDescriptor>(LPISD_STRUC_ID);
  Sd d = sd(VXSO_CREATE | VXSO_DURABLE | VXSO_MANAGED, "spi/held", "spi.held");
  int32_t hobj = 0, hsub = 0;
  ASSERT_EQ(subscribe(second, d, &lsd, hobj, hsub), vxqm::Status::ok());
  EXPECT_EQ(unsubscribe(LPIUS_BY_NAME, 0, "spi.held"), failure(VXRC_SUBSCRIPTION_IN_USE));
  EXPECT_EQ(unsubscribe(LPIUS_BY_HANDLE, hsub, ""), failure(VXRC_HSUB_ERROR));
  EXPECT_EQ(unsubscribe(LPIUS_BY_NAME, 0, "spi.held", second), vxqm::Status::ok());
  v->VXDISC(&second, &cc, &reason);
  EXPECT_EQ(codes(), vxqm::Status::ok());
}

TEST_F(SpiSubscriptions, BadInputIsAnsweredWithCodesAndNothingWritten) {
  int32_t hobj = 0, hsub = 0;
  Sd d = sd(VXSO_CREATE | VXSO_MANAGED, "spi/bad", "");
  LpiSubscribeDescriptor lsd = make<LpiSubscribeDescriptor>(LPISD_STRUC_ID);
  EXPECT_EQ(subscribe(hconn, d, nullptr, hobj, hsub), failure(VXRC_SPI_OPTIONS_ERROR));
  lsd.Options = 0x100;
  EXPECT_EQ(subscribe(hconn, d, &lsd, hobj, hsub), failure(VXRC_SPI_OPTIONS_ERROR));
  lsd.Options = LPISO_NONE;
  spi->lpiSPISubscribe(hconn, &lsd, nullptr, &hobj, &hsub, &cc, &reason);
  EXPECT_EQ(codes(), failure(VXRC_SD_ERROR));
  spi->lpiSPISubscribe(hconn, &lsd, &d, nullptr, &hsub, &cc, &reason);
  EXPECT_EQ(codes(), failure(VXRC_HOBJ_ERROR));
  EXPECT_EQ(subscribe(plain, d, &lsd, hobj, hsub), failure(VXRC_NOT_PRIVILEGED));
  EXPECT_EQ(hobj, 0);
  EXPECT_EQ(hsub, 0);

  LpiSubscriptionRequestDescriptor srd = make<LpiSubscriptionRequestDescriptor>(LPISRD_STRUC_ID, 2);
  spi->lpiSPISubscriptionRequest(hconn, 1, VXSR_RETAINED, &srd, nullptr, &cc, &reason);
  EXPECT_EQ(codes(), failure(VXRC_SPI_OPTIONS_ERROR));
  srd.Version = 1;
  srd.Matched = -1;
  spi->lpiSPISubscriptionRequest(hconn, 4242, VXSR_RETAINED, &srd, nullptr, &cc, &reason);
  EXPECT_EQ(codes(), failure(VXRC_HSUB_ERROR));
  EXPECT_EQ(srd.Matched, -1);

  spi->lpiSPIUnsubscribe(hconn, nullptr, &cc, &reason);
  EXPECT_EQ(codes(), failure(VXRC_SPI_OPTIONS_ERROR));
  EXPECT_EQ(unsubscribe(3, 0, "x"), failure(VXRC_SPI_OPTIONS_ERROR));
  EXPECT_EQ(unsubscribe(LPIUS_BY_NAME, 0, ""), failure(VXRC_SUB_NAME_ERROR));
  LpiUnsubscribeDescriptor tooLong = make<LpiUnsubscribeDescriptor>(LPIUSD_STRUC_ID);
  tooLong.Options = LPIUS_BY_NAME;
  tooLong.SubNameLength = VX_MAX_SUB_NAME_LENGTH + 1;
  spi->lpiSPIUnsubscribe(hconn, &tooLong, &cc, &reason);
  EXPECT_EQ(codes(), failure(VXRC_SUB_NAME_ERROR));
  EXPECT_EQ(unsubscribe(LPIUS_BY_NAME, 0, "x", plain), failure(VXRC_NOT_PRIVILEGED));

  std::vector<std::string> names;
  int32_t count = 0, inUse = 0;
  EXPECT_EQ(inquire(LPINSO_BY_TOPIC, "spi/+/#*", names, count, inUse), failure(VXRC_TOPIC_STRING_ERROR));
  EXPECT_EQ(inquire(LPINSO_BY_TOPIC, "", names, count, inUse), failure(VXRC_TOPIC_STRING_ERROR));
  EXPECT_EQ(inquire(LPINSO_BY_NAME, std::string(VX_MAX_SUB_NAME_LENGTH + 1, 'n'), names, count, inUse),
            failure(VXRC_SUB_NAME_ERROR));
  EXPECT_EQ(inquire(3, "x", names, count, inUse), failure(VXRC_SPI_OPTIONS_ERROR));
  EXPECT_EQ(inquire(LPINSO_BY_NAME, "x", names, count, inUse, -1), failure(VXRC_SPI_OPTIONS_ERROR));
  EXPECT_EQ(count, -1);  // not written after a failure
  EXPECT_EQ(inUse, -1);
  int32_t value = 0;
  spi->lpiSPIInquireNamedSubscribers(hconn, nullptr, nullptr, 0, nullptr, &value, &value, &cc, &reason);
  EXPECT_EQ(codes(), failure(VXRC_SPI_OPTIONS_ERROR));
}

}  // namespace
