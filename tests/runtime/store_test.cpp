// The database store's refusals: a database that cannot be reached or
// refuses the login, a schema of a newer version or of another application,
// each reported on the connect with one line on standard error, never with
// the password, and the database left as it was.
#include <regex>

#include "capture.h"
#include "db/pg.h"
#include "qm_test.h"

using namespace vxqm;

namespace {

class DatabaseStore : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!databaseStore()) GTEST_SKIP() << "the database store's own refusals";
    database = std::getenv("VXRT_TEST_DATABASE");
    ASSERT_TRUE(admin.open(database)) << admin.error();
  }
  // The connect's outcome three times over, and what the queue manager
  // printed meanwhile.
  std::vector<Status> connectThrice(const QueueManagerConfig& config, std::string& printed) {
    FdCapture err(2);
    std::vector<Status> outcomes;
    {
      QueueManager qm(config);
      for (int i = 0; i < 3; ++i) {
        int32_t hconn = 0;
        outcomes.push_back(qm.connect({}, hconn));
        if (hconn != 0) qm.disconnect(hconn);
      }
    }
    printed = err.stop();
    return outcomes;
  }
  QueueManagerConfig configFor(const std::string& conninfo, const std::string& schema) {
    QueueManagerConfig config = builtInConfig();
    config.database = conninfo;
    config.databaseSchema = schema;
    return config;
  }
  std::string uniqueSchema(const std::string& stem) {
    static int made = 0;
    return stem + std::to_string(getpid()) + "_" + std::to_string(++made);
  }

  std::string database;
  vxdb::Connection admin;
};

std::string withPassword(const std::string& conninfo, const std::string& password) {
  return std::regex_replace(conninfo, std::regex("password=\\S+"), "password=" + password);
}

}  // namespace

TEST_F(DatabaseStore, ADatabaseThatCannotBeUsedFailsTheConnectWithOneLineAndNoPassword) {
  struct Case {
    std::string conninfo;
    const char* printed;  // part of the one line
  };
  const std::string secret = "Pw-n0t-Printed";
  const Case cases[] = {
      {withPassword(database, secret), "password authentication failed"},
      {std::regex_replace(withPassword(database, secret), std::regex("port=\\d+"), "port=1"),
       "Connection refused"},
      {withPassword(database, secret) + " port=notanumber", "port"},
      {withPassword(database, secret) + " dbname=no_such_database", "no_such_database"},
  };
  for (const Case& c : cases) {
    std::string printed;
    std::vector<Status> outcomes = connectThrice(configFor(c.conninfo, "vxrt"), printed);
    for (const Status& status : outcomes) {
      EXPECT_EQ(status, Status::failure(VXRC_STORE_NOT_AVAILABLE)) << c.printed;
    }
    EXPECT_EQ(countOf(printed, "\n"), 1u) << printed;
    EXPECT_NE(printed.find("vxrt: the database "), std::string::npos) << printed;
    EXPECT_NE(printed.find(c.printed), std::string::npos) << printed;
    EXPECT_EQ(printed.find(secret), std::string::npos) << printed;
    EXPECT_NE(printed.find("password=****"), std::string::npos) << printed;
  }
}

TEST_F(DatabaseStore, ASchemaOfAnotherVersionQueueManagerOrApplicationIsRefusedAndLeftAsItIs) {
  std::string newer = uniqueSchema("newer");
  std::string named = uniqueSchema("named");
  std::string other = uniqueSchema("otherapp");
  for (const std::string& schema : {newer, named}) {
    QueueManager qm(configFor(database, schema));
    int32_t hconn = 0;
    ASSERT_EQ(qm.connect({}, hconn), Status::ok());
    qm.disconnect(hconn);
  }
  ASSERT_TRUE(admin.simple("UPDATE " + newer + ".meta SET value = '2' WHERE key = 'schema_version'").ok());
  ASSERT_TRUE(admin.simple("CREATE SCHEMA " + other).ok());
  ASSERT_TRUE(admin.simple("CREATE TABLE " + other + ".queues (id integer)").ok());
  ASSERT_TRUE(admin.simple("INSERT INTO " + other + ".queues VALUES (42)").ok());

  struct Case {
    std::string schema;
    std::string qmgr;
    const char* printed;
  };
  const Case cases[] = {
      {newer, "VXRT.QM", "is of version 2, this runtime knows version 1 only"},
      {named, "OTHER.QM", "belongs to queue manager VXRT.QM, not OTHER.QM"},
      {other, "VXRT.QM", "exists and is not a queue manager's"},
  };
  for (const Case& c : cases) {
    QueueManagerConfig config = configFor(database, c.schema);
    config.name = c.qmgr;
    std::string printed;
    for (const Status& status : connectThrice(config, printed)) {
      EXPECT_EQ(status, Status::failure(VXRC_STORE_SCHEMA_ERROR)) << c.schema;
    }
    EXPECT_EQ(countOf(printed, "\n"), 1u) << printed;
    EXPECT_NE(printed.find(c.printed), std::string::npos) << printed;
  }
  vxdb::Result version = admin.simple("SELECT value FROM " + newer + ".meta WHERE key = 'schema_version'");
  ASSERT_TRUE(version.ok());
  EXPECT_EQ(version.row(0).text(0), "2");
  vxdb::Result tables = admin.simple(
      "SELECT count(*) FROM pg_tables WHERE schemaname = '" + other + "'");
  ASSERT_TRUE(tables.ok());
  EXPECT_EQ(tables.row(0).i64(0), 1) << "nothing added to the other application's schema";
  vxdb::Result kept = admin.simple("SELECT id FROM " + other + ".queues");
  ASSERT_TRUE(kept.ok());
  ASSERT_EQ(kept.rows(), 1);
  EXPECT_EQ(kept.row(0).i32(0), 42);
}
