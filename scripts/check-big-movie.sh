#!/usr/bin/env bash
# check-big-movie.sh
# Makes a real movie over 1 GiB (FRAMES test frames, 52,000 by default: a
# first RIFF part under 1 GiB and an AVIX part after it) through the movie
# writer and the Windows file code under Wine, then checks it with readers
# written by others: ffprobe counts every frame at 96 x 72 and 25/1, ffmpeg
# decodes a few frames, among them both sides of every edge between parts,
# each equal to what was written, and Windows' own reader (avifil32) reads
# the first part frame for frame. Not part of scripts/test.sh: it needs about
# 1.1 GB of free disk (FRAMES x 20,744 bytes) and about a minute.
#
# Environment:
#   FRAMES=n          frames to record (more than 103,442 make a third part)
#   BIG_MOVIE_DIR=dir the movie and its Wine state go into a new folder
#                     there instead of in build/; it is removed at the end
#   WIN32_BUILD=dir   the Windows build to use instead of the preset's
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/lib/windows-preset.sh
frames=${FRAMES:-52000}
build=${WIN32_BUILD:-$root/build/$windows}
first_part=51701  # frames in the first RIFF part of 1 GiB
next_parts=51741  # frames in each AVIX part of 1 GiB

for tool in ffmpeg ffprobe wine; do
    command -v "$tool" >/dev/null || { echo "check-big-movie: $tool is missing: run scripts/setup.sh" >&2; exit 1; }
done
if [ -z "${WIN32_BUILD:-}" ]; then
    [ -f "$build/CMakeCache.txt" ] || cmake --preset "$windows" >/dev/null
fi
cmake --build "$build" -j2 --target big_movie >/dev/null

mkdir -p "${BIG_MOVIE_DIR:-build}"
dir=$(cd "$(mktemp -d "${BIG_MOVIE_DIR:-build}/big-movie.XXXXXX")" && pwd)
state=$dir/wine
movie=$dir/big.avi
trap 'scripts/wine-down.sh "$state" >/dev/null 2>&1 || true; rm -rf "$dir"' EXIT
need=$((frames * 20744 + 64 * 1024 * 1024))
free=$(df --output=avail -B1 "$dir" | tail -1)
if [ "$free" -lt "$need" ]; then
    echo "check-big-movie: $need bytes needed in $dir, $free free" >&2
    exit 1
fi
PUKAVRO_WINE_SECONDS=60 scripts/wine-up.sh "$state" >/dev/null

windows_path() {
    local path="Z:$1"
    echo "${path//\//\\}"
}
run() {
    WINERUN_SECONDS=1800 scripts/lib/winerun-bounded.sh "$state" "$build/tests/movie/big_movie.exe" "$@" | tr -d '\r'
}

echo "== recording $frames frames under Wine"
start=$(date +%s)
run write "$(windows_path "$movie")" "$frames"
echo "$(stat -c %s "$movie") bytes in $(($(date +%s) - start)) s"

echo "== ffprobe"
probe=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries \
    stream=width,height,r_frame_rate,nb_frames,nb_read_frames -of default=noprint_wrappers=1 "$movie")
echo "$probe"
expected=$(printf 'width=96\nheight=72\nr_frame_rate=25/1\nnb_frames=%s\nnb_read_frames=%s' "$frames" "$frames")
[ "$probe" = "$expected" ] || { echo "check-big-movie: ffprobe expected:"; echo "$expected"; exit 1; } >&2

echo "== ffmpeg, frames at the edges"
picks=(0 1 $((frames / 2)) $((frames - 1)))
for ((edge = first_part; edge < frames; edge += next_parts)); do
    picks+=($((edge - 1)) "$edge")
done
mapfile -t picks < <(printf '%s\n' "${picks[@]}" | sort -nu)
select=$(printf '+eq(n\\,%s)' "${picks[@]}")
ffmpeg -nostdin -v error -i "$movie" -vf "select=${select#+}" -fps_mode passthrough \
    -f rawvideo -pix_fmt bgr24 -y "$dir/decoded.raw"
run expect "$(windows_path "$dir/expected.raw")" "${picks[@]}"
cmp "$dir/expected.raw" "$dir/decoded.raw"
echo "frames ${picks[*]} decode as written"

echo "== avifil32, the first part"
run oldread "$(windows_path "$movie")"
echo "check-big-movie: OK"
