// The benchmarks' common table: each benchmark program adds its rows to the
// file VX_BENCH_SUMMARY names (when set), and scripts/bench.sh prints them
// all as one table at the end. A row: what was measured, the figure, its
// baseline from the same run (0 when it has none), the unit, and the target
// for figure/baseline (or the figure alone), such as ">= 0.7" or "<= 1.2".
#ifndef BENCH_SUMMARY_H
#define BENCH_SUMMARY_H

#include <cstdio>
#include <cstdlib>
#include <string>

inline void summaryRow(const std::string& what, double figure, double baseline, const std::string& unit,
                       const std::string& target) {
  const char* path = std::getenv("VX_BENCH_SUMMARY");
  if (path == nullptr || *path == '\0') return;
  if (FILE* out = std::fopen(path, "a")) {
    std::fprintf(out, "%s\t%.6g\t%.6g\t%s\t%s\n", what.c_str(), figure, baseline, unit.c_str(), target.c_str());
    std::fclose(out);
  }
}

#endif
