#!/bin/sh
# Peak resident memory of one pelmora-cli lookup of an 8 MiB page: the local profile service's
# ~huge answer is 9 MiB and the fetch keeps the first 8 MiB of it. The goal is a peak below four
# times the page (32 MiB); the script exits 1 when the peak is at or above that, or when the
# lookup did not find the profile.
#   bench/memory_peak.sh [PELMORA_CLI]   (default: build/linux/src/cli/pelmora-cli, built if missing)
# Needs GNU time (/usr/bin/time, Debian package "time").
set -eu
cd "$(dirname "$0")/.."
cli=${1:-build/linux/src/cli/pelmora-cli}
if [ $# -eq 0 ] && [ ! -x "$cli" ]; then
  cmake --preset linux >/dev/null
  cmake --build --preset linux --target pelmora-cli >/dev/null
fi
[ -x /usr/bin/time ] || { echo "memory_peak: /usr/bin/time is missing (apt-get install time)" >&2; exit 2; }

state=$(mktemp -d)
trap 'tools/stop_service.sh "$state/pid" >/dev/null 2>&1 || true; rm -rf "$state"' EXIT INT TERM
tools/start_service.sh "$state/port" "$state/pid"
host=127.0.0.1:$(cat "$state/port")

page_kib=8192
status=0
/usr/bin/time -v -o "$state/time" "$cli" --host "$host" 1 '~huge' >"$state/out" 2>"$state/err" ||
  status=$?
peak_kib=$(sed -n 's/^[[:space:]]*Maximum resident set size (kbytes): //p' "$state/time")
echo "lookup of an 8 MiB page (~huge): exit status $status, peak resident memory ${peak_kib} KiB" \
  "($(awk "BEGIN { printf \"%.2f\", $peak_kib / $page_kib }") x the page)"
if [ "$status" -ne 0 ]; then
  echo "memory_peak: the lookup failed:" >&2
  cat "$state/out" "$state/err" >&2
  exit 1
fi
if [ "$peak_kib" -ge $((4 * page_kib)) ]; then
  echo "memory_peak: the peak is not below 4 x the page ($((4 * page_kib)) KiB)" >&2
  exit 1
fi
