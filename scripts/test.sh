#!/usr/bin/env bash
# Builds everything and runs every test: the native tests under -Xcheck:jni,
# then the installed artefact with the build folder moved away, then the same
# tests again with AddressSanitizer and UndefinedBehaviorSanitizer, then the
# queue manager's own tests under ThreadSanitizer.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

"$root/scripts/build.sh" "$root/build"
(cd "$root/build" && ctest --output-on-failure -j "$(nproc)")
# The installed artefact once more, with the build folder moved out of the way.
source "$root/scripts/setup.sh"
"$root/tests/install/check_install.sh" "$root/build" "$JAVA_HOME/bin" --move-build-away

"$root/scripts/build.sh" "$root/build-sanitize" -DTALY_SANITIZE=ON -DTALY_BENCHMARKS=OFF
(cd "$root/build-sanitize" && ctest --output-on-failure -j "$(nproc)")

# The queue manager's own tests (no JVM) once more under ThreadSanitizer: its
# dispatchers, waits, XA branches and concurrent callers run on many threads.
# A reported race makes the run exit with 66.
tsan_flags="-fsanitize=thread -g"
cmake -S "$root" -B "$root/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALY_BENCHMARKS=OFF \
  -DCMAKE_C_FLAGS="$tsan_flags" -DCMAKE_CXX_FLAGS="$tsan_flags" \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build "$root/build-tsan" -j "$(nproc)" --target vxrt_tests vxrt_process_tests vxrt_worker
export TSAN_OPTIONS="exitcode=66 second_deadlock_stack=1"
"$root/build-tsan/bin/vxrt_tests"
# The database store's own thread, its anchor and the calls of many threads.
source "$root/scripts/postgres.sh"
postgres_start
trap postgres_stop EXIT
"$root/build-tsan/bin/vxrt_tests"
"$root/build-tsan/bin/vxrt_process_tests"
