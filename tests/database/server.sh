#!/usr/bin/env bash
# The throwaway PostgreSQL server of a test run, as a CTest fixture:
#   server.sh start FILE   starts one and writes its settings to FILE
#   server.sh stop FILE    stops the one FILE names, and removes FILE
# A server that an interrupted run left is stopped before a new one starts.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../scripts/postgres.sh"
command="$1"
file="$2"

stop_recorded() {
  if [[ -f "$file" ]]; then
    # shellcheck disable=SC1090
    source "$file"
    postgres_stop
    rm -f "$file"
  fi
}

case "$command" in
  start)
    stop_recorded
    postgres_start
    {
      for name in VXRT_PG_ROOT VXRT_PG_DATA VXRT_PG_PORT VXRT_PG_CTL VXRT_PG_OWNER \
        VXRT_PG_PASSWORD VXRT_TEST_DATABASE; do
        printf 'export %s=%q\n' "$name" "${!name}"
      done
    } >"$file"
    echo "PostgreSQL on 127.0.0.1:$VXRT_PG_PORT in $VXRT_PG_DATA"
    ;;
  stop)
    stop_recorded
    ;;
  *)
    echo "usage: server.sh start|stop FILE" >&2
    exit 2
    ;;
esac
