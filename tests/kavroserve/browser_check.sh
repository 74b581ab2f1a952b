#!/usr/bin/env bash
# browser_check.sh STATE KAVROSERVE.exe
# kavroserve's page in Debian's chromium (browser_check.py), on the Wine
# state of the fixture; skipped (77) where chromium is not installed:
# scripts/browser-check.sh installs it and runs this.
set -u
command -v chromium >/dev/null || {
    echo "SKIP: no chromium; scripts/browser-check.sh installs it"
    exit 77
}
here=$(dirname "$0")
. "$here/../../scripts/lib/wine-env.sh" "$1"
. "$here/../support/hang_limit.sh"
exec python3 "$here/browser_check.py" "$wine_loader" "$2" "$HANG_S"
