#!/usr/bin/env bash
# wine-up.sh STATE [DRIVER.sys]
# Brings up what Windows programs under test need: the prefix, a virtual
# display (Xvfb on a free display number), a Wine server that outlives single
# programs, and, when given, the simulated camera driver. Everything is
# bounded in time, so an interrupted run leaves nothing behind for long;
# wine-down.sh ends it all at once.
# With PUKAVRO_XVFB=0 the programs use the display in $DISPLAY instead, when
# there is one that answers; otherwise they get a virtual one all the same.
# On any failure, whatever this script started is stopped again.
set -u
here=$(cd "$(dirname "$0")" && pwd)
state=$1
driver=${2:-}
limit=${PUKAVRO_WINE_SECONDS:-60}
mkdir -p "$state"
state=$(cd "$state" && pwd)

start_xvfb() {
    timeout -k 5 "${PUKAVRO_XVFB_SECONDS:-3600}" \
        Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
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
(
    set -e
    "$here/wine-down.sh" "$state" || true
    "$here/wine-prefix.sh" "$state"
    rm -f "$state/display"
    if [ "${PUKAVRO_XVFB:-1}" = 0 ] && [ -n "${DISPLAY:-}" ] \
        && xdotool getdisplaygeometry >/dev/null 2>&1; then
        echo "wine-up: using the display $DISPLAY"
    else
        [ "${PUKAVRO_XVFB:-1}" = 0 ] && echo "wine-up: no display answers; starting a virtual one"
        start_xvfb
    fi

    . "$here/wine-env.sh" "$state"
    # The server lingers $limit seconds after its last program ends, so even
    # a killed run cannot leave it (and the driver host it serves) for good.
    wineserver -p"$limit"
    # Start Wine's own services now, with their output in our log rather
    # than in that of the first test program.
    wine cmd /c exit 0
    echo "wine-up: prefix $WINEPREFIX, display $DISPLAY, server -p$limit"

    if [ -n "$driver" ]; then
        "$here/sim-start.sh" "$state" "$driver"
    fi
) </dev/null >"$state/up.log" 2>&1
status=$?
cat "$state/up.log"
if [ "$status" != 0 ]; then
    "$here/wine-down.sh" "$state" >/dev/null 2>&1
    echo "wine-up: failed; stopped what was started"
fi
exit $status
