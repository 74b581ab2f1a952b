#!/usr/bin/env bash
# kavroview_bench.sh
# kavroview's figures under Wine against the simulated camera, in about a
# minute:
# - live: kavroview_live, the real window in the benchmark's own process
#   with the camera paced like a full-speed one (each request answered
#   DELAY_MS late, about 12 ms a frame), against a floor that takes frames
#   through the same seam and shows nothing: the frames painted a second
#   and their ratio to the floor's, each frame's time from its arrival to
#   its paint, each paint's cost at zoom 4 and zoom 8, and the window
#   thread's share of a core.
# - answers: kavroview_answer against kavroview.exe, while live: how long
#   the window takes to answer WM_NULL sent from another process, with a
#   camera answering at once, one taking a second per frame and one whose
#   driver keeps the caller inside the request.
# Builds what it needs (the Windows preset that runs here), brings up a Wine
# state of its own in build/bench-kavroview (prefix, virtual display, the
# simulated camera) and takes it down at the end, even on failure.
#
# Environment: DELAY_MS=5 (per request), PHASE_SECONDS=3, ROUNDS=3 (of the
# floor, zoom 4 and zoom 8), PINGS=100 (per camera).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/lib/windows-preset.sh
delay_ms=${DELAY_MS:-5}
phase_seconds=${PHASE_SECONDS:-3}
rounds=${ROUNDS:-3}
pings=${PINGS:-100}
build=$root/build/$windows
dir=$root/build/bench-kavroview
state=$dir/wine

echo "== build ($windows)"
[ -f "$build/CMakeCache.txt" ] || cmake --preset "$windows" >/dev/null
cmake --build --preset "$windows" --target kavroview kavroview_live kavroview_answer ezusbsim >/dev/null

mkdir -p "$dir"
trap '"$root/scripts/wine-down.sh" "$state" >/dev/null' EXIT
PUKAVRO_WINE_SECONDS=60 "$root/scripts/wine-up.sh" "$state" "$build/ezusbsim.sys" >/dev/null
[ -s "$state/display" ] || { echo "kavroview_bench: Wine did not come up" >&2; exit 1; }
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

bench() {
    (cd "$dir" && WINERUN_SECONDS=600 "$root/scripts/lib/winerun-bounded.sh" "$state" "$@") | tr -d '\r'
}

echo
echo "== live picture against the floor"
bench "$build/bench/kavroview_live.exe" "$delay_ms" "$phase_seconds" "$rounds"
echo
echo "== answers to a sent message"
bench "$build/bench/kavroview_answer.exe" "$build/kavroview.exe" "$pings"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
