# Sourced: points Wine at the state folder given as $1 (prefix, display).
# The prefix is 32-bit and Japanese (ANSI code page 932), like the program's
# users' machines.
state=$(cd "$1" && pwd)
export WINEPREFIX="$state/prefix"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
{ export LC_ALL=ja_JP.UTF-8; } 2>/dev/null
if [ -s "$state/display" ]; then
    export DISPLAY=":$(cat "$state/display")"
fi
