#!/usr/bin/env bash
# check-reproducible.sh [ZIP...]
# Builds the Windows ZIP twice from this source tree, in two fresh build
# folders of different names and depths (the second in another time zone
# and with another umask), and checks that the two ZIPs are the same byte
# for byte, and the same as any ZIP given (the one the win32 preset built,
# say). Prints the checksums; exits 1 if any differ.
set -euo pipefail
cd "$(dirname "$0")/.."

root=build/reproducible
rm -rf "$root"
folders=("$root/one" "$root/two/deeper-build-folder")

build() {
    cmake -S . -B "$1" -G "Unix Makefiles" --toolchain cmake/mingw-i686.cmake \
        -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >"$1.log" 2>&1 &&
        cmake --build "$1" --target release_zip -j 2 >>"$1.log" 2>&1 ||
        { cat "$1.log"; echo "check-reproducible: the build in $1 failed"; exit 1; }
}

mkdir -p "$root/two"
echo "check-reproducible: building in ${folders[0]}"
build "${folders[0]}"
echo "check-reproducible: building in ${folders[1]}"
(umask 077; TZ=Asia/Tokyo build "${folders[1]}")

zips=("$@")
for folder in "${folders[@]}"; do
    zips+=("$(ls "$folder"/release/pukavro-*-win32.zip)")
done
sha256sum "${zips[@]}"
first=${zips[0]}
status=0
for zip in "${zips[@]:1}"; do
    if ! cmp "$first" "$zip"; then
        echo "check-reproducible: $zip differs from $first"
        status=1
    fi
done
[ "$status" = 0 ] && echo "check-reproducible: ${#zips[@]} ZIPs, all the same"
exit $status
