#!/usr/bin/env bash
# stack_bench.sh
# Stacks of frames, under Wine with the simulated camera answering at once:
# - cost: bench/stack_cost, ROUNDS rounds of N=64 frames taken back to back
#   through the tools' camera, plain and added to a stack of each method
#   (and the picture made): each method's median round against the plain
#   takes' (goal: at most 1.05 for the mean, 1.2 for the median).
# - noise: kavrocap --average N -f raw16 of a flat frame (Y 128, U and V
#   128, served as FrameFile) with the simulator's Noise (uniform, +-20,
#   our own seeded generator: it checks the arithmetic, not a camera), for
#   N = 1, 4, 16, 64 (and median and clip at 64): the standard deviation of
#   the stack's samples and its gain over one frame's.
# Builds what it needs (the Windows preset that runs here), brings up a Wine
# state of its own in build/bench-stack and takes it down at the end.
#
# Environment: ROUNDS=30, NOISE=20.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/lib/windows-preset.sh
rounds=${ROUNDS:-30}
noise=${NOISE:-20}
build=$root/build/$windows
dir=$root/build/bench-stack
state=$dir/wine

echo "== build ($windows)"
[ -f "$build/CMakeCache.txt" ] || cmake --preset "$windows" >/dev/null
cmake --build --preset "$windows" --target kavrocap stack_cost ezusbsim >/dev/null

mkdir -p "$dir"
trap '"$root/scripts/wine-down.sh" "$state" >/dev/null' EXIT
PUKAVRO_WINE_SECONDS=60 PUKAVRO_XVFB=0 "$root/scripts/wine-up.sh" "$state" "$build/ezusbsim.sys" >/dev/null
run() { WINERUN_SECONDS=600 "$root/scripts/lib/winerun-bounded.sh" "$state" "$@"; }
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

echo
echo "== cost: $rounds rounds of 64 frames"
run "$build/bench/stack_cost.exe" "$rounds" 64

echo
echo "== noise: a flat frame, Noise $noise"
prefix=$(. "$root/scripts/lib/wine-env.sh" "$state" && echo "$WINEPREFIX")
work=$prefix/drive_c/stackbench
rm -rf "$work" && mkdir -p "$work"
python3 -c "import sys; sys.stdout.buffer.write(bytes([128]) * 13824)" >"$work/flat.bin"
key='HKLM\System\CurrentControlSet\Services\ezusbsim\Parameters'
run reg add "$key" /v FrameFile /t REG_SZ /d 'C:\stackbench\flat.bin' /f >/dev/null
run reg add "$key" /v Noise /t REG_DWORD /d "$noise" /f >/dev/null
run reg add "$key" /v NoiseSeed /t REG_DWORD /d 1 /f >/dev/null
for case in "1 mean" "4 mean" "16 mean" "64 mean" "64 median" "64 clip"; do
    set -- $case
    (cd "$work" && run "$build/kavrocap.exe" -q --average "$1" --stack "$2" -f raw16 "n$1$2.raw16")
done
python3 - "$work" "$noise" <<'PY'
import math, struct, sys
work, amplitude = sys.argv[1], int(sys.argv[2])
one = math.sqrt(((2 * amplitude + 1) ** 2 - 1) / 12)
print("uniform noise +-%d: %.3f levels for one frame in theory" % (amplitude, one))
first = None
for n, method in [(1, "mean"), (4, "mean"), (16, "mean"), (64, "mean"), (64, "median"), (64, "clip")]:
    samples = struct.unpack("<13824H", open("%s/n%d%s.raw16" % (work, n, method), "rb").read())
    values = [s / 256 for s in samples]
    mean = sum(values) / len(values)
    sd = math.sqrt(sum((v - mean) ** 2 for v in values) / len(values))
    first = first or sd
    print("N=%-3d %-6s mean %.3f, standard deviation %.3f levels, gain %.2f (sqrt N = %.2f)"
          % (n, method, mean, sd, first / sd, math.sqrt(n)))
PY
