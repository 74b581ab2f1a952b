#!/usr/bin/env bash
# winerun.sh STATE [-C FOLDER] PROGRAM [ARGS...]
# Runs a Windows program (an .exe, or one of Wine's own such as reg) in the
# foreground under Wine, in the prefix and display of STATE (brought up by
# wine-up.sh), in FOLDER or else the current folder. Its output arrives as
# it comes, Ctrl+C reaches it (a console tool prints its summary and ends
# with its own status), and its exit status is this script's. The script
# becomes the program: ending it ends the program, and nothing is left
# behind. No time limit unless WINERUN_SECONDS=N asks for one. The caller's
# shell is left as it was.
set -euo pipefail
usage() {
    echo "usage: scripts/winerun.sh STATE [-C FOLDER] PROGRAM [ARGS...]" >&2
    echo "  STATE is a folder brought up by: scripts/wine-up.sh STATE [DRIVER.sys]" >&2
    exit 2
}
[ $# -ge 2 ] || usage
state=$1
shift
folder=.
if [ "$1" = -C ]; then
    [ $# -ge 3 ] || usage
    folder=$2
    shift 2
fi
program=$1
shift
# A mistyped folder would otherwise become a new prefix of its own.
if [ ! -f "$state/prefix/.pukavro-ready" ]; then
    echo "winerun: $state is not a state folder; bring one up with: scripts/wine-up.sh $state [DRIVER.sys]" >&2
    exit 2
fi
# A program named by its path is found from the caller's folder.
[ -f "$program" ] && program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
. "$(dirname "$0")/lib/wine-env.sh" "$state"
cd "$folder"
if [ "${WINERUN_SECONDS:-0}" != 0 ]; then
    # In the foreground, so that Ctrl+C still reaches the program.
    exec timeout --foreground -k 5 "$WINERUN_SECONDS" "$wine_loader" "$program" "$@"
fi
exec "$wine_loader" "$program" "$@"
