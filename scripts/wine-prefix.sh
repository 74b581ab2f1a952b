#!/usr/bin/env bash
# wine-prefix.sh STATE
# Creates the 32-bit Wine prefix STATE/prefix once; later calls reuse it.
set -eu
mkdir -p "$1"
. "$(dirname "$0")/wine-env.sh" "$1"
if [ -f "$WINEPREFIX/.pukavro-ready" ]; then
    exit 0
fi
echo "wine-prefix: creating $WINEPREFIX"
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1
# wineboot goes on working after it returns; a second server started now
# would run a second services.exe and drivers would never start.
wineserver -w
# Without a window manager Wine stalls about 2 s whenever a window is hidden
# or destroyed unless its windows are unmanaged.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wineserver -w
touch "$WINEPREFIX/.pukavro-ready"
