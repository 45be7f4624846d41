#!/bin/sh
# Builds Pelmora and starts the local profile service on 127.0.0.1:8086, then:
#  - where a display exists, opens the window (pelmora.exe under Wine); 查询 looks up Quillfen;
#  - elsewhere, looks up Quillfen on the first server (电信一) with pelmora-cli.
# The service stops when the window closes or the lookup ends.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh

state=$(mktemp -d)
trap 'tools/stop_service.sh "$state/pid" >/dev/null 2>&1 || true; rm -rf "$state"' EXIT INT TERM
start_service() {
  if tools/start_service.sh "$state/port" "$state/pid" --port 8086 2>/dev/null; then
    port=8086
  else
    echo "run.sh: port 8086 is taken; starting the service on a free port" >&2
    tools/start_service.sh "$state/port" "$state/pid"
    port=$(cat "$state/port")
  fi
}

if [ -n "${DISPLAY:-}" ]; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target pelmora
  start_service
  if [ "$port" != 8086 ]; then
    echo "run.sh: the window asks 127.0.0.1:8086; free that port and run again" >&2
    exit 1
  fi
  WINEPREFIX="$PWD/build/windows/wineprefix-run" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    wine build/windows/src/app/pelmora.exe
else
  cmake --preset linux >/dev/null
  cmake --build --preset linux --target pelmora-cli
  start_service
  host_args=""
  [ "$port" = 8086 ] || host_args="--host 127.0.0.1:$port"
  echo "\$ pelmora-cli ${host_args:+$host_args }1 Quillfen"
  # shellcheck disable=SC2086
  build/linux/src/cli/pelmora-cli $host_args 1 Quillfen
fi
