#!/usr/bin/env bash
# Where the time of a path goes: runs a loop of it from Java (ProfileLoop)
# under perf, with the JIT's code named through its perf map, and prints
# the hottest functions, their own time first.
#   scripts/profile.sh [pairs|pairs64k|pairs2|listener] [SECONDS]
# The report of the last run stays in build/profile-PATH.txt.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
path="${1:-pairs}"
seconds="${2:-10}"
source "$root/scripts/setup.sh"
if ! command -v perf >/dev/null; then
  apt-get install -y -q --no-install-recommends linux-perf
fi
"$root/scripts/build.sh" >/dev/null
cmake --build "$root/build" --target taly-bench >/dev/null

data="$root/build/profile-$path.data"
# Frame pointers kept in the JIT's code so that perf can walk through it;
# the perf map names the compiled Java methods.
perf record -F 499 -g -o "$data" -- "$JAVA_HOME/bin/java" -XX:+PreserveFramePointer \
  -XX:+UnlockDiagnosticVMOptions -XX:+DumpPerfMapAtExit \
  -Djava.library.path="$root/build/lib" \
  -cp "$root/build/java/taly.jar:$root/build/java/taly-bench.jar" \
  com.orvane.vx.taly.bench.ProfileLoop "$path" "$seconds"
perf report -i "$data" --no-children --sort dso,sym --percent-limit 0.7 --stdio 2>/dev/null |
  grep -v '^$' | grep -v '^#' | grep -E '^ +[0-9]' >"$root/build/profile-$path.txt"
cat "$root/build/profile-$path.txt"
