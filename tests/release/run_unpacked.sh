#!/usr/bin/env bash
# run_unpacked.sh ZIP WORK CHECKER.exe VERSION
# Unpacks the ZIP into a fresh folder whose name has spaces and Japanese
# characters and, under 32-bit Wine, has CHECKER (check_unpacked.cpp) start
# pukavro and kavroview from there and ask the tools for their version. Brings up a Wine
# prefix and display of its own in WORK and takes them down again.
# Exits 77 (skipped) where this machine cannot run 32-bit programs.
set -u
zip=$1
work=$2
checker=$3
version=$4
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)

. "$scripts/lib/windows-preset.sh"
if [ "$windows" != win32 ]; then
    echo "SKIPPED: this machine's kernel runs no 32-bit programs, so 32-bit Wine"
    echo "cannot start the ZIP's programs here; run this test where it can."
    exit 77
fi

state=$work/wine
folder="$work/unpacked ピクチャ 写真 1"
mkdir -p "$state"
echo win32 >"$state/arch"  # the ZIP's programs are 32-bit
rm -rf "$work"/unpacked*
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
    "$zip" "$folder" || exit 1
echo "unpacked into $folder: $(cd "$folder" && ls | tr '\n' ' ')"

trap '"$scripts/wine-down.sh" "$state" >/dev/null 2>&1' EXIT
PUKAVRO_WINE_SECONDS=60 "$scripts/wine-up.sh" "$state" || exit 1
"$scripts/lib/winerun-bounded.sh" "$state" "$checker" "Z:${folder//\//\\}" "$version"
