// The XA calls: opening rmids and binding them to connections, starting,
// ending, suspending and resuming branches, two-phase and one-phase
// completion, and the recovery scan.
#include <algorithm>

#include "qm/queue_manager.h"
#include "vx/xa.h"

namespace vxqm {

namespace {

bool only(int32_t flags, int32_t allowed) { return (flags & ~allowed) == 0; }

template <typename T>
bool take(std::vector<T>& list, const T& value) {
  auto it = std::find(list.begin(), list.end(), value);
  if (it == list.end()) return false;
  list.erase(it);
  return true;
}

}  // namespace

XaContext* QueueManager::xaContext(int32_t rmid) {
  auto it = xa_.contexts.find(rmid);
  return it != xa_.contexts.end() ? &it->second : nullptr;
}

// A branch cannot take over a connection that is in a unit of work of its own.
bool QueueManager::outside(const XaContext& context) {
  auto it = connections_.find(context.hconn);
  return it != connections_.end() && it->second->unitOfWork.active();
}

UnitOfWork& QueueManager::workOf(Connection& connection) {
  auto bound = xa_.rmidOf.find(connection.hconn());
  if (bound != xa_.rmidOf.end()) {
    XaContext* context = xaContext(bound->second);
    if (context != nullptr && context->active) return *context->active;
  }
  return connection.unitOfWork;
}

bool QueueManager::inBranch(const Connection& connection) {
  auto bound = xa_.rmidOf.find(connection.hconn());
  if (bound == xa_.rmidOf.end()) return false;
  XaContext* context = xaContext(bound->second);
  return context != nullptr && context->active != nullptr;
}

void QueueManager::bindPendingOpen(Connection& connection) {
  auto pending = xa_.pending.find(std::this_thread::get_id());
  if (pending == xa_.pending.end()) return;
  XaContext* context = xaContext(pending->second);
  if (context != nullptr && context->hconn == 0) {
    context->hconn = connection.hconn();
    xa_.rmidOf[connection.hconn()] = pending->second;
  }
  xa_.pending.erase(pending);
}

// A connection that goes while its rmid is associated with branches leaves
// them rollback-only: their work is incomplete. Idle and prepared branches
// do not depend on it and stay. The rmid stays open, unbound.
void QueueManager::leaveTransactions(Connection& connection) {
  auto bound = xa_.rmidOf.find(connection.hconn());
  if (bound == xa_.rmidOf.end()) return;
  XaContext* context = xaContext(bound->second);
  xa_.rmidOf.erase(bound);
  if (context == nullptr) return;
  context->hconn = 0;
  if (context->active) context->suspended.push_back(std::move(context->active));
  for (std::shared_ptr<Branch>& branch : context->suspended) {
    branch->rollbackOnly = true;
    --branch->associations;
  }
  context->active = nullptr;
  context->suspended.clear();
}

int32_t QueueManager::xaOpen(const std::string& qmgrName, int32_t rmid, int32_t flags) {
  if (flags != TMNOFLAGS) return XAER_INVAL;
  if (!qmgrName.empty() && qmgrName != config_.name) return XAER_INVAL;
  std::lock_guard<QmLock> lock(mutex_);
  XaContext* context = xaContext(rmid);
  if (context == nullptr) {
    if (xa_.contexts.size() >= static_cast<size_t>(config_.limits.maxXaOpens)) return XAER_RMERR;
    context = &xa_.contexts[rmid];
  }
  // Opened again: an rmid without a connection still waits for one.
  if (context->hconn == 0) xa_.pending[std::this_thread::get_id()] = rmid;
  return XA_OK;
}

int32_t QueueManager::xaClose(int32_t rmid, int32_t flags) {
  if (flags != TMNOFLAGS) return XAER_INVAL;
  std::lock_guard<QmLock> lock(mutex_);
  XaContext* context = xaContext(rmid);
  if (context == nullptr) return XA_OK;
  if (context->associated()) return XAER_PROTO;
  xa_.rmidOf.erase(context->hconn);
  for (auto it = xa_.pending.begin(); it != xa_.pending.end();) {
    it = it->second == rmid ? xa_.pending.erase(it) : std::next(it);
  }
  xa_.contexts.erase(rmid);
  return XA_OK;
}

int32_t QueueManager::xaStart(const Xid& xid, int32_t rmid, int32_t flags) {
  int32_t how = flags & (TMJOIN | TMRESUME);
  if (!only(flags, TMJOIN | TMRESUME | TMNOWAIT) || how == (TMJOIN | TMRESUME)) return XAER_INVAL;
  std::lock_guard<QmLock> lock(mutex_);
  XaContext* context = xaContext(rmid);
  if (context == nullptr || context->active) return XAER_PROTO;
  auto found = xa_.branches.find(xid);
  if (how == TMNOFLAGS) {
    if (found != xa_.branches.end()) return XAER_DUPID;
    if (xa_.branches.size() >= static_cast<size_t>(config_.limits.maxXaBranches)) return XAER_RMERR;
    if (outside(*context)) return XAER_OUTSIDE;
    auto branch = std::make_shared<Branch>(xid);
    xa_.branches.emplace(xid, branch);
    ++branch->associations;
    context->active = std::move(branch);
    return XA_OK;
  }
  if (found == xa_.branches.end()) return XAER_NOTA;
  std::shared_ptr<Branch> branch = found->second;
  bool suspendedHere = std::count(context->suspended.begin(), context->suspended.end(), branch) != 0;
  if (how == TMRESUME) {
    if (!suspendedHere) return XAER_PROTO;
    if (outside(*context)) return XAER_OUTSIDE;
    take(context->suspended, branch);
    context->active = std::move(branch);
    return XA_OK;
  }
  if (branch->prepared || suspendedHere) return XAER_PROTO;
  if (branch->rollbackOnly) return XA_RBROLLBACK;
  if (outside(*context)) return XAER_OUTSIDE;
  ++branch->associations;
  context->active = std::move(branch);
  return XA_OK;
}

int32_t QueueManager::xaEnd(const Xid& xid, int32_t rmid, int32_t flags) {
  if (flags != TMSUCCESS && flags != TMFAIL && flags != TMSUSPEND) return XAER_INVAL;
  std::lock_guard<QmLock> lock(mutex_);
  XaContext* context = xaContext(rmid);
  if (context == nullptr) return XAER_PROTO;
  auto found = xa_.branches.find(xid);
  if (found == xa_.branches.end()) return XAER_NOTA;
  std::shared_ptr<Branch> branch = found->second;
  if (context->active == branch) {
    context->active = nullptr;
    if (flags == TMSUSPEND) {
      context->suspended.push_back(std::move(branch));
      return XA_OK;
    }
  } else if (flags == TMSUSPEND || !take(context->suspended, branch)) {
    // Not associated with this rmid, or suspended already.
    return XAER_PROTO;
  }
  --branch->associations;
  if (flags == TMFAIL) {
    branch->rollbackOnly = true;
    return XA_OK;
  }
  return branch->rollbackOnly ? XA_RBROLLBACK : XA_OK;
}

int32_t QueueManager::xaPrepare(const Xid& xid, int32_t rmid, int32_t flags) {
  if (flags != TMNOFLAGS) return XAER_INVAL;
  std::lock_guard<QmLock> lock(mutex_);
  if (xaContext(rmid) == nullptr) return XAER_PROTO;
  auto found = xa_.branches.find(xid);
  if (found == xa_.branches.end()) return XAER_NOTA;
  Branch& branch = *found->second;
  if (branch.associations > 0 || branch.prepared) return XAER_PROTO;
  if (branch.rollbackOnly) {
    store_->rollbackBranch(branch);
    xa_.branches.erase(found);
    return XA_RBROLLBACK;
  }
  if (!branch.hasWork()) {
    xa_.branches.erase(found);
    return XA_RDONLY;
  }
  int32_t rc = store_->prepare(branch);
  if (rc != XA_OK) {
    // Nothing was prepared: the branch's work is undone.
    store_->rollbackBranch(branch);
    xa_.branches.erase(found);
    return rc;
  }
  branch.prepared = true;
  return XA_OK;
}

int32_t QueueManager::xaCommit(const Xid& xid, int32_t rmid, int32_t flags) {
  if (!only(flags, TMONEPHASE | TMNOWAIT)) return XAER_INVAL;
  bool onePhase = (flags & TMONEPHASE) != 0;
  std::lock_guard<QmLock> lock(mutex_);
  if (xaContext(rmid) == nullptr) return XAER_PROTO;
  auto found = xa_.branches.find(xid);
  if (found == xa_.branches.end()) return onePhase ? XAER_NOTA : store_->completeElsewhere(xid, true);
  Branch& branch = *found->second;
  // Two phases need a prepare first; one phase rules one out.
  if (branch.associations > 0 || branch.prepared != !onePhase) return XAER_PROTO;
  if (branch.rollbackOnly) {
    store_->rollbackBranch(branch);
    xa_.branches.erase(found);
    return XA_RBROLLBACK;
  }
  int32_t rc = store_->commitBranch(branch);
  // A branch that could not be completed stays, to be completed again.
  if (rc == XAER_RMFAIL) return rc;
  xa_.branches.erase(found);
  return rc;
}

int32_t QueueManager::xaRollback(const Xid& xid, int32_t rmid, int32_t flags) {
  if (flags != TMNOFLAGS) return XAER_INVAL;
  std::lock_guard<QmLock> lock(mutex_);
  if (xaContext(rmid) == nullptr) return XAER_PROTO;
  auto found = xa_.branches.find(xid);
  if (found == xa_.branches.end()) return store_->completeElsewhere(xid, false);
  Branch& branch = *found->second;
  if (branch.associations > 0) return XAER_PROTO;
  int32_t rc = store_->rollbackBranch(branch);
  if (rc == XAER_RMFAIL) return rc;
  xa_.branches.erase(found);
  return rc;
}

// Branches are never completed heuristically, so there is never one to forget.
int32_t QueueManager::xaForget(const Xid& xid, int32_t rmid, int32_t flags) {
  if (flags != TMNOFLAGS) return XAER_INVAL;
  std::lock_guard<QmLock> lock(mutex_);
  if (xaContext(rmid) == nullptr) return XAER_PROTO;
  return xa_.branches.count(xid) != 0 ? XAER_PROTO : XAER_NOTA;
}

int32_t QueueManager::xaRecover(std::vector<Xid>& xids, int32_t count, int32_t rmid,
                                int32_t flags) {
  xids.clear();
  if (!only(flags, TMSTARTRSCAN | TMENDRSCAN) || count < 0) return XAER_INVAL;
  std::lock_guard<QmLock> lock(mutex_);
  XaContext* context = xaContext(rmid);
  if (context == nullptr) return XAER_PROTO;
  if (flags & TMSTARTRSCAN) {
    context->scan.clear();
    for (const auto& entry : xa_.branches) {
      if (entry.second->prepared) context->scan.push_back(entry.first);
    }
    std::vector<Xid> elsewhere;
    int32_t rc = store_->preparedElsewhere(elsewhere);
    if (rc != XA_OK) return rc;
    for (Xid& xid : elsewhere) {
      if (xa_.branches.count(xid) == 0) context->scan.push_back(std::move(xid));
    }
    context->scanNext = 0;
    context->scanning = true;
  } else if (!context->scanning) {
    return XAER_INVAL;
  }
  size_t left = context->scan.size() - context->scanNext;
  size_t n = std::min(left, static_cast<size_t>(count));
  auto from = context->scan.begin() + static_cast<std::ptrdiff_t>(context->scanNext);
  xids.assign(from, from + static_cast<std::ptrdiff_t>(n));
  context->scanNext += n;
  if (flags & TMENDRSCAN) {
    context->scanning = false;
    context->scan.clear();
    context->scanNext = 0;
  }
  return static_cast<int32_t>(n);
}

int32_t QueueManager::xaComplete(int32_t, int32_t flags) {
  return only(flags, TMMULTIPLE | TMNOWAIT) ? XAER_PROTO : XAER_INVAL;
}

}  // namespace vxqm
