// Runs the benchmarks of this binary, then prints the ratio of each declared
// subject to its baseline, both measured in this run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "ratio.h"
#include "summary.h"

std::vector<RatioPair>& ratioPairs() {
  static std::vector<RatioPair> pairs;
  return pairs;
}

namespace {

// Keeps the processor time per iteration of every run while the console
// reporter prints: on a shared machine it is steadier than wall-clock time.
class Collector : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> nanos;

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      // One run, or the median of the repetitions.
      bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Iteration || median) {
        nanos[run.run_name.str()] = run.GetAdjustedCPUTime() *
            benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
            benchmark::GetTimeUnitMultiplier(run.time_unit);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  // Unless told otherwise: each benchmark five times, the repetitions of
  // all of them in a random order, so that a subject and its baseline meet
  // the machine in the same states; each figure is the median.
  std::vector<char*> args(argv, argv + argc);
  bool told = false;
  for (int i = 1; i < argc; ++i) told = told || std::string(argv[i]).rfind("--benchmark_repetitions", 0) == 0;
  static char repetitions[] = "--benchmark_repetitions=5";
  static char interleaving[] = "--benchmark_enable_random_interleaving=true";
  static char aggregates[] = "--benchmark_display_aggregates_only=true";
  if (!told) args.insert(args.begin() + 1, {repetitions, interleaving, aggregates});
  argc = static_cast<int>(args.size());
  args.push_back(nullptr);
  argv = args.data();
  benchmark::Initialize(&argc, argv);
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  std::printf("\n%-58s %12s %12s %8s  %s\n", "comparison", "subject ns", "baseline ns", "ratio",
              "target");
  for (const RatioPair& pair : ratioPairs()) {
    auto subject = collector.nanos.find(pair.subject);
    auto baseline = collector.nanos.find(pair.baseline);
    if (subject == collector.nanos.end() || baseline == collector.nanos.end()) continue;
    std::printf("%-58s %12.1f %12.1f %7.2fx  %s\n", pair.title.c_str(), subject->second,
                baseline->second, subject->second / baseline->second, pair.target.c_str());
    // The summary takes the ratio's target: "<= 1.2x, ..." gives "<= 1.2".
    std::string target = pair.target.substr(0, pair.target.find('x'));
    summaryRow(pair.title + " (cost)", subject->second, baseline->second, "ns", target);
  }
  benchmark::Shutdown();
  return 0;
}
