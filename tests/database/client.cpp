#include "client.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace vxtest {

vxqm::QueueManagerConfig databaseConfig(const std::string& schema) {
  vxqm::QueueManagerConfig config = vxqm::builtInConfig();
  std::istringstream text("queue CRASH.Q maxdepth=1000000\nqueue WAKE.Q\n");
  std::vector<std::string> errors;
  vxqm::readConfig(text, config, errors);
  const char* database = std::getenv("VXRT_TEST_DATABASE");
  config.database = database != nullptr ? database : "";
  config.databaseSchema = schema;
  return config;
}

namespace {

uint32_t checksum(const std::string& text) {
  uint32_t sum = 2166136261u;
  for (unsigned char c : text) {
    sum ^= c;
    sum *= 16777619u;
  }
  return sum;
}

}  // namespace

std::string sequenced(int64_t n, size_t length) {
  std::string padding(length > 40 ? length - 40 : 0, static_cast<char>('a' + n % 26));
  char head[41];
  std::snprintf(head, sizeof head, "seq %012lld %08x ", static_cast<long long>(n),
                checksum(std::to_string(n) + padding));
  return std::string(head) + padding;
}

int64_t sequenceOf(const std::string& text) {
  long long n = 0;
  unsigned sum = 0;
  if (std::sscanf(text.c_str(), "seq %lld %x ", &n, &sum) != 2) return -1;
  size_t start = text.find(' ', text.find(' ', 4) + 1) + 1;
  std::string padding = start <= text.size() ? text.substr(start) : std::string();
  return checksum(std::to_string(n) + padding) == sum ? n : -1;
}

bool lostDatabase(const vxqm::Status& status) {
  return status.failed() &&
         (status.reason == VXRC_CONNECTION_BROKEN || status.reason == VXRC_STORE_NOT_AVAILABLE ||
          status.reason == VXRC_STORE_ERROR);
}

Client::~Client() { disconnect(); }

bool Client::connect() {
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < until) {
    disconnect();
    if (!qm_.connect({}, hconn_).failed()) {
      vxqm::ObjectRequest object;
      object.name = queue_;
      vxqm::OpenOptions options;
      options.inputShared = options.output = options.inquire = true;
      vxqm::ObjectResolution resolution;
      if (!qm_.open(hconn_, object, options, hobj_, resolution).failed()) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return false;
}

void Client::disconnect() {
  if (hconn_ != 0) qm_.disconnect(hconn_);
  hconn_ = 0;
  hobj_ = 0;
}

vxqm::Status Client::put(const std::string& text, bool syncpoint, bool persistent) {
  vxqm::MessageDescriptor md;
  md.persistence = persistent ? VXPER_PERSISTENT : VXPER_NOT_PERSISTENT;
  vxqm::PutOptions options;
  options.syncpoint = syncpoint;
  vxqm::PutResult result;
  return qm_.put(hconn_, hobj_, md, options, text.data(), static_cast<int32_t>(text.size()), result);
}

vxqm::Status Client::get(std::string& text, bool syncpoint, int32_t waitMs, vxqm::MessageDescriptor* out) {
  vxqm::MessageDescriptor md;
  vxqm::GetOptions options;
  options.syncpoint = syncpoint;
  options.wait = waitMs > 0;
  options.waitInterval = waitMs;
  std::string buffer(1 << 20, '\0');
  int32_t length = 0;
  vxqm::GetResult result;
  vxqm::Status status = qm_.get(hconn_, hobj_, md, options, &buffer[0],
                                static_cast<int32_t>(buffer.size()), length, result);
  if (!status.failed()) text.assign(buffer.data(), static_cast<size_t>(result.returnedLength));
  if (out != nullptr) *out = md;
  return status;
}

vxqm::Status Client::commit() { return qm_.commit(hconn_); }
vxqm::Status Client::backout() { return qm_.backout(hconn_); }

}  // namespace vxtest
