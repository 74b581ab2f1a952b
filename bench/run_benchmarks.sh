#!/usr/bin/env bash
# run_benchmarks.sh
# Builds what the benchmarks need, brings up a Wine state of its own
# (build/bench/wine: prefix, virtual display, simulated camera), runs every
# benchmark and prints the figures that docs/PERFORMANCE.md records. Takes
# about five minutes; leaves nothing running. kavrocap's and kavroview's
# figures come from kavrocap_bench.sh and kavroview_bench.sh beside it,
# each with a Wine state of its own.
#
# Environment:
#   RUNS=3            runs of the capture latency benchmark (the figures are
#                     the medians over the runs), and of each kavroconv timing
#   NATIVE_BUILD=dir  build there instead of the native preset's build/native
#   WIN32_BUILD=dir   build the Windows programs there instead of the win32
#                     preset's build/win32 (win64 and build/win64 on a machine
#                     that runs no 32-bit programs)
#   BENCH_DIR=dir     the Wine state, frames and notes go there instead of
#                     build/bench
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/lib/windows-preset.sh
runs=${RUNS:-3}
native=${NATIVE_BUILD:-$root/build/native}
win32=${WIN32_BUILD:-$root/build/$windows}
bench_dir=${BENCH_DIR:-$root/build/bench}
state=$bench_dir/wine
work=$bench_dir/work
frames=$bench_dir/frames

echo "== build"
if [ -z "${NATIVE_BUILD:-}" ]; then
    [ -f "$native/CMakeCache.txt" ] || cmake --preset native >/dev/null
    cmake --build --preset native --target convert_bench make_frames kavroconv movie_completion >/dev/null
else
    [ -f "$native/CMakeCache.txt" ] || cmake -S "$root" -B "$native" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$native" -j2 --target convert_bench make_frames kavroconv movie_completion >/dev/null
fi
if [ -z "${WIN32_BUILD:-}" ]; then
    [ -f "$win32/CMakeCache.txt" ] || cmake --preset "$windows" >/dev/null
    cmake --build --preset "$windows" --target bench_programs >/dev/null
else
    [ -f "$win32/CMakeCache.txt" ] || cmake -S "$root" -B "$win32" \
        --toolchain "$root/cmake/mingw-$([ "$windows" = win64 ] && echo x86_64 || echo i686).cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$win32" -j2 --target bench_programs >/dev/null
fi

mkdir -p "$work" "$frames"
trap '"$root/scripts/wine-down.sh" "$state" >/dev/null' EXIT
PUKAVRO_WINE_SECONDS=60 "$root/scripts/wine-up.sh" "$state" "$win32/ezusbsim.sys" | grep -v '^wine-down' || true
[ -s "$state/display" ] || { echo "run_benchmarks: Wine did not come up" >&2; exit 1; }

# Runs a benchmark program under Wine in the work folder (where the floor
# writes its notes) and shows its output.
bench() {
    (cd "$work" && WINERUN_SECONDS=900 "$root/scripts/lib/winerun-bounded.sh" "$state" "$@") | tr -d '\r'
}

# Median of the numbers on standard input.
median() {
    sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2];
                                       else printf "%.2f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# field LABEL WORD: the number after WORD on the lines that start with LABEL.
field() {
    awk -v label="$1" -v word="$2" 'index($0, label) == 1 {
        for (i = 1; i < NF; i++) if ($i == word) { print $(i + 1); break } }'
}

echo
echo "== capture latency: $runs runs, real clicks"
: >"$work/capture.log"
for run in $(seq "$runs"); do
    bench "$win32/bench/capture_latency.exe" "$win32/pukavro.exe" \
        "$win32/bench/capture_floor.exe" 200 input | tee -a "$work/capture.log"
done
echo
echo "== capture latency: BM_CLICK instead of real clicks"
bench "$win32/bench/capture_latency.exe" "$win32/pukavro.exe" \
    "$win32/bench/capture_floor.exe" 200 message
echo
echo "== capture latency: the floor with pukavro's steps one at a time"
bench "$win32/bench/capture_latency.exe" "$win32/pukavro.exe" \
    "$win32/bench/capture_floor.exe" 200 input reopen buttons erase reopen+buttons+erase \
    reopen+buttons+erase+clip

echo
echo "== start-up, working set and size"
bench "$win32/bench/startup_time.exe" "$win32/pukavro.exe" "$win32/bench/startup_floor.exe" 20 \
    | tee "$work/startup.log"

echo
echo "== kavroconv throughput, 1000 saved frames"
rm -f "$frames"/kavro*
"$native/bench/make_frames" "$frames" 1000
RUNS=$runs "$root/bench/kavroconv_throughput.sh" "$native/kavroconv" "$frames"
RUNS=$runs "$root/bench/kavroconv_throughput.sh" "$win32/kavroconv.exe" "$frames" "$state"

echo
echo "== movie completion point: 5 runs or more of 40 s of recording each"
movie_runs=$((runs > 5 ? runs : 5))
echo "native:"
"$native/bench/movie_completion" "$work" "$movie_runs" 40
echo "under Wine:"
bench "$win32/bench/movie_completion.exe" . "$movie_runs" 40

echo
echo "== ConvertFrame (native)"
"$native/bench/convert_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    2>/dev/null | grep -E 'Benchmark|_median'

log=$work/capture.log
echo
echo "== summary (capture: medians over $runs runs of 200 captures each)"
printf 'capture pukavro  median %s ms  p95 %s ms\n' \
    "$(field 'capture pukavro' median <"$log" | median)" "$(field 'capture pukavro' p95 <"$log" | median)"
printf 'capture floor    median %s ms  p95 %s ms\n' \
    "$(field 'capture floor ' median <"$log" | median)" "$(field 'capture floor ' p95 <"$log" | median)"
printf 'capture ratio    median %s  p95 %s  (goal: at most 1.5)\n' \
    "$(field 'capture ratio' median <"$log" | median)" "$(field 'capture ratio' p95 <"$log" | median)"
grep -E '^start-up (pukavro|floor|ratio)|^memory' "$work/startup.log"
