#!/usr/bin/env bash
# state_folder_test.sh STATE KAVROCAP.exe DRIVER.sys
# The state folder a README example brings up keeps its camera until
# wine-down.sh, however long the user reads between examples; a bounded one
# (as tests use) does end after its idle time, which is what the first part
# would catch if the example's folder were bounded too. winerun.sh passes
# the program's standard output byte for byte and its exit status, and
# leaves the caller's environment as it was.
set -uo pipefail
state=$1
exe=$2
driver=$3
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
work=$(mktemp -d)
trap '"$scripts/wine-down.sh" "$state" >/dev/null 2>&1; rm -rf "$work"' EXIT
fail=0
problem() { echo "FAIL: $*"; fail=1; }
idle=6

# frame NAME: takes one frame into $work/NAME; its exit status.
frame() {
    WINERUN_SECONDS=60 "$scripts/winerun.sh" "$state" -C "$work" "$exe" -q -r 0 -t 2 "$1" \
        >/dev/null 2>"$work/err"
}

unset PUKAVRO_WINE_SECONDS
"$scripts/wine-up.sh" "$state" "$driver" >/dev/null || { echo "FAIL: wine-up"; exit 1; }
sleep "$idle"
frame kept.bin || problem "unbounded: no frame after $idle s idle: $(cat "$work/err")"
[ "$(stat -c %s "$work/kept.bin" 2>/dev/null)" = 13824 ] || problem "unbounded: kept.bin is no frame"

before=$(env | sort)
WINERUN_SECONDS=60 "$scripts/winerun.sh" "$state" -C "$work" "$exe" -q - >"$work/stdout" 2>/dev/null
status=$?
[ "$status" = 0 ] || problem "winerun: kavrocap - exited $status"
[ "$(stat -c %s "$work/stdout")" = 13824 ] || problem "winerun: standard output is not one frame"
WINERUN_SECONDS=60 "$scripts/winerun.sh" "$state" "$exe" --bogus >/dev/null 2>&1
status=$?
[ "$status" = 2 ] || problem "winerun: a usage error exited $status, not 2"
[ "$before" = "$(env | sort)" ] || problem "winerun changed the caller's environment"

PUKAVRO_WINE_SECONDS=2 "$scripts/wine-up.sh" "$state" "$driver" >/dev/null || problem "bounded wine-up"
sleep "$idle"
frame gone.bin && problem "bounded: the camera still answered after $idle s idle"
grep -q "camera not found" "$work/err" || problem "bounded: $(cat "$work/err")"

[ "$fail" = 0 ] && echo "state folders: kept until wine-down, bounded ones end; winerun passes bytes and status"
exit $fail
