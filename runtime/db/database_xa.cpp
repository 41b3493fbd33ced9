// The database store's XA branches: a branch is prepared as a prepared
// transaction of the database (named after its row in xa_branches), so that
// it outlives the process that prepared it and a restart of the server, and
// any process can complete it.
#include "db/columns.h"
#include "db/database_store.h"
#include "db/use.h"
#include "vx/xa.h"

namespace vxdb {

namespace {

int32_t failure(Connection& pg) { return pg.broken() ? XAER_RMFAIL : XAER_RMERR; }

}  // namespace

int32_t DatabaseStore::prepare(vxqm::Branch& branch) {
  Use use(*this, nullptr);
  if (!use) return XAER_RMFAIL;
  const vxqm::Xid& xid = branch.xid();
  int64_t holderSession = branch.holderSession != 0 ? branch.holderSession : session_.load();
  Params params;
  params.i64(xid.formatId)
      .bytes(xid.gtrid.data(), xid.gtrid.size())
      .bytes(xid.bqual.data(), xid.bqual.size())
      .i64(holderSession)
      .i64(branch.holder);
  Result added = use->run(statements_.branchAdd, params);
  if (!added.ok()) {
    failed(*use, "an XA prepare");
    return failure(*use);
  }
  int64_t id = added.row(0).i64(0);
  // The statements of a commit, in a transaction that is prepared instead;
  // its row goes when the branch commits (a branch rolled back removes it).
  std::vector<Connection::Step> steps;
  std::vector<std::string> blocks;
  workSteps(branch, false, steps, blocks);
  Params drop;
  drop.i64(id);
  steps.push_back({&statements_.branchDrop, drop});
  bool prepared = use->simple("BEGIN").ok();
  std::string state;
  for (size_t i = 0; prepared && i < steps.size(); ++i) {
    Result result = use->run(*steps[i].statement, steps[i].params);
    prepared = result.ok();
    if (!prepared) state = result.sqlState();
  }
  prepared = prepared && use->simple("PREPARE TRANSACTION '" + preparedPrefix(schema_) + std::to_string(id) + "'").ok();
  if (!prepared) {
    // Held messages let go meanwhile: the branch's work is lost.
    bool lost = state == "VX001";
    if (!lost) failed(*use, "an XA prepare");
    use->simple("ROLLBACK");
    use->run(statements_.branchDrop, Params().i64(id));
    return lost && !use->broken() ? XA_RBROLLBACK : failure(*use);
  }
  branch.storeId = id;
  return XA_OK;
}

int32_t DatabaseStore::finishPrepared(Connection& pg, int64_t branchId, int64_t holderSession,
                                      int64_t holderUow, bool commit) {
  std::string gid = preparedPrefix(schema_) + std::to_string(branchId);
  if (!pg.simple((commit ? "COMMIT PREPARED '" : "ROLLBACK PREPARED '") + gid + "'").ok()) {
    failed(pg, commit ? "an XA commit" : "an XA rollback");
    return failure(pg);
  }
  if (commit) {
    // Its puts may be on any queue: every waiter here and elsewhere looks.
    pg.run(statements_.notify, Params().text(channel_).text("*"));
  } else {
    Params params;
    params.int64Array({}).i64(holderSession).i64(holderUow).text(channel_);
    pg.run(statements_.releaseUow, params);
    pg.run(statements_.branchDrop, Params().i64(branchId));
  }
  return XA_OK;
}

int32_t DatabaseStore::commitBranch(vxqm::Branch& branch) {
  if (!branch.prepared) {
    vxqm::Status status = commit(nullptr, branch);
    return status.failed() ? (status.reason == VXRC_CONNECTION_BROKEN ? XA_RBROLLBACK : XAER_RMERR) : XA_OK;
  }
  Use use(*this, nullptr);
  if (!use) return XAER_RMFAIL;
  int32_t rc = finishPrepared(*use, branch.storeId, branch.holderSession, branch.holder, true);
  if (rc == XA_OK) afterWork(branch);
  return rc;
}

int32_t DatabaseStore::rollbackBranch(vxqm::Branch& branch) {
  if (!branch.prepared) {
    backout(nullptr, branch);
    return XA_OK;
  }
  Use use(*this, nullptr);
  if (!use) return XAER_RMFAIL;
  int32_t rc = finishPrepared(*use, branch.storeId, branch.holderSession, branch.holder, false);
  if (rc == XA_OK) {
    for (vxqm::UnitOfWork::Operation& op : branch.operations()) {
      if (op.kind == vxqm::UnitOfWork::Kind::Get) lower(op.queue->storeId, op.key);
    }
    afterWork(branch);
  }
  return rc;
}

int32_t DatabaseStore::preparedElsewhere(std::vector<vxqm::Xid>& xids) {
  xids.clear();
  Use use(*this, nullptr);
  if (!use) return XAER_RMFAIL;
  Result result = use->run(statements_.branchesPrepared, Params().text(preparedPrefix(schema_)));
  if (!result.ok()) {
    failed(*use, "an XA recovery scan");
    return failure(*use);
  }
  for (int i = 0; i < result.rows(); ++i) {
    Row row = result.row(i);
    vxqm::Xid xid;
    xid.formatId = row.i64(1);
    xid.gtrid.assign(reinterpret_cast<const char*>(row.bytes(2)), static_cast<size_t>(row.length(2)));
    xid.bqual.assign(reinterpret_cast<const char*>(row.bytes(3)), static_cast<size_t>(row.length(3)));
    xids.push_back(std::move(xid));
  }
  return XA_OK;
}

int32_t DatabaseStore::completeElsewhere(const vxqm::Xid& xid, bool commit) {
  Use use(*this, nullptr);
  if (!use) return XAER_RMFAIL;
  Params params;
  params.text(preparedPrefix(schema_))
      .i64(xid.formatId)
      .bytes(xid.gtrid.data(), xid.gtrid.size())
      .bytes(xid.bqual.data(), xid.bqual.size());
  Result result = use->run(statements_.branchByXid, params);
  if (!result.ok()) {
    failed(*use, "an XA completion");
    return failure(*use);
  }
  if (result.rows() == 0) return XAER_NOTA;
  Row row = result.row(0);
  return finishPrepared(*use, row.i64(0), row.i64(4), row.i64(5), commit);
}

}  // namespace vxdb
