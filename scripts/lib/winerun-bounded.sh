#!/usr/bin/env bash
# winerun.sh STATE [-C FOLDER] PROGRAM [ARGS...]
# Runs a Windows program (an .exe, or one of Wine's own such as reg) under
# Wine in the prefix and display of STATE (made by wine-up.sh), in FOLDER or
# else the current folder, and exits with its exit status. The caller's
# shell is left as it was. Bounded in time (WINERUN_SECONDS, 240 by default;
# 0 for no bound, for a window you keep open), so a hang fails instead of
# waiting.
#
# The program's output goes through files: Wine starts its helper processes
# (services, desktop) from whichever program needs them first, and they keep
# that program's output open until the server ends. A test runner reading a
# pipe would wait for them. Standard output and error stay apart; standard
# output keeps its bytes (frames written to it, say) as they are.
set -euo pipefail
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
. "$(dirname "$0")/lib/wine-env.sh" "$state"
cd "$folder"
out=$(mktemp)
err=$(mktemp)
trap 'cat "$out"; cat "$err" >&2; rm -f "$out" "$err"' EXIT
timeout -k 5 "${WINERUN_SECONDS:-240}" "$wine_loader" "$program" "$@" </dev/null >"$out" 2>"$err"
