#!/usr/bin/env bash
# kavroconv_throughput.sh KAVROCONV FOLDER [STATE]
# Frames per second of kavroconv converting every saved frame in FOLDER
# (kavro*.bin, e.g. made by make_frames) in one run, to BMP and to PNG.
# KAVROCONV is the native program, or kavroconv.exe with STATE, the Wine
# state folder of scripts/wine-up.sh, to run the Windows build under Wine
# (the time then includes starting Wine's process, about 0.1 s).
# Each format is timed RUNS times (default 3) with the previous run's
# pictures removed first; the median run is reported.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
program=$(realpath "$1")
folder=$2
state=${3:-}
runs=${RUNS:-3}
cd "$folder"
frames=$(ls kavro*.bin | wc -l)
[ "$frames" -gt 0 ] || { echo "kavroconv_throughput: no frames in $folder" >&2; exit 1; }

convert() {
    if [ -n "$state" ]; then
        WINERUN_SECONDS=600 "$here/../scripts/lib/winerun-bounded.sh" "$state" "$program" "$@" >/dev/null
    else
        "$program" "$@" >/dev/null
    fi
}

for format in bmp png; do
    times=()
    for _ in $(seq "$runs"); do
        rm -f kavro*."$format"
        # Relative names: the Windows command line holds at most 32,767
        # characters.
        start=$(date +%s%N)
        convert --format "$format" kavro*.bin
        end=$(date +%s%N)
        converted=$(ls kavro*."$format" | wc -l)
        if [ "$converted" -ne "$frames" ]; then
            echo "kavroconv_throughput: $converted of $frames frames converted" >&2
            exit 1
        fi
        times+=($(( (end - start) / 1000 )))  # microseconds
    done
    rm -f kavro*."$format"
    median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
    awk -v f="$format" -v n="$frames" -v us="$median" -v all="${times[*]}" -v p="$(basename "$program")" \
        'BEGIN { printf "kavroconv %-4s %-14s %5d frames in %8.1f ms  %8.0f frames/s  (runs, us: %s)\n",
                 f, p, n, us / 1000, n * 1e6 / us, all }'
done
