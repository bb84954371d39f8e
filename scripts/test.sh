#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite, with a
# throwaway PostgreSQL server on loopback for the database tests.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TABULON_BUILD_DIR:-$root/build}"

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

pgdir="$(mktemp -d /tmp/tabulon-pg.XXXXXX)"
trap '"$root/scripts/pg-test-server.sh" stop "$pgdir"' EXIT
eval "$("$root/scripts/pg-test-server.sh" start "$pgdir")"

ctest --test-dir "$build" --output-on-failure -j "${TABULON_JOBS:-$(nproc)}" "$@"
