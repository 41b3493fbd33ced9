// Many threads, each on its own connection, putting and getting on one queue:
// every message arrives exactly once, also when some gets are backed out.
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

#include "qm_test.h"

using namespace vxqm;

namespace {

class Concurrency : public QmTest {};

constexpr int kProducers = 4;
constexpr int kConsumers = 4;
constexpr int kPerProducer = 1500;
constexpr int kTotal = kProducers * kPerProducer;

}  // namespace

TEST_F(Concurrency, NothingIsLostOrDuplicated) {
  std::atomic<int> received{0};
  std::mutex seenMutex;
  std::multiset<std::string> seen;
  std::atomic<long long> checksum{0};

  std::vector<std::thread> threads;
  for (int p = 0; p < kProducers; ++p) {
    threads.emplace_back([&, p] {
      int32_t hconn = connect();
      int32_t hobj = open(hconn, "TALY.QUEUE.1", VXOO_OUTPUT);
      PutOptions syncpoint;
      syncpoint.syncpoint = true;
      for (int i = 0; i < kPerProducer; ++i) {
        // Every third message goes under syncpoint, committed in pairs.
        bool underSyncpoint = i % 3 == 0;
        std::string text = std::to_string(p) + ":" + std::to_string(i);
        ASSERT_EQ(put(hconn, hobj, text, {}, underSyncpoint ? syncpoint : PutOptions{}), ok());
        if (underSyncpoint && i % 2 == 0) {
          ASSERT_EQ(qm.commit(hconn), ok());
        }
      }
      ASSERT_EQ(qm.commit(hconn), ok());
      ASSERT_EQ(qm.disconnect(hconn), ok());
    });
  }
  for (int c = 0; c < kConsumers; ++c) {
    threads.emplace_back([&, c] {
      int32_t hconn = connect();
      int32_t hobj = open(hconn, "TALY.QUEUE.1", VXOO_INPUT_SHARED);
      GetOptions options;
      options.wait = true;
      options.waitInterval = 10;
      options.syncpoint = c % 2 == 1;
      for (int n = 0; received.load() < kTotal; ++n) {
        Got got = get(hconn, hobj, options);
        if (got.status.failed()) {
          ASSERT_EQ(got.status, failure(VXRC_NO_MSG_AVAILABLE));
          continue;
        }
        // Syncpoint consumers back out every fifth get: the message returns.
        if (options.syncpoint && n % 5 == 0) {
          ASSERT_EQ(qm.backout(hconn), ok());
          continue;
        }
        if (options.syncpoint) {
          ASSERT_EQ(qm.commit(hconn), ok());
        }
        {
          std::lock_guard<std::mutex> lock(seenMutex);
          seen.insert(got.text);
        }
        long long sum = 0;
        for (char ch : got.text) sum = sum * 31 + ch;
        checksum += sum;
        ++received;
      }
      ASSERT_EQ(qm.disconnect(hconn), ok());
    });
  }
  for (std::thread& t : threads) t.join();

  long long expected = 0;
  std::set<std::string> all;
  for (int p = 0; p < kProducers; ++p) {
    for (int i = 0; i < kPerProducer; ++i) {
      std::string text = std::to_string(p) + ":" + std::to_string(i);
      long long sum = 0;
      for (char ch : text) sum = sum * 31 + ch;
      expected += sum;
      all.insert(text);
    }
  }
  EXPECT_EQ(received.load(), kTotal);
  EXPECT_EQ(seen.size(), static_cast<size_t>(kTotal));
  EXPECT_EQ(std::set<std::string>(seen.begin(), seen.end()), all) << "each exactly once";
  EXPECT_EQ(checksum.load(), expected);
  EXPECT_EQ(depth(connect(), "TALY.QUEUE.1"), 0);
}

// A unit of work puts message k on two queues; a getter polls the first
// and, once it has k, takes k off the second at once. Gets outside
// syncpoint take the queue manager's lock shared: they still see each
// commit whole, so the second queue never lacks what the first gave, also
// while another connection's puts and gets run on a third queue, and
// browses take the lock whole.
TEST_F(Concurrency, GetsSeeEachCommitWhole) {
  const int kUnits = databaseStore() ? 200 : 3000;
  std::atomic<bool> done{false};
  std::thread committer([&] {
    int32_t hconn = connect();
    int32_t first = open(hconn, "TALY.QUEUE.1", VXOO_OUTPUT);
    int32_t second = open(hconn, "TALY.QUEUE.2", VXOO_OUTPUT);
    PutOptions syncpoint;
    syncpoint.syncpoint = true;
    // The commit makes the first queue's message visible before the
    // second's: a getter let in between would find the second empty.
    for (int k = 0; k < kUnits && !done.load(); ++k) {
      EXPECT_EQ(put(hconn, first, std::to_string(k), {}, syncpoint), ok());
      EXPECT_EQ(put(hconn, second, std::to_string(k), {}, syncpoint), ok());
      EXPECT_EQ(qm.commit(hconn), ok());
    }
    EXPECT_EQ(qm.disconnect(hconn), ok());
  });
  std::thread bystander([&] {
    int32_t hconn = connect();
    int32_t hobj = open(hconn, "TALY.QUEUE.3", VXOO_OUTPUT | VXOO_INPUT_SHARED | VXOO_BROWSE);
    GetOptions browse;
    browse.browse = Browse::First;
    for (int n = 0; !done.load(); ++n) {
      EXPECT_EQ(put(hconn, hobj, "x"), ok());
      if (n % 8 == 0) {
        EXPECT_EQ(get(hconn, hobj, browse).status, ok());
      }
      EXPECT_EQ(get(hconn, hobj).text, "x");
    }
    EXPECT_EQ(qm.disconnect(hconn), ok());
  });

  int32_t hconn = connect();
  int32_t first = open(hconn, "TALY.QUEUE.1", VXOO_INPUT_SHARED);
  int32_t second = open(hconn, "TALY.QUEUE.2", VXOO_INPUT_SHARED);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  int k = 0;
  while (k < kUnits && std::chrono::steady_clock::now() < deadline) {
    Got got = get(hconn, first);
    if (got.status == failure(VXRC_NO_MSG_AVAILABLE)) continue;
    Got other = get(hconn, second);
    bool whole = got.text == std::to_string(k) && other.status == ok() && other.text == got.text;
    EXPECT_TRUE(whole) << "unit " << k << ": first queue " << got.text << ", second queue "
                       << other.text << " (reason " << other.status.reason << ")";
    if (!whole) break;
    ++k;
  }
  EXPECT_EQ(k, kUnits);
  done = true;
  committer.join();
  bystander.join();
  EXPECT_EQ(depth(hconn, "TALY.QUEUE.3"), 0);
  EXPECT_EQ(qm.sharedCallsMade(hconn) > 0, !databaseStore()) << "gets in memory take the lock shared";
}

// Which calls take the lock shared: the plain put and get in memory; the
// rest (and everything on a database) go the whole way.
TEST_F(Concurrency, PlainPutsAndGetsTakeTheLockShared) {
  int32_t hconn = connect();
  int32_t hobj = open(hconn, "TALY.QUEUE.1", VXOO_OUTPUT | VXOO_INPUT_SHARED | VXOO_BROWSE);
  PutOptions syncpoint;
  syncpoint.syncpoint = true;
  GetOptions waiting;
  waiting.wait = true;
  waiting.waitInterval = 1;
  GetOptions browse;
  browse.browse = Browse::First;
  struct Case {
    const char* what;
    bool message;  // one is put first
    std::function<Status()> call;
    bool shared;
  };
  const Case cases[] = {
      {"put", false, [&] { return put(hconn, hobj, "m"); }, true},
      {"put under syncpoint", false, [&] { return put(hconn, hobj, "m", {}, syncpoint); }, false},
      {"get", true, [&] { return get(hconn, hobj).status; }, true},
      {"get from an empty queue", false, [&] { return get(hconn, hobj).status; }, true},
      {"get waiting on an empty queue", false, [&] { return get(hconn, hobj, waiting).status; }, false},
      {"browse", true, [&] { return get(hconn, hobj, browse).status; }, false},
      {"get into too short a buffer", true, [&] { return get(hconn, hobj, {}, {}, 0).status; }, false},
  };
  for (const Case& c : cases) {
    if (c.message) {
      ASSERT_EQ(put(hconn, hobj, "m"), ok());
    }
    int64_t before = qm.sharedCallsMade(hconn);
    c.call();
    EXPECT_EQ(qm.sharedCallsMade(hconn) - before, c.shared && !databaseStore() ? 1 : 0) << c.what;
    ASSERT_EQ(qm.backout(hconn), ok());
    while (get(hconn, hobj).status == ok()) {
    }
  }
}
