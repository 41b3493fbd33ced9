// A small client of the queue manager for the tests between processes:
// one connection to a queue of a database store, that connects again when
// the database connection breaks, and messages that carry a sequence number
// and a checksum of their own.
#ifndef TEST_DATABASE_CLIENT_H
#define TEST_DATABASE_CLIENT_H

#include <cstdint>
#include <memory>
#include <string>

#include "qm/config.h"
#include "qm/queue_manager.h"

namespace vxtest {

// The test queue manager of a schema, on the database VXRT_TEST_DATABASE names.
vxqm::QueueManagerConfig databaseConfig(const std::string& schema);

// "seq <n> <checksum> <padding>", length bytes in all (at least 40).
std::string sequenced(int64_t n, size_t length);
// The number of a sequenced message, or -1 when its checksum is wrong.
int64_t sequenceOf(const std::string& text);

class Client {
 public:
  Client(vxqm::QueueManager& qm, std::string queue) : qm_(qm), queue_(std::move(queue)) {}
  ~Client();

  // Connects and opens the queue, retrying while the database is away
  // (up to about a minute); false when it never came.
  bool connect();
  void disconnect();
  vxqm::Status put(const std::string& text, bool syncpoint, bool persistent = true);
  // A get with a wait (milliseconds), under syncpoint or not.
  vxqm::Status get(std::string& text, bool syncpoint, int32_t waitMs, vxqm::MessageDescriptor* md = nullptr);
  vxqm::Status commit();
  vxqm::Status backout();
  int32_t hconn() const { return hconn_; }

 private:
  vxqm::QueueManager& qm_;
  std::string queue_;
  int32_t hconn_ = 0;
  int32_t hobj_ = 0;
};

// Whether a status means the database went away (the client then connects
// again).
bool lostDatabase(const vxqm::Status& status);

}  // namespace vxtest

#endif
