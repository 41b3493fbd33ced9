#!/usr/bin/env bash
# Builds everything and runs the benchmarks: the export frame and the puts in
# C++ (export_bench), then put/get pairs from Java through the whole stack
# against an in-JVM queue, with the memory measurement, and messages put from
# Java and delivered to a Java listener (java_bench); then the database store
# from Java beside a libpq program running the same statements, on a
# throwaway PostgreSQL server (db_bench).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/build.sh"
"$root/build/bin/export_bench"
cmake --build "$root/build" --target java_bench
source "$root/scripts/setup.sh"
source "$root/scripts/postgres.sh"
postgres_start
trap postgres_stop EXIT
DB_BENCH_JAVA="$JAVA_HOME/bin/java -Djava.library.path=$root/build/lib -cp $root/build/java/taly.jar:$root/build/java/taly-bench.jar" \
  "$root/build/bin/db_bench"
