// The queue manager that the vector's entries serve in this test binary: the
// tests' own definitions, not the environment's.
#include "entries/entries.h"
#include "qm_test.h"

namespace vxrt {

vxqm::QueueManager& queueManager() {
  static vxqm::QueueManager* manager = new vxqm::QueueManager(testConfig());
  return *manager;
}

}  // namespace vxrt
