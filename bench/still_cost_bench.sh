#!/usr/bin/env bash
# still_cost_bench.sh
# What a still costs per frame beyond the colour conversion (bench/
# still_cost.cpp): BMP, PNG and JPEG at 1x, 2x and 8x, the JPEG at two
# qualities, the enlargement and the time stamp alone; natively, then the
# Windows build under Wine in a state of its own (build/bench-still), taken
# down at the end. Environment: RUNS=15 (runs of 200 frames each).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/lib/windows-preset.sh
runs=${RUNS:-15}
build=$root/build/$windows
state=$root/build/bench-still

echo "== build (native, $windows)"
[ -f build/native/CMakeCache.txt ] || cmake --preset native >/dev/null
cmake --build --preset native --target still_cost >/dev/null
[ -f "$build/CMakeCache.txt" ] || cmake --preset "$windows" >/dev/null
cmake --build --preset "$windows" --target still_cost ezusbsim >/dev/null
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

echo "== native"
build/native/bench/still_cost "$runs"

echo "== $windows under Wine"
trap '"$root/scripts/wine-down.sh" "$state" >/dev/null' EXIT
PUKAVRO_WINE_SECONDS=60 PUKAVRO_XVFB=0 "$root/scripts/wine-up.sh" "$state" "$build/ezusbsim.sys" >/dev/null
"$root/scripts/winerun.sh" "$state" "$build/bench/still_cost.exe" "$runs"
