#include "db/statements.h"

#include "db/columns.h"

namespace vxdb {

namespace {

const char* const kQueueColumns =
    "id, name, type, max_depth, max_msg_length, inhibit_put, inhibit_get, default_priority, "
    "default_persistence, managed, creator_hconn, description";
const char* const kSubColumns =
    "id, name, topic, durable, managed, destination, correl_id, open_session, open_hconn, open_hsub";

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// "c.msg_type, c.priority, ..." for the descriptor's columns.
std::string prefixed(const std::string& prefix) {
  std::string columns = kDescriptorColumns;
  std::string out = prefix;
  for (char c : columns) {
    out += c;
    if (c == ' ') out += prefix;
  }
  return out;
}

// "msg_type = EXCLUDED.msg_type, ..." for an upsert.
std::string excluded() {
  std::string columns = std::string(kDescriptorColumns) + ",";
  std::string out;
  size_t start = 0;
  for (size_t comma; (comma = columns.find(',', start)) != std::string::npos; start = comma + 2) {
    std::string name = columns.substr(start, comma - start);
    out += (out.empty() ? "" : ", ") + name + " = EXCLUDED." + name;
  }
  return out;
}

class Numbers {
 public:
  std::string next(const char* type) { return "$" + std::to_string(++n_) + "::" + type; }

 private:
  int n_ = 0;
};

std::string fetchSql(const std::string& s, const FetchShape& shape) {
  Numbers p;
  std::string queue = p.next("bigint");
  std::string rank = p.next("smallint");
  std::string id = p.next("bigint");
  std::string now = p.next("bigint");
  std::string where = "queue_id = " + queue + " AND (rank, id) >= (" + rank + ", " + id +
                      ") AND held_by IS NULL AND (expires_at = 0 OR expires_at > " + now +
                      ") AND NOT (SELECT inhibit_get FROM qq)";
  if (shape.byMsgId) where += " AND msg_id = " + p.next("bytea");
  if (shape.byCorrelId) where += " AND correl_id = " + p.next("bytea");
  if (shape.skip) where += " AND id <> ALL(" + p.next("bigint[]") + ")";
  bool lock = shape.mode == 0 || shape.mode == 1;
  // Expired messages of the queue go on the way, as the get passes them.
  std::string sql = "WITH qq AS (SELECT inhibit_get FROM " + s + ".queues WHERE id = " + queue +
                    "), x AS (DELETE FROM " + s + ".messages WHERE id = ANY(ARRAY(SELECT id FROM " + s +
                    ".messages WHERE queue_id = " + queue + " AND expires_at <> 0 AND expires_at <= " +
                    now + " AND held_by IS NULL FOR UPDATE SKIP LOCKED)))" +
                    ", c AS (SELECT id, rank, octet_length(data) AS length, expires_at, " +
                    kDescriptorColumns + " FROM " + s + ".messages WHERE " + where +
                    " ORDER BY rank, id LIMIT 1" + (lock ? " FOR UPDATE SKIP LOCKED" : "") + ")";
  std::string outer = "SELECT (SELECT count(*) FROM qq), (SELECT inhibit_get FROM qq), c.id, c.rank, "
                      "c.length, c.expires_at, " + prefixed("c.");
  if (shape.mode == 3) return sql + " " + outer + ", NULL::bytea, NULL::bytea FROM (SELECT 1) one LEFT JOIN c ON true";
  std::string limit = p.next("integer");
  std::string accept = p.next("boolean");
  // The message found, by its key, when it fits: a scalar the planner
  // looks up by the primary key whatever its estimates.
  std::string found = "m.id = (SELECT c.id FROM c WHERE c.length <= " + limit + " OR " + accept + ")";
  std::string taken = "m.properties, substring(m.data FROM 1 FOR " + limit + ") AS data";
  std::string sync = "'off'";
  if (shape.mode == 0) {
    sql += ", d AS (DELETE FROM " + s + ".messages m WHERE " + found + " RETURNING " + taken + ")";
    // Removing a persistent message waits for the log's flush; the rest need not.
    sync = "CASE WHEN c.persistence = 1 AND d.data IS NOT NULL THEN 'on' ELSE 'off' END";
  } else if (shape.mode == 1) {
    std::string session = p.next("bigint");
    std::string uow = p.next("bigint");
    sql += ", d AS (UPDATE " + s + ".messages m SET held_by = " + session + ", held_uow = " + uow +
           " WHERE " + found + " RETURNING " + taken + ")";
  } else {
    sql += ", d AS (SELECT " + taken + " FROM " + s + ".messages m WHERE " + found + ")";
  }
  return sql + " " + outer + ", d.properties, d.data, set_config('synchronous_commit', " + sync +
         ", true) FROM (SELECT 1) one LEFT JOIN c ON true LEFT JOIN d ON true";
}

// Names carry the schema: a connection that serves two schemas keeps their
// statements apart.
Statement named(const std::string& name, const std::string& schema, std::string sql) {
  return {name + "_" + schema, replaceAll(std::move(sql), "S.", schema + ".")};
}

}  // namespace

Statements::Statements(const std::string& s) {
  std::string q = kQueueColumns;
  queueByName = named("queue_by_name", s, "SELECT " + q + " FROM S.queues WHERE name = $1::text");
  queueById = named("queue_by_id", s, "SELECT " + q + " FROM S.queues WHERE id = $1::bigint");
  createQueue = named("create_queue", s,
      "INSERT INTO S.queues (name, type, max_depth, max_msg_length, inhibit_put, inhibit_get, "
      "default_priority, default_persistence, managed, creator_session, creator_hconn, description) "
      "VALUES ($1::text, $2::integer, $3::integer, $4::integer, $5::boolean, $6::boolean, $7::integer, "
      "$8::integer, $9::boolean, $10::bigint, $11::integer, $12::text) ON CONFLICT (name) DO NOTHING "
      "RETURNING " + q);
  changeQueue = named("change_queue", s,
      "WITH u AS (UPDATE S.queues SET max_depth = $2::integer, max_msg_length = $3::integer, "
      "inhibit_put = $4::boolean, inhibit_get = $5::boolean, default_priority = $6::integer, "
      "default_persistence = $7::integer, description = $9::text WHERE id = $1::bigint RETURNING id) "
      "SELECT count(*), pg_notify($8::text, 'a ' || $1::bigint) FROM u");
  deleteQueue = named("delete_queue", s,
      "WITH q AS (DELETE FROM S.queues WHERE id = $1::bigint RETURNING id), "
      "m AS (DELETE FROM S.messages WHERE queue_id IN (SELECT id FROM q)) "
      "SELECT pg_notify($2::text, 'd ' || $1::bigint)");
  depth = named("depth", s,
      "SELECT count(*) FROM S.messages WHERE queue_id = $1::bigint AND (expires_at = 0 OR "
      "expires_at > $2::bigint)");
  // Every handle holds its queue's open lock shared; input handles hold its
  // input lock, exclusive or shared. Locks go with the database connection.
  opened = named("opened", s,
      "SELECT CASE $4::integer WHEN 2 THEN pg_try_advisory_lock($2::integer, $3::integer) "
      "WHEN 1 THEN pg_try_advisory_lock_shared($2::integer, $3::integer) ELSE true END "
      "FROM (SELECT pg_advisory_lock_shared($1::integer, $3::integer)) l");
  closed = named("closed", s,
      "SELECT pg_advisory_unlock_shared($1::integer, $3::integer), CASE $4::integer "
      "WHEN 2 THEN pg_advisory_unlock($2::integer, $3::integer) "
      "WHEN 1 THEN pg_advisory_unlock_shared($2::integer, $3::integer) ELSE true END");
  openElsewhere = named("open_elsewhere", s,
      "SELECT CASE WHEN pg_try_advisory_lock($1::integer, $2::integer) "
      "THEN NOT pg_advisory_unlock($1::integer, $2::integer) ELSE true END");

  std::string md = kDescriptorColumns;
  // A message to be announced is remembered in the session (undone with its
  // transaction) and announced by `announce` once its transaction has
  // committed: a notification sent inside a committing transaction would
  // make the commits of all notifying sessions wait for each other.
  std::string remember =
      "set_config('vxrt.announce', concat_ws(';', NULLIF(current_setting('vxrt.announce', true), ''), "
      "$1::bigint || ' ' || ins.rank || ' ' || ins.id), false)";
  announce = named("announce", s,
      "SELECT pg_notify($1::text, p), set_config('vxrt.announce', '', false), "
      "set_config('synchronous_commit', 'off', true) FROM "
      "unnest(string_to_array(NULLIF(current_setting('vxrt.announce', true), ''), ';')) p");
  checkPut = named("check_put", s,
      "SELECT inhibit_put, max_msg_length, max_depth FROM S.queues WHERE id = $1::bigint");
  // A put outside syncpoint: checked against the queue, visible at once,
  // remembered for announcing; waits for the log's flush only when
  // persistent.
  putVisible = named("put_visible", s,
      "WITH qq AS (SELECT inhibit_put, max_msg_length FROM S.queues WHERE id = $1::bigint), "
      "ins AS (INSERT INTO S.messages (queue_id, rank, expires_at, " + md + ", properties, data) "
      "SELECT $1::bigint, $2::smallint, $3::bigint, " + descriptorPlaceholders(4) +
      ", $19::bytea, $20::bytea FROM qq WHERE NOT qq.inhibit_put AND "
      "octet_length($20::bytea) <= qq.max_msg_length RETURNING id, rank) "
      "SELECT (SELECT count(*) FROM qq), (SELECT inhibit_put FROM qq), ins.id, "
      "CASE WHEN ins.id IS NOT NULL AND $21::boolean THEN " + remember + " END, "
      "set_config('synchronous_commit', CASE WHEN $6::integer = 1 THEN 'on' ELSE 'off' END, true) "
      "FROM (SELECT 1) one LEFT JOIN ins ON true");
  // A put of a unit of work, at its commit, remembered for announcing when
  // asked ($21): the first of the highest priority of each queue is enough.
  insertPending = named("insert_pending", s,
      "WITH ins AS (INSERT INTO S.messages (queue_id, rank, expires_at, " + md + ", properties, data) "
      "SELECT $1::bigint, $2::smallint, $3::bigint, " + descriptorPlaceholders(4) +
      ", $19::bytea, $20::bytea WHERE EXISTS (SELECT 1 FROM S.queues WHERE id = $1::bigint) "
      "RETURNING id, rank) SELECT ins.id, CASE WHEN $21::boolean THEN " + remember + " END FROM ins");
  // The same without the announcement, for an XA branch's prepare (a prepared
  // transaction notifies nobody; its commit does).
  insertQuiet = named("insert_quiet", s,
      "INSERT INTO S.messages (queue_id, rank, expires_at, " + md + ", properties, data) "
      "SELECT $1::bigint, $2::smallint, $3::bigint, " + descriptorPlaceholders(4) +
      ", $19::bytea, $20::bytea WHERE EXISTS (SELECT 1 FROM S.queues WHERE id = $1::bigint) "
      "AND $21::boolean IS NOT NULL RETURNING id");
  // The messages a unit of work holds, at its commit: all of them still
  // held by it, or the commit fails (VX001) and nothing of it happens.
  deleteHeld = named("delete_held", s,
      "WITH d AS (DELETE FROM S.messages WHERE id = ANY($1::bigint[]) AND held_by = $2::bigint AND "
      "held_uow = $3::bigint RETURNING 1) SELECT S.expect((SELECT count(*) FROM d), "
      "cardinality($1::bigint[]))");
  relaxCommit = named("relax_commit", s, "SELECT set_config('synchronous_commit', 'off', true)");
  std::string back =
      " RETURNING queue_id, rank, id) SELECT pg_notify($4::text, queue_id || ' ' || rank || ' ' || id), "
      "set_config('synchronous_commit', 'off', true) FROM (SELECT DISTINCT ON (queue_id) queue_id, "
      "rank, id FROM back ORDER BY queue_id, rank, id) x";
  releaseHeld = named("release_held", s,
      "WITH back AS (UPDATE S.messages SET held_by = NULL, held_uow = NULL, backout_count = "
      "backout_count + 1 WHERE id = ANY($1::bigint[]) AND held_by = $2::bigint AND held_uow = "
      "$3::bigint" + back);
  releaseUow = named("release_uow", s,
      "WITH back AS (UPDATE S.messages SET held_by = NULL, held_uow = NULL, backout_count = "
      "backout_count + 1 WHERE held_by = $2::bigint AND held_uow = $3::bigint AND $1::bigint[] IS NOT NULL" +
      back);
  // Up to $5 messages from the queue's head, held by the unit of work, with
  // everything a get returns, in the fetch's columns, one row per message
  // (or one row of nulls when none), in their order.
  holdAhead = named("hold_ahead", s,
      "WITH qq AS (SELECT inhibit_get FROM S.queues WHERE id = $1::bigint), "
      "c AS (SELECT id FROM S.messages WHERE queue_id = $1::bigint AND (rank, id) >= ($2::smallint, "
      "$3::bigint) AND held_by IS NULL AND (expires_at = 0 OR expires_at > $4::bigint) AND NOT "
      "(SELECT inhibit_get FROM qq) ORDER BY rank, id LIMIT $5::integer FOR UPDATE SKIP LOCKED), "
      "d AS (UPDATE S.messages m SET held_by = $6::bigint, held_uow = $7::bigint WHERE m.id = "
      "ANY(ARRAY(SELECT id FROM c)) RETURNING m.id, m.rank, octet_length(m.data) AS length, "
      "m.expires_at, " + prefixed("m.") + ", m.properties, m.data) "
      "SELECT (SELECT count(*) FROM qq), (SELECT inhibit_get FROM qq), d.id, d.rank, d.length, "
      "d.expires_at, " + prefixed("d.") + ", d.properties, d.data, "
      "set_config('synchronous_commit', 'off', true) FROM (SELECT 1) one LEFT JOIN d ON true "
      "ORDER BY d.rank, d.id");
  // Messages held ahead and not got, let go as they were, the first of each
  // queue remembered for announcing.
  releaseAhead = named("release_ahead", s,
      "WITH back AS (UPDATE S.messages SET held_by = NULL, held_uow = NULL WHERE id = ANY($1::bigint[]) "
      "AND held_by = $2::bigint AND held_uow = $3::bigint RETURNING queue_id, rank, id), "
      "ins AS (SELECT DISTINCT ON (queue_id) queue_id, rank, id FROM back ORDER BY queue_id, rank, id) "
      "SELECT set_config('vxrt.announce', concat_ws(';', NULLIF(current_setting('vxrt.announce', true), ''), "
      "string_agg(ins.queue_id || ' ' || ins.rank || ' ' || ins.id, ';')), false) FROM ins");
  notify = named("notify", s, "SELECT pg_notify($1::text, $2::text)");
  existing = named("existing", s, "SELECT id FROM S.messages WHERE id = ANY($1::bigint[])");
  sweep = named("sweep", s,
      "DELETE FROM S.messages WHERE expires_at <> 0 AND expires_at <= $1::bigint AND held_by IS NULL");

  // The row is seen by others only once its lock is held: a clean-up never
  // takes a session being born for one that is gone.
  newSession = named("new_session", s,
      "WITH n AS (INSERT INTO S.sessions (pid, host) VALUES ($1::integer, $2::text) RETURNING id) "
      "SELECT id, pg_try_advisory_lock($3::integer, id::integer) FROM n");
  // Whether nobody holds a session's lock: taken and given back at once.
  sessionLost = named("session_lost", s,
      "SELECT CASE WHEN pg_try_advisory_lock($1::integer, $2::integer) "
      "THEN pg_advisory_unlock($1::integer, $2::integer) ELSE false END");
  cleanup = named("cleanup", s, "SELECT S.cleanup($1::bigint, $2::integer, $3::text)");

  std::string sub = kSubColumns;
  subCount = named("sub_count", s, "SELECT count(*) FROM S.subscriptions");
  subAdd = named("sub_add", s,
      "INSERT INTO S.subscriptions (name, topic, durable, managed, destination, correl_id, "
      "open_session, open_hconn, open_hsub) VALUES (NULLIF($1::text, ''), $2::text, $3::boolean, "
      "$4::boolean, $5::bigint, $6::bytea, $7::bigint, $8::integer, $9::integer) "
      "ON CONFLICT (name) DO NOTHING RETURNING id");
  subRemove = named("sub_remove", s, "DELETE FROM S.subscriptions WHERE id = $1::bigint");
  subNamed = named("sub_named", s, "SELECT " + sub + " FROM S.subscriptions WHERE name = $1::text");
  subAllNamed = named("sub_all_named", s,
      "SELECT " + sub + " FROM S.subscriptions WHERE name IS NOT NULL ORDER BY name");
  subAll = named("sub_all", s, "SELECT " + sub + " FROM S.subscriptions ORDER BY id");
  subTake = named("sub_take", s,
      "UPDATE S.subscriptions SET open_session = $2::bigint, open_hconn = $3::integer, "
      "open_hsub = $4::integer WHERE id = $1::bigint AND open_session IS NULL RETURNING id");
  subLetGo = named("sub_let_go", s,
      "UPDATE S.subscriptions SET open_session = NULL, open_hconn = NULL, open_hsub = NULL "
      "WHERE id = $1::bigint AND open_session = $2::bigint AND open_hconn = $3::integer");

  retain = named("retain", s,
      "INSERT INTO S.retained (topic, expires_at, " + md + ", properties, data) VALUES ($1::text, "
      "$2::bigint, " + descriptorPlaceholders(3) + ", $18::bytea, $19::bytea) ON CONFLICT (topic) "
      "DO UPDATE SET expires_at = EXCLUDED.expires_at, " + excluded() +
      ", properties = EXCLUDED.properties, data = EXCLUDED.data");
  retainedExpire = named("retained_expire", s,
      "DELETE FROM S.retained WHERE expires_at <> 0 AND expires_at <= $1::bigint");
  retainedAll = named("retained_all", s,
      "SELECT topic, expires_at, " + md + ", properties, data FROM S.retained ORDER BY topic");

  std::string branch = "SELECT b.id, b.format_id, b.gtrid, b.bqual, b.holder_session, b.holder_uow "
                       "FROM S.xa_branches b WHERE EXISTS (SELECT 1 FROM pg_prepared_xacts p WHERE "
                       "p.gid = $1::text || b.id AND p.database = current_database())";
  branchAdd = named("branch_add", s,
      "INSERT INTO S.xa_branches (format_id, gtrid, bqual, holder_session, holder_uow) VALUES "
      "($1::bigint, $2::bytea, $3::bytea, $4::bigint, $5::bigint) RETURNING id");
  branchDrop = named("branch_drop", s, "DELETE FROM S.xa_branches WHERE id = $1::bigint");
  branchesPrepared = named("branches_prepared", s, branch + " ORDER BY b.id");
  branchByXid = named("branch_by_xid", s,
      branch + " AND b.format_id = $2::bigint AND b.gtrid = $3::bytea AND b.bqual = $4::bytea");

  fetch.resize(32);
  for (int mode = 0; mode < 4; ++mode) {
    for (int flags = 0; flags < 8; ++flags) {
      FetchShape shape{mode, (flags & 4) != 0, (flags & 2) != 0, (flags & 1) != 0};
      fetch[static_cast<size_t>(shape.index())] =
          Statement{"fetch_" + std::to_string(shape.index()) + "_" + s, fetchSql(s, shape)};
    }
  }
}

}  // namespace vxdb
