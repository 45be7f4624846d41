#!/bin/sh
# Measures whole lookups against the local profile service, beside a plain libcurl download and
# the decode alone. Run from the repository after `cmake --build --preset linux`.
set -eu
cd "$(dirname "$0")/.."
state=$(mktemp -d)
trap 'tools/stop_service.sh "$state/pid" >/dev/null 2>&1 || true; rm -rf "$state"' EXIT INT TERM
tools/start_service.sh "$state/port" "$state/pid"
# glibc hands large freed blocks back to the kernel and moves its mmap threshold as it goes, so
# each side would pay a different, order-dependent share of page faults for its 8 MiB buffers.
# Fixed thresholds keep the heap warm for all of them and leave the code's own cost to compare.
GLIBC_TUNABLES=${GLIBC_TUNABLES:-glibc.malloc.mmap_threshold=134217728:glibc.malloc.trim_threshold=268435456} \
PELMORA_BENCH_HOST="127.0.0.1:$(cat "$state/port")" \
  build/linux/bench/pelmora_bench --benchmark_filter='WholeLookup|FetchOnly|CurlDownload|DecodeAlone' "$@"

# The curl program on the same pages, for reference (its process start included).
for size in 1048576 8388608; do
  total=0
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    t=$(curl -s -o /dev/null -w '%{time_total}' \
      "http://127.0.0.1:$(cat "$state/port")/scenario/big?size=$size")
    total=$(echo "$total + $t" | awk '{print $1 + $3}')
  done
  echo "curl program, $((size / 1048576)) MiB: $(echo "$total" | awk '{printf "%.2f", $1 * 100}') ms a transfer"
done
