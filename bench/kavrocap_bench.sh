#!/usr/bin/env bash
# kavrocap_bench.sh
# kavrocap's figures against floors measured in the same run, under Wine
# with the simulated camera answering at once:
# - burst: `kavrocap -n N -f raw` (and `-f png`) frames per second against
#   kavrocap_floor, which runs the window's own transaction and writes each
#   frame through the same whole-file output; beside it the plain-write floor
#   (one CreateFile, WriteFile, CloseHandle per frame). The runs take turns,
#   RUNS times each; the figures are the medians.
# - time-lapse: `kavrocap -i 0.1 -n 200` with the arrival time in every name;
#   each frame's lateness is its arrival against the first frame's plus k
#   slots: median, worst, and the drift from the first to the last.
# Builds what it needs (the Windows preset that runs here), brings up a Wine
# state of its own in build/bench-kavrocap and takes it down at the end.
#
# Environment: RUNS=3, FRAMES=1000 (burst), LAPSE_FRAMES=200.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/lib/windows-preset.sh
runs=${RUNS:-3}
frames=${FRAMES:-1000}
lapse_frames=${LAPSE_FRAMES:-200}
build=$root/build/$windows
dir=$root/build/bench-kavrocap
state=$dir/wine
work=$dir/work

echo "== build ($windows)"
[ -f "$build/CMakeCache.txt" ] || cmake --preset "$windows" >/dev/null
cmake --build --preset "$windows" --target kavrocap kavrocap_floor ezusbsim >/dev/null

mkdir -p "$work"
trap '"$root/scripts/wine-down.sh" "$state" >/dev/null' EXIT
PUKAVRO_WINE_SECONDS=60 PUKAVRO_XVFB=0 "$root/scripts/wine-up.sh" "$state" "$build/ezusbsim.sys" >/dev/null
# Wine's own services start with the first program; not inside a timing.
WINERUN_SECONDS=60 "$root/scripts/winerun.sh" "$state" "$build/kavrocap.exe" --version >/dev/null
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

# timed PROGRAM ARGS...: runs it under Wine in an empty work folder, checks
# it saved what was asked, and prints the seconds it took.
timed() {
    rm -rf "$work" && mkdir -p "$work"
    local start end
    start=$(date +%s%N)
    (cd "$work" && WINERUN_SECONDS=900 "$root/scripts/winerun.sh" "$state" "$@" >/dev/null) || {
        echo "kavrocap_bench: $* failed" >&2
        exit 1
    }
    end=$(date +%s%N)
    local files
    files=$(find "$work" -type f | wc -l)
    [ "$files" -eq "$expected" ] || {
        echo "kavrocap_bench: $*: $files files, not $expected" >&2
        exit 1
    }
    echo "$start $end" | awk '{ printf "%.3f\n", ($2 - $1) / 1e9 }'
}

median() {
    sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2];
                                       else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

echo
echo "== burst, $frames frames, $runs runs each (seconds per run)"
expected=$frames
: >"$dir/burst.log"
for run in $(seq "$runs"); do
    for side in "plain floor_plain" "raw floor_raw" "raw kavrocap_raw" "png floor_png" \
        "png kavrocap_png"; do
        set -- $side
        case $2 in
        floor_*) seconds=$(timed "$build/bench/kavrocap_floor.exe" "$1" "$frames") ;;
        kavrocap_*) seconds=$(timed "$build/kavrocap.exe" -n "$frames" -f "$1") ;;
        esac
        echo "$run $2 $seconds" | tee -a "$dir/burst.log"
    done
done

rate() {
    awk -v name="$1" '$2 == name { print $3 }' "$dir/burst.log" | median |
        awk -v n="$frames" '{ printf "%.0f", n / $1 }'
}
# The ratio of each run's pair (they ran one after the other), then the
# median: steadier than a ratio of medians on a busy machine.
ratio() {
    awk -v tool="$1" -v floor="$2" '$2 == tool { t[$1] = $3 } $2 == floor { f[$1] = $3 }
        END { for (r in t) printf "%.3f\n", f[r] / t[r] }' "$dir/burst.log" | median
}
# The quickest run of each: the least disturbed by other work.
best() {
    awk -v name="$1" '$2 == name { print $3 }' "$dir/burst.log" | sort -g | head -1 |
        awk -v n="$frames" '{ printf "%.0f", n / $1 }'
}
echo
echo "== burst summary (frames per second: median over the runs / quickest run)"
for format in raw png; do
    k=$(best "kavrocap_$format")
    f=$(best "floor_$format")
    echo "$format: kavrocap $(rate "kavrocap_$format") / $k, floor $(rate "floor_$format") / $f," \
        "ratio $(ratio "kavrocap_$format" "floor_$format") (median of the runs' ratios) /" \
        "$(awk -v k="$k" -v f="$f" 'BEGIN { printf "%.3f", k / f }') (quickest runs)" \
        "(goal: at least 0.90)"
done
echo "plain-write floor: $(rate floor_plain) / $(best floor_plain);" \
    "raw floor against it: $(ratio floor_raw floor_plain)"

echo
echo "== time-lapse: kavrocap -i 0.1 -n $lapse_frames"
expected=$lapse_frames
timed "$build/kavrocap.exe" -i 0.1 -n "$lapse_frames" 'tl{n:04}_{time}{ms}.bin' >/dev/null
# Names tlNNNN_HHMMSSmmm.bin: each arrival in ms since midnight, less k slots
# of 100 ms, is the schedule's start plus that frame's lateness plus its
# capture time. The earliest of them stands for the start plus the quickest
# capture: each frame's lateness is counted from there.
ls "$work" | sed -n 's/^tl\([0-9]*\)_\([0-9][0-9]\)\([0-9][0-9]\)\([0-9][0-9]\)\([0-9][0-9][0-9]\)\.bin$/\1 \2 \3 \4 \5/p' |
    awk '{ n[NR] = $1 + 0; v[NR] = (($2 * 60 + $3) * 60 + $4) * 1000 + $5 - (n[NR] - n[1]) * 100;
           if (NR == 1 || v[NR] < least) least = v[NR] }
         END { for (i = 1; i <= NR; i++) print v[i] - least }' >"$dir/lateness.txt"
[ "$(wc -l <"$dir/lateness.txt")" -eq "$lapse_frames" ] || {
    echo "kavrocap_bench: the time-lapse names were not all read" >&2
    exit 1
}
first=$(head -20 "$dir/lateness.txt" | median)
last=$(tail -20 "$dir/lateness.txt" | median)
echo "lateness median $(median <"$dir/lateness.txt") ms, worst $(sort -g "$dir/lateness.txt" | tail -1) ms" \
    "(slot 100 ms); first frame $(head -1 "$dir/lateness.txt") ms, last $(tail -1 "$dir/lateness.txt") ms;" \
    "drift $(awk -v a="$first" -v b="$last" 'BEGIN { print b - a }') ms (median of the last 20 less that of the first 20)"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
