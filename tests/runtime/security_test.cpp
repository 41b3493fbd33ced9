// Channel-authentication rules: how the configuration states them, which
// rule decides, and what the entry answers.
#include <cstring>
#include <sstream>

#include "qm/config.h"
#include "qm/security.h"
#include "qm_test.h"
#include "vx/spi.h"
#include "vx/vector.h"

namespace {

vxqm::QueueManagerConfig withRules(const std::string& text, std::vector<std::string>& errors) {
  vxqm::QueueManagerConfig config = vxqm::builtInConfig();
  std::istringstream in(text);
  vxqm::readConfig(in, config, errors);
  return config;
}

TEST(ChannelRules, TheFirstMatchingRuleDecidesAndNoMatchAllows) {
  std::vector<std::string> errors;
  vxqm::QueueManagerConfig config = withRules(
      "chlauth allow 10.1.2.3 admin\n"
      "chlauth block 10.1.* *\n"
      "chlauth block * guest\n"
      "chlauth allow\n"
      "chlauth permit 10.* *\n",
      errors);
  EXPECT_EQ(errors.size(), 2u);
  ASSERT_EQ(config.channelRules.size(), 3u);
  EXPECT_TRUE(vxqm::channelAllowed(config.channelRules, "10.1.2.3", "admin"));
  EXPECT_FALSE(vxqm::channelAllowed(config.channelRules, "10.1.2.3", "admins"));
  EXPECT_FALSE(vxqm::channelAllowed(config.channelRules, "10.1.9.9", "admin"));
  EXPECT_FALSE(vxqm::channelAllowed(config.channelRules, "192.0.2.1", "guest"));
  EXPECT_TRUE(vxqm::channelAllowed(config.channelRules, "192.0.2.1", "app"));
  EXPECT_TRUE(vxqm::channelAllowed(config.channelRules, "10.2.0.1", "app"));
}

TEST(ChannelRules, OnlyAPrivilegedConnectionMayAsk) {
  std::vector<std::string> errors;
  vxqm::QueueManager qm(withRules("chlauth block * guest\n", errors));
  vxqm::ConnectRequest request;
  int32_t plain = 0, privileged = 0;
  ASSERT_FALSE(qm.connect(request, plain).failed());
  request.privileged = true;
  ASSERT_FALSE(qm.connect(request, privileged).failed());
  bool allowed = true;
  EXPECT_EQ(qm.checkChannel(plain, "h", "app", allowed), vxqm::Status::failure(VXRC_NOT_PRIVILEGED));
  EXPECT_EQ(qm.checkChannel(privileged, "h", "guest", allowed), vxqm::Status::failure(VXRC_NOT_AUTHORIZED));
  EXPECT_FALSE(allowed);
  EXPECT_EQ(qm.checkChannel(privileged, "h", "app", allowed), vxqm::Status::ok());
  EXPECT_TRUE(allowed);
  qm.disconnect(plain);
  qm.disconnect(privileged);
}

TEST(ChannelRules, TheEntryWritesTheDecisionAndRefusesABadRequest) {
  VXSpiTable* spi = VXInterface->priv->spi;
  LpiConnectOptions options;
  std::memset(&options, 0, sizeof options);
  std::memcpy(options.StrucId, LPICNO_STRUC_ID, 4);
  options.Version = 1;
  int32_t hconn = 0, cc = -1, reason = -1;
  spi->lpiSPIVXConnect(nullptr, &options, nullptr, &hconn, &cc, &reason);
  ASSERT_EQ(cc, VXCC_OK);
  LpiChlAuthParms parms;
  std::memset(&parms, ' ', sizeof parms);
  std::memcpy(parms.StrucId, LPICHA_STRUC_ID, 4);
  parms.Version = 1;
  parms.Decision = -1;
  std::memcpy(parms.Address, "192.0.2.7", 9);
  spi->lpiSPICHLAUTH(hconn, &parms, nullptr, nullptr, &cc, &reason);
  EXPECT_EQ(cc, VXCC_OK);  // the tests' queue manager has no rules
  EXPECT_EQ(parms.Decision, LPICHLAUTH_ALLOWED);
  parms.Version = 2;
  spi->lpiSPICHLAUTH(hconn, &parms, nullptr, nullptr, &cc, &reason);
  EXPECT_EQ(reason, VXRC_SPI_OPTIONS_ERROR);
  VXInterface->VXDISC(&hconn, &cc, &reason);
}

}  // namespace
