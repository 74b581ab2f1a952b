#!/usr/bin/env bash
# wine-prefix.sh STATE
# Creates the Wine prefix STATE/prefix once (32-bit, or as STATE/arch says);
# later calls reuse it.
set -euo pipefail
mkdir -p "$1"
. "$(dirname "$0")/wine-env.sh" "$1"
if [ -f "$WINEPREFIX/.pukavro-ready" ]; then
    exit 0
fi
echo "wine-prefix: creating $WINEPREFIX ($WINEARCH)"
rm -rf "$WINEPREFIX"
wine wineboot -i >/dev/null 2>&1
# wineboot goes on working after it returns; a second server started now
# would run a second services.exe and drivers would never start.
wineserver -w
# Without a window manager Wine stalls about 2 s whenever a window is hidden
# or destroyed unless its windows are unmanaged.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wineserver -w
# Caption buttons are glyphs of Wine's Marlett font, which a new prefix
# lacks: without it they show as the letters "0 1 r".
cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
touch "$WINEPREFIX/.pukavro-ready"
