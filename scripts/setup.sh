#!/usr/bin/env bash
# Installs every Debian 12 package the project needs to build, test and run,
# and generates the Japanese locale the Wine prefixes run in. Idempotent:
# does nothing when everything is already there. As root it runs apt-get;
# otherwise it prints the command to run and stops. With --check it only
# tells, by its status, whether everything is there.
set -euo pipefail
check=0
[ "${1:-}" = --check ] && check=1

PACKAGES=(
    g++ cmake make clang-format
    g++-mingw-w64-i686 g++-mingw-w64-x86-64
    wine wine32:i386 wine64
    xvfb fonts-ipafont-gothic fonts-wine locales
    googletest libgtest-dev libbenchmark-dev libstb-dev
    imagemagick xdotool python3 man-db ffmpeg libimage-exiftool-perl
    clang libclang-rt-14-dev
)
LOCALE=ja_JP.UTF-8

missing=()
have_i386=0
dpkg --print-foreign-architectures 2>/dev/null | grep -qx i386 && have_i386=1
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
have_locale=0
locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' && have_locale=1

if [ "$have_i386" = 1 ] && [ "${#missing[@]}" = 0 ] && [ "$have_locale" = 1 ]; then
    echo "setup: all packages present, locale $LOCALE generated"
    exit 0
fi
if [ "$check" = 1 ]; then
    echo "setup: missing: ${missing[*]:-} $([ "$have_locale" = 1 ] || echo "(and the locale $LOCALE)")"
    exit 1
fi

install="dpkg --add-architecture i386 && apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends ${missing[*]:-}"
gen="sed -i 's/^# *\\($LOCALE\\)/\\1/' /etc/locale.gen && locale-gen"
if [ "$(id -u)" != 0 ]; then
    echo "setup: missing: ${missing[*]:-} $([ "$have_locale" = 1 ] || echo "(and the locale $LOCALE)")"
    echo "setup: run as root:"
    [ "${#missing[@]}" = 0 ] && [ "$have_i386" = 1 ] || echo "    sudo sh -c '$install'"
    [ "$have_locale" = 1 ] || echo "    sudo sh -c \"$gen\""
    exit 1
fi
if [ "$have_i386" = 0 ] || [ "${#missing[@]}" != 0 ]; then
    echo "setup: missing: ${missing[*]:-} $([ "$have_i386" = 1 ] || echo '(and the i386 architecture)')"
    echo "setup: $install"
    dpkg --add-architecture i386
    # A mirror caught mid-sync fails one index now and then: ask again, and
    # go on with what arrived if it keeps failing (the install says if that is not enough).
    for attempt in 1 2 3 4 5; do
        apt-get update -q && break
        echo "setup: apt-get update failed (attempt $attempt of 5)"
        [ "$attempt" = 5 ] || sleep 30
    done
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
if [ "$have_locale" = 0 ]; then
    echo "setup: generating the locale $LOCALE"
    sed -i "s/^# *\($LOCALE\)/\1/" /etc/locale.gen
    grep -q "^$LOCALE" /etc/locale.gen || echo "$LOCALE UTF-8" >>/etc/locale.gen
    locale-gen
fi
echo "setup: done"
