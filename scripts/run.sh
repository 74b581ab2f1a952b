#!/usr/bin/env bash
# run.sh [kavroview]
# Runs pukavro (or kavroview, the live view) under Wine with the simulated
# camera, in a prefix of its own (build/run/wine) and the working directory
# captures/, where saved frames land.
#
# With a display ($DISPLAY reachable) the window opens there for you to use;
# everything stops when you close it. Without one, the program runs on a
# virtual display and this script uses it itself: pukavro's Capture and
# Save, leaving a screenshot, kavro001.bin and its converted picture in
# captures/; kavroview's live picture for two seconds and a snapshot (Space),
# leaving a screenshot and the snapshot's pair in captures/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
captures=$root/captures
program=${1:-pukavro}
case $program in
pukavro | kavroview) ;;
*) echo "usage: run.sh [kavroview]" >&2; exit 2 ;;
esac

step() { echo; echo "== $*"; }

step "packages"
bash scripts/setup.sh

. scripts/lib/windows-preset.sh
if [ "$windows" = win64 ]; then
    step "this machine runs no 32-bit programs: running the x86-64 build under 64-bit Wine"
fi
state=$root/build/run/$windows
exe=$root/build/$windows/$program.exe

step "build"
cmake --preset "$windows" >/dev/null
cmake --build --preset "$windows" --target "$program" ezusbsim kavroconv

headless=1
if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
    headless=0
fi

step "simulated camera"
trap '"$root/scripts/wine-down.sh" "$state" >/dev/null 2>&1 || true' EXIT
if [ "$headless" = 0 ]; then
    PUKAVRO_XVFB=0 scripts/wine-up.sh "$state" "build/$windows/ezusbsim.sys"
else
    scripts/wine-up.sh "$state" "build/$windows/ezusbsim.sys"
fi
# Programs start through winerun.sh, never with Wine's settings in this
# shell: it started before the set-up generated the prefixes' locale, and a
# process cannot switch to a locale that was generated after it started.
winerun() { "$root/scripts/winerun.sh" "$state" -C "$captures" "$@"; }
[ -s "$state/display" ] && export DISPLAY=":$(cat "$state/display")"
mkdir -p "$captures"
cd "$captures"

if [ "$headless" = 0 ]; then
    step "$program is running on $DISPLAY; saved frames go to $captures"
    winerun "$exe" >/dev/null 2>&1 || true
    exit 0
fi

step "no display: running on the virtual display $DISPLAY"
winerun "$exe" >/dev/null 2>&1 &
wine_pid=$!
window=""
for _ in $(seq 100); do
    window=$(xdotool search --name "^$program\$" 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "run: the window did not appear" >&2; exit 1; }

if [ "$program" = kavroview ]; then
    # A couple of seconds live fills the status bar's frame rate.
    sleep 3
    import -window "$window" "$captures/kavroview.png"
    shopt -s nullglob
    before=(kavro[0-9][0-9][0-9].png)
    xdotool mousemove --window "$window" 100 100 click 1 key space
    sleep 1
    xdotool key alt+F4
    for _ in $(seq 100); do kill -0 "$wine_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$wine_pid" 2>/dev/null && { echo "run: kavroview did not close on Alt+F4" >&2; exit 1; }
    after=(kavro[0-9][0-9][0-9].png)
    [ ${#after[@]} -gt ${#before[@]} ] || { echo "run: no snapshot was saved" >&2; exit 1; }
    snapshot=${after[-1]}
    echo
    echo "screenshot:   $captures/kavroview.png"
    echo "snapshot:     $captures/$snapshot and ${snapshot%.png}.bin"
    exit 0
fi

# Buttons by their client positions; the client area starts below the
# 19-pixel caption inside a 3-pixel frame.
click() {
    xdotool mousemove --window "$window" $((3 + $1)) $((22 + $2)) click 1
    sleep 1
}
click 57 97     # Capture
click 32 132    # Save
import -window root -crop 120x180+0+0 "$captures/pukavro.png"
click 82 132    # Exit
wait "$wine_pid" || true

winerun "$root/build/$windows/kavroconv.exe" --format png kavro001.bin
echo
echo "screenshot:   $captures/pukavro.png"
echo "saved frame:  $captures/kavro001.bin"
echo "its picture:  $captures/kavro001.png"
