#!/usr/bin/env bash
# as-no-32-bit.sh COMMAND [ARGS...]
# Runs COMMAND as on a machine whose kernel runs no 32-bit programs, on a
# machine that runs them: faults that only such machines show (a 32-bit
# loader started where it cannot run) are then found here, before the next
# machine finds them. For example:
#     sudo bash scripts/as-no-32-bit.sh bash scripts/test.sh
#
# In a mount namespace of its own, an ELF header with an unknown machine is
# bound over the 32-bit dynamic loader and Wine's two 32-bit programs:
# starting any of them fails with "Exec format error", exactly as there.
# The rest of the machine is untouched, and the mounts end with COMMAND.
# Needs root (the mounts), and the set-up done first: the package manager
# cannot replace a file that has a mount over it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ $# = 0 ]; then
    echo "usage: scripts/as-no-32-bit.sh COMMAND [ARGS...]" >&2
    exit 2
fi
if [ "$(id -u)" != 0 ]; then
    echo "as-no-32-bit: needs root for its mounts (sudo bash scripts/as-no-32-bit.sh ...)" >&2
    exit 1
fi
if ! bash "$here/setup.sh" --check >/dev/null; then
    echo "as-no-32-bit: run the set-up first: bash scripts/setup.sh" >&2
    exit 1
fi
. "$here/lib/wine-env.sh" --names-only
# The 32-bit dynamic loader (what /lib/ld-linux.so.2 points to) and Wine's.
targets=(/usr/lib/i386-linux-gnu/ld-linux.so.2 "${wine_32_bit_programs[@]}")
for t in "${targets[@]}"; do
    [ -f "$t" ] || { echo "as-no-32-bit: $t is missing" >&2; exit 1; }
done
header=$(mktemp)
trap 'rm -f "$header"' EXIT
# A 32-bit little-endian executable's ELF header for machine 0xBEEF, which no
# kernel knows.
printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\357\276\001\000\000\000' >"$header"
head -c 40 /dev/zero >>"$header"
chmod 755 "$header"
unshare --mount --propagation private bash -c '
    header=$1
    IFS=: read -r -a targets <<<"$2"
    shift 2
    for t in "${targets[@]}"; do
        mount --bind "$header" "$t"
    done
    echo "as-no-32-bit: no 32-bit program runs under this command" >&2
    exec "$@"
' as-no-32-bit "$header" "$(IFS=:; echo "${targets[*]}")" "$@"
