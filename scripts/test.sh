#!/bin/sh
# Builds the Linux and the Windows programs and runs every test: natively, and under Wine. Then
# the Linux tests once more built with AddressSanitizer and UndefinedBehaviorSanitizer, and each
# fuzz harness for 30 seconds on its seed corpus.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
for preset in linux windows; do
  cmake --preset "$preset"
  cmake --build --preset "$preset"
done
ctest --preset linux
ctest --preset windows

cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize
cmake --preset fuzz
cmake --build --preset fuzz
scripts/fuzz.sh 30
