#!/usr/bin/env bash
# shared_camera_bench.sh
# One camera shared by several programs, under Wine against the simulated
# camera, each program a process of its own (copies of
# bench/shared_camera.exe started by it), in about three minutes:
# - streams: 1, 2 and 4 programs taking TAKE_NEXT frames flat out: each
#   program's frames a second and the camera's conversations a second,
#   against one program alone; the sequence numbers skipped; the overlaps;
# - stills: a TAKE_FRESH still once a second, alone, beside an idle taker
#   and beside a program taking frames flat out: from asking to receiving;
# - hand-over: the taker ended by TerminateProcess, right after a frame or
#   with the camera idle: from its death to another program's next frame;
# - a late next: TAKE_NEXT from a program that did not ask for the frame
#   another program took just before.
# Builds what it needs (the Windows preset that runs here), brings up a Wine
# state of its own in build/bench-shared (prefix, virtual display, the
# simulated camera) and takes it down at the end, even on failure.
#
# Environment: SECONDS_EACH=3 (a stream's count), ROUNDS=8 (of the three
# streams), STILLS=20 (each way), HANDOVERS=12, DELAY_MS=5 (per request).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/lib/windows-preset.sh
seconds=${SECONDS_EACH:-3}
rounds=${ROUNDS:-8}
stills=${STILLS:-20}
handovers=${HANDOVERS:-12}
delay_ms=${DELAY_MS:-5}
build=$root/build/$windows
dir=$root/build/bench-shared
state=$dir/wine

echo "== build ($windows)"
[ -f "$build/CMakeCache.txt" ] || cmake --preset "$windows" >/dev/null
cmake --build --preset "$windows" --target shared_camera ezusbsim >/dev/null

mkdir -p "$dir"
trap '"$root/scripts/wine-down.sh" "$state" >/dev/null' EXIT
PUKAVRO_WINE_SECONDS=60 "$root/scripts/wine-up.sh" "$state" "$build/ezusbsim.sys" >/dev/null
[ -s "$state/display" ] || { echo "shared_camera_bench: Wine did not come up" >&2; exit 1; }
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
(cd "$dir" && WINERUN_SECONDS=900 "$root/scripts/lib/winerun-bounded.sh" "$state" \
    "$build/bench/shared_camera.exe" "$seconds" "$rounds" "$stills" "$handovers" "$delay_ms") \
    | tr -d '\r'
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
