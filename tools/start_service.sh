#!/bin/sh
# Starts the local profile service in the background on a free port.
#   start_service.sh PORTFILE PIDFILE [extra profile_service.py arguments]
# Writes the port to PORTFILE once the service listens and its pid to PIDFILE;
# the service's own messages go to PORTFILE.log. Exits 0 once it is up.
set -u
if [ $# -lt 2 ]; then
    echo "usage: $0 PORTFILE PIDFILE [extra arguments]" >&2
    exit 2
fi
portfile=$1
pidfile=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
python=${PYTHON:-python3}

# A port file left by an earlier run would make us report success too early.
rm -f "$portfile"
"$python" "$here/profile_service.py" --port 0 --port-file "$portfile" "$@" \
    </dev/null >"$portfile.log" 2>&1 &
pid=$!
echo "$pid" >"$pidfile"

tries=0
while [ ! -s "$portfile" ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "$0: the profile service exited before it listened; its log:" >&2
        cat "$portfile.log" >&2
        rm -f "$pidfile"
        exit 1
    fi
    tries=$((tries + 1))
    if [ "$tries" -ge 100 ]; then
        echo "$0: the profile service did not come up within 10 seconds" >&2
        kill "$pid" 2>/dev/null
        rm -f "$pidfile"
        exit 1
    fi
    sleep 0.1
done
exit 0
