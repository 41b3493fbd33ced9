// The queue manager's users: adopting one on a privileged connection, and
// mapping a user's credentials to the identifier it acts under. The users are
// those of the configuration's user statements.
#include <algorithm>

#include "qm/call.h"
#include "qm/queue_manager.h"
#include "vx/spi.h"

namespace vxqm {

const Credentials* QueueManager::findUser(const std::string& user) const {
  auto it = std::find_if(config_.users.begin(), config_.users.end(),
                         [&](const Credentials& known) { return known.user == user; });
  return it != config_.users.end() ? &*it : nullptr;
}

std::string QueueManager::identityOf(const std::string& user) const {
  auto it = config_.userIdentifiers.find(user);
  if (it != config_.userIdentifiers.end() && findUser(user) != nullptr) return it->second;
  return user.substr(0, VX_USER_ID_LENGTH);
}

Status QueueManager::privilegedCall(Call& call) {
  if (!call.connection) return call.status;
  return call.connection->privileged ? Status::ok() : Status::failure(VXRC_NOT_PRIVILEGED);
}

namespace {

Status checkUserName(const std::string& user) {
  if (user.empty() || user.size() > static_cast<size_t>(VXCSP_MAX_USER_ID_LENGTH)) {
    return Status::failure(VXRC_USER_ID_ERROR);
  }
  return Status::ok();
}

}  // namespace

Status QueueManager::adoptUser(int32_t hconn, const AdoptRequest& request, AdoptResult& result) {
  Call call(*this, hconn, VXCALL_SPI_ADOPT_USER);
  Status status = privilegedCall(call);
  if (status.failed()) return status;
  Connection& connection = *call.connection;
  const int32_t known = LPIADU_AUTHENTICATE | LPIADU_RESTORE;
  if ((request.options & ~known) != 0 || request.options == known) {
    return Status::failure(VXRC_ADOPT_USER_ERROR);
  }
  std::lock_guard<QmLock> lock(mutex_);
  if (request.options == LPIADU_RESTORE) {
    connection.identity = identityOf(connection.user());
    result = {LPIADU_OUT_RESTORED, connection.identity};
    return Status::ok();
  }
  status = checkUserName(request.user);
  if (status.failed()) return status;
  const Credentials* user = findUser(request.user);
  if (user == nullptr) return Status::failure(VXRC_UNKNOWN_USER);
  bool authenticate = (request.options & LPIADU_AUTHENTICATE) != 0;
  if (authenticate && request.password != user->password) return Status::failure(VXRC_PASSWORD_ERROR);
  connection.identity = identityOf(user->user);
  result = {authenticate ? LPIADU_OUT_AUTHENTICATED : LPIADU_OUT_TRUSTED, connection.identity};
  return Status::ok();
}

Status QueueManager::mapCredentials(int32_t hconn, const Credentials& given, std::string& identifier) {
  Call call(*this, hconn, VXCALL_SPI_MAP_CREDENTIALS);
  Status status = privilegedCall(call);
  if (status.failed()) return status;
  status = checkUserName(given.user);
  if (status.failed()) return status;
  const Credentials* user = findUser(given.user);
  if (user == nullptr) return Status::failure(VXRC_UNKNOWN_USER);
  if (given.password != user->password) return Status::failure(VXRC_PASSWORD_ERROR);
  identifier = identityOf(user->user);
  return Status::ok();
}

}  // namespace vxqm
