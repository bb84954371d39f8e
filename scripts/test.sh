#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite, with a
# throwaway PostgreSQL server on loopback for the database tests and a
# throwaway CUPS scheduler with a PDF queue for the printing tests.
#
#   scripts/test.sh [--sanitize] [CTEST ARGS...]
#
# --sanitize builds into the instrumented build ./build-fuzz (or $TABULON_BUILD_DIR), which
# scripts/fuzz.sh uses too: clang, AddressSanitizer, UndefinedBehaviorSanitizer and libFuzzer's
# coverage hooks in every object. Any memory error, leak or undefined behaviour then fails the
# test it happens in.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
sanitize=0
if [ "${1:-}" = "--sanitize" ]; then
  sanitize=1
  shift
fi

if [ "$sanitize" -eq 1 ]; then
  build="${TABULON_BUILD_DIR:-$root/build-fuzz}"
  # As scripts/fuzz.sh configures it. Benchmarks measure the normal build; here they mean nothing.
  export TABULON_CMAKE_ARGS="-DCMAKE_CXX_COMPILER=clang++ -DTABULON_FUZZ=ON -DTABULON_BUILD_BENCH=OFF ${TABULON_CMAKE_ARGS:-}"
  supp="$root/scripts/sanitizers"
  export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1}"
  export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$supp/lsan.supp:print_suppressions=0}"
  export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1:suppressions=$supp/ubsan.supp}"
else
  build="${TABULON_BUILD_DIR:-$root/build}"
fi
export TABULON_BUILD_DIR="$build"

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

pgdir="$(mktemp -d /tmp/tabulon-pg.XXXXXX)"
cupsdir="$(mktemp -d /tmp/tabulon-cups.XXXXXX)"
trap '"$root/scripts/pg-test-server.sh" stop "$pgdir"; "$root/scripts/cups-test-server.sh" stop "$cupsdir"' EXIT
eval "$("$root/scripts/pg-test-server.sh" start "$pgdir")"
# Without a scheduler the printing tests say why they skip; the rest still runs.
if cupsenv="$("$root/scripts/cups-test-server.sh" start "$cupsdir")"; then
  eval "$cupsenv"
else
  echo "test.sh: no CUPS test scheduler, the printing tests will skip" >&2
fi

ctest --test-dir "$build" --output-on-failure -j "${TABULON_JOBS:-$(nproc)}" "$@"
