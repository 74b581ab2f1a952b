# Sourced: points Wine at the state folder given as $1 (prefix, display).
# The prefix is Japanese (ANSI code page 932), like the program's users'
# machines, and 32-bit unless the state folder says otherwise in its file
# "arch" (the win64 build's test folder says win64). Defines wine() so that
# the right loader runs whichever the prefix is.
state=$(cd "$1" && pwd)
export WINEPREFIX="$state/prefix"
WINEARCH=win32
if [ -s "$state/arch" ]; then
    WINEARCH=$(cat "$state/arch")
fi
export WINEARCH
if [ "$WINEARCH" = win64 ]; then
    # Debian's wine command prefers the 32-bit loader whenever it is installed.
    export WINELOADER=/usr/lib/wine/wine64
else
    unset WINELOADER
fi
wine() { "${WINELOADER:-/usr/bin/wine}" "$@"; }
export WINEDEBUG="${WINEDEBUG:--all}"
export LC_ALL=ja_JP.UTF-8
if [ -s "$state/display" ]; then
    export DISPLAY=":$(cat "$state/display")"
fi
