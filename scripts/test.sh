#!/usr/bin/env bash
# Builds everything and runs every test: the native tests under -Xcheck:jni,
# then the same tests again with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

"$root/scripts/build.sh" "$root/build"
(cd "$root/build" && ctest --output-on-failure -j "$(nproc)")

"$root/scripts/build.sh" "$root/build-sanitize" -DTALY_SANITIZE=ON -DTALY_BENCHMARKS=OFF
(cd "$root/build-sanitize" && ctest --output-on-failure -j "$(nproc)")
