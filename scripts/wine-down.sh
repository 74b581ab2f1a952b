#!/usr/bin/env bash
# wine-down.sh STATE
# Ends everything wine-up.sh started for STATE: the driver with the server,
# and the display. Only our own processes: the server of our prefix and the
# Xvfb whose pid we kept.
set -u
state=$1
[ -d "$state" ] || exit 0
. "$(dirname "$0")/wine-env.sh" "$state"
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
