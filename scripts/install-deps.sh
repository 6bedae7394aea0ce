#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
PKGS=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql libqt6opengl6-dev
  libgl-dev libglx-dev libxkbcommon-dev
  libgtest-dev googletest
  libkainjow-mustache-dev
  libqt6svg6 libcups2 poppler-utils qpdf libqpdf-dev qt6-pdf-dev xvfb xauth imagemagick fonts-dejavu-core fonts-liberation qt6-translations-l10n
  sqlite3 postgresql-15
  libsqlite3-dev libpq-dev postgresql-client-15
  libcurl4-openssl-dev openssl python3
  dpkg-dev lintian appstream desktop-file-utils
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
