#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks it as a new user would meet it: unpacked
# into a temporary root (nothing of the build or source tree reachable), the admin tool creates a
# database with demo data and the program starts to its main menu; lintian reports no errors.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
QUELLE=$(pwd)

rm -f "$BUILD_DIR"/mahnwesen_*.deb
(cd "$BUILD_DIR" && cpack -G DEB >cpack.log 2>&1) || { cat "$BUILD_DIR/cpack.log" >&2; exit 1; }
deb=$(realpath "$(ls "$BUILD_DIR"/mahnwesen_*.deb)")
echo "Paket: $deb"
dpkg-deb --field "$deb" Depends

tmp=$(mktemp -d "${TMPDIR:-/tmp}/mahnwesen-paket.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
dpkg -x "$deb" "$tmp/root"
bin="$tmp/root/usr/bin"

# Only what the package holds: no overrides pointing back into the sources.
unset MAHNWESEN_LAYOUTS
export QEL_SUITE_CONFIG="$tmp/konfig/suite.ini"
cd "$tmp"
"$bin/mahnwesen-admin" init --db suite.db --rechner 1
"$bin/mahnwesen-admin" demo
cmp "$QUELLE/reports/mahnung.html" "$tmp/konfig/berichte/mahnung.html"

QT_QPA_PLATFORM=offscreen QEL_SUITE_TEST_START_ENDE=1 timeout 120 "$bin/mahnwesen" >"$tmp/start.log" 2>&1 \
  || { cat "$tmp/start.log" >&2; echo "Das Programm aus dem Paket startete nicht bis zum Hauptmenü." >&2; exit 1; }
grep "Hauptmenü bereit" "$tmp/start.log"

desktop-file-validate "$tmp"/root/usr/share/applications/*.desktop
appstreamcli validate --no-net --explain "$tmp"/root/usr/share/metainfo/*.metainfo.xml >/dev/null \
  || appstreamcli validate --no-net "$tmp"/root/usr/share/metainfo/*.metainfo.xml
lintian --fail-on error "$deb"
echo "Paketprüfung bestanden."
