#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tabulon on the embedded demo.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TABULON_BUILD_DIR:-$root/build}"

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

export TABULON_HOME="$build/demo"
if [ -x "$build/bin/tabulon" ]; then
  exec "$build/bin/tabulon" "$@"
elif [ -x "$build/bin/tabulon-expr" ]; then
  # Until the main window lands, the demo is the expression console on the demo database.
  exec "$build/bin/tabulon-expr" --database "$TABULON_HOME/demo.sqlite" --table customers \
    "'Tabulon demo: ' + [Company]" "${@}"
else
  echo "Tabulon's libraries are built; the programs arrive with the next steps."
  echo "Run ./scripts/test.sh to run the test suite."
fi
