#!/usr/bin/env bash
# winerun.sh STATE PROGRAM.exe [ARGS...]
# Runs a Windows program under Wine in the prefix and display of STATE
# (made by wine-up.sh), bounded in time so a hang fails instead of waiting.
#
# The program's output goes through a file: Wine starts its helper processes
# (services, desktop) from whichever program needs them first, and they keep
# that program's output open until the server ends. A test runner reading a
# pipe would wait for them.
set -u
mkdir -p "$1"
. "$(dirname "$0")/wine-env.sh" "$1"
shift
log=$(mktemp)
trap 'cat "$log"; rm -f "$log"' EXIT
timeout -k 5 "${WINERUN_SECONDS:-240}" "${WINELOADER:-wine}" "$@" </dev/null >"$log" 2>&1
