#!/usr/bin/env bash
# Fails, naming them, when tracked C or C++ files differ from what
# clang-format makes of them with the project's .clang-format.
set -uo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
bad=()
for f in "${files[@]}"; do
    clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ "${#bad[@]}" != 0 ]; then
    echo "format: not formatted (run clang-format -i on them):"
    printf '    %s\n' "${bad[@]}"
    exit 1
fi
echo "format: ${#files[@]} files formatted"
