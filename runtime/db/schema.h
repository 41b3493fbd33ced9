// The database's side of the queue manager: one schema with its tables,
// created on first use, and the version it carries.
#ifndef VXDB_SCHEMA_H
#define VXDB_SCHEMA_H

#include <cstdint>
#include <string>

#include "db/pg.h"

namespace vxdb {

constexpr int kSchemaVersion = 1;

// Whether name can be a schema of ours: lower-case letters, digits and '_',
// starting with a letter, at most 48 characters.
bool validSchemaName(const std::string& name);

// The schema as SQL (tables and indexes, in dependency order).
std::string schemaSql(const std::string& schema, const std::string& qmgrName);

// Creates the schema when it is not there, and checks that one already there
// is this queue manager's and of this version. Returns an empty text, or
// what is wrong (the schema is then left as it is).
std::string ensureSchema(Connection& pg, const std::string& schema, const std::string& qmgrName);

// Advisory-lock classes of a schema: one for the lock of each process's
// session, one for exclusive input, one for queues in use, one for setup.
struct LockClasses {
  int32_t session;
  int32_t input;
  int32_t open;
  int32_t setup;
};
LockClasses lockClasses(const std::string& schema);

// The channel on which a schema's commits announce new messages.
std::string notificationChannel(const std::string& schema);

}  // namespace vxdb

#endif
