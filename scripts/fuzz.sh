#!/usr/bin/env bash
# Builds the fuzz build (clang, every library instrumented for coverage, ASan and UBSan) into
# ./build-fuzz (or $TABULON_FUZZ_DIR; scripts/test.sh --sanitize runs the test suite there) and runs one fuzz target, or all of them, for SECONDS each
# (default 30) from its seed corpus and what earlier runs added to it.
#
#   scripts/fuzz.sh [TARGET|all] [SECONDS]
#
# Each target spends part of its time (TABULON_FUZZ_EMPTY_PERCENT, default 30) starting from an
# empty corpus, seeds unseen: seeded runs tend to stay near the seeds' paths, and some faults are
# found only by inputs grown from nothing. What that run finds is added to the corpus.
# Per target and run it prints the executions, the coverage reached (edges and features), the corpus
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
empty_percent="${TABULON_FUZZ_EMPTY_PERCENT:-30}"
if ! [[ "$empty_percent" =~ ^[0-9]+$ ]] || [ "$empty_percent" -gt 100 ]; then
  echo "fuzz.sh: TABULON_FUZZ_EMPTY_PERCENT must be 0 to 100, not \"$empty_percent\"" >&2
  exit 2
fi
empty_seconds=$((seconds * empty_percent / 100))
seeded_seconds=$((seconds - empty_seconds))

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
# run_one TARGET LABEL SECONDS CORPUS [SEEDS]: one libFuzzer run; new inputs go to CORPUS, the
# seeds are read, never changed.
run_one() {
  local t="$1" label="$2" secs="$3" corpus="$4" seeds="${5:-}"
  local dir="$build/fuzz/$t"
  local findings="$dir/findings"
  local log="$dir/last-run-$label.log"
  mkdir -p "$corpus" "$findings"
  local dict=()
  [ -f "$dir/$t.dict" ] && dict=("-dict=$dir/$t.dict")
  local before
  before="$(find "$findings" -type f | sort)"
  echo "== $t ($label): ${secs}s"
  set +e
  # -timeout: an input running for 25 s is a hang, and a finding.
  "$build/bin/$t" -max_total_time="$secs" -timeout=25 -rss_limit_mb=2560 -print_final_stats=1 \
    -artifact_prefix="$findings/" "${dict[@]}" "$corpus" ${seeds:+"$seeds"} >"$log" 2>&1
  local status=$?
  set -e
  local last execs edges features corpsize line new
  last="$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)"
  execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
  edges="$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")"
  features="$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")"
  corpsize="$(find "$corpus" -type f | wc -l)"
  line="$t ($label): ${execs:-?} executions in ${secs}s, coverage ${edges:-?} edges ${features:-?} features, corpus $corpsize inputs"
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
}

for t in "${targets[@]}"; do
  dir="$build/fuzz/$t"
  if [ "$seeded_seconds" -gt 0 ]; then
    run_one "$t" seeded "$seeded_seconds" "$dir/corpus" "$dir/seeds"
  fi
  if [ "$empty_seconds" -gt 0 ]; then
    # A fresh directory each time: the run starts from nothing. Its inputs then join the corpus.
    fresh="$dir/from-empty"
    rm -rf "$fresh"
    run_one "$t" from-empty "$empty_seconds" "$fresh"
    mkdir -p "$dir/corpus"
    find "$fresh" -type f -exec cp -n {} "$dir/corpus/" \;
    rm -rf "$fresh"
  fi
done

echo "== summary"
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz.sh: findings in: ${failed[*]} (replay: $build/bin/TARGET REPRODUCER)" >&2
  exit 1
fi
