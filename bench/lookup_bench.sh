#!/bin/sh
# Measures whole lookups against the local profile service, beside a plain libcurl download and
# the decode alone. Run from the repository after `cmake --build --preset linux`.
set -eu
cd "$(dirname "$0")/.."
state=$(mktemp -d)
trap 'tools/stop_service.sh "$state/pid" >/dev/null 2>&1 || true; rm -rf "$state"' EXIT INT TERM
tools/start_service.sh "$state/port" "$state/pid"
PELMORA_BENCH_HOST="127.0.0.1:$(cat "$state/port")" \
  build/linux/bench/pelmora_bench --benchmark_filter='WholeLookup|FetchOnly|CurlDownload|DecodeAlone' "$@"
