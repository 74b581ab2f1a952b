#!/usr/bin/env bash
# wine-down.sh STATE
# Ends everything wine-up.sh started for STATE: the driver with the server,
# and the display. Only our own processes: the server of our prefix and the
# Xvfb whose pid we kept.
# A clean-up: it goes on past a step that fails (no -e), so one process
# already gone never keeps the others alive.
set -uo pipefail
if [ $# -lt 1 ]; then
    echo "usage: scripts/wine-down.sh STATE" >&2
    exit 2
fi
state=$1
[ -d "$state" ] || exit 0
. "$(dirname "$0")/lib/wine-env.sh" "$state"
if [ -d "$WINEPREFIX" ]; then
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
fi
if [ -s "$state/xvfb.pid" ]; then
    kill "$(cat "$state/xvfb.pid")" 2>/dev/null
    rm -f "$state/xvfb.pid"
fi
rm -f "$state/display"
echo "wine-down: stopped"
