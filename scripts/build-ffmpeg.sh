#!/usr/bin/env bash
# build-ffmpeg.sh PRESET (win64 or win32)
# A Windows ffmpeg.exe for the tests and benchmarks that drive the camera
# filter from a program written by others: built from Debian's own ffmpeg
# source package with only what that needs (the DirectShow input, raw video
# out to a file). Prints the exe's path on standard output and writes it to
# build/PRESET/ffmpeg/ffmpeg-path; progress goes to standard error.
#
# Built once per source version and processor, in ~/.cache/pukavro (outside
# the clone, so every worktree and a fresh build folder share it); a later
# run finds it there and only prints the path. Concurrent runs take turns.
# The source comes through apt with a private state in ~/.cache/pukavro/apt,
# so the machine's own package lists are left as they are. Without the
# source (no network) it fails with a plain message and leaves no path file.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${1:-}
case $preset in
win64) arch=x86_64 cpu=x86_64 ;;
win32) arch=x86 cpu=i686 ;;
*)
    echo "usage: build-ffmpeg.sh win64|win32" >&2
    exit 2
    ;;
esac
say() { echo "build-ffmpeg: $*" >&2; }

cache=$HOME/.cache/pukavro
apt_dir=$cache/apt
path_file=$root/build/$preset/ffmpeg/ffmpeg-path
mkdir -p "$cache" "$(dirname "$path_file")"
# A stale path would let a test run an exe that is no longer there.
rm -f "$path_file"

exec 9>"$cache/ffmpeg.lock"
flock 9

apt_options=(-o "Dir::Etc::sourcelist=$apt_dir/debian.sources" -o Dir::Etc::sourceparts=/dev/null
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -q
    -o APT::Sandbox::User=root)
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
# The machine's own sources, as source entries.
[ -f /etc/apt/sources.list.d/debian.sources ] || {
    say "no /etc/apt/sources.list.d/debian.sources to take Debian's source entries from"
    exit 1
}
sed 's/^Types: .*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$apt_dir/debian.sources.new"
mv "$apt_dir/debian.sources.new" "$apt_dir/debian.sources"

# The newest ffmpeg source the private lists know (epoch and all); empty
# when they know none.
source_version() {
    { apt-cache "${apt_options[@]}" showsrc ffmpeg 2>/dev/null || true; } \
        | sed -n 's/^Version: //p' | sort -V | tail -n 1
}
version=$(source_version)
if [ -z "$version" ]; then
    say "fetching Debian's source lists"
    apt-get "${apt_options[@]}" update >&2 || true
    version=$(source_version)
fi
if [ -z "$version" ]; then
    say "no ffmpeg source package could be had (no network, or no deb-src entry reachable)"
    exit 1
fi

# The cache's names leave out the epoch (its colon).
exe=$cache/ffmpeg-${version#*:}-$cpu/ffmpeg.exe
if [ ! -f "$exe" ]; then
    say "building ffmpeg ${version#*:} for $cpu (a few minutes)"
    source_dir=$cache/source-${version#*:}
    if ! ls "$source_dir"/*.dsc >/dev/null 2>&1; then
        mkdir -p "$source_dir.new"
        # Lists older than the archive name files it no longer has: ask again once.
        if ! (cd "$source_dir.new" && apt-get "${apt_options[@]}" source --download-only "ffmpeg=$version" >&2); then
            apt-get "${apt_options[@]}" update >&2 || true
            version=$(source_version)
            exe=$cache/ffmpeg-${version#*:}-$cpu/ffmpeg.exe
            rm -rf "$source_dir.new"
            source_dir=$cache/source-${version#*:}
            mkdir -p "$source_dir.new"
            (cd "$source_dir.new" && apt-get "${apt_options[@]}" source --download-only "ffmpeg=$version" >&2) || {
                rm -rf "$source_dir.new"
                say "the ffmpeg source package could not be downloaded (no network?)"
                exit 1
            }
        fi
        rm -rf "$source_dir"
        mv "$source_dir.new" "$source_dir"
    fi
    work=$cache/work-${version#*:}-$cpu
    rm -rf "$work"
    mkdir -p "$work"
    # Debian's patches applied, as Debian builds it.
    dpkg-source --no-check -x "$(ls "$source_dir"/*.dsc | head -n 1)" "$work/src" >&2
    (cd "$work/src" \
        && ./configure --target-os=mingw32 --arch="$arch" --cross-prefix="$cpu-w64-mingw32-" \
            --enable-cross-compile --disable-everything --disable-x86asm --disable-autodetect \
            --enable-w32threads --enable-ffmpeg --enable-indev=dshow --enable-decoder=rawvideo \
            --enable-encoder=rawvideo --enable-muxer=rawvideo --enable-protocol=file \
            --extra-ldflags=-static >&2 \
        && make -j"$(nproc)" ffmpeg.exe >&2) || {
        say "the ffmpeg build failed (its output above; the folder is $work)"
        exit 1
    }
    mkdir -p "$(dirname "$exe")"
    # Whole or not at all: a run cut short leaves no exe a later run would trust.
    cp "$work/src/ffmpeg.exe" "$exe.new"
    mv "$exe.new" "$exe"
    rm -rf "$work"
    say "built $exe"
fi
echo "$exe" >"$path_file"
echo "$exe"
