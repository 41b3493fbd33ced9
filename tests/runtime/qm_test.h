// A queue manager of the tests' own, with a clock they move by hand, and
// short ways to connect, open, put and get.
#ifndef TEST_QM_TEST_H
#define TEST_QM_TEST_H

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "qm/config.h"
#include "qm/queue_manager.h"

namespace vxqm {

inline bool operator==(const Status& a, const Status& b) { return a.cc == b.cc && a.reason == b.reason; }
inline void PrintTo(const Status& s, std::ostream* os) { *os << "{cc " << s.cc << ", reason " << s.reason << "}"; }

}  // namespace vxqm

class ManualClock : public vxqm::Clock {
 public:
  int64_t nowMs() override { return now.load(); }
  std::atomic<int64_t> now{1000000};
};

// The built-in queues and a few with limits of their own, in the store the
// tests run against.
vxqm::QueueManagerConfig testConfig();
// Points a configuration at the store the tests run against.
void useTestStore(vxqm::QueueManagerConfig& config);
// Whether that store is a database (where a test must say why it differs).
bool databaseStore();

vxqm::OpenOptions openFor(int32_t options);  // VXOO_* bits

struct Got {
  vxqm::Status status;
  std::string text;
  vxqm::MessageDescriptor md;
  int32_t dataLength = -1;
  vxqm::GetResult result;
};

class QmTest : public ::testing::Test {
 protected:
  QmTest() : qm(testConfig(), clock) {}
  explicit QmTest(const vxqm::QueueManagerConfig& config) : qm(config, clock) {}

  int32_t connect();
  int32_t open(int32_t hconn, const std::string& queue, int32_t options);
  vxqm::Status put(int32_t hconn, int32_t hobj, const std::string& text,
                   vxqm::MessageDescriptor md = {}, vxqm::PutOptions options = {}) {
    return putWith(hconn, hobj, text, md, options);
  }
  // A put that leaves what it stamped in md.
  vxqm::Status putWith(int32_t hconn, int32_t hobj, const std::string& text,
                       vxqm::MessageDescriptor& md, vxqm::PutOptions options = {});
  Got get(int32_t hconn, int32_t hobj, vxqm::GetOptions options = {},
          vxqm::MessageDescriptor match = {}, int32_t bufferLength = 256);
  int32_t depth(int32_t hconn, const std::string& queue);

  static vxqm::Status ok() { return vxqm::Status::ok(); }
  static vxqm::Status failure(int32_t reason) { return vxqm::Status::failure(reason); }
  static vxqm::Status warning(int32_t reason) { return vxqm::Status::warning(reason); }

  ManualClock clock;
  vxqm::QueueManager qm;
};

#endif
