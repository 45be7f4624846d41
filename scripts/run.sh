#!/bin/sh
# Builds Pelmora, starts the local profile service on 127.0.0.1:8086 and looks up the sample
# player Quillfen on the first server (电信一), then stops the service.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target pelmora-cli

state=$(mktemp -d)
trap 'tools/stop_service.sh "$state/pid" >/dev/null 2>&1 || true; rm -rf "$state"' EXIT INT TERM
host_args=""
if ! tools/start_service.sh "$state/port" "$state/pid" --port 8086 2>/dev/null; then
  # Something else holds 8086: use a free port and name it.
  tools/start_service.sh "$state/port" "$state/pid"
  host_args="--host 127.0.0.1:$(cat "$state/port")"
fi

echo "\$ pelmora-cli ${host_args:+$host_args }1 Quillfen"
# shellcheck disable=SC2086
build/linux/src/cli/pelmora-cli $host_args 1 Quillfen
