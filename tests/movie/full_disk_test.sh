#!/usr/bin/env bash
# full_disk_test.sh PROGRAM [ARGS...]
# Runs the movie tests' full-disk case (PROGRAM with ARGS: the test program,
# or Wine's runner and the test program) on a tmpfs of its own, small enough
# to fill in a moment, and unmounts it whatever happens. Mounting needs root:
# elsewhere it says so and exits 77, which CTest counts as skipped.
set -u
disk=$(mktemp -d "${TMPDIR:-/tmp}/pukavro-small-disk.XXXXXX")
# A Windows program killed at its time-out may leave Wine's server holding the
# file a moment: the lazy unmount detaches the disk all the same.
trap 'umount "$disk" 2>/dev/null || umount -l "$disk" 2>/dev/null; rmdir "$disk"' EXIT
if ! mount -t tmpfs -o size=2m,mode=0777 pukavro-small-disk "$disk" 2>/dev/null; then
    echo "full_disk_test: skipped: cannot mount a small tmpfs here (it needs root)"
    exit 77
fi
PUKAVRO_SMALL_DISK=$disk timeout -k 5 100 "$@" --gtest_filter='MovieFullDisk.*'
