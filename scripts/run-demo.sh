#!/usr/bin/env bash
# Builds the program and starts it on the demo database, which is created on the first start.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
BUILD_DIR=${BUILD_DIR:-build}
DEMO_DIR=${MAHNWESEN_DEMO_DIR:-$HOME/.local/share/mahnwesen-demo}
export QEL_SUITE_CONFIG="$DEMO_DIR/suite.ini"
if [ ! -f "$DEMO_DIR/suite.db" ]; then
  mkdir -p "$DEMO_DIR"
  "$BUILD_DIR/src/mahnwesen-admin" --config "$QEL_SUITE_CONFIG" init --db suite.db --rechner 1
  "$BUILD_DIR/src/mahnwesen-admin" --config "$QEL_SUITE_CONFIG" demo
fi
exec "$BUILD_DIR/src/mahnwesen" "$@"
