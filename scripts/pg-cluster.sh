#!/usr/bin/env bash
# A private, throw-away PostgreSQL cluster for tests and benchmarks, reachable only through a Unix
# socket in its own folder (trust authentication, no TCP).
#
#   scripts/pg-cluster.sh start <folder>   creates and starts it; prints the connection as
#                                          shell assignments (QEL_TEST_PG_HOST, _PORT, _USER)
#   scripts/pg-cluster.sh stop <folder>    stops it and removes the folder
#
# initdb refuses to run as root: then the folder belongs to the "postgres" system user and the
# server programs run as that user.
set -euo pipefail

aktion=${1:-}
ordner=${2:-}
if [ -z "$aktion" ] || [ -z "$ordner" ]; then
  echo "usage: $0 start|stop <folder>" >&2
  exit 2
fi

PG_BIN=${PG_BIN:-}
if [ -z "$PG_BIN" ]; then
  if command -v pg_config >/dev/null 2>&1 && [ -x "$(pg_config --bindir)/initdb" ]; then
    PG_BIN=$(pg_config --bindir)
  else
    PG_BIN=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
  fi
fi
if [ -z "$PG_BIN" ] || [ ! -x "$PG_BIN/initdb" ]; then
  echo "PostgreSQL server programs not found (install postgresql)" >&2
  exit 3
fi

als_pg() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

# Any port works for a socket in a private folder, but one free on TCP as well avoids surprises
# should someone enable listen_addresses.
freier_port() {
  local p belegt="" lokal
  for f in /proc/net/tcp /proc/net/tcp6; do
    [ -r "$f" ] || continue
    while read -r _ lokal _; do
      [ "$lokal" = "local_address" ] && continue
      belegt+=" $((16#${lokal##*:})) "
    done <"$f"
  done
  for _ in $(seq 1 50); do
    p=$(( 20000 + RANDOM % 30000 ))
    if [[ "$belegt" != *" $p "* ]]; then
      echo "$p"
      return
    fi
  done
  echo 54329
}

case "$aktion" in
start)
  mkdir -p "$ordner"
  ordner=$(cd "$ordner" && pwd)
  if [ "$(id -u)" -eq 0 ]; then
    chown postgres: "$ordner"
    # The socket folder's parents must be passable for the postgres user.
    d=$(dirname "$ordner")
    while [ "$d" != "/" ]; do
      chmod o+x "$d" 2>/dev/null || true
      d=$(dirname "$d")
    done
  fi
  port=$(freier_port)
  als_pg "$PG_BIN/initdb" -D "$ordner/data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 >"$ordner/initdb.log" 2>&1 \
    || { cat "$ordner/initdb.log" >&2; exit 1; }
  # A test cluster: durability is not needed, speed and many short connections are.
  als_pg "$PG_BIN/pg_ctl" -D "$ordner/data" -l "$ordner/server.log" -w -t 60 \
    -o "-c listen_addresses='' -c unix_socket_directories='$ordner' -p $port -c fsync=off \
        -c synchronous_commit=off -c full_page_writes=off -c max_connections=200 \
        -c shared_buffers=64MB" \
    start >/dev/null || { cat "$ordner/server.log" >&2; exit 1; }
  echo "QEL_TEST_PG_HOST=$ordner"
  echo "QEL_TEST_PG_PORT=$port"
  echo "QEL_TEST_PG_USER=postgres"
  ;;
stop)
  if [ -d "$ordner/data" ]; then
    als_pg "$PG_BIN/pg_ctl" -D "$ordner/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$ordner"
  ;;
*)
  echo "usage: $0 start|stop <folder>" >&2
  exit 2
  ;;
esac
