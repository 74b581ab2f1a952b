#!/usr/bin/env bash
# preset.sh: prints the preset whose Windows programs run under Wine here:
# win32, the programs as shipped, or win64 where the kernel executes no
# 32-bit code. For commands such as: ctest --preset "$(scripts/preset.sh)"
set -euo pipefail
. "$(dirname "$0")/lib/windows-preset.sh"
echo "$windows"
