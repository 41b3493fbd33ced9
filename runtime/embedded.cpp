// The queue manager behind the vector: the built-in definitions plus those of
// the file that VXRT_QUEUES_FILE names, read at the first call, in the
// database that VXRT_DATABASE names (or the file's database statement).
#include <cstdio>
#include <cstdlib>
#include <fstream>

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
  vxqm::QueueManagerConfig config = vxqm::builtInConfig();
  const char* path = std::getenv("VXRT_QUEUES_FILE");
  if (path == nullptr || *path == '\0') {
    storeFromEnvironment(config);
    return config;
  }
  std::ifstream file(path);
  if (!file) {
    std::fprintf(stderr, "vxrt: cannot read VXRT_QUEUES_FILE %s\n", path);
    storeFromEnvironment(config);
    return config;
  }
  std::vector<std::string> errors;
  vxqm::readConfig(file, config, errors);
  for (const std::string& error : errors) std::fprintf(stderr, "vxrt: %s %s\n", path, error.c_str());
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
