#!/usr/bin/env bash
# kavrocam_bench.sh
# The camera filter in a capture graph under Wine, against the simulated
# camera (each request answered DELAY_MS late, as a real camera takes its
# time): at 30 frames a second and at the camera's fastest, at 96 x 72 and
# at 768 x 576 (the biggest picture), the samples delivered against the
# camera's frames in the same seconds, each sample's delay from its tick,
# and the processor time per sample; then the same with kavroview showing
# the camera live beside it.
# Builds what it needs, brings up a Wine state of its own in
# build/bench-kavrocam and takes it down at the end, even on failure.
#
# Environment: SECONDS_EACH=10, DELAY_MS=5.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/lib/windows-preset.sh
seconds=${SECONDS_EACH:-10}
delay_ms=${DELAY_MS:-5}
build=$root/build/$windows
dir=$root/build/bench-kavrocam
state=$dir/wine
echo "== build ($windows)"
[ -f "$build/CMakeCache.txt" ] || cmake --preset "$windows" >/dev/null
cmake --build --preset "$windows" --target kavrocam_graph kavroview ezusbsim >/dev/null
dll=$(ls "$build"/kavrocam*.dll | head -n 1)

mkdir -p "$dir"
viewer=""
trap '[ -n "$viewer" ] && kill "$viewer" 2>/dev/null; "$root/scripts/wine-down.sh" "$state" >/dev/null' EXIT
PUKAVRO_WINE_SECONDS=60 "$root/scripts/wine-up.sh" "$state" "$build/ezusbsim.sys" >/dev/null
[ -s "$state/display" ] || { echo "kavrocam_bench: Wine did not come up" >&2; exit 1; }
(. scripts/lib/wine-env.sh "$state"
    wine reg add 'HKLM\System\CurrentControlSet\Services\ezusbsim\Parameters' \
        /v DelayMs /t REG_DWORD /d "$delay_ms" /f >/dev/null 2>&1)

run() {
    (cd "$dir" && WINERUN_SECONDS=600 "$root/scripts/lib/winerun-bounded.sh" "$state" \
        "$build/bench/kavrocam_graph.exe" "$dll" "$seconds") | tr -d '\r'
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "== alone"
run
echo "== with kavroview live beside"
(cd "$dir" && WINERUN_SECONDS=600 "$root/scripts/lib/winerun-bounded.sh" "$state" \
    "$build/kavroview.exe" >/dev/null 2>&1) &
viewer=$!
sleep 5
run
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
