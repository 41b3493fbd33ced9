// The configuration text: statements, keys, and the lines it refuses.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "qm_test.h"

using namespace vxqm;

namespace {

QueueManagerConfig read(const std::string& text, std::vector<std::string>& errors) {
  QueueManagerConfig config = builtInConfig();
  std::istringstream in(text);
  readConfig(in, config, errors);
  return config;
}

const QueueDefinition* find(const QueueManagerConfig& config, const std::string& name) {
  for (const QueueDefinition& q : config.queues) {
    if (q.name == name) return &q;
  }
  return nullptr;
}

}  // namespace

TEST(Config, StatementsDefineQueuesModelsUsersAndTheName) {
  std::vector<std::string> errors;
  QueueManagerConfig config = read(
      "# queues of the order service\n"
      "qmgr ORDERS.QM\n"
      "\n"
      "queue ORDERS maxdepth=50 maxmsglength=2048 defpriority=4 defpersistence=1  # main\n"
      "  model REPLY.MODEL put=inhibited get=inhibited\n"
      "queue TALY.QUEUE.1 maxdepth=7\n"
      "user app s3cret\n"
      "database  host=db.example port=5433 dbname='orders db'  # shared\n"
      "schema orders\n"
      "readahead 50\n",
      errors);
  EXPECT_TRUE(errors.empty()) << errors.front();
  EXPECT_EQ(config.name, "ORDERS.QM");
  const QueueDefinition* orders = find(config, "ORDERS");
  ASSERT_NE(orders, nullptr);
  EXPECT_EQ(orders->type, QueueType::Local);
  EXPECT_EQ(orders->attributes.maxDepth, 50);
  EXPECT_EQ(orders->attributes.maxMsgLength, 2048);
  EXPECT_EQ(orders->attributes.defaultPriority, 4);
  EXPECT_EQ(orders->attributes.defaultPersistence, 1);
  const QueueDefinition* model = find(config, "REPLY.MODEL");
  ASSERT_NE(model, nullptr);
  EXPECT_EQ(model->type, QueueType::Model);
  EXPECT_TRUE(model->attributes.inhibitPut && model->attributes.inhibitGet);
  EXPECT_EQ(find(config, "TALY.QUEUE.1")->attributes.maxDepth, 7) << "a built-in queue redefined";
  EXPECT_EQ(config.queues.size(), 6u);
  ASSERT_EQ(config.users.size(), 1u);
  EXPECT_EQ(config.users[0].user, "app");
  EXPECT_EQ(config.users[0].password, "s3cret");
  EXPECT_EQ(config.database, "host=db.example port=5433 dbname='orders db'") << "the rest of the line";
  EXPECT_EQ(config.databaseSchema, "orders");
  EXPECT_EQ(config.readAhead, 50);
}

TEST(Config, BadLinesAreReportedWithTheirNumberAndSkipped) {
  std::vector<std::string> errors;
  QueueManagerConfig config = read(
      "queue GOOD\n"
      "queue\n"
      "queue BAD!NAME\n"
      "queue Q1 maxdepth=0\n"
      "queue Q2 defpriority=10\n"
      "queue Q3 colour=red\n"
      "queue Q4 maxdepth\n"
      "queue Q5 put=maybe\n"
      "topic T\n"
      "user onlyname\n"
      "queue Q6 maxmsglength=999999999999\n"
      "database\n"
      "schema a b\n"
      "readahead 0\n"
      "readahead 1001\n"
      "readahead 8x\n",
      errors);
  ASSERT_EQ(errors.size(), 15u);
  for (size_t bad = 12; bad < 15; ++bad) {
    EXPECT_NE(errors[bad].find("readahead COUNT (1 to 1000)"), std::string::npos) << errors[bad];
  }
  EXPECT_EQ(config.readAhead, 1);
  EXPECT_NE(errors[10].find("database CONNINFO"), std::string::npos) << errors[10];
  EXPECT_EQ(config.database, "");
  EXPECT_EQ(errors[0].rfind("line 2: ", 0), 0u) << errors[0];
  EXPECT_NE(errors[3].find("defpriority"), std::string::npos) << errors[3];
  EXPECT_NE(errors[4].find("unknown key 'colour'"), std::string::npos) << errors[4];
  EXPECT_EQ(errors[9].rfind("line 11: ", 0), 0u) << errors[9];
  EXPECT_NE(find(config, "GOOD"), nullptr);
  EXPECT_EQ(find(config, "Q1"), nullptr);
  EXPECT_EQ(config.queues.size(), 5u);
}

namespace {

// A configuration file of the test's own, removed at the end of the test.
class ConfigFile {
 public:
  ConfigFile(const std::string& name, const std::string& text)
      : path_(::testing::TempDir() + "vxrt_config_" + name + ".conf") {
    std::ofstream(path_) << text;
  }
  ~ConfigFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

TEST(ConfigFile, AGoodFileDefinesItsQueuesAndLeavesNoProblem) {
  ConfigFile file("good", "queue ORDERS maxdepth=5\n# a comment\n");
  QueueManagerConfig config = configFromFile(file.path());
  EXPECT_EQ(config.problem, "");
  ASSERT_NE(find(config, "ORDERS"), nullptr);
  EXPECT_NE(find(config, "TALY.QUEUE.1"), nullptr) << "the built-in queues stay";
}

// Each problem is one line naming the file and, for a bad statement, its line.
TEST(ConfigFile, AMissingFileOrABadLineIsOneProblemNamingFileAndLine) {
  ConfigFile oneBad("one_bad", "queue ORDERS\n\nqueue TOO.DEEP maxdeph=5\n");
  ConfigFile twoBad("two_bad", "queue A colour=red\nqueue B\nqueue\n");
  const std::string missing = ::testing::TempDir() + "vxrt_config_not_there.conf";
  struct Case {
    std::string path;
    std::string problem;
  } cases[] = {
      {missing, missing + ": cannot be opened"},
      {oneBad.path(), oneBad.path() + " line 3: unknown key 'maxdeph'"},
      {twoBad.path(), twoBad.path() + " line 1: unknown key 'colour' (and 1 more bad lines)"},
  };
  for (const Case& c : cases) {
    QueueManagerConfig config = configFromFile(c.path);
    EXPECT_EQ(config.problem, c.problem);
    EXPECT_EQ(config.problem.find('\n'), std::string::npos) << "one line";
  }
}

TEST(ConfigFile, AQueueManagerWithAProblemRefusesEveryConnect) {
  QueueManagerConfig config = builtInConfig();
  config.problem = "queues.conf line 3: unknown key 'maxdeph'";
  QueueManager qm(config);
  int32_t hconn = 0;
  for (bool privileged : {false, true}) {
    ConnectRequest request;
    request.privileged = privileged;
    EXPECT_EQ(qm.connect(request, hconn), Status::failure(VXRC_CONFIGURATION_ERROR));
  }
  config.problem.clear();
  QueueManager mended(config);
  EXPECT_EQ(mended.connect(ConnectRequest{}, hconn), Status::ok());
  EXPECT_EQ(mended.disconnect(hconn), Status::ok());
}
