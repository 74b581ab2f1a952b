#!/usr/bin/env bash
# kavroserve_bench.sh
# kavroserve under Wine against the simulated camera, measured from
# outside over loopback by bench/kavroserve_bench.exe: with 0, 1, 8 and 32
# stream clients, at the camera's pace with each request DELAY_MS late and
# at its fastest, each part's delay from the frame's arrival at the server
# to the client, each client's frames a second against the camera's, the
# server's processor time a second and the bytes of a JPEG; then 32
# clients for SOAK seconds, the server's memory every minute.
# Builds what it needs (the Windows preset that runs here), brings up a
# Wine state of its own in build/bench-kavroserve and takes it down at the
# end, even on failure.
#
# Environment: SECONDS_EACH=10, SOAK=600, DELAY_MS=5.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/lib/windows-preset.sh
seconds=${SECONDS_EACH:-10}
soak=${SOAK:-600}
delay_ms=${DELAY_MS:-5}
build=$root/build/$windows
dir=$root/build/bench-kavroserve
state=$dir/wine

echo "== build ($windows)"
[ -f "$build/CMakeCache.txt" ] || cmake --preset "$windows" >/dev/null
cmake --build --preset "$windows" --target kavroserve_bench kavroserve ezusbsim >/dev/null

mkdir -p "$dir"
trap '"$root/scripts/wine-down.sh" "$state" >/dev/null' EXIT
PUKAVRO_WINE_SECONDS=60 "$root/scripts/wine-up.sh" "$state" "$build/ezusbsim.sys" >/dev/null
[ -s "$state/display" ] || { echo "kavroserve_bench: Wine did not come up" >&2; exit 1; }
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
(cd "$dir" && WINERUN_SECONDS=$((soak + 16 * seconds + 300)) \
    "$root/scripts/lib/winerun-bounded.sh" "$state" "$build/bench/kavroserve_bench.exe" \
    "$build/kavroserve.exe" "$seconds" "$soak" "$delay_ms") | tr -d '\r'
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
