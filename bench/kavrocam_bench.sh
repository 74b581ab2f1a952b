#!/usr/bin/env bash
# kavrocam_bench.sh
# The camera filter in a capture graph under Wine, against the simulated
# camera (each request answered DELAY_MS late, as a real camera takes its
# time): at 30 frames a second and at the camera's fastest, at 96 x 72 and
# at 768 x 576 (the biggest picture), the samples delivered against the
# camera's frames in the same seconds, each sample's delay from its tick,
# and the processor time per sample; then the same with kavroview showing
# the camera live beside it. Then, where scripts/build-ffmpeg.sh has (or
# can build) a Windows ffmpeg.exe, the same rates through ffmpeg's
# DirectShow input: its frames against the camera's, and its own processor
# time (-benchmark), alone and beside kavroview.
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

ffmpeg=$(bash scripts/build-ffmpeg.sh "$windows" 2>/dev/null) || ffmpeg=""
bench() { (cd "$dir" && WINERUN_SECONDS=600 "$root/scripts/lib/winerun-bounded.sh" "$state" "$@") | tr -d '\r'; }
if [ -n "$ffmpeg" ]; then
    # The entry ffmpeg opens, written as the installer writes it (under Wine
    # every folder is the user's, so the installer itself refuses the DLL).
    (. scripts/lib/wine-env.sh "$state"
        clsid='{729EE6F8-5B5F-4D9F-A7CD-33BF2C6ECF3E}'
        c="HKLM\\Software\\Classes\\CLSID\\$clsid"
        i='HKLM\Software\Classes\CLSID\{860BB310-5D01-11D0-BD3B-00A0C911CE86}\Instance\pukavro camera 0'
        wine reg add "$c\\InprocServer32" /ve /d "$(wine winepath -w "$dll" 2>/dev/null | tr -d '\r')" /f
        wine reg add "$c\\InprocServer32" /v ThreadingModel /d Both /f
        wine reg add "$i" /v FriendlyName /d 'pukavro camera 0' /f
        wine reg add "$i" /v CLSID /d "$clsid" /f) >/dev/null 2>&1
fi
through_ffmpeg() {
    [ -n "$ffmpeg" ] || { echo "through ffmpeg: not run (no ffmpeg.exe)"; return; }
    local size rate before after frames cpu bytes
    for size in 96x72 768x576; do
        bytes=$((${size%x*} * ${size#*x} * 3))
        for rate in 30 100; do
            before=$(bench "$build/bench/kavrocam_graph.exe" --frames-sent)
            cpu=$(bench "$ffmpeg" -y -hide_banner -benchmark -f dshow -framerate "$rate" \
                -video_size "$size" -pixel_format bgr24 -i 'video=pukavro camera 0' \
                -t "$seconds" -c:v copy -f rawvideo out.raw 2>&1 | sed -n 's/^bench: \(utime=.*\) rtime.*/\1/p')
            after=$(bench "$build/bench/kavrocam_graph.exe" --frames-sent)
            frames=$(($(stat -c %s "$dir/out.raw") / bytes))
            echo "ffmpeg RGB24 $size at $rate/s: frames $frames, camera $((after - before)) in the same run, $cpu"
        done
    done
    rm -f "$dir/out.raw"
}
through_ffmpeg
echo "== with kavroview live beside"
(cd "$dir" && WINERUN_SECONDS=600 "$root/scripts/lib/winerun-bounded.sh" "$state" \
    "$build/kavroview.exe" >/dev/null 2>&1) &
viewer=$!
sleep 5
run
through_ffmpeg
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
