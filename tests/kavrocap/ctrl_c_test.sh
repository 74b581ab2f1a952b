#!/usr/bin/env bash
# ctrl_c_test.sh STATE KAVROCAP.exe
# Ctrl+C as a person or a script sends it: a SIGINT to the running program,
# which Wine hands to its console control handler. Checks the exit status,
# the summary and the files left, for a run with a count, one without, and
# a capture held by a slow camera (abandoned at once, no file), and a movie
# (finished before the end: ffprobe reads every frame the summary counts).
# Each wait is for the program's next step, up to HANG_S.
set -u
# Job control: a background job of a script otherwise starts with SIGINT
# ignored, and Ctrl+C would never reach the program.
set -m
state=$1
exe=$2
. "$(dirname "$0")/../../scripts/lib/wine-env.sh" "$state"
. "$(dirname "$0")/../support/hang_limit.sh"
work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill -KILL -- -"$pid" 2>/dev/null
    wine reg delete 'HKLM\System\CurrentControlSet\Services\ezusbsim\Parameters' /f >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1
fail=0
problem() { echo "FAIL: $*"; fail=1; }

# Runs COMMAND... every 0.1 s until it succeeds; fails once HANG_S have passed.
until_true() {
    local end=$((SECONDS + HANG_S))
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.1
    done
}
ended() { ! kill -0 "$pid" 2>/dev/null; }

# Starts kavrocap ARGS... in the background, waits until the command READY
# succeeds (a file saved, the camera asked: the run is under way, its Ctrl+C
# handler in place), then sends SIGINT and waits for the end. Leaves the
# exit status in $status.
interrupt_after() {
    local ready=$1
    shift
    rm -f out err
    # The loader itself, not the wine() function: a function would run in a
    # subshell of its own, and the SIGINT would go to that shell.
    "$wine_loader" "$exe" "$@" >out 2>err &
    pid=$!
    until_true eval "$ready || ended"
    eval "$ready" || problem "$* never came to: $ready"
    sleep 0.2
    # To the job's whole process group, as a terminal sends it.
    kill -INT -- -"$pid"
    # A program that ignores Ctrl+C is killed and fails.
    if ! until_true ended; then
        problem "$* still runs $HANG_S s after Ctrl+C"
        kill -KILL -- -"$pid"
    fi
    wait "$pid"
    status=$?
    pid=
    tr -d '\r' <err >err.txt
}

expect() {  # what status summary
    [ "$status" = "$2" ] || problem "$1: exit status $status, not $2"
    grep -Eqx "kavrocap: $3" err.txt || { problem "$1: no summary '$3'"; cat err.txt; }
    if ls | grep -q -v -E '^(out|err|err\.txt|[a-z]+[0-9]+\.bin|m\.avi)$'; then
        problem "$1: left behind: $(ls | tr '\n' ' ')"
    fi
}

# With a count: stopped before it was reached, status 3.
interrupt_after 'test -s a1.bin' -n 5 -i 30 'a{n}.bin'
expect "-n 5" 3 "1 saved, 0 failed, 0 slots skipped; stopped by Ctrl\+C"
[ -e a2.bin ] && problem "-n 5: a second frame was taken"

# Without a count, Ctrl+C is the normal end: status 0. Back to back, so that
# no slot's time can pass while a slow machine takes the frame before.
interrupt_after 'test -s b2.bin' -n 0 -i 0 'b{n}.bin'
expect "-n 0" 0 "[0-9]+ saved, 0 failed, 0 slots skipped; stopped by Ctrl\+C"

# A movie is finished first, then the status is the run's.
interrupt_after 'test -s m.avi' -n 100000 -i 0 m.avi
expect "movie" 3 "[0-9]+ recorded, 0 failed, 0 slots skipped; stopped by Ctrl\+C"
recorded=$(sed -n 's/^kavrocap: \([0-9]*\) recorded.*/\1/p' err.txt)
probed=$(ffprobe -v error -count_frames -show_entries stream=nb_read_frames -of csv=p=0 m.avi)
[ "$probed" = "$recorded" ] || problem "movie: ffprobe reads $probed frames, the summary says $recorded"
[ "$(tr -d '\r' <out)" = m.avi ] || problem "movie: standard output is not its path"

# A capture the camera holds is abandoned at once: no file. The first
# capture fails at once: the camera counts FailNext down to 0 when the run's
# first request reaches it, and the run then asks for the second, whose read
# the camera holds.
key='HKLM\System\CurrentControlSet\Services\ezusbsim\Parameters'
wine reg add "$key" /v FailNext /t REG_DWORD /d 1 /f >/dev/null 2>&1
wine reg add "$key" /v BulkDelayMs /t REG_DWORD /d 8000 /f >/dev/null 2>&1
first_failed() { wine reg query "$key" /v FailNext 2>/dev/null | tr -d '\r' | grep -q ' 0x0$'; }
interrupt_after first_failed -n 2 -r 0 -t 20 'c{n}.bin'
expect "held capture" 3 "0 saved, 1 failed, 0 slots skipped; stopped by Ctrl\+C"
[ -e c2.bin ] && problem "held capture: a file was saved"

exit $fail
