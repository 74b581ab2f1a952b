#!/usr/bin/env bash
# browser-check.sh: kavroserve's page in a real browser, outside the test
# command: installs Debian's chromium if it is missing (as root; otherwise
# prints the command), builds what the check needs and runs the CTest tests
# labelled browser on the Windows preset that runs here, with the Wine
# fixture around them. Idempotent; leaves nothing running.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v chromium >/dev/null; then
    install="apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends chromium"
    if [ "$(id -u)" != 0 ]; then
        echo "browser-check: chromium is missing; run as root: sudo sh -c '$install'" >&2
        exit 1
    fi
    sh -c "$install"
fi
windows=$(scripts/preset.sh)
cmake --preset "$windows" >/dev/null
cmake --build --preset "$windows" --target kavroserve ezusbsim
ctest --preset "$windows" -L browser
