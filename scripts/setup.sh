#!/usr/bin/env bash
# Installs every Debian 12 package the project needs to build, test and run.
# Idempotent: does nothing when everything is already there. As root it runs
# apt-get; otherwise it prints the command to run and stops.
set -euo pipefail

PACKAGES=(
    g++ cmake make
    g++-mingw-w64-i686
    wine wine32:i386
    xvfb fonts-ipafont-gothic fonts-wine
    googletest libgtest-dev libbenchmark-dev libstb-dev
    imagemagick xdotool python3
)

missing=()
have_i386=0
dpkg --print-foreign-architectures 2>/dev/null | grep -qx i386 && have_i386=1
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "$have_i386" = 1 ] && [ "${#missing[@]}" = 0 ]; then
    echo "setup: all packages present"
    exit 0
fi

echo "setup: missing: ${missing[*]:-} $([ "$have_i386" = 1 ] || echo '(and the i386 architecture)')"
cmd="dpkg --add-architecture i386 && apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends ${missing[*]}"
if [ "$(id -u)" != 0 ]; then
    echo "setup: run as root:"
    echo "    sudo sh -c '$cmd'"
    exit 1
fi
echo "setup: $cmd"
dpkg --add-architecture i386
apt-get update -q
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
echo "setup: done"
