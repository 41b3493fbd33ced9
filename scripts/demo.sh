#!/usr/bin/env bash
# Builds everything and runs the demo: the Java side loads the library,
# initialises it and reads its metadata. Pass "trace" for Java trace events;
# set TalyEarlyTrace=finest for the native trace on standard error.
#
# "scripts/demo.sh shared" runs a request and reply between two JVM
# processes instead, on a queue manager that both share through a throwaway
# PostgreSQL server started for the demo (and stopped after it).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/build.sh"
source "$root/scripts/setup.sh"
java=("$JAVA_HOME/bin/java" -Xcheck:jni -Djava.library.path="$root/build/lib"
  -cp "$root/build/java/taly.jar:$root/build/java/taly-demo.jar")
if [[ "${1:-}" != shared ]]; then
  exec "${java[@]}" com.orvane.vx.taly.demo.Demo "$@"
fi

source "$root/scripts/postgres.sh"
postgres_start
responder=""
finish() {
  if [[ -n "$responder" ]]; then kill "$responder" 2>/dev/null || true; fi
  postgres_stop
}
trap finish EXIT
echo "PostgreSQL on 127.0.0.1:$VXRT_PG_PORT; both processes name it in VXRT_DATABASE"
export VXRT_DATABASE="$VXRT_TEST_DATABASE" VXRT_DATABASE_SCHEMA=demo
"${java[@]}" com.orvane.vx.taly.demo.SharedDemo responder 3 &
responder=$!
"${java[@]}" com.orvane.vx.taly.demo.SharedDemo requester 3
wait "$responder"
responder=""
