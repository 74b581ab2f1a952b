#!/usr/bin/env bash
# kavrocap_bench.sh
# kavrocap's figures against floors measured in the same run, under Wine
# with the simulated camera answering at once:
# - burst: kavrocap's own cost per frame. `kavrocap -n N -f raw` (and
#   `-f png`) against kavrocap_floor, which takes the same frames through
#   the same capture thread, writes them through the same whole-file output
#   and prints the same lines, flushed the same way. The two run as a pair,
#   one right after the other, the floor first in odd pairs and kavrocap
#   first in even ones; each pair gives (t_kavrocap - t_floor) / N, in
#   wall-clock time and in processor time. RUNS pairs of each format: the
#   median with its 95 % interval, the quartiles and the extremes. With every
#   third pair the plain-write floor (one CreateFile, WriteFile, CloseHandle
#   per frame), against which the whole-file output is priced the same way.
# - movie: `kavrocap -n N kavro.avi` against kavrocap_floor movie, which
#   takes the same frames the same way and prints the same progress, writing
#   nothing: the movie's own cost per frame, in pairs as above.
# - time-lapse: `kavrocap -i 0.1 -n 200` with the arrival time in every name;
#   each frame's lateness is its arrival against the first frame's plus k
#   slots: median, worst, and the drift from the first to the last.
# Builds what it needs (the Windows preset that runs here), brings up a Wine
# state of its own in build/bench-kavrocap and takes it down at the end.
#
# Environment: RUNS=30 (pairs of each format), FRAMES=1000 (burst),
# LAPSE_FRAMES=200 (0: none), FORMATS="raw png movie" (any of them).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/lib/windows-preset.sh
runs=${RUNS:-30}
frames=${FRAMES:-1000}
lapse_frames=${LAPSE_FRAMES:-200}
formats=${FORMATS:-raw png movie}
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
WINERUN_SECONDS=60 "$root/scripts/lib/winerun-bounded.sh" "$state" "$build/kavrocap.exe" --version >/dev/null
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

# The processor time of this state's Wine processes that outlive a program
# (the server, the driver's host, Wine's services, all up by now), in clock
# ticks. Others' builds on the machine stretch the wall-clock time of a run
# a great deal; they change the processor time the run takes far less.
prefix=$(. "$root/scripts/lib/wine-env.sh" "$state" && echo "$WINEPREFIX")
resident=$(for entry in /proc/[0-9]*; do
    if grep -qzx "WINEPREFIX=$prefix" "$entry/environ" 2>/dev/null; then echo "${entry#/proc/}"; fi
done)
[ -n "$resident" ] || {
    echo "kavrocap_bench: no Wine process of $prefix found" >&2
    exit 1
}
echo "resident Wine processes: $(for pid in $resident; do cat "/proc/$pid/comm"; done | xargs)"
resident_ticks() {
    local pid
    for pid in $resident; do
        sed 's/.*) //' "/proc/$pid/stat" 2>/dev/null || true
    done | awk '{ total += $12 + $13 } END { print total + 0 }'
}
ticks_per_second=$(getconf CLK_TCK)

# timed PROGRAM ARGS...: runs it under Wine in an empty work folder, checks
# it saved what was asked, and prints the seconds it took: wall-clock, then
# processor time (the program's own, with everything it waited for, plus
# what the state's resident processes spent meanwhile).
timed() {
    rm -rf "$work" && mkdir -p "$work"
    local start end before after
    before=$(resident_ticks)
    start=$(date +%s%N)
    # The subshell waits for the program, so its children's ticks (cutime
    # and cstime, fields 16 and 17 of its stat) are the program's.
    (cd "$work" && WINERUN_SECONDS=900 "$root/scripts/lib/winerun-bounded.sh" "$state" "$@" \
        >"$dir/stdout.txt" 2>"$dir/stderr.txt" &&
        sed 's/.*) //' "/proc/$BASHPID/stat" | awk '{ print $14 + $15 }' >"$dir/program_ticks.txt") || {
        echo "kavrocap_bench: $* failed" >&2
        tail -5 "$dir/stderr.txt" >&2
        exit 1
    }
    end=$(date +%s%N)
    after=$(resident_ticks)
    local files
    files=$(find "$work" -type f | wc -l)
    [ "$files" -eq "${expected_files:-$expected}" ] || {
        echo "kavrocap_bench: $*: $files files, not ${expected_files:-$expected}" >&2
        exit 1
    }
    # Both sides print every saved path on standard output (a movie's once).
    [ "$(wc -l <"$dir/stdout.txt")" -eq "${expected_lines:-$expected}" ] || {
        echo "kavrocap_bench: $*: $(wc -l <"$dir/stdout.txt") lines on standard output," \
            "not ${expected_lines:-$expected}" >&2
        exit 1
    }
    echo "$start $end $((after - before + $(cat "$dir/program_ticks.txt")))" |
        awk -v hz="$ticks_per_second" '{ printf "%.3f %.2f\n", ($2 - $1) / 1e9, $3 / hz }'
}

median() {
    sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2];
                                       else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# spread: of numbers, one a line, the median, the quartiles, the extremes
# and the 95 % confidence interval of the median: the values of ranks
# n/2 -/+ 0.98 sqrt(n), rounded (the sign test's bounds). The interval is
# what tells whether the median meets a goal; the quartiles tell how much
# single pairs vary.
spread() {
    sort -g | awk '{ v[NR] = $1 }
        function at(q,   i, f) { i = 1 + (NR - 1) * q; f = int(i); return v[f] + (i - f) * (v[f + 1] - v[f]) }
        END { lo = int(NR / 2 - 0.98 * sqrt(NR) + 0.5); hi = NR + 1 - lo; if (lo < 1) { lo = 1; hi = NR }
              printf "median %.3f (95 %% interval %.3f to %.3f), quartiles %.3f to %.3f", at(0.5), v[lo],
                  v[hi], at(0.25), at(0.75)
              printf " (IQR %.3f), range %.3f to %.3f, %d pairs\n", at(0.75) - at(0.25), v[1], v[NR], NR }'
}

# burst_run PAIR KIND FORMAT: one timed run, logged as
# "PAIR KIND_FORMAT WALL_SECONDS PROCESSOR_SECONDS".
burst_run() {
    local seconds expected_files=$frames expected_lines=$frames
    if [ "$3" = movie ]; then
        # The movie is one file; its floor writes none.
        expected_lines=1
        expected_files=$([ "$2" = floor ] && echo 0 || echo 1)
    fi
    case $2_$3 in
    floor_*) seconds=$(timed "$build/bench/kavrocap_floor.exe" "$3" "$frames") ;;
    kavrocap_movie) seconds=$(timed "$build/kavrocap.exe" -n "$frames" kavro.avi) ;;
    kavrocap_*) seconds=$(timed "$build/kavrocap.exe" -n "$frames" -f "$3") ;;
    esac
    echo "$1 $2_$3 $seconds" | tee -a "$dir/burst.log"
}

echo
echo "== burst, $frames frames, $runs pairs of each format (seconds per run)"
expected=$frames
: >"$dir/burst.log"
for pair in $(seq "$runs"); do
    for format in $formats; do
        # Which goes first alternates, so that neither always follows the
        # other's leftovers (files deleted, caches warm).
        if [ $((pair % 2)) -eq 1 ]; then
            burst_run "$pair" floor "$format"
            burst_run "$pair" kavrocap "$format"
        else
            burst_run "$pair" kavrocap "$format"
            burst_run "$pair" floor "$format"
        fi
    done
    # The plain-write floor prices the whole-file output, a side figure:
    # every third pair is enough.
    case " $formats " in *" raw "*) [ $((pair % 3)) -ne 1 ] || burst_run "$pair" floor plain ;; esac
done

# cost A B [COLUMN]: for each pair, (t_A - t_B) / frames in ms, one a line;
# wall-clock time (column 3) unless COLUMN is 4, processor time.
cost() {
    awk -v a="$1" -v b="$2" -v c="${3:-3}" -v n="$frames" '$2 == a { ta[$1] = $c } $2 == b { tb[$1] = $c }
        END { for (p in ta) if (p in tb) printf "%.4f\n", (ta[p] - tb[p]) * 1000 / n }' "$dir/burst.log"
}
per_frame() {
    awk -v name="$1" -v c="${2:-3}" -v n="$frames" '$2 == name { printf "%.4f\n", $c * 1000 / n }' \
        "$dir/burst.log" |
        spread | sed 's/, [0-9]* pairs$//'
}
echo
echo "== burst summary (ms per frame; wall-clock time, then processor time)"
for format in $formats; do
    echo "$format: kavrocap's own cost, wall-clock: $(cost "kavrocap_$format" "floor_$format" | spread)" \
        "(goal: at most 0.25)"
    echo "    processor: $(cost "kavrocap_$format" "floor_$format" 4 | spread)"
    echo "    kavrocap per frame, wall-clock: $(per_frame "kavrocap_$format")"
    echo "    floor per frame, wall-clock:    $(per_frame "floor_$format")"
    echo "    kavrocap per frame, processor:  $(per_frame "kavrocap_$format" 4)"
    echo "    floor per frame, processor:     $(per_frame "floor_$format" 4)"
done
case " $formats " in *" raw "*) ;; *) plain=no ;; esac
[ "${plain:-yes}" = no ] || echo "whole-file output over the plain write (raw floor less plain floor), wall-clock:" \
    "$(cost floor_raw floor_plain | spread)"
[ "${plain:-yes}" = no ] || echo "    processor: $(cost floor_raw floor_plain 4 | spread)"
[ "${plain:-yes}" = no ] || echo "    plain floor per frame, wall-clock: $(per_frame floor_plain)"

[ "$lapse_frames" -gt 0 ] || exit 0

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
