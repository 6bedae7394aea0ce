#!/usr/bin/env bash
# Lands a developer branch on main: rebase, full build and test, fast-forward.
# Run under the team's lock so only one full test runs at a time:
#   flock /work/landing.lock ./scripts/land.sh <branch>
set -euo pipefail
zweig=${1:?Zweig fehlt}
haupt=${LAND_HAUPT:-/work/main}
cd "$(dirname "$0")/.."
if ! git rebase main; then
  git rebase --abort
  echo "land.sh: Rebase auf main hat Konflikte; bitte selbst auflösen." >&2
  exit 3
fi
./scripts/test.sh
git -C "$haupt" merge --ff-only "$zweig"
echo "land.sh: $zweig ist auf main ($(git rev-parse --short HEAD))."
