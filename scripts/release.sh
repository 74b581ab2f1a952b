#!/usr/bin/env bash
# Builds the ZIP for Windows users: build/release/pukavro-VERSION-win32.zip,
# from the win32 preset (Release), with build/release/SHA256SUMS beside it.
# Before the checksum is written, the ZIP's own checks run and two more
# builds in fresh folders must give the same ZIP byte for byte
# (check-reproducible.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset win32
cmake --build --preset win32 --target release_zip
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win32/CMakeCache.txt)
name=pukavro-$version-win32.zip
zip=build/win32/release/$name

ctest --preset win32 -R '^release\.(contents|versions)$'
bash scripts/check-reproducible.sh "$zip"

mkdir -p build/release
rm -f build/release/pukavro-*-win32.zip build/release/SHA256SUMS
cp "$zip" build/release/
(cd build/release && sha256sum "$name" >SHA256SUMS)
echo
echo "release: build/release/$name"
unzip -l "build/release/$name" | sed 's/^/    /'
echo "release: build/release/SHA256SUMS"
sed 's/^/    /' build/release/SHA256SUMS
