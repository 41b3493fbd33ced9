// The user table: how the configuration states users, adopting one on a
// privileged connection (seen in the descriptors of its puts), mapping
// credentials, and what the entries answer to bad records and contexts.
#include <cstring>
#include <sstream>
#include <string>

#include "qm/config.h"
#include "qm_test.h"
#include "vx/spi.h"
#include "vx/vector.h"

namespace {

vxqm::QueueManagerConfig withUsers(std::vector<std::string>& errors) {
  vxqm::QueueManagerConfig config = testConfig();
  std::istringstream in(
      "user server s3rver\n"
      "user alice secret ALICE01\n"
      "user bob hunter2\n"
      "user carol\n"
      "user dave pw THIRTEENCHARS\n");
  vxqm::readConfig(in, config, errors);
  return config;
}

class UserTable : public ::testing::Test {
 protected:
  UserTable() : qm(withUsers(errors), clock) {}
  void SetUp() override {
    vxqm::ConnectRequest request;
    request.credentials = vxqm::Credentials{"server", "s3rver"};
    ASSERT_EQ(qm.connect(request, plain), vxqm::Status::ok());
    request.privileged = true;
    ASSERT_EQ(qm.connect(request, privileged), vxqm::Status::ok());
  }
  void TearDown() override {
    qm.disconnect(plain);
    qm.disconnect(privileged);
  }
  // The user identifier a put on the connection records.
  std::string putUser(int32_t hconn) {
    vxqm::OpenOptions options;
    options.output = true;
    options.inputShared = true;
    int32_t hobj = 0;
    vxqm::ObjectResolution resolution;
    EXPECT_EQ(qm.open(hconn, {VXOT_QUEUE, "TALY.QUEUE.1", "", "", ""}, options, hobj, resolution),
              vxqm::Status::ok());
    vxqm::MessageDescriptor md;
    vxqm::PutResult result;
    EXPECT_EQ(qm.put(hconn, hobj, md, {}, "x", 1, result), vxqm::Status::ok());
    qm.close(hconn, hobj, VXCO_NONE);
    return md.userIdentifier;
  }

  std::vector<std::string> errors;
  ManualClock clock;
  vxqm::QueueManager qm;
  int32_t plain = 0, privileged = 0;
};

vxqm::Status failure(int32_t reason) { return vxqm::Status::failure(reason); }

TEST_F(UserTable, StatementsGiveNamePasswordAndAnIdentifierOfUpToTwelveCharacters) {
  EXPECT_EQ(errors.size(), 2u);  // carol without a password, dave's identifier too long
  EXPECT_EQ(putUser(privileged), "server");
}

TEST_F(UserTable, AnAdoptedUserIsWhomPutsRecordUntilRestored) {
  vxqm::AdoptResult result;
  ASSERT_EQ(qm.adoptUser(privileged, {LPIADU_NONE, "alice", ""}, result), vxqm::Status::ok());
  EXPECT_EQ(result.how, LPIADU_OUT_TRUSTED);
  EXPECT_EQ(result.identifier, "ALICE01");
  EXPECT_EQ(putUser(privileged), "ALICE01");
  ASSERT_EQ(qm.adoptUser(privileged, {LPIADU_AUTHENTICATE, "bob", "hunter2"}, result), vxqm::Status::ok());
  EXPECT_EQ(result.how, LPIADU_OUT_AUTHENTICATED);
  EXPECT_EQ(putUser(privileged), "bob");
  // A refused adoption leaves the user as it was.
  EXPECT_EQ(qm.adoptUser(privileged, {LPIADU_AUTHENTICATE, "alice", "wrong"}, result),
            failure(VXRC_PASSWORD_ERROR));
  EXPECT_EQ(qm.adoptUser(privileged, {LPIADU_NONE, "mallory", ""}, result), failure(VXRC_UNKNOWN_USER));
  EXPECT_EQ(qm.adoptUser(privileged, {LPIADU_NONE, std::string(65, 'a'), ""}, result),
            failure(VXRC_USER_ID_ERROR));
  EXPECT_EQ(qm.adoptUser(privileged, {LPIADU_RESTORE | LPIADU_AUTHENTICATE, "bob", "hunter2"}, result),
            failure(VXRC_ADOPT_USER_ERROR));
  EXPECT_EQ(qm.adoptUser(privileged, {0x10, "bob", ""}, result), failure(VXRC_ADOPT_USER_ERROR));
  EXPECT_EQ(putUser(privileged), "bob");
  ASSERT_EQ(qm.adoptUser(privileged, {LPIADU_RESTORE, "", ""}, result), vxqm::Status::ok());
  EXPECT_EQ(result.how, LPIADU_OUT_RESTORED);
  EXPECT_EQ(putUser(privileged), "server");
  // Another connection of the same user is not touched.
  EXPECT_EQ(qm.adoptUser(plain, {LPIADU_NONE, "alice", ""}, result), failure(VXRC_NOT_PRIVILEGED));
  EXPECT_EQ(putUser(plain), "server");
}

TEST_F(UserTable, CredentialsMapToTheIdentifierOnlyWithTheRightPassword) {
  std::string identifier = "untouched";
  EXPECT_EQ(qm.mapCredentials(privileged, {"alice", "secret"}, identifier), vxqm::Status::ok());
  EXPECT_EQ(identifier, "ALICE01");
  EXPECT_EQ(qm.mapCredentials(privileged, {"bob", "hunter2"}, identifier), vxqm::Status::ok());
  EXPECT_EQ(identifier, "bob");
  identifier = "untouched";
  EXPECT_EQ(qm.mapCredentials(privileged, {"alice", "Secret"}, identifier), failure(VXRC_PASSWORD_ERROR));
  EXPECT_EQ(qm.mapCredentials(privileged, {"alic", "secret"}, identifier), failure(VXRC_UNKNOWN_USER));
  EXPECT_EQ(qm.mapCredentials(privileged, {"", ""}, identifier), failure(VXRC_USER_ID_ERROR));
  EXPECT_EQ(qm.mapCredentials(plain, {"alice", "secret"}, identifier), failure(VXRC_NOT_PRIVILEGED));
  EXPECT_EQ(qm.mapCredentials(4242, {"alice", "secret"}, identifier), failure(VXRC_HCONN_ERROR));
  EXPECT_EQ(identifier, "untouched");
}

// Through the vector, against the tests' queue manager, which has no users.
class UserEntries : public ::testing::Test {
 protected:
  void SetUp() override {
    spi = VXInterface->priv->spi;
    LpiConnectOptions options;
    std::memset(&options, 0, sizeof options);
    std::memcpy(options.StrucId, LPICNO_STRUC_ID, 4);
    options.Version = 1;
    spi->lpiSPIVXConnect(nullptr, &options, nullptr, &hconn, &cc, &reason);
    ASSERT_EQ(cc, VXCC_OK);
    std::memset(&context, 0, sizeof context);
    std::memcpy(context.StrucId, LPISCX_STRUC_ID, 4);
    context.Version = 1;
    std::memset(context.MappedUserId, '?', sizeof context.MappedUserId);
    std::memset(&record, 0, sizeof record);
    std::memcpy(record.StrucId, LPIADU_STRUC_ID, 4);
    record.Version = LPIADU_VERSION;
    record.InOutValue = &inOut;
    std::memcpy(record.ProductIdentifier, "CLIENTPRODID", 12);
    record.ClientIdPtr = clientId;
    record.ClientIdBufSize = sizeof clientId;
    record.ClientIdLength = 5;
  }
  void TearDown() override { VXInterface->VXDISC(&hconn, &cc, &reason); }

  vxqm::Status adopt(void* ctx, void* rec) {
    spi->lpiSPIAdoptUser(hconn, 0, ctx, nullptr, 0, nullptr, 0, rec, nullptr, 0, nullptr, &cc, &reason);
    return {cc, reason};
  }
  vxqm::Status map(void* ctx) {
    spi->lpiSPIMapCredentials(hconn, ctx, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &cc, &reason);
    return {cc, reason};
  }
  // Nothing was written back.
  void untouched() {
    EXPECT_EQ(inOut, LPIADU_NONE);
    EXPECT_EQ(std::string(record.ProductIdentifier, 12), "CLIENTPRODID");
    EXPECT_EQ(std::string(context.MappedUserId, 12), std::string(12, '?'));
  }

  VXSpiTable* spi = nullptr;
  int32_t hconn = 0, cc = -1, reason = -1;
  int32_t inOut = LPIADU_NONE;
  char clientId[16] = "alice";
  LpiSecurityContext context;
  LpiAdoptUser record;
};

TEST_F(UserEntries, AdoptUserRefusesBadRecordsAndContextsAndWritesNothing) {
  EXPECT_EQ(adopt(&context, nullptr), failure(VXRC_ADOPT_USER_ERROR));
  record.Version = 1;
  EXPECT_EQ(adopt(&context, &record), failure(VXRC_ADOPT_USER_ERROR));
  record.Version = LPIADU_VERSION;
  record.InOutValue = nullptr;
  EXPECT_EQ(adopt(&context, &record), failure(VXRC_ADOPT_USER_ERROR));
  record.InOutValue = &inOut;
  record.ClientIdOffset = 12;  // 12 + 5 is past the 16 bytes
  EXPECT_EQ(adopt(&context, &record), failure(VXRC_ADOPT_USER_ERROR));
  record.ClientIdOffset = -1;
  EXPECT_EQ(adopt(&context, &record), failure(VXRC_ADOPT_USER_ERROR));
  record.ClientIdOffset = 0;
  record.ClientIdPtr = nullptr;
  EXPECT_EQ(adopt(&context, &record), failure(VXRC_USER_ID_ERROR));
  record.ClientIdPtr = clientId;
  context.Version = 2;
  EXPECT_EQ(adopt(&context, &record), failure(VXRC_SECURITY_CONTEXT_ERROR));
  context.Version = 1;
  inOut = LPIADU_AUTHENTICATE;
  EXPECT_EQ(adopt(nullptr, &record), failure(VXRC_SECURITY_CONTEXT_ERROR));
  EXPECT_EQ(inOut, LPIADU_AUTHENTICATE);
  inOut = LPIADU_NONE;
  char longName[80];
  std::memset(longName, 'u', sizeof longName);
  record.ClientIdPtr = longName;
  record.ClientIdBufSize = record.ClientIdLength = sizeof longName;
  EXPECT_EQ(adopt(&context, &record), failure(VXRC_USER_ID_ERROR));
  record.ClientIdPtr = clientId;
  record.ClientIdBufSize = sizeof clientId;
  record.ClientIdLength = 5;
  EXPECT_EQ(adopt(&context, &record), failure(VXRC_UNKNOWN_USER));
  untouched();
}

TEST_F(UserEntries, RestoringNeedsNoUserAndAnswersWithTheProductAndHow) {
  inOut = LPIADU_RESTORE;
  record.ClientIdPtr = nullptr;
  ASSERT_EQ(adopt(&context, &record), vxqm::Status::ok());
  EXPECT_EQ(inOut, LPIADU_OUT_RESTORED);
  EXPECT_EQ(std::string(record.ProductIdentifier, 12), LPI_PRODUCT_IDENTIFIER);
  EXPECT_EQ(std::string(context.MappedUserId, 12), std::string(12, ' '));  // connected without a user
}

TEST_F(UserEntries, MapCredentialsNeedsAContextAndAKnownUser) {
  EXPECT_EQ(map(nullptr), failure(VXRC_SECURITY_CONTEXT_ERROR));
  context.Options = 1;
  EXPECT_EQ(map(&context), failure(VXRC_SECURITY_CONTEXT_ERROR));
  context.Options = LPISCX_NONE;
  EXPECT_EQ(map(&context), failure(VXRC_USER_ID_ERROR));
  std::memcpy(context.UserId, "alice", 5);
  std::memcpy(context.Password, "secret", 6);
  EXPECT_EQ(map(&context), failure(VXRC_UNKNOWN_USER));
  untouched();
}

}  // namespace
