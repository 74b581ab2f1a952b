#!/usr/bin/env bash
# Runs pukavro under Wine with the simulated camera, in a prefix of its own
# (build/run/wine) and the working directory captures/, where saved frames
# land.
#
# With a display ($DISPLAY reachable) the window opens there for you to use;
# everything stops when you close it. Without one, the program runs on a
# virtual display: this script presses Capture and Save itself and leaves a
# screenshot, kavro001.bin and its converted picture in captures/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
captures=$root/captures

step() { echo; echo "== $*"; }

step "packages"
bash scripts/setup.sh

. scripts/lib/windows-preset.sh
if [ "$windows" = win64 ]; then
    step "this machine runs no 32-bit programs: running the x86-64 build under 64-bit Wine"
fi
state=$root/build/run/$windows
exe=$root/build/$windows/pukavro.exe

step "build"
cmake --preset "$windows" >/dev/null
cmake --build --preset "$windows" --target pukavro ezusbsim kavroconv

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
. scripts/lib/wine-env.sh "$state"
mkdir -p "$captures"
cd "$captures"

if [ "$headless" = 0 ]; then
    step "pukavro is running on $DISPLAY; saved frames go to $captures"
    wine "$exe" >/dev/null 2>&1 || true
    exit 0
fi

step "no display: running on the virtual display $DISPLAY"
wine "$exe" >/dev/null 2>&1 &
wine_pid=$!
window=""
for _ in $(seq 100); do
    window=$(xdotool search --name '^pukavro$' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "run: the window did not appear" >&2; exit 1; }

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

wine "$root/build/$windows/kavroconv.exe" --format png kavro001.bin
echo
echo "screenshot:   $captures/pukavro.png"
echo "saved frame:  $captures/kavro001.bin"
echo "its picture:  $captures/kavro001.png"
