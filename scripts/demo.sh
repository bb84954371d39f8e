#!/usr/bin/env bash
# Installs what is missing, builds, runs the demo reports once into PDF files
# (as a scheduler would with tabulon-run, with the parameters their dialogs
# start with), and starts Tabulon's main window on the demo installation:
# pick a group under "Reports" > "Start report", then "Start report" on a
# report, fill in its dialog and press "Print".
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TABULON_BUILD_DIR:-$root/build}"

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

export TABULON_HOME="$build/demo"

# Every demo report, run without a window into build/demo/output/<report>.pdf.
if [ -x "$build/bin/tabulon-run" ] && compgen -G "$TABULON_HOME/*.QR2" > /dev/null; then
  mkdir -p "$TABULON_HOME/output"
  echo "Running the demo reports into $TABULON_HOME/output:"
  for report in "$TABULON_HOME"/*.QR2; do
    name="$(basename "${report%.*}")"
    # The parameters come from the report's dialog descriptor with its defaults; a
    # question the report asks anyway gets the first answer a user might give.
    if "$build/bin/tabulon-run" "$report" -o "$TABULON_HOME/output/$name.pdf" --quiet --dialog \
        --answer 1000 --answer Yes 2> "$TABULON_HOME/output/$name.log"; then
      echo "  $name.pdf"
    else
      echo "  $name: failed, see $TABULON_HOME/output/$name.log"
    fi
  done
fi

if [ -x "$build/bin/tabulon" ]; then
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display: on a desktop, run TABULON_HOME=$TABULON_HOME $build/bin/tabulon to open the main window."
    exit 0
  fi
  echo "Starting Tabulon on the demo installation ($TABULON_HOME)."
  exec "$build/bin/tabulon" "$@"
elif [ -x "$build/bin/tabulon-expr" ]; then
  exec "$build/bin/tabulon-expr" --database "$TABULON_HOME/demo.sqlite" --table customers \
    "'Tabulon demo: ' + [Company]" "${@}"
else
  echo "Tabulon's libraries are built; the programs arrive with the next steps."
  echo "Run ./scripts/test.sh to run the test suite."
fi
