#!/usr/bin/env bash
# Builds everything and runs every test: natively, then the 32-bit Windows
# build under Wine (the simulated camera, a virtual display and the Wine
# server are brought up and taken down by the suite itself).
set -euo pipefail
cd "$(dirname "$0")/.."

step() { echo; echo "== $*"; }

step "packages"
bash scripts/setup.sh

for preset in native asan win32; do
    step "configure $preset"
    cmake --preset "$preset"
    step "build $preset"
    cmake --build --preset "$preset"
done

# Whatever happens to the test run, nothing it started may outlive it.
trap 'scripts/wine-down.sh build/win32/wine >/dev/null 2>&1 || true' EXIT

status=0
for preset in native asan win32; do
    step "test $preset"
    ctest --preset "$preset" || status=1
done
exit $status
