#!/usr/bin/env bash
# Builds everything and runs every test: natively, under the sanitizers, and
# the Windows build under Wine (the simulated camera, a virtual display and
# the Wine server are brought up and taken down by the suite itself).
#
# The Windows tests run the 32-bit programs, as shipped, under 32-bit Wine.
# On a machine whose kernel executes no 32-bit code (32-bit Wine cannot
# start there) they run the same code built for x86-64 under 64-bit Wine
# instead, and of the 32-bit build only the files its checks read are built
# and checked.
#
# The Windows tests spend most of their time waiting for the camera and the
# windows, so they run beside the rest (the sanitizer build, the native
# tests), which shares no Wine state with them; their output follows at the
# end. A line at least every 30 s says which step is running and how far it
# is, so a long build or test is told apart from a hang.
set -euo pipefail
cd "$(dirname "$0")/.."

started=$(date +%s)
progress=$(mktemp)
current=""
step() {
    current=$1
    echo "$*" >"$progress"
    echo
    echo "== $* ($(elapsed))"
}
elapsed() {
    local s=$(($(date +%s) - started))
    printf '%dm%02ds' $((s / 60)) $((s % 60))
}
# "12 of 33 tests done" while ctest runs in build/$1.
tests_done() {
    local dir=build/$1/Testing/Temporary
    local total
    total=$(sed -n 's|^[0-9]*/\([0-9]*\) Testing:.*|\1|p' "$dir/LastTest.log.tmp" 2>/dev/null | head -n 1)
    if [ -n "$total" ]; then
        echo ", $(wc -l <"$dir/CTestCheckpoint.txt" 2>/dev/null || echo 0) of $total tests done"
    elif [ -s "$dir/LastTest.log" ]; then
        echo ", all finished"  # ctest renames its log when it ends
    fi
}
heartbeat() {
    local what how_far beside
    while true; do
        # Short sleeps: once the run ends, none outlives it by more than 1 s.
        for _ in $(seq 30); do sleep 1; done
        what=$(cat "$progress")
        how_far=""
        [ "${what%% *}" = test ] && how_far=$(tests_done "${what##* }" || true)
        echo "   ... still at: $what, $(elapsed) into the run$how_far"
        beside=$(cat "$progress.windows" 2>/dev/null || true)
        if [ -n "$beside" ] && [ "$what" != "test $beside" ]; then
            echo "   ... and beside it the $beside tests$(tests_done "$beside" || true)"
        fi
    done
}
heartbeat &
beating=$!
# Whatever happens to the test run, nothing it started may outlive it.
trap 'kill $beating 2>/dev/null
      [ -n "${windows_tests:-}" ] && kill "$windows_tests" 2>/dev/null
      [ -n "${ffmpeg_build:-}" ] && kill -- "-$ffmpeg_build" 2>/dev/null
      rm -f "${ffmpeg_log:-}"
      rm -f "$progress" "$progress.windows"
      for p in win32 win64; do scripts/wine-down.sh build/$p/wine >/dev/null 2>&1 || true; done' EXIT

step "packages"
bash scripts/setup.sh

. scripts/lib/windows-preset.sh
if [ "$windows" = win64 ]; then
    step "this machine runs no 32-bit programs: the Windows tests run on the win64 build under 64-bit Wine"
fi

build() {  # preset [target...]
    local preset=$1
    shift
    step "configure $preset"
    cmake --preset "$preset"
    if [ $# = 0 ]; then
        step "build $preset"
        cmake --build --preset "$preset"
    else
        step "build $preset: $*"
        cmake --build --preset "$preset" --target "$@"
    fi
}

# ffmpeg.exe, which the tests of the camera filter drive it from, built from
# Debian's source beside the native build (found at once in the cache after
# the first time), in a session of its own so that the trap ends all of it.
# Without it those tests are reported as skipped: it never fails the run.
ffmpeg_log=$(mktemp)
setsid bash scripts/build-ffmpeg.sh "$windows" >/dev/null 2>"$ffmpeg_log" &
ffmpeg_build=$!
build native
build "$windows"
step "ffmpeg.exe for the tests of the camera filter"
if wait "$ffmpeg_build"; then
    echo "ffmpeg: $(cat "build/$windows/ffmpeg/ffmpeg-path")"
else
    echo "ffmpeg: none, so its tests are skipped:"
    tail -n 5 "$ffmpeg_log" | sed 's/^/    /'
fi
ffmpeg_build=""

status=0
windows_log=build/$windows/Testing/suite.log
mkdir -p "$(dirname "$windows_log")"
step "the $windows tests start, beside the rest; their output follows at the end"
# Not the soak tests nor the browser's: the README says when to run those.
ctest --preset "$windows" -LE 'soak|browser' >"$windows_log" 2>&1 &
windows_tests=$!
echo "$windows" >"$progress.windows"

step "format"
bash scripts/check-format.sh || status=1
step "test native"
ctest --preset native || status=1
build asan
step "test asan"
ctest --preset asan || status=1
if [ "$windows" = win64 ]; then
    build win32 checked_files
    step "test the checks of the built files of win32"
    ctest --preset win32 -L files || status=1
fi

step "test $windows"
windows_status=0
wait "$windows_tests" || windows_status=$?
windows_tests=""
rm -f "$progress.windows"
cat "$windows_log"
[ "$windows_status" = 0 ] || status=1
echo
echo "== done in $(elapsed): $([ "$status" = 0 ] && echo "every test passed" || echo "FAILED")"
exit $status
