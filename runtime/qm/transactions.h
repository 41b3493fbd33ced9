// The queue manager as an XA resource manager: transaction branches, the
// rmids that a transaction manager has opened, and which connection works
// for which rmid. Used with the queue manager's lock held.
//
// An rmid opened by xa_open is bound to one connection: the first connection
// made on the opening thread after the open. From then on the XA calls that
// name the rmid act for that connection, from whichever thread they come.
// While the rmid is associated with a branch (started, not ended or
// suspended), the connection's puts and gets under syncpoint belong to that
// branch; otherwise they belong to the connection's own unit of work.
#ifndef VXQM_TRANSACTIONS_H
#define VXQM_TRANSACTIONS_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "qm/unit_of_work.h"

namespace vxqm {

// A transaction branch identifier: format, global transaction identifier
// (1 to 64 bytes) and branch qualifier (0 to 64 bytes).
struct Xid {
  int64_t formatId = 0;
  std::string gtrid;
  std::string bqual;

  bool operator<(const Xid& other) const {
    return std::tie(formatId, gtrid, bqual) < std::tie(other.formatId, other.gtrid, other.bqual);
  }
  bool operator==(const Xid& other) const {
    return formatId == other.formatId && gtrid == other.gtrid && bqual == other.bqual;
  }
};

// The unit of work of one XID. It lives in the queue manager, apart from
// any connection, until it is committed, rolled back, or found read-only at
// prepare.
class Branch : public UnitOfWork {
 public:
  explicit Branch(Xid xid) : xid_(std::move(xid)) {}

  const Xid& xid() const { return xid_; }

  // rmids associated with the branch, suspended associations included;
  // a branch with none is idle.
  int32_t associations = 0;
  // Ended with TMFAIL, or its connection went while it was associated: it
  // can only be rolled back.
  bool rollbackOnly = false;
  bool prepared = false;
  // The database store's record of the prepared branch.
  int64_t storeId = 0;

 private:
  Xid xid_;
};

// An rmid opened by a transaction manager.
struct XaContext {
  int32_t hconn = 0;  // the bound connection; 0 until one is made
  std::shared_ptr<Branch> active;
  std::vector<std::shared_ptr<Branch>> suspended;
  // The recovery scan: the prepared XIDs found at its start.
  bool scanning = false;
  std::vector<Xid> scan;
  size_t scanNext = 0;

  bool associated() const { return active != nullptr || !suspended.empty(); }
};

struct Transactions {
  std::unordered_map<int32_t, XaContext> contexts;  // by rmid
  std::map<Xid, std::shared_ptr<Branch>> branches;
  std::unordered_map<int32_t, int32_t> rmidOf;      // by hconn, the bound connections
  // The rmid that the next connection made on a thread binds to.
  std::unordered_map<std::thread::id, int32_t> pending;
};

}  // namespace vxqm

#endif
