#!/usr/bin/env bash
# Installs every Debian package Tabulon needs to build, test and run.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql libqt6svg6
  qt6-qpa-plugins libgl-dev
  postgresql
  fonts-liberation2
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth
  sqlite3 libsqlite3-dev
  unrtf libxlsxwriter-dev poppler-utils qt6-svg-dev emf2svg libwmf-bin
  clang libclang-rt-14-dev
  cups printer-driver-cups-pdf
  openbox xdotool x11-utils imagemagick python3
  qpdf libharfbuzz-dev libdeflate-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
