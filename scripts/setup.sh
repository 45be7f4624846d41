#!/bin/sh
# Installs what building and testing Pelmora needs on Debian 12: the native and MinGW-w64
# compilers, the libraries, Wine with Xvfb for the Windows programs, and a CJK font.
set -eu
packages="g++ cmake ninja-build pkg-config python3 curl
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libcurl4-openssl-dev libpcre2-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth fonts-wqy-microhei"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
fi
