// Read-ahead: a get under syncpoint that follows others from the same queue
// in its unit of work holds several messages in one round trip (as many as
// the unit has got there, up to the configured count), and the gets that
// follow are served from them, in order, as long as nothing that sorts
// before them has become visible since. Messages held ahead and not got go
// back when the unit ends, or when it asks for something else.
#include <algorithm>

#include "db/database_store.h"
#include "db/use.h"

namespace vxdb {

using vxqm::Status;

namespace {

// How many of a queue's latest arrivals are kept for the check; a reader
// that has missed more looks in the database.
constexpr size_t kArrivalsKept = 64;

bool expired(const vxqm::Fetched& message, int64_t now) {
  return message.expiresAt != 0 && message.expiresAt <= now;
}

}  // namespace

bool plainGet(const vxqm::Fetch& request) { return request.mode == vxqm::Fetch::Mode::Hold && headGet(request); }

void DatabaseStore::arrived(QueueState& state, const vxqm::MessageKey& key) {
  state.arrivals.push_back(key);
  if (state.arrivals.size() > kArrivalsKept) state.arrivals.pop_front();
  ++state.arrivalsEnd;
}

// Whether the link may serve its first message held ahead: no message that
// sorts before it has been reported visible since the link last looked.
bool DatabaseStore::clearAhead(Link& link, QueueState& state) {
  uint64_t fresh = state.arrivalsEnd - link.arrivalsSeen;
  if (fresh > state.arrivals.size()) return false;
  const vxqm::MessageKey& next = link.ahead.front().key;
  for (size_t i = state.arrivals.size() - fresh; i < state.arrivals.size(); ++i) {
    if (state.arrivals[i] < next) return false;
  }
  link.arrivalsSeen = state.arrivalsEnd;
  return true;
}

Status DatabaseStore::fetchAhead(Link& link, const std::shared_ptr<vxqm::Queue>& queue,
                                 const vxqm::Fetch& request, vxqm::Fetched& fetched) {
  QueueState& state = stateOf(*queue);
  // Expired ones stay held until the rest go back, and are not got.
  while (!link.ahead.empty() && expired(link.ahead.front(), request.now.ms())) {
    link.aheadExpired.push_back(static_cast<int64_t>(link.ahead.front().key.sequence));
    link.ahead.pop_front();
  }
  // Gets inhibited here, or anything that may sort before what is held:
  // the database decides.
  if (link.ahead.empty() || link.lookAgain || queue->attributes().inhibitGet || !clearAhead(link, state)) {
    // With messages held ahead, one more from the database, which may sort
    // before them; without, as many as the unit has got from the queue.
    int32_t room = config_.limits.maxUncommittedMessages - static_cast<int32_t>(request.work->size());
    int32_t count = link.ahead.empty() ? std::min(config_.readAhead, link.aheadGot) : 1;
    count = std::max(1, std::min(count, room));
    link.arrivalsSeen = state.arrivalsEnd;
    size_t had = link.ahead.size();
    vxqm::MessageKey front = had > 0 ? link.ahead.front().key : vxqm::MessageKey{0, 0};
    vxqm::MessageKey start{0, 0};
    Status status = holdAhead(link, *queue, request, state.floor, count);
    if (!status.failed() && link.ahead.size() == had && !(state.floor == start)) {
      status = holdAhead(link, *queue, request, start, count);
    }
    if (status.failed()) return status;
    // One found before what was held: there may be more (an announcement
    // names only the first), so the next get looks in the database too.
    link.lookAgain = had > 0 && link.ahead.front().key < front;
  }
  if (!link.ahead.empty()) serveAhead(link, request, fetched);
  return Status::ok();
}

// Holds up to count messages from the key on, whole, and adds them to the
// link's in their order.
Status DatabaseStore::holdAhead(Link& link, vxqm::Queue& queue, const vxqm::Fetch& request,
                                const vxqm::MessageKey& from, int32_t count) {
  Params params;
  params.i64(queue.storeId).i16(static_cast<int16_t>(from.rank)).i64(static_cast<int64_t>(from.sequence));
  params.i64(request.now.ms()).i32(count).i64(session_.load()).i64(request.work->holder);
  Result result = link.pg.run(statements_.holdAhead, params);
  if (!result.ok()) return broken(link.pg, "a get");
  Row first = result.row(0);
  Status status = queueFound(first, queue);
  if (status.failed() || first.isNull(kFetchId)) return status;
  // The first found is the first visible from the key on.
  stateOf(queue).floor = {first.i16(kFetchRank), static_cast<uint64_t>(first.i64(kFetchId))};
  for (int i = 0; i < result.rows(); ++i) {
    vxqm::Fetched message;
    readFetched(result.row(i), message, true, true);
    auto at = std::upper_bound(link.ahead.begin(), link.ahead.end(), message.key,
                               [](const vxqm::MessageKey& key, const vxqm::Fetched& held) { return key < held.key; });
    link.ahead.insert(at, std::move(message));
  }
  return Status::ok();
}

// The first message held ahead, got; or, too long for the get, described
// and kept for a get with room for it.
void DatabaseStore::serveAhead(Link& link, const vxqm::Fetch& request, vxqm::Fetched& fetched) {
  vxqm::Fetched& next = link.ahead.front();
  fetched.found = true;
  fetched.key = next.key;
  fetched.length = next.length;
  fetched.expiresAt = next.expiresAt;
  fetched.md = next.md;
  fetched.left = next.length > request.limit && !request.acceptTruncated;
  if (fetched.left) return;
  fetched.properties = next.properties;
  fetched.message = std::move(next.message);
  size_t limit = static_cast<size_t>(std::max(request.limit, 0));
  if (fetched.message->data.size() > limit) fetched.message->data.resize(limit);
  link.ahead.pop_front();
  ++link.aheadGot;
}

bool DatabaseStore::aheadStep(Link* link, const vxqm::UnitOfWork& work, Connection::Step& step) {
  if (link == nullptr || (link->ahead.empty() && link->aheadExpired.empty())) return false;
  std::vector<int64_t> ids = link->aheadExpired;
  for (const vxqm::Fetched& message : link->ahead) ids.push_back(static_cast<int64_t>(message.key.sequence));
  step = {&statements_.releaseAhead, Params()};
  step.params.int64Array(ids).i64(work.holderSession).i64(work.holder);
  return true;
}

// After what a link held ahead went back (or its unit ended): this
// process's gets may find it again, and it starts afresh.
void DatabaseStore::aheadGone(Link* link) {
  if (link == nullptr) return;
  if (link->aheadQueue) {
    for (const vxqm::Fetched& message : link->ahead) lower(link->aheadQueue->storeId, message.key);
    if (!link->ahead.empty()) link->aheadQueue->wakeWaiters();
  }
  link->ahead.clear();
  link->aheadExpired.clear();
  link->aheadQueue.reset();
  link->aheadGot = 0;
  link->lookAgain = false;
}

// Lets go what the link holds ahead, before a get of another kind or from
// another queue.
Status DatabaseStore::letAheadGo(Link& link, const vxqm::UnitOfWork& work) {
  std::vector<Connection::Step> steps(1);
  if (!aheadStep(&link, work, steps[0])) return Status::ok();
  Connection::Step announce = announcement();
  std::vector<Result> results;
  if (!link.pg.pipeline(steps, results, &announce)) return broken(link.pg, "a get");
  aheadGone(&link);
  return Status::ok();
}

}  // namespace vxdb
