#!/bin/sh
# Stops a profile service started by start_service.sh.
#   stop_service.sh PIDFILE
set -u
if [ $# -ne 1 ]; then
    echo "usage: $0 PIDFILE" >&2
    exit 2
fi
pidfile=$1
[ -f "$pidfile" ] || exit 0
pid=$(cat "$pidfile")
case $pid in
    '' | *[!0-9]*)
        echo "$0: $pidfile does not hold a process id" >&2
        exit 1
        ;;
esac

kill -TERM "$pid" 2>/dev/null
tries=0
while kill -0 "$pid" 2>/dev/null; do
    tries=$((tries + 1))
    if [ "$tries" -ge 30 ]; then
        echo "$0: the profile service ($pid) ignored SIGTERM; killing it" >&2
        kill -KILL "$pid" 2>/dev/null
        break
    fi
    sleep 0.1
done
rm -f "$pidfile"
exit 0
