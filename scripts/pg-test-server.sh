#!/usr/bin/env bash
# Starts or stops a throwaway PostgreSQL cluster on 127.0.0.1 for the tests.
#   pg-test-server.sh start DIR   prints "export ..." lines for the tests' environment
#   pg-test-server.sh stop DIR    stops the server and removes DIR
set -euo pipefail
cmd="${1:-}"; dir="${2:-}"
[ -n "$cmd" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

bindir="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
[ -x "$bindir/pg_ctl" ] || { echo "PostgreSQL server binaries not found" >&2; exit 1; }

as_pg() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

case "$cmd" in
start)
  mkdir -p "$dir"
  [ "$(id -u)" -eq 0 ] && chown postgres "$dir"
  port=""
  for p in $(shuf -i 20000-60000 -n 50); do
    if ! (exec 3<>/dev/tcp/127.0.0.1/$p) 2>/dev/null; then port=$p; break; fi
  done
  [ -n "$port" ] || { echo "no free port for PostgreSQL" >&2; exit 1; }
  as_pg "$bindir/initdb" -D "$dir/data" -A trust -U postgres -E UTF8 --no-locale >"$dir/initdb.log" 2>&1
  as_pg "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
    -o "-h 127.0.0.1 -p $port -k $dir -c fsync=off -c full_page_writes=off" start >/dev/null
  as_pg "$bindir/createdb" -h 127.0.0.1 -p "$port" -U postgres tabulon_test
  echo "export TABULON_TEST_PGHOST=127.0.0.1"
  echo "export TABULON_TEST_PGPORT=$port"
  echo "export TABULON_TEST_PGUSER=postgres"
  echo "export TABULON_TEST_PGDATABASE=tabulon_test"
  ;;
stop)
  if [ -d "$dir/data" ]; then
    as_pg "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
  ;;
*) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
