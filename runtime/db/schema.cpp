#include "db/schema.h"

#include <cstdio>

#include "db/columns.h"

namespace vxdb {

namespace {

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::string quoted(const std::string& text) { return "'" + replaceAll(text, "'", "''") + "'"; }

// FNV-1a, so that every process finds the same classes for a schema.
int32_t hashOf(const std::string& text) {
  uint32_t hash = 2166136261u;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 16777619u;
  }
  return static_cast<int32_t>(hash);
}

// S stands for the schema, Q for the queue manager's name, C for the
// notification channel, G for the prefix of prepared transactions' names.
const char* const kSchema = R"SQL(
CREATE SCHEMA S;

CREATE TABLE S.meta (
  key text PRIMARY KEY,
  value text NOT NULL);

-- One row per process (per queue manager) that uses the store. Its process
-- holds an advisory lock on the id while it lives; a row whose lock can be
-- taken belongs to a process that is gone.
CREATE TABLE S.sessions (
  id bigserial PRIMARY KEY,
  pid integer NOT NULL,
  host text NOT NULL,
  started timestamptz NOT NULL DEFAULT now());

CREATE TABLE S.queues (
  id bigserial PRIMARY KEY,
  name text NOT NULL UNIQUE,
  type integer NOT NULL,
  max_depth integer NOT NULL,
  max_msg_length integer NOT NULL,
  inhibit_put boolean NOT NULL,
  inhibit_get boolean NOT NULL,
  default_priority integer NOT NULL,
  default_persistence integer NOT NULL,
  description text NOT NULL DEFAULT '',
  managed boolean NOT NULL DEFAULT false,
  creator_session bigint,
  creator_hconn integer);

-- Messages of every queue, in priority (rank 0 first) then arrival (id)
-- order. A message got under syncpoint stays, held by its unit of work
-- (held_by: the session, held_uow: the unit of work), until commit deletes
-- it or back-out lets it go with its backout count raised. Puts under
-- syncpoint are written only at commit.
CREATE TABLE S.messages (
  id bigserial PRIMARY KEY,
  queue_id bigint NOT NULL,
  rank smallint NOT NULL,
  held_by bigint,
  held_uow bigint,
  expires_at bigint NOT NULL,
  MD_DDL,
  properties bytea,
  data bytea NOT NULL) WITH (fillfactor = 70);
CREATE INDEX messages_order ON S.messages (queue_id, rank, id);
CREATE INDEX messages_msg_id ON S.messages (queue_id, msg_id);
CREATE INDEX messages_correl_id ON S.messages (queue_id, correl_id);
CREATE INDEX messages_expiry ON S.messages (queue_id, expires_at) WHERE expires_at <> 0;

CREATE TABLE S.subscriptions (
  id bigserial PRIMARY KEY,
  name text UNIQUE,
  topic text NOT NULL,
  durable boolean NOT NULL,
  managed boolean NOT NULL,
  destination bigint NOT NULL,
  correl_id bytea NOT NULL,
  open_session bigint,
  open_hconn integer,
  open_hsub integer);

CREATE TABLE S.retained (
  topic text PRIMARY KEY,
  expires_at bigint NOT NULL,
  MD_DDL,
  properties bytea,
  data bytea NOT NULL);

-- XA branches between their prepare and their completion; the prepared
-- transaction of a branch is named G || id.
CREATE TABLE S.xa_branches (
  id bigserial PRIMARY KEY,
  format_id bigint NOT NULL,
  gtrid bytea NOT NULL,
  bqual bytea NOT NULL,
  holder_session bigint NOT NULL,
  holder_uow bigint NOT NULL,
  UNIQUE (format_id, gtrid, bqual));

-- Fails the transaction (VX001) when a count is not the one expected.
CREATE FUNCTION S.expect(counted bigint, expected integer) RETURNS bigint
LANGUAGE plpgsql AS $$
BEGIN
  IF counted <> expected THEN
    RAISE EXCEPTION 'found % of % rows', counted, expected USING ERRCODE = 'VX001';
  END IF;
  RETURN counted;
END
$$;

-- What a process that is gone left: its held messages come back with their
-- backout count raised (those a prepared branch holds stay until it is
-- completed), its dynamic queues go, its subscriptions end or are let go.
CREATE FUNCTION S.cleanup(me bigint, session_class integer, channel text) RETURNS integer
LANGUAGE plpgsql AS $$
DECLARE
  s record;
  r record;
  n integer := 0;
BEGIN
  FOR s IN SELECT id FROM S.sessions WHERE id <> me ORDER BY id LOOP
    CONTINUE WHEN NOT pg_try_advisory_xact_lock(session_class, s.id::integer);
    FOR r IN WITH back AS (
               UPDATE S.messages m
                  SET held_by = NULL, held_uow = NULL, backout_count = m.backout_count + 1
                WHERE m.id IN (SELECT id FROM S.messages WHERE held_by = s.id FOR UPDATE SKIP LOCKED)
               RETURNING m.queue_id, m.rank, m.id)
             SELECT DISTINCT ON (queue_id) queue_id, rank, id FROM back ORDER BY queue_id, rank, id LOOP
      PERFORM pg_notify(channel, r.queue_id || ' ' || r.rank || ' ' || r.id);
    END LOOP;
    PERFORM pg_notify(channel, 'd ' || d.id)
      FROM (SELECT q.id FROM S.queues q
             WHERE q.creator_session = s.id
                OR q.id IN (SELECT destination FROM S.subscriptions
                             WHERE open_session = s.id AND NOT durable AND managed)) d;
    DELETE FROM S.messages WHERE queue_id IN (
      SELECT q.id FROM S.queues q WHERE q.creator_session = s.id
      UNION SELECT destination FROM S.subscriptions WHERE open_session = s.id AND NOT durable AND managed);
    DELETE FROM S.queues WHERE creator_session = s.id
       OR id IN (SELECT destination FROM S.subscriptions WHERE open_session = s.id AND NOT durable AND managed);
    DELETE FROM S.subscriptions WHERE open_session = s.id AND NOT durable;
    UPDATE S.subscriptions SET open_session = NULL, open_hconn = NULL, open_hsub = NULL
     WHERE open_session = s.id;
    DELETE FROM S.xa_branches b WHERE b.holder_session = s.id
       AND NOT EXISTS (SELECT 1 FROM pg_prepared_xacts p
                        WHERE p.gid = G || b.id AND p.database = current_database());
    IF NOT EXISTS (SELECT 1 FROM S.xa_branches WHERE holder_session = s.id)
       AND NOT EXISTS (SELECT 1 FROM S.messages WHERE held_by = s.id) THEN
      DELETE FROM S.sessions WHERE id = s.id;
    END IF;
    n := n + 1;
  END LOOP;
  RETURN n;
END
$$;

INSERT INTO S.meta VALUES ('schema_version', 'V'), ('queue_manager', Q);
)SQL";

}  // namespace

bool validSchemaName(const std::string& name) {
  if (name.empty() || name.size() > 48 || !(name[0] >= 'a' && name[0] <= 'z')) return false;
  for (char c : name) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
  }
  return true;
}

std::string schemaSql(const std::string& schema, const std::string& qmgrName) {
  std::string sql = replaceAll(kSchema, "MD_DDL", kDescriptorDdl);
  sql = replaceAll(sql, "'V'", quoted(std::to_string(kSchemaVersion)));
  sql = replaceAll(sql, " Q)", " " + quoted(qmgrName) + ")");
  sql = replaceAll(sql, "G ||", quoted(preparedPrefix(schema)) + " ||");
  sql = replaceAll(sql, " S.", " " + schema + ".");
  sql = replaceAll(sql, "(S.", "(" + schema + ".");
  sql = replaceAll(sql, "SCHEMA S;", "SCHEMA " + schema + ";");
  return sql;
}

std::string ensureSchema(Connection& pg, const std::string& schema, const std::string& qmgrName) {
  LockClasses classes = lockClasses(schema);
  // One process at a time sets a schema up.
  std::string lock = "SELECT pg_advisory_lock(" + std::to_string(classes.setup) + ", 0)";
  std::string unlock = "SELECT pg_advisory_unlock(" + std::to_string(classes.setup) + ", 0)";
  if (!pg.simple(lock).ok()) return pg.error();
  std::string problem;
  Result exists = pg.simple("SELECT 1 FROM pg_namespace WHERE nspname = " + quoted(schema));
  if (!exists.ok()) {
    problem = pg.error();
  } else if (exists.rows() == 0) {
    bool made = pg.simple("BEGIN").ok() && pg.script(schemaSql(schema, qmgrName)).ok();
    if (!made) problem = pg.error();
    if (!(made && pg.simple("COMMIT").ok())) {
      if (problem.empty()) problem = pg.error();
      pg.simple("ROLLBACK");
    }
  } else {
    Result meta = pg.simple("SELECT key, value FROM " + schema + ".meta WHERE key IN "
                            "('schema_version', 'queue_manager')");
    if (!meta.ok()) {
      problem = "schema " + schema + " exists and is not a queue manager's";
    } else {
      std::string version;
      std::string owner;
      for (int i = 0; i < meta.rows(); ++i) {
        (meta.row(i).text(0) == "schema_version" ? version : owner) = meta.row(i).text(1);
      }
      if (version.empty()) {
        problem = "schema " + schema + " exists and is not a queue manager's";
      } else if (version != std::to_string(kSchemaVersion)) {
        problem = "schema " + schema + " is of version " + version + ", this runtime knows version " +
                  std::to_string(kSchemaVersion) + " only";
      } else if (owner != qmgrName) {
        problem = "schema " + schema + " belongs to queue manager " + owner + ", not " + qmgrName;
      }
    }
  }
  pg.simple(unlock);
  return problem;
}

std::string notificationChannel(const std::string& schema) { return "vxrt_" + schema; }

LockClasses lockClasses(const std::string& schema) {
  return {hashOf("vxrt session " + schema), hashOf("vxrt input " + schema),
          hashOf("vxrt open " + schema), hashOf("vxrt setup " + schema)};
}

}  // namespace vxdb
