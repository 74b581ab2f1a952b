#!/usr/bin/env bash
# wine-up.sh STATE [DRIVER.sys]
# Brings up what Windows programs need: the prefix, a virtual display (Xvfb
# on a free display number), a Wine server that outlives single programs,
# and, when given, the simulated camera driver. wine-down.sh STATE ends it
# all at once.
#
# By default all of it stays up until wine-down.sh: a camera that vanished
# while someone read the next example would look like a fault of the tools.
# Tests and benchmarks bound it instead, so an interrupted run leaves nothing
# behind for long: PUKAVRO_WINE_SECONDS=N makes the server (and with it the
# driver) end N seconds after its last program, and the display after an
# hour.
# With PUKAVRO_XVFB=0 the programs use the display in $DISPLAY instead, when
# there is one that answers; otherwise they get a virtual one all the same.
# On any failure, whatever this script started is stopped again.
set -euo pipefail
if [ $# -lt 1 ]; then
    echo "usage: scripts/wine-up.sh STATE [DRIVER.sys]" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
state=$1
driver=${2:-}
limit=${PUKAVRO_WINE_SECONDS:-}
mkdir -p "$state"
state=$(cd "$state" && pwd)

start_xvfb() {
    local bound=()
    [ -n "$limit" ] && bound=(timeout -k 5 "${PUKAVRO_XVFB_SECONDS:-3600}")
    "${bound[@]}" Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
        3>"$state/display.tmp" >"$state/xvfb.log" 2>&1 &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 100); do
        [ -s "$state/display.tmp" ] && break
        sleep 0.1
    done
    if [ ! -s "$state/display.tmp" ]; then
        echo "wine-up: Xvfb did not start"
        cat "$state/xvfb.log"
        return 1
    fi
    mv "$state/display.tmp" "$state/display"
}

# The daemons started here must not hold our output open: whoever waits for
# this script (a test runner, a pipe) would wait for them too.
up() {
    "$here/wine-down.sh" "$state" || true
    "$here/lib/wine-prefix.sh" "$state"
    rm -f "$state/display"
    if [ "${PUKAVRO_XVFB:-1}" = 0 ] && [ -n "${DISPLAY:-}" ] \
        && xdotool getdisplaygeometry >/dev/null 2>&1; then
        echo "wine-up: using the display $DISPLAY"
    else
        [ "${PUKAVRO_XVFB:-1}" = 0 ] && echo "wine-up: no display answers; starting a virtual one"
        start_xvfb
    fi

    . "$here/lib/wine-env.sh" "$state"
    if [ -n "$limit" ]; then
        wineserver -p"$limit"
        echo "wine-up: prefix $WINEPREFIX, display $DISPLAY, server ends ${limit} s after its last program"
    else
        wineserver -p
        echo "wine-up: prefix $WINEPREFIX, display $DISPLAY, server up until: scripts/wine-down.sh $1"
    fi
    # Start Wine's own services now, with their output in our log rather
    # than in that of the first program.
    wine cmd /c exit 0

    if [ -n "$driver" ]; then
        "$here/sim-start.sh" "$state" "$driver"
    fi
}

status=0
(set -e; up "$1") </dev/null >"$state/up.log" 2>&1 || status=$?
cat "$state/up.log"
if [ "$status" != 0 ]; then
    "$here/wine-down.sh" "$state" >/dev/null 2>&1 || true
    echo "wine-up: failed (see above); stopped what was started"
fi
exit $status
