#!/bin/sh
# Runs the window test program under Wine on an Xvfb display of its own.
#   run_window_tests.sh BUILD_DIR PROGRAM [arguments]
# The window tests have a Wine prefix of their own: a Wine session started without a display (the
# unit tests run that way) cannot show windows, and a program that joins it in the seconds the
# session lingers would find its windows gone. With no window manager on the display, Wine waits
# two seconds for every closed window to be withdrawn, so the program's windows are left unmanaged.
set -eu
build=$1
shift
export WINEPREFIX="$build/wineprefix-window"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
exec xvfb-run -a sh -c '
  wine reg add "HKCU\\Software\\Wine\\AppDefaults\\pelmora_window_tests.exe\\X11 Driver" \
    /v Managed /d N /f >/dev/null 2>&1
  exec wine "$@"' sh "$@"
