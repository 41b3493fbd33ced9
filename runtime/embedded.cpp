// The queue manager behind the vector: the built-in definitions plus those of
// the file that VXRT_QUEUES_FILE names, read at the first call, in the
// database that VXRT_DATABASE names (or the file's database statement). A
// file that is missing or has a bad line is reported once on standard
// error, and every connect then fails with VXRC_CONFIGURATION_ERROR.
#include <cstdio>
#include <cstdlib>

#include "entries/entries.h"
#include "qm/config.h"

namespace vxrt {

namespace {

// The environment's store settings win over the file's.
void storeFromEnvironment(vxqm::QueueManagerConfig& config) {
  const char* database = std::getenv("VXRT_DATABASE");
  if (database != nullptr && *database != '\0') config.database = database;
  const char* schema = std::getenv("VXRT_DATABASE_SCHEMA");
  if (schema != nullptr && *schema != '\0') config.databaseSchema = schema;
}

vxqm::QueueManagerConfig loadConfig() {
  const char* path = std::getenv("VXRT_QUEUES_FILE");
  vxqm::QueueManagerConfig config =
      path == nullptr || *path == '\0' ? vxqm::builtInConfig() : vxqm::configFromFile(path);
  if (!config.problem.empty()) {
    std::fprintf(stderr, "vxrt: VXRT_QUEUES_FILE %s; connections are refused\n", config.problem.c_str());
    std::fflush(stderr);
  }
  storeFromEnvironment(config);
  return config;
}

}  // namespace

// Never destroyed: Java threads may still be inside a call while the process
// exits.
vxqm::QueueManager& queueManager() {
  static vxqm::QueueManager* manager = new vxqm::QueueManager(loadConfig());
  return *manager;
}

}  // namespace vxrt
