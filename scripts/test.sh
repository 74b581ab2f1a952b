#!/usr/bin/env bash
# Builds everything and runs every test: natively, then the Windows build
# under Wine (the simulated camera, a virtual display and the Wine server are
# brought up and taken down by the suite itself).
#
# The Windows tests run the 32-bit programs, as shipped, under 32-bit Wine.
# On a machine whose kernel executes no 32-bit code (32-bit Wine cannot
# start there) they run the same code built for x86-64 under 64-bit Wine
# instead, and of the 32-bit build only the checks of the built files run.
#
# A line at least every 30 s says which step is running and how far it is,
# so a long build or test is told apart from a hang.
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
    [ -n "$total" ] && echo ", $(wc -l <"$dir/CTestCheckpoint.txt" 2>/dev/null || echo 0) of $total tests done"
}
heartbeat() {
    local what how_far
    while true; do
        # Short sleeps: once the run ends, none outlives it by more than 1 s.
        for _ in $(seq 30); do sleep 1; done
        what=$(cat "$progress")
        how_far=""
        [ "${what%% *}" = test ] && how_far=$(tests_done "${what##* }" || true)
        echo "   ... still at: $what, $(elapsed) into the run$how_far"
    done
}
heartbeat &
beating=$!
# Whatever happens to the test run, nothing it started may outlive it.
trap 'kill $beating 2>/dev/null; rm -f "$progress"
      for p in win32 win64; do scripts/wine-down.sh build/$p/wine >/dev/null 2>&1 || true; done' EXIT

step "packages"
bash scripts/setup.sh

. scripts/lib/windows-preset.sh
if [ "$windows" = win64 ]; then
    step "this machine runs no 32-bit programs: the Windows tests run on the win64 build under 64-bit Wine"
fi

presets=(native asan win32)
[ "$windows" = win64 ] && presets+=(win64)
for preset in "${presets[@]}"; do
    step "configure $preset"
    cmake --preset "$preset"
    step "build $preset"
    cmake --build --preset "$preset"
done

status=0
step "format"
bash scripts/check-format.sh || status=1
for preset in native asan; do
    step "test $preset"
    ctest --preset "$preset" || status=1
done
if [ "$windows" = win32 ]; then
    step "test win32"
    ctest --preset win32 || status=1
else
    step "test the checks of the built files of win32"
    ctest --preset win32 -L files || status=1
    step "test win64"
    ctest --preset win64 || status=1
fi
echo
echo "== done in $(elapsed): $([ "$status" = 0 ] && echo "every test passed" || echo "FAILED")"
exit $status
