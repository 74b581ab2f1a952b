#!/bin/sh
# check_icons.sh ICON_DIR WORK_DIR
# The committed icons are exactly what make_icons.py beside them draws, so
# the art in the script is the art in the program.
set -eu
mkdir -p "$2"
python3 "$1/make_icons.py" "$2" >/dev/null
for f in pukavro.ico pukavro-small.ico kavroview.ico; do
    cmp "$1/$f" "$2/$f"
done
echo "icons match make_icons.py"
