#!/usr/bin/env bash
# Builds everything and runs every test: natively, then the Windows build
# under Wine (the simulated camera, a virtual display and the Wine server are
# brought up and taken down by the suite itself).
#
# The Windows tests run the 32-bit programs, as shipped, under 32-bit Wine.
# On a machine whose kernel executes no 32-bit code (32-bit Wine cannot
# start there) they run the same code built for x86-64 under 64-bit Wine
# instead, and of the 32-bit build only the checks of the built files run.
set -euo pipefail
cd "$(dirname "$0")/.."

step() { echo; echo "== $*"; }

step "packages"
bash scripts/setup.sh

. scripts/windows-preset.sh
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

# Whatever happens to the test run, nothing it started may outlive it.
trap 'for p in win32 win64; do scripts/wine-down.sh build/$p/wine >/dev/null 2>&1 || true; done' EXIT

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
    step "test win32: the checks of the built files"
    ctest --preset win32 -L files || status=1
    step "test win64"
    ctest --preset win64 || status=1
fi
exit $status
