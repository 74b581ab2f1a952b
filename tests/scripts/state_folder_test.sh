#!/usr/bin/env bash
# state_folder_test.sh STATE KAVROCAP.exe DRIVER.sys
# The state folder a README example brings up keeps its camera until
# wine-down.sh, however long the user reads between examples; a bounded one
# (as tests use) does end after its idle time, which is what the first part
# would catch if the example's folder were bounded too. winerun.sh passes
# the program's standard output byte for byte, as it comes, and its exit
# status; Ctrl+C reaches the program; it refuses a folder never brought up,
# and leaves the caller's environment as it was.
set -uo pipefail
state=$1
exe=$2
driver=$3
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
. "$(dirname "$0")/../support/hang_limit.sh"
work=$(mktemp -d)
trap '"$scripts/wine-down.sh" "$state" >/dev/null 2>&1; rm -rf "$work"' EXIT
fail=0
problem() { echo "FAIL: $*"; fail=1; }
# Idle time for the kept folder: three times what ends the bounded one.
bounded=2
idle=$((3 * bounded))

# frame NAME: takes one frame into $work/NAME; its exit status.
frame() {
    WINERUN_SECONDS=$HANG_S "$scripts/winerun.sh" "$state" -C "$work" "$exe" -q -r 0 \
        -t "$HANG_S" "$1" >/dev/null 2>"$work/err"
}

unset PUKAVRO_WINE_SECONDS
"$scripts/wine-up.sh" "$state" "$driver" >/dev/null || { echo "FAIL: wine-up"; exit 1; }
sleep "$idle"
frame kept.bin || problem "unbounded: no frame after $idle s idle: $(cat "$work/err")"
[ "$(stat -c %s "$work/kept.bin" 2>/dev/null)" = 13824 ] || problem "unbounded: kept.bin is no frame"

before=$(env | sort)
WINERUN_SECONDS=$HANG_S "$scripts/winerun.sh" "$state" -C "$work" "$exe" -q - >"$work/stdout" 2>/dev/null
status=$?
[ "$status" = 0 ] || problem "winerun: kavrocap - exited $status"
[ "$(stat -c %s "$work/stdout")" = 13824 ] || problem "winerun: standard output is not one frame"
WINERUN_SECONDS=$HANG_S "$scripts/winerun.sh" "$state" "$exe" --bogus >/dev/null 2>&1
status=$?
[ "$status" = 2 ] || problem "winerun: a usage error exited $status, not 2"
[ "$before" = "$(env | sort)" ] || problem "winerun changed the caller's environment"

# A frame reaches a pipe while the program still runs, and Ctrl+C (to the
# job's process group, as a terminal sends it) ends it with its summary.
mkfifo "$work/pipe"
set -m
"$scripts/winerun.sh" "$state" -C "$work" "$exe" -n 2 -i 600 - >"$work/pipe" 2>"$work/err" &
pid=$!
set +m
timeout "$HANG_S" head -c 13824 "$work/pipe" >"$work/first"
[ "$(stat -c %s "$work/first")" = 13824 ] || problem "winerun: no frame through the pipe while it ran"
kill -INT -- -"$pid"
timeout "$HANG_S" cat "$work/pipe" >/dev/null
wait "$pid"
status=$?
[ "$status" = 3 ] || problem "winerun: Ctrl+C gave status $status, not 3"
grep -q "stopped by Ctrl+C" "$work/err" || problem "winerun: no summary after Ctrl+C: $(cat "$work/err")"
"$scripts/winerun.sh" "$work/typo" "$exe" --version >/dev/null 2>"$work/err"
status=$?
[ "$status" = 2 ] && grep -q "wine-up.sh $work/typo" "$work/err" \
    || problem "winerun: a folder never brought up gave status $status: $(cat "$work/err")"
[ -e "$work/typo" ] && problem "winerun: made the folder it refused"
"$scripts/winerun.sh" >/dev/null 2>"$work/err" && problem "winerun: no arguments passed"
grep -q "^usage: " "$work/err" || problem "winerun: no usage without arguments"

PUKAVRO_WINE_SECONDS=$bounded "$scripts/wine-up.sh" "$state" "$driver" >/dev/null \
    || problem "bounded wine-up"
# Its server ends by itself, and the camera with it.
(. "$scripts/lib/wine-env.sh" "$state" && timeout "$HANG_S" wineserver -w) \
    || problem "bounded: the server still ran $HANG_S s after its last program"
frame gone.bin && problem "bounded: the camera still answered after its server ended"
grep -q "camera not found" "$work/err" || problem "bounded: $(cat "$work/err")"

[ "$fail" = 0 ] && echo "state folders: kept until wine-down, bounded ones end; winerun passes bytes and status"
exit $fail
