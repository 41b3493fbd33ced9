// Benchmarks report ratios: each subject is measured beside a baseline in the
// same run, so that a shared, noisy machine moves both alike. A file of
// benchmarks declares its pairs with TALY_RATIO; the main of the benchmark
// binary prints one table of them after Google Benchmark's own output.
#ifndef BENCH_RATIO_H
#define BENCH_RATIO_H

#include <string>
#include <vector>

struct RatioPair {
  std::string title;     // what is compared, in plain words
  std::string subject;   // benchmark name, as Google Benchmark reports it
  std::string baseline;  // benchmark name of the baseline
  std::string target;    // the target, such as "<= 1.2x" or ">= 0.8x"
};

std::vector<RatioPair>& ratioPairs();

struct RatioRegistration {
  RatioRegistration(const char* title, const char* subject, const char* baseline,
                    const char* target) {
    ratioPairs().push_back({title, subject, baseline, target});
  }
};

#define TALY_RATIO_CAT2(a, b) a##b
#define TALY_RATIO_CAT(a, b) TALY_RATIO_CAT2(a, b)
#define TALY_RATIO(title, subject, baseline, target) \
  static RatioRegistration TALY_RATIO_CAT(ratio_, __LINE__)(title, subject, baseline, target)

#endif
