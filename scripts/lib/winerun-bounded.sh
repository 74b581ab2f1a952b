#!/usr/bin/env bash
# winerun-bounded.sh STATE [-C FOLDER] PROGRAM [ARGS...]
# What tests and benchmarks run Windows programs with (scripts/winerun.sh is
# the one for people): like winerun.sh, but bounded in time
# (WINERUN_SECONDS, 240 by default; 0 for no bound), so a hang fails instead
# of waiting, and with the program's output through files.
#
# Through files because Wine starts its helper processes (services, desktop)
# from whichever program needs them first, and they keep that program's
# output open until the server ends: a test runner reading a pipe would wait
# for them. Standard output and error stay apart; standard output keeps its
# bytes (frames written to it, say) as they are, and both arrive when the
# program has ended. Ended itself (a runner's own time-out), it ends the
# program and removes its files.
set -euo pipefail
if [ $# -lt 2 ]; then
    echo "usage: winerun-bounded.sh STATE [-C FOLDER] PROGRAM [ARGS...]" >&2
    exit 2
fi
state=$1
shift
folder=.
if [ "${1:-}" = -C ]; then
    folder=$2
    shift 2
fi
program=$1
shift
# A program named by its path is found from the caller's folder.
[ -f "$program" ] && program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
mkdir -p "$state"
. "$(dirname "$0")/wine-env.sh" "$state"
cd "$folder"
out=$(mktemp)
err=$(mktemp)
child=""
trap 'cat "$out"; cat "$err" >&2; rm -f "$out" "$err"' EXIT
trap '[ -n "$child" ] && kill "$child" 2>/dev/null; wait; exit 143' TERM INT HUP
timeout -k 5 "${WINERUN_SECONDS:-240}" "$wine_loader" "$program" "$@" </dev/null >"$out" 2>"$err" &
child=$!
wait "$child"
