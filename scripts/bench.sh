#!/usr/bin/env bash
# Builds everything and runs the benchmarks: the export frame and the puts in
# C++ (export_bench), then put/get pairs from Java through the whole stack
# against an in-JVM queue, with the memory measurement, and messages put from
# Java and delivered to a Java listener (java_bench).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/build.sh"
"$root/build/bin/export_bench"
cmake --build "$root/build" --target java_bench
