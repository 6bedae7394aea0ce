#!/usr/bin/env bash
# Builds from scratch and runs every test, on SQLite and on a private PostgreSQL cluster.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
BUILD_DIR=${BUILD_DIR:-build}
export QT_QPA_PLATFORM=offscreen

# The PostgreSQL variants of the server tests need a cluster: a private one unless one is given.
if [ -z "${QEL_TEST_PG_HOST:-}" ]; then
  PG_ORDNER=$(mktemp -d "${TMPDIR:-/tmp}/qel-pg.XXXXXX")
  trap './scripts/pg-cluster.sh stop "$PG_ORDNER"' EXIT
  while IFS='=' read -r name wert; do
    export "$name=$wert"
  done < <(./scripts/pg-cluster.sh start "$PG_ORDNER")
  echo "PostgreSQL test cluster: $QEL_TEST_PG_HOST (port $QEL_TEST_PG_PORT)"
fi

ctest --test-dir "$BUILD_DIR" --output-on-failure -j2 --timeout 300

# The Debian package, unpacked into a temporary root: admin tool, demo data, program start, lintian.
BUILD_DIR="$BUILD_DIR" ./scripts/paket-pruefen.sh
