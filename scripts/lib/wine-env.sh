# Sourced by the scripts, never by a user's shell (scripts/winerun.sh runs a
# program with it): points Wine at the state folder given as $1 (prefix,
# display). The prefix is Japanese (ANSI code page 932), like the program's
# users' machines. It is 32-bit, or 64-bit where this machine runs no 32-bit
# programs, unless the state folder's file "arch" says which (a build's own
# folder does). Sets $wine_loader to the loader to start (a pid taken of it
# is Wine's own, not a wrapper's) and defines wine() to run it.
# Wine's own programs that are 32-bit, which a kernel without 32-bit
# support cannot start (scripts/as-no-32-bit.sh makes them fail so).
wine_32_bit_programs=(/usr/lib/wine/wine /usr/lib/wine/wineserver32)
# Sourced with --names-only instead of a state folder: only the names above.
[ "$1" != --names-only ] || return 0
state=$(cd "$1" && pwd)
export WINEPREFIX="$state/prefix"
if [ -s "$state/arch" ]; then
    WINEARCH=$(cat "$state/arch")
else
    . "$(dirname "${BASH_SOURCE[0]}")/windows-preset.sh"
    WINEARCH=$windows
fi
export WINEARCH
# The one place that decides which loader runs the programs. It is passed on
# as PUKAVRO_WINE_LOADER too: Wine hands variables of its own (WINELOADER
# among them) to no Unix program that a Windows program starts, and there a
# plain "wine" is Debian's, which prefers the 32-bit loader whenever it is
# installed, even where no 32-bit program can run.
if [ "$WINEARCH" = win64 ]; then
    export WINELOADER=/usr/lib/wine/wine64
    wine_loader=$WINELOADER
else
    unset WINELOADER
    wine_loader=/usr/bin/wine
fi
export PUKAVRO_WINE_LOADER=$wine_loader
wine() { "$wine_loader" "$@"; }
export WINEDEBUG="${WINEDEBUG:--all}"
export LC_ALL=ja_JP.UTF-8
if [ -s "$state/display" ]; then
    export DISPLAY=":$(cat "$state/display")"
fi
