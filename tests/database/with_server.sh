#!/usr/bin/env bash
# Runs a command with the settings of the test run's PostgreSQL server:
#   with_server.sh FILE [NAME=VALUE ...] COMMAND [ARGUMENTS ...]
# VALUEs may name the server's settings ($VXRT_TEST_DATABASE and the rest).
set -euo pipefail
file="$1"
shift
if [[ ! -f "$file" ]]; then
  echo "with_server.sh: no server settings in $file (the postgres fixture did not start)" >&2
  exit 1
fi
# shellcheck disable=SC1090
source "$file"
while [[ $# -gt 0 && "$1" == *=* ]]; do
  export "${1%%=*}"="$(eval "printf '%s' \"${1#*=}\"")"
  shift
done
exec "$@"
