// The queue manager's definitions: a built-in set, and a configuration text
// that adds to it or changes it.
//
// One statement per line; '#' starts a comment; words are separated by blanks.
//   qmgr NAME                      the queue manager's name
//   queue NAME [KEY=VALUE ...]     a local queue (a second definition replaces the first)
//   model NAME [KEY=VALUE ...]     a model queue, for dynamic queues
//   user NAME PASSWORD [IDENTIFIER]
//                                  a user; with users defined, connections must name
//                                  one. IDENTIFIER (up to 12 characters) is the user
//                                  identifier its puts record, by default the first
//                                  12 characters of NAME. Adopt-user and
//                                  map-credentials know these users (see users.cpp)
//   chlauth allow|block ADDRESS USER
//                                  a channel-authentication rule (see security.h)
//   database CONNINFO              keep what connections share in this PostgreSQL
//                                  database (a libpq connection string, the rest of
//                                  the line); the environment's VXRT_DATABASE wins
//   schema NAME                    the database schema (default vxrt); the
//                                  environment's VXRT_DATABASE_SCHEMA wins
//   readahead COUNT                on a database, a get under syncpoint that follows
//                                  others from the same queue in its unit of work
//                                  may hold up to COUNT messages in one round trip
//                                  (1, the default, to 1000; see queue_manager.h)
// Keys: maxdepth (1 or more), maxmsglength (0 to the queue manager's limit),
// defpriority (0 to 9), defpersistence (0 or 1), put and get (enabled or
// inhibited).
#ifndef VXQM_CONFIG_H
#define VXQM_CONFIG_H

#include <istream>
#include <string>
#include <vector>

#include "qm/queue_manager.h"

namespace vxqm {

// Queue manager VXRT.QM with local queues TALY.QUEUE.1 to TALY.QUEUE.3 and the
// model queue TALY.MODEL.QUEUE, all with the default attributes.
QueueManagerConfig builtInConfig();

// Applies each good statement to config; each bad one is skipped and adds
// "line N: what is wrong" to errors.
void readConfig(std::istream& in, QueueManagerConfig& config, std::vector<std::string>& errors);

// The built-in definitions with those of the file at path. A file that cannot
// be opened, or a line that cannot be read, sets the result's problem to one
// line naming the file and the first bad line ("PATH: cannot be opened",
// "PATH line N: what is wrong", and how many more bad lines follow).
QueueManagerConfig configFromFile(const std::string& path);

}  // namespace vxqm

#endif
