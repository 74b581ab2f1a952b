#!/usr/bin/env bash
# run_unpacked.sh ZIP WORK HELPER.exe VERSION
# Unpacks the ZIP into a fresh folder whose name has spaces and Japanese
# characters and runs what it holds under 32-bit Wine, as a user would:
# pukavro must show its window and end on WM_CLOSE (HELPER does that), and
# each tool must answer --version with the project's version. Brings up a
# Wine prefix and display of its own in WORK and takes them down again.
# Exits 77 (skipped) where this machine cannot run 32-bit programs.
set -u
zip=$1
work=$2
helper=$3
version=$4
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)

. "$scripts/windows-preset.sh"
if [ "$windows" != win32 ]; then
    echo "SKIPPED: this machine's kernel runs no 32-bit programs, so 32-bit Wine"
    echo "cannot start the ZIP's programs here; run this test where it can."
    exit 77
fi

state=$work/wine
folder="$work/unpacked ピクチャ 写真 1"
mkdir -p "$work"
rm -rf "$work"/unpacked*
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$zip" "$folder" || exit 1

trap '"$scripts/wine-down.sh" "$state" >/dev/null 2>&1' EXIT
"$scripts/wine-up.sh" "$state" || exit 1
. "$scripts/wine-env.sh" "$state"

fail=0
log=$(mktemp)
# Output through a file: Wine's helper processes may hold a pipe open.
run() {
    timeout -k 5 60 "$@" </dev/null >"$log" 2>&1
    local status=$?
    tr -d '\r' <"$log"
    return $status
}

echo "== pukavro.exe in $folder"
windows_path="Z:${folder//\//\\}\\pukavro.exe"
run wine "$helper" "$windows_path" PUKAVRO || { echo "FAIL: pukavro did not show its window and end on WM_CLOSE"; fail=1; }

for tool in kavroconv kavrocap; do
    [ -f "$folder/$tool.exe" ] || continue
    echo "== $tool.exe --version"
    answer=$(cd "$folder" && run wine "./$tool.exe" --version)
    status=$?
    echo "$answer"
    if [ "$status" != 0 ] || [[ "$answer" != "$tool $version"* ]]; then
        echo "FAIL: $tool --version gave \"$answer\" (exit $status), not \"$tool $version\""
        fail=1
    fi
done
rm -f "$log"
exit $fail
