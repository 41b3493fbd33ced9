// Every statement the database store runs, written for one schema.
#ifndef VXDB_STATEMENTS_H
#define VXDB_STATEMENTS_H

#include <string>
#include <vector>

#include "db/pg.h"

namespace vxdb {

// The columns of a queue row that the statements below return, in order.
enum QueueColumn {
  kQueueId, kQueueName, kQueueType, kQueueMaxDepth, kQueueMaxMsgLength, kQueueInhibitPut,
  kQueueInhibitGet, kQueueDefaultPriority, kQueueDefaultPersistence, kQueueManaged,
  kQueueCreatorHconn, kQueueDescription,
};

// And of a subscription row.
enum SubscriptionColumn {
  kSubId, kSubName, kSubTopic, kSubDurable, kSubManaged, kSubDestination, kSubCorrelId,
  kSubOpenSession, kSubOpenHconn, kSubOpenHsub,
};

// A get's statement answers one row: whether the queue is there and gets
// are inhibited, then the first message the get accepts (null columns when
// none): its id, rank, length, expiry and descriptor, then, when it was
// removed, held or browsed, its properties and data.
enum FetchColumn {
  kFetchQueueFound, kFetchInhibited, kFetchId, kFetchRank, kFetchLength, kFetchExpiresAt,
  kFetchDescriptor,  // the descriptor's columns start here
};
constexpr int kFetchProperties = kFetchDescriptor + 15;
constexpr int kFetchData = kFetchProperties + 1;

// A get's statement by what the get asks: 0 remove, 1 hold, 2 browse, 3
// peek; matching by message and correlation identifier; messages to skip.
// Its parameters, in order: queue, from rank, from id, now, then the message
// identifier, the correlation identifier and the ids to skip where asked,
// then limit and accept-truncated (not for peek), then the holder's session
// and unit of work (hold only).
struct FetchShape {
  int mode = 0;
  bool byMsgId = false;
  bool byCorrelId = false;
  bool skip = false;
  int index() const { return mode * 8 + (byMsgId ? 4 : 0) + (byCorrelId ? 2 : 0) + (skip ? 1 : 0); }
};

struct Statements {
  explicit Statements(const std::string& schema);

  Statement queueByName, queueById, createQueue, changeQueue, deleteQueue, depth;
  Statement opened, closed, openElsewhere;
  Statement checkPut, putVisible, insertPending, insertQuiet, deleteHeld, relaxCommit, releaseHeld, releaseUow, notify,
      announce, holdAhead, releaseAhead;
  Statement existing, sweep;
  Statement newSession, sessionLost, cleanup;
  Statement subCount, subAdd, subRemove, subNamed, subAllNamed, subAll, subTake, subLetGo;
  Statement retain, retainedExpire, retainedAll;
  Statement branchAdd, branchDrop, branchesPrepared, branchByXid;
  std::vector<Statement> fetch;  // by FetchShape::index()
};

}  // namespace vxdb

#endif
