// The database store beside the database's own limit, all measured in one
// run against the server VXRT_TEST_DATABASE names:
//   - persistent 1 KiB put+commit and get+commit pairs per second from Java
//     (one producer and one consumer process; four and four), beside a
//     minimal libpq program running the same statements in the same
//     transactions (those the store runs: the put's insert at commit, the
//     get's hold, the commit's delete), in as many processes; then with 100
//     messages per unit of work, and again with gets reading up to 64 ahead
//     (the baseline holding as many per statement as the store does);
//   - the four and four again while another session holds a transaction
//     open for the whole run (the horizon held, dead rows kept), beside the
//     run without it, with the dead rows of the message table at the end;
//   - the wake-up latency of a get waiting in one process for a commit in
//     another: from the commit's return to the get's.
// The Java processes are started with the command in DB_BENCH_JAVA (a java
// command line up to the class name); every process waits at a barrier, and
// a rate is the messages over the time from the barrier to the last one,
// and each rate printed is the median of three runs, the baseline's and
// ours interleaved.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "db/columns.h"
#include "db/pg.h"
#include "db/schema.h"
#include "db/statements.h"
#include "summary.h"

namespace {

int64_t monotonicNs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

std::string database() {
  const char* text = std::getenv("VXRT_TEST_DATABASE");
  return text != nullptr ? text : "";
}

// A process whose standard output is read line by line.
class Child {
 public:
  // Runs argv, with env added to the environment; or, with argv empty, the
  // function in a forked process.
  Child(const std::vector<std::string>& argv, const std::vector<std::string>& env,
        int (*function)(const std::vector<std::string>&) = nullptr,
        const std::vector<std::string>& args = {}) {
    int out[2];
    if (pipe(out) != 0) return;
    std::fflush(stdout);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      close(out[0]);
      close(out[1]);
      for (const std::string& entry : env) putenv(strdup(entry.c_str()));
      if (function != nullptr) {
        int rc = function(args);
        std::fflush(stdout);
        _exit(rc);
      }
      std::vector<char*> raw;
      for (const std::string& arg : argv) raw.push_back(strdup(arg.c_str()));
      raw.push_back(nullptr);
      execvp(raw[0], raw.data());
      _exit(127);
    }
    close(out[1]);
    in_ = fdopen(out[0], "r");
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (in_ != nullptr) fclose(in_);
  }
  std::string line() {
    char buffer[512];
    if (in_ == nullptr || std::fgets(buffer, sizeof buffer, in_) == nullptr) return {};
    std::string text = buffer;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  }
  std::vector<std::string> rest() {
    std::vector<std::string> lines;
    for (std::string text = line(); !text.empty(); text = line()) lines.push_back(text);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return lines;
  }

 private:
  pid_t pid_ = -1;
  FILE* in_ = nullptr;
};

// The barrier: every process says "ready", then the file appears.
std::string goFile() {
  static int made = 0;
  return "/tmp/vxrt-db-bench-" + std::to_string(getpid()) + "-" + std::to_string(++made);
}

struct Outcome {
  double perSecond = 0;
  std::vector<double> latenciesMs;
  int64_t deadRows = -1;
  bool failed = false;
};

// Starts the children (already made), waits for them to be ready, opens the
// barrier and reads what they say.
Outcome runAll(std::vector<std::unique_ptr<Child>>& children, const std::string& go, int total,
               vxdb::Connection* holder, vxdb::Connection* admin = nullptr, const std::string& schema = "") {
  Outcome outcome;
  std::fprintf(stderr, "db_bench: %zu processes, %d messages\n", children.size(), total);
  for (auto& child : children) {
    std::string first = child->line();
    if (first != "ready") {
      std::fprintf(stderr, "db_bench: a process said '%s' instead of ready\n", first.c_str());
      outcome.failed = true;
      return outcome;
    }
  }
  // The rows of the warm-up go before the run, so that the dead rows
  // counted at the end are the run's.
  if (admin != nullptr) admin->simple("VACUUM " + schema + ".messages");
  if (holder != nullptr) {
    holder->simple("BEGIN ISOLATION LEVEL REPEATABLE READ");
    holder->simple("SELECT txid_current()");
  }
  int64_t start = monotonicNs();
  std::ofstream(go).put('\n');
  int64_t end = start;
  std::vector<int64_t> sent, got;
  for (auto& child : children) {
    for (const std::string& line : child->rest()) {
      long long n = 0, at = 0;
      if (std::sscanf(line.c_str(), "done %lld", &at) == 1) end = std::max<int64_t>(end, at);
      if (std::sscanf(line.c_str(), "sent %lld %lld", &n, &at) == 2) {
        sent.resize(std::max<size_t>(sent.size(), static_cast<size_t>(n) + 1));
        sent[static_cast<size_t>(n)] = at;
      }
      if (std::sscanf(line.c_str(), "got %lld %lld", &n, &at) == 2) {
        got.resize(std::max<size_t>(got.size(), static_cast<size_t>(n) + 1));
        got[static_cast<size_t>(n)] = at;
      }
      if (line.rfind("failed", 0) == 0) {
        std::fprintf(stderr, "db_bench: %s\n", line.c_str());
        outcome.failed = true;
      }
    }
  }
  std::remove(go.c_str());
  outcome.perSecond = total / ((end - start) / 1e9);
  for (size_t i = 0; i < std::min(sent.size(), got.size()); ++i) {
    outcome.latenciesMs.push_back(std::max<int64_t>(0, got[i] - sent[i]) / 1e6);
  }
  return outcome;
}

std::vector<std::string> javaCommand() {
  std::vector<std::string> words;
  std::istringstream text(std::getenv("DB_BENCH_JAVA") != nullptr ? std::getenv("DB_BENCH_JAVA") : "");
  for (std::string word; text >> word;) words.push_back(word);
  words.push_back("com.orvane.vx.taly.bench.DbBench");
  return words;
}

std::string newSchema() {
  static int made = 0;
  return "bench_" + std::to_string(getpid()) + "_" + std::to_string(++made);
}

int64_t deadRows(vxdb::Connection& admin, const std::string& schema) {
  vxdb::Result result = admin.simple(
      "SELECT n_dead_tup FROM pg_stat_user_tables WHERE schemaname = '" + schema +
      "' AND relname = 'messages'");
  return result.ok() && result.rows() > 0 ? result.row(0).i64(0) : -1;
}

// From Java, on the database store.
Outcome ours(int producers, int consumers, int total, bool holdHorizon, vxdb::Connection& admin,
             int batch = 1, int readAhead = 1) {
  std::string schema = newSchema();
  std::string queues = "/tmp/vxrt-db-bench-queues-" + std::to_string(getpid());
  std::ofstream(queues) << "queue BENCH.Q maxdepth=10000000\nqueue BENCH.LATENCY\nqueue BENCH.WARM\n"
                        << "readahead " << readAhead << "\n";
  std::vector<std::string> env = {"VXRT_DATABASE=" + database(), "VXRT_DATABASE_SCHEMA=" + schema,
                                  "VXRT_QUEUES_FILE=" + queues};
  std::string go = goFile();
  std::vector<std::unique_ptr<Child>> children;
  auto java = [&](const std::string& role, int count, const std::string& extra = "") {
    std::vector<std::string> argv = javaCommand();
    argv.insert(argv.end(), {role, std::to_string(count), go});
    if (!extra.empty()) argv.push_back(extra);
    children.push_back(std::make_unique<Child>(argv, env));
  };
  if (producers == 0) {
    java("wait", total);
    // 20 ms apart: the get has committed the one before and waits again.
    java("send", total, "20");
  } else {
    for (int i = 0; i < consumers; ++i) java("consume", total / consumers, std::to_string(batch));
    for (int i = 0; i < producers; ++i) java("produce", total / producers, std::to_string(batch));
  }
  vxdb::Connection holder;
  if (holdHorizon && !holder.open(database())) std::fprintf(stderr, "db_bench: %s\n", holder.error().c_str());
  Outcome outcome = runAll(children, go, total, holdHorizon ? &holder : nullptr, &admin, schema);
  // The stats of the processes' sessions are flushed as they end.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  outcome.deadRows = deadRows(admin, schema);
  if (holdHorizon) holder.simple("COMMIT");
  std::remove(queues.c_str());
  return outcome;
}

// The minimal libpq programs: a producer runs the store's commit of one put and
// its announcement, a consumer the store's get under syncpoint (the hold) and the
// commit's delete, waiting for a notification when the queue is empty.
struct Baseline {
  std::string schema;
  int64_t queue = 0;
};
Baseline baseline;

bool connectReady(vxdb::Connection& pg) {
  if (!pg.open(database())) {
    std::printf("failed %s\n", pg.error().c_str());
    return false;
  }
  return true;
}

void waitAtBarrier(const std::string& go) {
  std::printf("ready\n");
  std::fflush(stdout);
  while (access(go.c_str(), F_OK) != 0) usleep(1000);
}

int baselineProducer(const std::vector<std::string>& args) {
  int count = std::atoi(args[0].c_str());
  vxdb::Connection pg;
  if (!connectReady(pg)) return 1;
  vxdb::Statements statements(baseline.schema);
  std::string data(1024, 'x');
  std::string channel = vxdb::notificationChannel(baseline.schema);
  int batch = std::atoi(args[2].c_str());
  waitAtBarrier(args[1]);
  for (int i = 0; i < count;) {
    // One unit of work: its inserts, the first announced.
    std::vector<vxdb::Connection::Step> steps;
    for (int first = i; i < count && i - first < batch; ++i) {
      vxqm::MessageDescriptor md;
      md.persistence = VXPER_PERSISTENT;
      md.priority = 0;
      std::memcpy(md.msgId.data(), &i, sizeof i);
      int32_t pid = getpid();
      std::memcpy(md.msgId.data() + 8, &pid, sizeof pid);
      steps.push_back({&statements.insertPending, vxdb::Params()});
      steps.back().params.i64(baseline.queue).i16(VXPRI_HIGHEST).i64(0);
      vxdb::bindDescriptor(steps.back().params, md);
      steps.back().params.null().bytes(data.data(), data.size()).boolean(i == first);
    }
    vxdb::Connection::Step announce{&statements.announce, vxdb::Params().text(channel)};
    std::vector<vxdb::Result> results;
    if (!pg.pipeline(steps, results, &announce)) {
      std::printf("failed %s\n", pg.error().c_str());
      return 1;
    }
  }
  std::printf("done %lld\n", static_cast<long long>(monotonicNs()));
  return 0;
}

int baselineConsumer(const std::vector<std::string>& args) {
  int count = std::atoi(args[0].c_str());
  vxdb::Connection pg;
  if (!connectReady(pg)) return 1;
  vxdb::Statements statements(baseline.schema);
  pg.simple("LISTEN \"" + vxdb::notificationChannel(baseline.schema) + "\"");
  vxdb::FetchShape hold;
  hold.mode = 1;
  const vxdb::Statement& fetch = statements.fetch[static_cast<size_t>(hold.index())];
  size_t batch = static_cast<size_t>(std::atoi(args[2].c_str()));
  int readAhead = std::atoi(args[3].c_str());
  std::vector<int64_t> held, ahead;
  // Each search starts after the last message found, and from the start
  // when nothing lies after it.
  int16_t rank = 0;
  int64_t after = 0;
  waitAtBarrier(args[1]);
  for (int64_t got = 0, uow = 1; got < count;) {
    if (ahead.empty()) {
      // Reading ahead, as many as the unit has got, up to readAhead; the
      // first of a unit with the get's own statement.
      bool reading = readAhead > 1 && !held.empty();
      int32_t many = std::min<int32_t>(readAhead, std::max<int32_t>(1, static_cast<int32_t>(held.size())));
      vxdb::Params params;
      params.i64(baseline.queue).i16(rank).i64(after).i64(0);
      if (reading) {
        params.i32(many).i64(1).i64(uow);
      } else {
        params.i32(1024).boolean(false).i64(1).i64(uow);
      }
      vxdb::Result result = pg.run(reading ? statements.holdAhead : fetch, params);
      if (!result.ok()) {
        std::printf("failed %s\n", pg.error().c_str());
        return 1;
      }
      if (result.row(0).isNull(vxdb::kFetchId) && after != 0) {
        rank = 0;
        after = 0;
        continue;
      }
      if (result.row(0).isNull(vxdb::kFetchId)) {
        pollfd fd{PQsocket(pg.raw()), POLLIN, 0};
        poll(&fd, 1, 100);
        PQconsumeInput(pg.raw());
        while (PGnotify* notification = PQnotifies(pg.raw())) PQfreemem(notification);
        continue;
      }
      for (int i = 0; i < result.rows(); ++i) ahead.push_back(result.row(i).i64(vxdb::kFetchId));
      rank = result.row(result.rows() - 1).i16(vxdb::kFetchRank);
      after = ahead.back() + 1;
    }
    held.push_back(ahead.front());
    ahead.erase(ahead.begin());
    ++got;
    if (held.size() < batch && got < count) continue;
    std::vector<vxdb::Connection::Step> steps(1, {&statements.deleteHeld, vxdb::Params()});
    steps[0].params.int64Array(held).i64(1).i64(uow);
    if (!ahead.empty()) {
      steps.push_back({&statements.releaseAhead, vxdb::Params()});
      steps.back().params.int64Array(ahead).i64(1).i64(uow);
    }
    vxdb::Connection::Step announce{&statements.announce,
                                    vxdb::Params().text(vxdb::notificationChannel(baseline.schema))};
    std::vector<vxdb::Result> results;
    if (!pg.pipeline(steps, results, ahead.empty() ? nullptr : &announce)) {
      std::printf("failed %s\n", pg.error().c_str());
      return 1;
    }
    if (!ahead.empty()) {
      rank = 0;
      after = 0;
    }
    ahead.clear();
    held.clear();
    ++uow;
  }
  std::printf("done %lld\n", static_cast<long long>(monotonicNs()));
  return 0;
}

Outcome libpq(int producers, int consumers, int total, vxdb::Connection& admin, int batch = 1,
              int readAhead = 1) {
  baseline.schema = newSchema();
  std::string problem = vxdb::ensureSchema(admin, baseline.schema, "VXRT.QM");
  if (!problem.empty()) {
    std::fprintf(stderr, "db_bench: %s\n", problem.c_str());
    return {0, {}, -1, true};
  }
  vxdb::Statements statements(baseline.schema);
  vxdb::Params queue;
  queue.text("BENCH.Q").i32(VXQT_LOCAL).i32(10000000).i32(4 << 20).boolean(false).boolean(false)
      .i32(0).i32(VXPER_PERSISTENT).boolean(false).null().null().text("");
  vxdb::Result made = admin.run(statements.createQueue, queue);
  baseline.queue = made.ok() && made.rows() > 0 ? made.row(0).i64(0) : 0;
  std::string go = goFile();
  std::vector<std::unique_ptr<Child>> children;
  for (int i = 0; i < consumers; ++i) {
    children.push_back(std::make_unique<Child>(std::vector<std::string>{}, std::vector<std::string>{},
                                               baselineConsumer,
                                               std::vector<std::string>{std::to_string(total / consumers), go,
                                                                        std::to_string(batch),
                                                                        std::to_string(readAhead)}));
  }
  for (int i = 0; i < producers; ++i) {
    children.push_back(std::make_unique<Child>(std::vector<std::string>{}, std::vector<std::string>{},
                                               baselineProducer,
                                               std::vector<std::string>{std::to_string(total / producers), go,
                                                                        std::to_string(batch)}));
  }
  return runAll(children, go, total, nullptr);
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? NAN : values[values.size() / 2];
}

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return NAN;
  std::sort(values.begin(), values.end());
  size_t at = static_cast<size_t>(std::ceil(p * values.size())) - 1;
  return values[std::min(at, values.size() - 1)];
}

std::string load() {
  std::ifstream in("/proc/loadavg");
  std::string one;
  in >> one;
  return one;
}

void row(const char* what, double figure, double base, const char* unit, double target, bool lower) {
  double ratio = base > 0 ? figure / base : figure;
  bool met = lower ? figure <= target : ratio >= target;
  char bound[32];
  std::snprintf(bound, sizeof bound, "%s %.2f", lower ? "<=" : ">=", target);
  summaryRow(std::string("database store: ") + what, figure, base, unit, bound);
  if (base > 0) {
    std::printf("| %-52s | %9.1f %-5s | %9.1f | %5.2f | %s %.2f | %-6s |\n", what, figure, unit, base, ratio,
                lower ? "<=" : ">=", target, met ? "met" : "missed");
  } else {
    std::printf("| %-52s | %9.2f %-5s | %9s | %5s | %s %.2f | %-6s |\n", what, figure, unit, "-", "-",
                lower ? "<=" : ">=", target, lower ? (met ? "met" : "missed") : "-");
  }
}

}  // namespace

int main() {
  if (database().empty() || std::getenv("DB_BENCH_JAVA") == nullptr) {
    std::fprintf(stderr, "db_bench: needs VXRT_TEST_DATABASE and DB_BENCH_JAVA\n");
    return 2;
  }
  vxdb::Connection admin;
  if (!admin.open(database())) {
    std::fprintf(stderr, "db_bench: %s\n", admin.error().c_str());
    return 1;
  }
  std::string loadBefore = load();
  // Baselines and subjects alternate, so that neither meets the machine in
  // a state of its own, three rounds; each figure is the median of its
  // three runs.
  constexpr int kRounds = 3;
  constexpr int kReadAhead = 64;
  std::vector<double> base11, ours11, base44, ours44, held44, batch11, batchBase11, batch44, batchBase44;
  std::vector<double> ahead11, aheadBase11, ahead44, aheadBase44;
  Outcome lastOurs44, lastHeld44;
  bool failed = false;
  auto note = [&](std::vector<double>& rates, const Outcome& outcome) {
    rates.push_back(outcome.perSecond);
    failed = failed || outcome.failed;
    return outcome;
  };
  for (int round = 0; round < kRounds; ++round) {
    note(base11, libpq(1, 1, 1200, admin));
    note(ours11, ours(1, 1, 1200, false, admin));
    note(base44, libpq(4, 4, 2400, admin));
    lastOurs44 = note(ours44, ours(4, 4, 2400, false, admin));
    lastHeld44 = note(held44, ours(4, 4, 2400, true, admin));
    // 100 messages per unit of work.
    note(batchBase11, libpq(1, 1, 3000, admin, 100));
    note(batch11, ours(1, 1, 3000, false, admin, 100));
    note(batchBase44, libpq(4, 4, 4800, admin, 100));
    note(batch44, ours(4, 4, 4800, false, admin, 100));
    // And reading up to 64 ahead.
    note(aheadBase11, libpq(1, 1, 6000, admin, 100, kReadAhead));
    note(ahead11, ours(1, 1, 6000, false, admin, 100, kReadAhead));
    note(aheadBase44, libpq(4, 4, 12000, admin, 100, kReadAhead));
    note(ahead44, ours(4, 4, 12000, false, admin, 100, kReadAhead));
  }
  Outcome wake = ours(0, 0, 300, false, admin);
  failed = failed || wake.failed;

  std::printf("\nDatabase store, persistent 1 KiB messages, load %s before and %s after (2 cores); "
              "rates are medians of %d runs\n\n", loadBefore.c_str(), load().c_str(), kRounds);
  std::printf("| %-52s | %-15s | %-9s | %-5s | %-7s | %-6s |\n", "what", "figure", "baseline", "ratio",
              "target", "");
  std::printf("|%s|%s|%s|%s|%s|%s|\n", std::string(54, '-').c_str(), std::string(17, '-').c_str(),
              std::string(11, '-').c_str(), std::string(7, '-').c_str(), std::string(9, '-').c_str(),
              std::string(8, '-').c_str());
  row("1 producer + 1 consumer process, Java vs libpq", median(ours11), median(base11), "/s", 0.7, false);
  row("4 producers + 4 consumers, Java vs libpq", median(ours44), median(base44), "/s", 0.7, false);
  row("4 + 4 with a transaction held open vs without", median(held44), median(ours44), "/s", 0.7, false);
  row("1 + 1, 100 messages per unit of work, Java vs libpq", median(batch11), median(batchBase11), "/s", 0.7,
      false);
  row("4 + 4, 100 messages per unit of work, Java vs libpq", median(batch44), median(batchBase44), "/s", 0.7,
      false);
  row("1 + 1, 100 per unit of work, read-ahead 64, vs libpq", median(ahead11), median(aheadBase11), "/s", 0.7,
      false);
  row("4 + 4, 100 per unit of work, read-ahead 64, vs libpq", median(ahead44), median(aheadBase44), "/s", 0.7,
      false);
  row("wake-up latency after a commit elsewhere, p50", percentile(wake.latenciesMs, 0.5), 0, "ms", 5, true);
  row("wake-up latency after a commit elsewhere, p99", percentile(wake.latenciesMs, 0.99), 0, "ms", 5, true);
  std::printf("\nDead rows of the message table at the end: %lld with the transaction held open, %lld "
              "without (1 KiB pairs: %d messages each run).\n",
              static_cast<long long>(lastHeld44.deadRows), static_cast<long long>(lastOurs44.deadRows), 2400);
  return failed ? 1 : 0;
}
