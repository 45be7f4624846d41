#!/bin/sh
# Runs the Linux test program once under valgrind's memcheck, the local profile service started
# for its end-to-end tests as CTest would start it. Exits non-zero on any memory error and on any
# definite or possible leak (memory still reachable at exit, such as the code page converters kept
# for the life of the process, is listed but not counted).
#   scripts/memcheck.sh [GTEST_FILTER]
set -eu
cd "$(dirname "$0")/.."
cmake --preset linux >/dev/null
cmake --build --preset linux --target pelmora_tests >/dev/null

state=$(mktemp -d)
trap 'tools/stop_service.sh "$state/pid" >/dev/null 2>&1 || true; rm -rf "$state"' EXIT INT TERM
tools/start_service.sh "$state/port" "$state/pid"
PELMORA_TEST_SERVICE_PORT_FILE=$state/port \
  valgrind --tool=memcheck --leak-check=full --error-exitcode=1 \
  --show-leak-kinds=definite,indirect,possible --track-origins=yes \
  build/linux/tests/pelmora_tests --gtest_filter="${1:-*}"
