#!/usr/bin/env bash
# Builds everything and runs the demo: the Java side loads the library,
# initialises it and reads its metadata. Pass "trace" for Java trace events;
# set TalyEarlyTrace=finest for the native trace on standard error.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/build.sh"
source "$root/scripts/setup.sh"
exec "$JAVA_HOME/bin/java" -Xcheck:jni -Djava.library.path="$root/build/lib" \
  -cp "$root/build/java/taly.jar:$root/build/java/taly-demo.jar" com.orvane.vx.taly.demo.Demo "$@"
