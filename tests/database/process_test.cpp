// Processes that share one queue manager through the database store: a
// message crosses from one to another, and what processes that die, or a
// database server that stops at once and starts again, leave behind:
// nothing lost, nothing doubled. Workers are processes of vxrt_worker.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "client.h"
#include "vx/xa.h"

using vxtest::Client;

namespace {

class Worker {
 public:
  explicit Worker(const std::vector<std::string>& args) {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      close(out[0]);
      close(out[1]);
      std::vector<char*> argv;
      static std::string path = VXRT_WORKER;
      argv.push_back(&path[0]);
      std::vector<std::string> copy = args;
      for (std::string& arg : copy) argv.push_back(&arg[0]);
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    in_ = fdopen(out[0], "r");
  }
  Worker(Worker&& other) noexcept : pid_(other.pid_), in_(other.in_) {
    other.pid_ = -1;
    other.in_ = nullptr;
  }
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;
  ~Worker() {
    kill();
    if (in_ != nullptr) fclose(in_);
  }

  // The next line, or "" at the end of the output.
  std::string line() {
    char buffer[4096];
    if (in_ == nullptr || std::fgets(buffer, sizeof buffer, in_) == nullptr) return {};
    std::string text = buffer;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  }
  // Lines until one starting with prefix; false at the end of the output.
  bool until(const std::string& prefix, std::vector<std::string>* seen = nullptr) {
    for (std::string text = line(); !text.empty(); text = line()) {
      if (seen != nullptr) seen->push_back(text);
      if (text.rfind(prefix, 0) == 0) return true;
    }
    return false;
  }
  std::vector<std::string> rest() {
    std::vector<std::string> lines;
    for (std::string text = line(); !text.empty(); text = line()) lines.push_back(text);
    return lines;
  }
  void kill() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
  }
  int wait() {
    int status = 0;
    if (pid_ > 0) waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  pid_t pid_ = -1;
  FILE* in_ = nullptr;
};

// Runs pg_ctl as the server's owner.
int serverControl(const std::string& arguments) {
  const char* ctl = std::getenv("VXRT_PG_CTL");
  const char* owner = std::getenv("VXRT_PG_OWNER");
  if (ctl == nullptr) return -1;
  std::string command = std::string(ctl) + " " + arguments + " >/dev/null";
  if (getuid() == 0 && owner != nullptr) command = "runuser -u " + std::string(owner) + " -- " + command;
  return std::system(command.c_str());
}

// Stops the server at once, as a crash would, and starts it again.
void restartServer() {
  ASSERT_EQ(serverControl("stop -m immediate"), 0);
  ASSERT_EQ(serverControl("start"), 0);
}

class Processes : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("VXRT_TEST_DATABASE") == nullptr) GTEST_SKIP() << "needs VXRT_TEST_DATABASE";
    static std::atomic<int> made{0};
    schema = "p" + std::to_string(getpid()) + "_" + std::to_string(++made);
    qm = std::make_unique<vxqm::QueueManager>(vxtest::databaseConfig(schema));
    client = std::make_unique<Client>(*qm, "CRASH.Q");
    ASSERT_TRUE(client->connect());
  }
  Worker start(std::vector<std::string> args) {
    args.insert(args.begin() + 1, schema);
    return Worker(args);
  }
  // Every message left on the queue, each checked.
  std::multiset<int64_t> drain(int32_t waitMs = 0) {
    std::multiset<int64_t> found;
    for (std::string text; !client->get(text, false, waitMs).failed();) {
      found.insert(vxtest::sequenceOf(text));
    }
    return found;
  }

  std::string schema;
  std::unique_ptr<vxqm::QueueManager> qm;
  std::unique_ptr<Client> client;
};

// Its session's lock goes with the process; the clean-up of the processes
// that remain runs every second.
constexpr int32_t kCleanupWaitMs = 5000;

}  // namespace

TEST_F(Processes, AMessagePutInOneProcessWakesAGetWaitingInAnother) {
  // A queue manager that looks again by itself only after ten minutes: the
  // get below is woken by the put's notification or not at all.
  vxqm::QueueManagerConfig config = vxtest::databaseConfig(schema);
  config.sharedPollMs = 600000;
  vxqm::QueueManager patient(config);
  Client waiting(patient, "WAKE.Q");
  ASSERT_TRUE(waiting.connect());
  for (std::string way : {"", "commit"}) {
    SCOPED_TRACE(way.empty() ? "a put outside syncpoint" : "a put committed");
    std::string text;
    std::thread putter([&] {
      while (patient.waitingGetters("WAKE.Q") == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      std::vector<std::string> args = {"put", "from another process"};
      if (!way.empty()) args.push_back(way);
      Worker worker = start(args);
      EXPECT_TRUE(worker.until("ack"));
      EXPECT_EQ(worker.wait(), 0);
    });
    // A get that was not woken would still find the message when its wait
    // runs out; it must return well before.
    auto began = std::chrono::steady_clock::now();
    vxqm::Status got = waiting.get(text, false, 60000);
    auto waited = std::chrono::steady_clock::now() - began;
    putter.join();
    ASSERT_FALSE(got.failed()) << got.reason;
    EXPECT_EQ(text, "from another process");
    EXPECT_LT(waited, std::chrono::seconds(45)) << "the get was not woken";
  }
}

TEST_F(Processes, AConsumerKilledInAUnitOfWorkGivesItsMessagesBackWithTheirBackoutCountRaised) {
  // Reading ahead, it gets five and holds three more it has not got: all
  // come back, counted, as a message that may have been seen is never given
  // back as unseen.
  for (auto [readAhead, messages] : {std::pair<const char*, int>{"1", 5}, {"8", 8}}) {
    SCOPED_TRACE(std::string("read-ahead ") + readAhead);
    for (int n = 0; n < messages; ++n) ASSERT_FALSE(client->put(vxtest::sequenced(n, 100), false).failed());
    Worker worker = start({"hold", "5", readAhead});
    ASSERT_TRUE(worker.until("ready"));
    EXPECT_TRUE(drain().empty()) << "held by the worker";
    worker.kill();
    std::multiset<int64_t> back, all;
    for (int n = 0; n < messages; ++n) {
      std::string text;
      vxqm::MessageDescriptor md;
      ASSERT_FALSE(client->get(text, false, kCleanupWaitMs, &md).failed()) << "message " << n;
      back.insert(vxtest::sequenceOf(text));
      all.insert(n);
      EXPECT_EQ(md.backoutCount, 1);
    }
    EXPECT_EQ(back, all);
    EXPECT_TRUE(drain().empty());
  }
}

TEST_F(Processes, AProducerKilledBeforeItsCommitLeavesNothing) {
  Worker worker = start({"pending", "5"});
  ASSERT_TRUE(worker.until("ready"));
  worker.kill();
  EXPECT_TRUE(drain(1000).empty());
  int32_t depth = -1;
  std::shared_ptr<vxqm::Queue> queue;
  ASSERT_FALSE(qm->store().findQueue(nullptr, "CRASH.Q", queue).failed());
  ASSERT_FALSE(qm->store().depth(nullptr, *queue, depth).failed());
  EXPECT_EQ(depth, 0);
}

TEST_F(Processes, WhatAProcessThatIsGoneMadeGoesWithItAndItsDurableSubscriptionIsLetGo) {
  Worker worker = start({"leave"});
  std::vector<std::string> seen;
  ASSERT_TRUE(worker.until("ready", &seen));
  ASSERT_EQ(seen.front().rfind("queue ", 0), 0u) << seen.front();
  std::string dynamicName = seen.front().substr(6);
  vxqm::SubscribeRequest resume;
  resume.options = VXSO_RESUME;
  resume.name = "DURABLE.1";
  int32_t hobj = 0, hsub = 0;
  vxqm::SubscribeResult result;
  EXPECT_EQ(qm->subscribe(client->hconn(), resume, hobj, hsub, result).reason,
            VXRC_SUBSCRIPTION_IN_USE);
  worker.kill();

  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kCleanupWaitMs);
  vxqm::Status resumed;
  do {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    resumed = qm->subscribe(client->hconn(), resume, hobj, hsub, result);
  } while (resumed.reason == VXRC_SUBSCRIPTION_IN_USE && std::chrono::steady_clock::now() < until);
  EXPECT_FALSE(resumed.failed()) << resumed.reason;
  std::shared_ptr<vxqm::Queue> queue;
  EXPECT_EQ(qm->store().findQueue(nullptr, dynamicName, queue).reason, VXRC_UNKNOWN_OBJECT_NAME);
}

TEST_F(Processes, APreparedBranchOutlivesItsProcessAndTheServerAndAnotherProcessCommitsIt) {
  Worker worker = start({"prepare", "outlives"});
  ASSERT_TRUE(worker.until("prepared 0"));
  EXPECT_EQ(worker.wait(), 0);
  client->disconnect();
  restartServer();

  ASSERT_EQ(qm->xaOpen("", 7, TMNOFLAGS), XA_OK);
  Client recovering(*qm, "CRASH.Q");
  ASSERT_TRUE(recovering.connect());
  std::vector<vxqm::Xid> found;
  ASSERT_EQ(qm->xaRecover(found, 10, 7, TMSTARTRSCAN | TMENDRSCAN), 1);
  EXPECT_EQ(found[0].gtrid, "outlives");
  std::string text;
  EXPECT_EQ(recovering.get(text, false, 0).reason, VXRC_NO_MSG_AVAILABLE) << "not before the commit";
  ASSERT_EQ(qm->xaCommit(found[0], 7, TMNOFLAGS), XA_OK);
  ASSERT_FALSE(recovering.get(text, false, 5000).failed());
  EXPECT_EQ(text, "prepared outlives");
  EXPECT_EQ(qm->xaRecover(found, 10, 7, TMSTARTRSCAN | TMENDRSCAN), 0);
  EXPECT_EQ(qm->xaCommit(found.empty() ? vxqm::Xid{0x5658, "outlives", "crash"} : found[0], 7, TMNOFLAGS),
            XAER_NOTA);
}

TEST_F(Processes, ACallAfterTheServerRestartedFailsAsBrokenAndTheClientConnectsAgain) {
  ASSERT_FALSE(client->put("before", false).failed());
  restartServer();
  vxqm::Status broken = client->put("lost", false);
  EXPECT_EQ(broken.reason, VXRC_CONNECTION_BROKEN);
  ASSERT_TRUE(client->connect());
  ASSERT_FALSE(client->put("after", false).failed());
  std::string first, second;
  ASSERT_FALSE(client->get(first, false, 0).failed());
  ASSERT_FALSE(client->get(second, false, 0).failed());
  EXPECT_EQ(first, "before");
  EXPECT_EQ(second, "after");
}

TEST_F(Processes, ProducersAndConsumersThroughAServerThatStopsAtOnceLoseAndDoubleNothing) {
  constexpr int kPairs = 4;
  constexpr int kEach = 150;
  std::string done = "/tmp/vxrt-done-" + schema;
  std::remove(done.c_str());
  std::vector<std::unique_ptr<Worker>> producers, consumers;
  for (int i = 0; i < kPairs; ++i) {
    consumers.push_back(std::make_unique<Worker>(start({"consume", done})));
    producers.push_back(std::make_unique<Worker>(
        start({"produce", std::to_string(i * 100000), std::to_string(kEach)})));
  }
  // A restart while the messages flow.
  std::vector<std::vector<std::string>> produced(kPairs);
  for (int i = 0; i < kPairs; ++i) ASSERT_TRUE(producers[i]->until("ack", &produced[i]));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  restartServer();
  for (int i = 0; i < kPairs; ++i) {
    std::vector<std::string> rest = producers[i]->rest();
    produced[i].insert(produced[i].end(), rest.begin(), rest.end());
    EXPECT_EQ(producers[i]->wait(), 0);
  }
  std::ofstream(done).put('\n');
  std::vector<std::string> consumed;
  for (auto& consumer : consumers) {
    std::vector<std::string> rest = consumer->rest();
    consumed.insert(consumed.end(), rest.begin(), rest.end());
    EXPECT_EQ(consumer->wait(), 0);
  }
  std::remove(done.c_str());

  std::set<int64_t> acked, producedInDoubt, consumedInDoubt;
  // A get whose answer the stop cut off may have held a message for a
  // session that is gone: it comes back with the clean-up, after the
  // consumers left.
  std::multiset<int64_t> got = drain(kCleanupWaitMs);
  size_t lost = 0;
  // A call on a connection the stop cut fails as broken, whatever it was.
  auto seenLost = [&](const std::string& line) {
    if (line.rfind("lost ", 0) != 0) return;
    ++lost;
    EXPECT_EQ(std::atoi(line.c_str() + 5), VXRC_CONNECTION_BROKEN) << line;
  };
  for (const auto& lines : produced) {
    for (const std::string& line : lines) {
      if (line.rfind("ack ", 0) == 0) acked.insert(std::atoll(line.c_str() + 4));
      if (line.rfind("doubt ", 0) == 0) producedInDoubt.insert(std::atoll(line.c_str() + 6));
      seenLost(line);
      EXPECT_EQ(line.rfind("error", 0), std::string::npos) << line;
    }
  }
  for (const std::string& line : consumed) {
    seenLost(line);
    if (line.rfind("got ", 0) == 0) got.insert(std::atoll(line.c_str() + 4));
    if (line.rfind("doubt ", 0) == 0) consumedInDoubt.insert(std::atoll(line.c_str() + 6));
    EXPECT_EQ(line.rfind("bad", 0), std::string::npos) << line;
    EXPECT_EQ(line.rfind("error", 0), std::string::npos) << line;
  }
  std::printf("acked %zu, in doubt at put %zu, got %zu, in doubt at get %zu, database lost %zu times\n",
              acked.size(), producedInDoubt.size(), got.size(), consumedInDoubt.size(), lost);
  EXPECT_GT(lost, 0u) << "the clients saw the database go";
  EXPECT_GE(acked.size() + producedInDoubt.size(), static_cast<size_t>(kPairs * kEach));
  // Each message whose commit its producer saw is there exactly once: got
  // by a consumer that saw its commit, or, when the server stopped during
  // that consumer's commit, perhaps taken by it.
  auto story = [&](int64_t n) {
    std::string lines;
    std::string number = " " + std::to_string(n);
    for (const auto& each : produced) {
      for (const std::string& line : each) {
        if (line.find(number) != std::string::npos) lines += "producer: " + line + "\n";
      }
    }
    for (const std::string& line : consumed) {
      if ((line + " ").find(number + " ") != std::string::npos) lines += "consumer: " + line + "\n";
    }
    return lines;
  };
  for (int64_t n : acked) {
    size_t times = got.count(n);
    EXPECT_TRUE(times == 1 || (times == 0 && consumedInDoubt.count(n) == 1))
        << n << " got " << times << "\n" << story(n);
  }
  // Nothing is there twice, also of the puts whose commit was in doubt.
  for (int64_t n : got) {
    EXPECT_TRUE(acked.count(n) == 1 || producedInDoubt.count(n) == 1) << n << " never produced";
    EXPECT_EQ(got.count(n), 1u) << n << "\n" << story(n);
  }
}
