#!/usr/bin/env bash
# Fails, naming them, when tracked C or C++ files differ from what
# clang-format makes of them with the project's .clang-format.
set -uo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
# One clang-format for all of them (one a file took most of a minute); it
# names each place it would change as FILE:LINE:COL.
report=$(clang-format --dry-run -Werror "${files[@]}" 2>&1)
result=$?
mapfile -t bad < <(sed -n 's/^\([^:]*\.\(c\|cpp\|h\)\):[0-9]*:[0-9]*: .*/\1/p' <<<"$report" | sort -u)
if [ "$result" != 0 ] && [ "${#bad[@]}" = 0 ]; then
    echo "format: clang-format failed:"
    echo "$report"
    exit 1
fi
if [ "${#bad[@]}" != 0 ]; then
    echo "format: not formatted (run clang-format -i on them):"
    printf '    %s\n' "${bad[@]}"
    exit 1
fi
echo "format: ${#files[@]} files formatted"
