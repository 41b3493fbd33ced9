// Channel-authentication rules and their check.
#include "qm/security.h"

#include "qm/call.h"
#include "vx/spi.h"

namespace vxqm {

namespace {

bool matches(const std::string& pattern, const std::string& text) {
  if (!pattern.empty() && pattern.back() == '*') {
    return text.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
  }
  return pattern == text;
}

}  // namespace

std::string applyChannelRule(const std::vector<std::string>& words, QueueManagerConfig& config) {
  if (words.size() != 4 || (words[1] != "allow" && words[1] != "block") ||
      words[2].size() > static_cast<size_t>(VX_NAME_LENGTH) ||
      words[3].size() > static_cast<size_t>(VX_USER_ID_LENGTH)) {
    return "expected: chlauth allow|block ADDRESS USER";
  }
  config.channelRules.push_back({words[1] == "allow", words[2], words[3]});
  return {};
}

bool channelAllowed(const std::vector<ChannelRule>& rules, const std::string& address, const std::string& user) {
  for (const ChannelRule& rule : rules) {
    if (matches(rule.address, address) && matches(rule.user, user)) return rule.allow;
  }
  return true;
}

Status QueueManager::checkChannel(int32_t hconn, const std::string& address, const std::string& user,
                                  bool& allowed) {
  Call call(*this, hconn, VXCALL_SPI_CHLAUTH);
  if (!call.connection) return call.status;
  if (!call.connection->privileged) return Status::failure(VXRC_NOT_PRIVILEGED);
  allowed = channelAllowed(config_.channelRules, address, user);
  return allowed ? Status::ok() : Status::failure(VXRC_NOT_AUTHORIZED);
}

}  // namespace vxqm
