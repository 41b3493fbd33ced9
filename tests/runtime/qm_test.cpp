#include "qm_test.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <sstream>

using namespace vxqm;

// The store the tests run against: in memory, or, when VXRT_TEST_DATABASE
// holds a connection string, a database, with a schema of its own for every
// queue manager a test makes, so that no test meets another's messages.
void useTestStore(QueueManagerConfig& config) {
  const char* database = std::getenv("VXRT_TEST_DATABASE");
  if (database == nullptr || *database == '\0') return;
  static std::atomic<int> made{0};
  config.database = database;
  config.databaseSchema = "t" + std::to_string(getpid()) + "_" + std::to_string(++made);
}

bool databaseStore() {
  const char* database = std::getenv("VXRT_TEST_DATABASE");
  return database != nullptr && *database != '\0';
}

QueueManagerConfig testConfig() {
  QueueManagerConfig config = builtInConfig();
  useTestStore(config);
  std::istringstream text(
      "queue SMALL maxdepth=3 maxmsglength=10\n"
      "queue NOPUT put=inhibited\n"
      "queue NOGET get=inhibited\n"
      "queue URGENT defpriority=7 defpersistence=1\n"
      "model SMALL.MODEL maxdepth=2\n");
  std::vector<std::string> errors;
  readConfig(text, config, errors);
  EXPECT_TRUE(errors.empty());
  config.limits.maxUncommittedMessages = 5;
  config.limits.maxHandlesPerConnection = 8;
  return config;
}

OpenOptions openFor(int32_t options) {
  OpenOptions o;
  o.inputShared = options & VXOO_INPUT_SHARED;
  o.inputExclusive = options & VXOO_INPUT_EXCLUSIVE;
  o.browse = options & VXOO_BROWSE;
  o.output = options & VXOO_OUTPUT;
  o.inquire = options & VXOO_INQUIRE;
  o.set = options & VXOO_SET;
  return o;
}

int32_t QmTest::connect() {
  int32_t hconn = 0;
  EXPECT_EQ(qm.connect({}, hconn), ok());
  return hconn;
}

int32_t QmTest::open(int32_t hconn, const std::string& queue, int32_t options) {
  ObjectRequest object;
  object.name = queue;
  ObjectResolution resolution;
  int32_t hobj = 0;
  EXPECT_EQ(qm.open(hconn, object, openFor(options), hobj, resolution), ok()) << queue;
  return hobj;
}

Status QmTest::putWith(int32_t hconn, int32_t hobj, const std::string& text, MessageDescriptor& md,
                       PutOptions options) {
  PutResult result;
  return qm.put(hconn, hobj, md, options, text.data(), static_cast<int32_t>(text.size()), result);
}

Got QmTest::get(int32_t hconn, int32_t hobj, GetOptions options, MessageDescriptor match,
                int32_t bufferLength) {
  Got got;
  got.md = match;
  std::string buffer(static_cast<size_t>(bufferLength), '\0');
  got.status = qm.get(hconn, hobj, got.md, options, buffer.data(), bufferLength, got.dataLength,
                      got.result);
  got.text = buffer.substr(0, static_cast<size_t>(got.result.returnedLength));
  return got;
}

int32_t QmTest::depth(int32_t hconn, const std::string& queue) {
  int32_t hobj = open(hconn, queue, VXOO_INQUIRE);
  int32_t selector = VXIA_CURRENT_DEPTH;
  int32_t value = -1;
  EXPECT_EQ(qm.inquire(hconn, hobj, 1, &selector, 1, &value, 0, nullptr), ok());
  EXPECT_EQ(qm.close(hconn, hobj, false), ok());
  return value;
}
