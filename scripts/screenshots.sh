#!/usr/bin/env bash
# Remakes the guides' pictures in docs/bilder from a fresh demo database: the program's windows under
# Xvfb, the first page of a dunning letter and the three pages of a longer one. Run after changing a
# window or the letter layout.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
[ -f "$BUILD_DIR/build.ninja" ] || cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD_DIR" -j2 --target mahnwesen-admin mahnwesen_bilder

ZIEL=$(pwd)/docs/bilder
tmp=$(mktemp -d "${TMPDIR:-/tmp}/mahnwesen-bilder.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
export QEL_SUITE_CONFIG="$tmp/suite.ini"
export QEL_SUITE_UNBEAUFSICHTIGT=1
# A fixed seed keeps the pictures the same from run to run.
"$BUILD_DIR/src/mahnwesen-admin" init --db suite.db --rechner 1 >/dev/null 2>&1
"$BUILD_DIR/src/mahnwesen-admin" demo --seed 7 >/dev/null 2>&1

# Screens at 96 dpi and, for the check that nothing is cut on a larger screen font, at 120 dpi (into
# docs/bilder/120dpi); each on a fresh copy of the demo database. 8-bit palettes keep the files small.
cp "$tmp/suite.db" "$tmp/suite.db.frisch"
for dpi in 120 96; do
  cp "$tmp/suite.db.frisch" "$tmp/suite.db"
  rm -rf "$tmp/bilder"
  QT_FONT_DPI=$dpi xvfb-run -a -s "-screen 0 1400x1000x24" "$BUILD_DIR/docs/bilder/mahnwesen_bilder" "$tmp/bilder"
  ordner=$ZIEL
  [ "$dpi" = 96 ] || ordner=$ZIEL/${dpi}dpi
  mkdir -p "$ordner"
  for f in "$tmp"/bilder/*.png; do
    convert "$f" -colors 256 "PNG8:$ordner/$(basename "$f")"
  done
done
# The walk's letter, and the letter over three pages made after it.
brief=$(ls "$tmp"/bilder/pdf/*.pdf | head -n 1)
pdftoppm -png -r 80 -f 1 -l 1 -singlefile "$brief" "$ZIEL/brief"
# The last letter is a print of a booked dunning's letter again: the copy.
kopie=$(ls "$tmp"/bilder/pdf/*.pdf | tail -n 1)
pdftoppm -png -r 80 -f 1 -l 1 -singlefile "$kopie" "$ZIEL/kopie"
lang=$(ls "$tmp"/bilder/pdf/*.pdf | sed -n 2p)
for s in 1 2 3; do
  pdftoppm -png -r 50 -f "$s" -l "$s" -singlefile "$lang" "$ZIEL/brief_seite$s"
done
ls -1 "$ZIEL"/*.png
