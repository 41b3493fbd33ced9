// The columns that hold a message descriptor, in messages and in retained
// publications, and how a descriptor goes to and comes from them.
#ifndef VXDB_COLUMNS_H
#define VXDB_COLUMNS_H

#include <string>

#include "db/pg.h"
#include "qm/message.h"

namespace vxdb {

inline constexpr const char* kDescriptorDdl =
    "msg_type integer NOT NULL, priority integer NOT NULL, persistence integer NOT NULL, "
    "expiry integer NOT NULL, encoding integer NOT NULL, ccsid integer NOT NULL, "
    "format text NOT NULL, msg_id bytea NOT NULL, correl_id bytea NOT NULL, "
    "backout_count integer NOT NULL, reply_to_q text NOT NULL, reply_to_qmgr text NOT NULL, "
    "user_id text NOT NULL, put_date text NOT NULL, put_time text NOT NULL";
inline constexpr const char* kDescriptorColumns =
    "msg_type, priority, persistence, expiry, encoding, ccsid, format, msg_id, correl_id, "
    "backout_count, reply_to_q, reply_to_qmgr, user_id, put_date, put_time";
inline constexpr int kDescriptorColumnCount = 15;

// "$first::integer, ..." for the descriptor's columns, numbered from first.
std::string descriptorPlaceholders(int first);
void bindDescriptor(Params& params, const vxqm::MessageDescriptor& md);
// Reads the descriptor's columns starting at first.
void readDescriptor(const Row& row, int first, vxqm::MessageDescriptor& md);

// Properties as the buffer form's block, null when there are none.
void bindProperties(Params& params, const vxqm::PropertyList* properties, std::string& block);
std::shared_ptr<const vxqm::PropertyList> readProperties(const Row& row, int column);

// The prefix of the names of a schema's prepared transactions.
std::string preparedPrefix(const std::string& schema);

}  // namespace vxdb

#endif
