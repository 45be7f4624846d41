#!/bin/sh
# Runs fuzz harnesses for a while on their seed corpora: scripts/fuzz.sh SECONDS [HARNESS...]
# (every harness when none is named; a harness is the name of a fuzz/corpus/ folder).
# Expects the `fuzz` preset built. New inputs go to build/fuzz/work/NAME (the committed seeds are
# only read), a failing input to build/fuzz/artifacts/NAME/, the log to build/fuzz/logs/NAME.log.
# Exits non-zero when a harness found a failure.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/fuzz.sh SECONDS [HARNESS...]}
shift
[ $# -gt 0 ] || set -- $(ls fuzz/corpus)
status=0
for name in "$@"; do
  program=build/fuzz/fuzz/${name}_fuzz
  [ -x "$program" ] || { echo "fuzz: $program is not built" >&2; exit 2; }
  mkdir -p "build/fuzz/work/$name" "build/fuzz/artifacts/$name" build/fuzz/logs
  log=build/fuzz/logs/$name.log
  if "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="build/fuzz/artifacts/$name/" \
       "build/fuzz/work/$name" "fuzz/corpus/$name" >"$log" 2>&1; then
    printf '%-14s %s\n' "$name" "$(grep -E '^stat::number_of_executed_units' "$log" |
                                    sed 's/.*: */runs: /')"
  else
    echo "fuzz: $name failed; the input is in build/fuzz/artifacts/$name/, the end of its log:" >&2
    tail -40 "$log" >&2
    status=1
  fi
done
exit $status
