#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests, the demo and the benchmarks:
# Debian's server binaries, a data folder under a temporary folder, 127.0.0.1
# and a free port, password authentication, prepared transactions allowed,
# fsync on. Sourced; defines
#   postgres_start         starts it and exports
#                            VXRT_PG_ROOT (its folder), VXRT_PG_DATA, VXRT_PG_PORT,
#                            VXRT_PG_CTL (the pg_ctl command line, to be run as
#                            the server's owner with postgres_as_owner), and
#                            VXRT_TEST_DATABASE (a libpq connection string);
#                          the caller stops it on exit: trap postgres_stop EXIT
#   postgres_stop          stops it and removes its folder
#   postgres_create_db N   creates database N
# As root the server runs as the unprivileged user postgres (created by
# Debian's package), since PostgreSQL refuses to run as root.
set -euo pipefail

postgres_bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)"

postgres_as_owner() {
  if [[ "$(id -u)" == 0 ]]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

# A port in 20000-39999 that nothing on 127.0.0.1 listens on (a connect to
# it is refused), found without tools beyond bash.
postgres_free_port() {
  local port
  for _ in $(seq 1 200); do
    port=$((20000 + RANDOM % 20000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port"
      return 0
    fi
  done
  echo "postgres.sh: no free port found" >&2
  return 1
}

postgres_start() {
  if [[ -z "$postgres_bin" || ! -x "$postgres_bin/initdb" ]]; then
    echo "postgres.sh: no PostgreSQL server binaries under /usr/lib/postgresql" >&2
    return 1
  fi
  VXRT_PG_ROOT="$(mktemp -d /tmp/vxrt-pg.XXXXXX)"
  chmod 755 "$VXRT_PG_ROOT"
  export VXRT_PG_DATA="$VXRT_PG_ROOT/data"
  local password="vx-$RANDOM$RANDOM"
  printf '%s\n' "$password" >"$VXRT_PG_ROOT/password"
  if [[ "$(id -u)" == 0 ]]; then chown -R postgres: "$VXRT_PG_ROOT"; fi
  postgres_as_owner "$postgres_bin/initdb" -D "$VXRT_PG_DATA" -U vxtest \
    --pwfile="$VXRT_PG_ROOT/password" --auth-local=trust --auth-host=scram-sha-256 \
    -E UTF8 --locale=C.UTF-8 >"$VXRT_PG_ROOT/initdb.log" 2>&1 || {
    cat "$VXRT_PG_ROOT/initdb.log" >&2
    return 1
  }
  rm -f "$VXRT_PG_ROOT/password"
  export VXRT_PG_PORT="$(postgres_free_port)"
  cat >>"$VXRT_PG_DATA/postgresql.conf" <<EOF
listen_addresses = '127.0.0.1'
port = $VXRT_PG_PORT
unix_socket_directories = '$VXRT_PG_ROOT'
max_connections = 300
max_prepared_transactions = 100
fsync = on
synchronous_commit = on
shared_buffers = 128MB
EOF
  export VXRT_PG_CTL="$postgres_bin/pg_ctl -D $VXRT_PG_DATA -l $VXRT_PG_ROOT/server.log -w -t 60"
  postgres_as_owner $VXRT_PG_CTL start >/dev/null || {
    cat "$VXRT_PG_ROOT/server.log" >&2
    return 1
  }
  export VXRT_PG_ROOT
  export VXRT_TEST_DATABASE="host=127.0.0.1 port=$VXRT_PG_PORT user=vxtest password=$password dbname=postgres"
  export VXRT_PG_OWNER="$(if [[ "$(id -u)" == 0 ]]; then echo postgres; else id -un; fi)"
  export VXRT_PG_PASSWORD="$password"
}

postgres_stop() {
  if [[ -n "${VXRT_PG_DATA:-}" && -d "$VXRT_PG_DATA" ]]; then
    postgres_as_owner "$postgres_bin/pg_ctl" -D "$VXRT_PG_DATA" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  if [[ -n "${VXRT_PG_ROOT:-}" && "$VXRT_PG_ROOT" == /tmp/vxrt-pg.* ]]; then rm -rf "$VXRT_PG_ROOT"; fi
  unset VXRT_PG_DATA VXRT_PG_ROOT
}

postgres_create_db() {
  PGPASSWORD="$VXRT_PG_PASSWORD" psql -q -h 127.0.0.1 -p "$VXRT_PG_PORT" -U vxtest -d postgres \
    -c "CREATE DATABASE \"$1\"" >/dev/null
}
