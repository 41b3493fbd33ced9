// Channel authentication: rules that allow or block a channel by its address
// and user, read from the configuration statement
//   chlauth allow|block ADDRESS USER
// where ADDRESS and USER are "*" (anything), a prefix ending in '*', or the
// exact text. Rules apply in the order given; the first that matches
// decides, and a channel that no rule matches is allowed.
#ifndef VXQM_SECURITY_H
#define VXQM_SECURITY_H

#include <string>
#include <vector>

#include "qm/queue_manager.h"

namespace vxqm {

// Applies a chlauth statement; the problem, or empty when it applied.
std::string applyChannelRule(const std::vector<std::string>& words, QueueManagerConfig& config);

bool channelAllowed(const std::vector<ChannelRule>& rules, const std::string& address, const std::string& user);

}  // namespace vxqm

#endif
