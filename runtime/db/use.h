// The database connection a store call runs on: the connection's own, or,
// for a call without a connection, the store's service connection (one call
// at a time, reopened after the server came back).
#ifndef VXDB_USE_H
#define VXDB_USE_H

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "db/database_store.h"

namespace vxdb {

struct Link : vxqm::StoreLink {
  vxdb::Connection pg;
  uint64_t epoch = 0;  // the anchor's epoch when it was made

  // The reading ahead of the connection's unit of work (read_ahead.cpp):
  // the queue it gets from, how many it got there, and the messages it
  // holds and has not got, in their order; and the queue's arrivals seen.
  std::shared_ptr<vxqm::Queue> aheadQueue;
  int32_t aheadGot = 0;
  std::deque<vxqm::Fetched> ahead;
  std::vector<int64_t> aheadExpired;  // held ahead, expired before they were got
  uint64_t arrivalsSeen = 0;
  bool lookAgain = false;  // the last look found one before those held
};

class DatabaseStore::Use {
 public:
  Use(DatabaseStore& store, vxqm::Connection* connection) {
    if (connection != nullptr) {
      auto* link = static_cast<Link*>(connection->storeLink.get());
      // Made before the anchor was lost: other processes may have taken
      // back what it held.
      if (link == nullptr || link->epoch != store.epoch_.load() || link->pg.broken()) {
        status = vxqm::Status::failure(VXRC_CONNECTION_BROKEN);
        return;
      }
      pg_ = &link->pg;
      return;
    }
    lock_ = std::unique_lock<std::mutex>(store.serviceMutex_);
    if (store.service_.broken() && !store.service_.open(store.config_.database)) {
      status = vxqm::Status::failure(VXRC_CONNECTION_BROKEN);
      return;
    }
    pg_ = &store.service_;
  }
  explicit operator bool() const { return pg_ != nullptr; }
  vxdb::Connection* operator->() { return pg_; }
  vxdb::Connection& operator*() { return *pg_; }

  vxqm::Status status;

 private:
  std::unique_lock<std::mutex> lock_;
  vxdb::Connection* pg_ = nullptr;
};

}  // namespace vxdb

#endif
