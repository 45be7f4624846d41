#!/bin/sh
# Builds the Linux and the Windows programs and runs every test: natively, and under Wine.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
for preset in linux windows; do
  cmake --preset "$preset"
  cmake --build --preset "$preset"
done
ctest --preset linux
ctest --preset windows
