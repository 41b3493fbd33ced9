#!/usr/bin/env bash
# Builds everything and runs the benchmarks: the export frame and the puts in
# C++ (export_bench), then put/get pairs from Java through the whole stack
# against an in-JVM queue, with the memory measurement, and messages put from
# Java and delivered to a Java listener (java_bench); then the database store
# from Java beside a libpq program running the same statements, on a
# throwaway PostgreSQL server (db_bench). Each prints its own tables; at the
# end, one table of every row with a target: the figure, its baseline
# measured in the same run, the ratio, the target, met or missed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/build.sh"
VX_BENCH_SUMMARY="$(mktemp /tmp/vx-bench-summary.XXXXXX)"
export VX_BENCH_SUMMARY
trap 'rm -f "$VX_BENCH_SUMMARY"' EXIT
load_before="$(cut -d' ' -f1-3 /proc/loadavg)"
summary() {
  echo
  echo "All benchmarks: load (1, 5, 15 min) $load_before before, $(cut -d' ' -f1-3 /proc/loadavg) after," \
    "$(nproc) cores; ratio = figure / baseline, both from this run"
  echo
  awk -f "$root/scripts/bench_summary.awk" "$VX_BENCH_SUMMARY"
}
"$root/build/bin/export_bench"
cmake --build "$root/build" --target java_bench
source "$root/scripts/setup.sh"
source "$root/scripts/postgres.sh"
postgres_start
trap 'postgres_stop; rm -f "$VX_BENCH_SUMMARY"' EXIT
DB_BENCH_JAVA="$JAVA_HOME/bin/java -Djava.library.path=$root/build/lib -cp $root/build/java/taly.jar:$root/build/java/taly-bench.jar" \
  "$root/build/bin/db_bench"
summary
