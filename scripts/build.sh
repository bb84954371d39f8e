#!/usr/bin/env bash
# Configures and builds Tabulon into ./build (or $TABULON_BUILD_DIR); $TABULON_CMAKE_ARGS are
# added when the build directory is first configured.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TABULON_BUILD_DIR:-$root/build}"
jobs="${TABULON_JOBS:-$(nproc)}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${TABULON_CMAKE_ARGS:-}
fi
cmake --build "$build" -j "$jobs"
