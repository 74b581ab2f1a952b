#!/usr/bin/env bash
# cli_test.sh PROGRAM STATE|- CASE...
# Runs the built kavroconv as a user starts it from a shell: natively, or,
# with a Wine state folder (made by wine-up.sh), the Windows build under
# Wine, which gets its command line as UTF-16. Each CASE is one of the
# functions below. Exit 0 when all pass, 1 on any failure, 77 when a case
# cannot run on this machine (nothing failed).
set -u
program=$(realpath "$1")
state=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/tests/support/hang_limit.sh"
[ "$state" != - ] && state=$(cd "$state" && pwd)

tmp=$(mktemp -d)
work=$tmp/work
mounted=""
cleanup() {
    [ -n "$mounted" ] && { umount "$mounted" || umount -l "$mounted"; }
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
failures=0
skipped=0

# kv ARGS...: runs the program in $work; $status, $tmp/out and $tmp/err.
kv() {
    if [ "$state" = - ]; then
        (cd "$work" && timeout -k 5 "$HANG_S" "$program" "$@") </dev/null >"$tmp/out" 2>"$tmp/err"
    else
        (. "$root/scripts/lib/wine-env.sh" "$state" && cd "$work" \
            && timeout -k 5 "$HANG_S" "$wine_loader" "$program" "$@") </dev/null >"$tmp/out" 2>"$tmp/err"
    fi
    status=$?
}

# same WHAT EXPECTED ACTUAL
same() {
    if [ "$2" != "$3" ]; then
        printf 'FAIL %s: %s\n  expected: %q\n  got:      %q\n' "$case" "$1" "$2" "$3"
        failures=$((failures + 1))
    fi
}

# expect STATUS OUT ERR: the last run's exit status and whole outputs (the
# Windows build's lines end in CR LF, as text files there do).
expect() {
    same "exit status" "$1" "$status"
    same "stdout" "$2" "$(tr -d '\r' <"$tmp/out")"
    same "stderr" "$3" "$(tr -d '\r' <"$tmp/err")"
}

listing() { (cd "$1" && LC_ALL=C ls -A | tr '\n' ' '); }
frame() { head -c 13824 /dev/urandom >"$work/$1"; }

case_version() {
    local version
    version=$(sed -n 's/^#define EXPECTED_VERSION "\(.*\)"$/\1/p' "$root/tests/support/expected.h")
    kv --version
    expect 0 "kavroconv $version" ""
    kv -q --version
    expect 0 "kavroconv $version" ""
}

# Japanese, accented and emoji names reach the program whole, are read and
# written under the same names, and are listed as they are.
case_names() {
    local names=("日本語のフレーム" "café ü" "😀 frame") listed=""
    for n in "${names[@]}"; do
        frame "$n.bin"
        listed+="$n.bin -> $n.bmp"$'\n'
    done
    kv "${names[@]/%/.bin}"
    expect 0 "${listed%$'\n'}" ""
    for n in "${names[@]}"; do
        same "size of $n.bmp" 20790 "$(stat -c %s "$work/$n.bmp" 2>&1)"
    done
    kv -o "写真 é😀.png" "café ü.bin"
    expect 0 "café ü.bin -> 写真 é😀.png" ""
    same "PNG signature" 89504e47 "$(head -c 4 "$work/写真 é😀.png" | od -An -tx1 | tr -d ' ')"
}

case_quiet() {
    frame a.bin
    kv -q a.bin missing.bin
    expect 1 "" "kavroconv: missing.bin: no such file"
    kv --quiet --format PNG a.bin
    expect 0 "" ""
    same "files" "a.bin a.bmp a.png " "$(listing "$work")"
}

# Patterns as cmd.exe hands them over: expanded by the program, in name
# order, in a sub-folder too; one matching nothing is named.
case_wildcards() {
    mkdir "$work/sub"
    for n in c.bin B.bin a.bin sub/2.bin sub/1.bin; do frame "$n"; done
    kv '*.bin' 'sub\?.bin'
    expect 0 "a.bin -> a.bmp
B.bin -> B.bmp
c.bin -> c.bmp
sub\\1.bin -> sub\\1.bmp
sub\\2.bin -> sub\\2.bmp" ""
    kv '*.raw' 'a.bin'
    expect 1 "a.bin -> a.bmp" "kavroconv: *.raw: no file matches this name"
}

# A pipe with no writer, and devices, are refused at once.
case_fifo() {
    mkfifo "$work/fifo.bin"
    kv fifo.bin
    expect 1 "" "kavroconv: fifo.bin: is a pipe, not a frame file"
    same "files" "fifo.bin " "$(listing "$work")"
}

# A disk that fills up: no partial picture, no temporary file, and the
# picture already there keeps its bytes. The tmpfs is mounted in this
# machine's own mount namespace, where Wine's server, which makes the
# files, sees it too.
case_full_disk() {
    mkdir "$work/full"
    if ! mount -t tmpfs -o size=12k,mode=0777 tmpfs "$work/full" 2>"$tmp/mount.err"; then
        echo "SKIPPED full_disk: cannot mount a tmpfs here (needs root in the machine's own" \
            "mount namespace): $(cat "$tmp/mount.err")"
        skipped=1
        return
    fi
    mounted=$work/full
    frame a.bin
    printf 'old picture' >"$work/full/kept.bmp"
    for out in full/kept.bmp full/new.bmp full/new.png; do
        kv -o "$out" a.bin
        expect 1 "" "kavroconv: $out: cannot write: No space left on device"
    done
    same "files" "kept.bmp " "$(listing "$work/full")"
    same "kept.bmp" "old picture" "$(cat "$work/full/kept.bmp")"
}

for case in "$@"; do
    rm -rf "$work"
    mkdir "$work"
    "case_$case"
    if [ -n "$mounted" ]; then
        umount "$mounted" || umount -l "$mounted"
        mounted=""
    fi
done
[ "$failures" != 0 ] && exit 1
[ "$skipped" != 0 ] && exit 77
echo "cli_test: $* passed"
exit 0
