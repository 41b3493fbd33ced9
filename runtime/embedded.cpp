// The queue manager behind the vector: the built-in definitions plus those of
// the file that VXRT_QUEUES_FILE names, read at the first call.
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "entries/entries.h"
#include "qm/config.h"

namespace vxrt {

namespace {

vxqm::QueueManagerConfig loadConfig() {
  vxqm::QueueManagerConfig config = vxqm::builtInConfig();
  const char* path = std::getenv("VXRT_QUEUES_FILE");
  if (path == nullptr || *path == '\0') return config;
  std::ifstream file(path);
  if (!file) {
    std::fprintf(stderr, "vxrt: cannot read VXRT_QUEUES_FILE %s\n", path);
    return config;
  }
  std::vector<std::string> errors;
  vxqm::readConfig(file, config, errors);
  for (const std::string& error : errors) std::fprintf(stderr, "vxrt: %s %s\n", path, error.c_str());
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
