#!/usr/bin/env bash
# Builds the fuzz build (clang, every library instrumented for coverage, ASan and UBSan) into
# ./build-fuzz (or $TABULON_FUZZ_DIR; scripts/test.sh --sanitize runs the test suite there) and runs one fuzz target, or all of them, for SECONDS each
# (default 30) from its seed corpus and what earlier runs added to it.
#
#   scripts/fuzz.sh [TARGET|all] [SECONDS]
#
# Per target it prints the executions, the coverage reached (edges and features), the corpus
# size and every finding with its reproducer file. Exit status 1 when any target found something.
# A reproducer replays with: build-fuzz/bin/TARGET REPRODUCER
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TABULON_FUZZ_DIR:-$root/build-fuzz}"
jobs="${TABULON_JOBS:-$(nproc)}"
want="${1:-all}"
seconds="${2:-30}"

if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "fuzz.sh: SECONDS must be a positive whole number, not \"$seconds\"" >&2
  exit 2
fi

"$root/scripts/install-deps.sh"
if [ ! -f "$build/build.ninja" ]; then
  # As scripts/test.sh --sanitize configures it.
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ \
    -DTABULON_FUZZ=ON -DTABULON_BUILD_BENCH=OFF
else
  cmake "$build" >/dev/null # picks up targets added since
fi
mapfile -t all < "$build/fuzz/targets.txt"
if [ "$want" = all ]; then
  targets=("${all[@]}")
else
  if ! printf '%s\n' "${all[@]}" | grep -qx "$want"; then
    echo "fuzz.sh: no fuzz target \"$want\"; there are: ${all[*]}" >&2
    exit 2
  fi
  targets=("$want")
fi
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

# A finding must stop the run at once and show where it happened.
supp="$root/scripts/sanitizers"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$supp/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1:suppressions=$supp/ubsan.supp}"
export QT_QPA_PLATFORM=offscreen
export TABULON_LOCALE=en_US

failed=()
summary=()
for t in "${targets[@]}"; do
  dir="$build/fuzz/$t"
  corpus="$dir/corpus"
  findings="$dir/findings"
  log="$dir/last-run.log"
  mkdir -p "$corpus" "$findings"
  dict=()
  [ -f "$dir/$t.dict" ] && dict=("-dict=$dir/$t.dict")
  before="$(find "$findings" -type f | sort)"
  echo "== $t: ${seconds}s"
  set +e
  # New inputs go to the corpus directory; the seeds are read, never changed.
  # -timeout: an input running for 25 s is a hang, and a finding.
  "$build/bin/$t" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2560 -print_final_stats=1 \
    -artifact_prefix="$findings/" "${dict[@]}" "$corpus" "$dir/seeds" >"$log" 2>&1
  status=$?
  set -e
  last="$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)"
  execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
  edges="$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")"
  features="$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")"
  corpsize="$(find "$corpus" -type f | wc -l)"
  line="$t: ${execs:-?} executions in ${seconds}s, coverage ${edges:-?} edges ${features:-?} features, corpus $corpsize inputs"
  new="$(comm -13 <(printf '%s\n' "$before") <(find "$findings" -type f | sort) | sed '/^$/d')"
  if [ "$status" -ne 0 ] || [ -n "$new" ]; then
    failed+=("$t")
    line="$line, FINDING (exit $status)"
    echo "$line"
    grep -E 'ERROR: |SUMMARY: |runtime error:|fuzz_[a-z]+: ' "$log" | head -n 8 | sed 's/^/   /'
    if [ -n "$new" ]; then
      while read -r f; do echo "   reproducer: $f"; done <<<"$new"
    else
      echo "   no reproducer written; the log is $log"
    fi
  else
    echo "$line"
  fi
  summary+=("$line")
done

echo "== summary"
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz.sh: findings in: ${failed[*]} (replay: $build/bin/TARGET REPRODUCER)" >&2
  exit 1
fi
