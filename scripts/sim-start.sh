#!/usr/bin/env bash
# sim-start.sh STATE DRIVER.sys
# Installs the simulated camera driver in the prefix of STATE and starts its
# service "ezusbsim", so \\.\ezusb-0 answers. Run after wine-up.sh has started
# the prefix's lasting server (wine-up.sh STATE DRIVER.sys calls this).
# Idempotent: a running driver identical to DRIVER.sys is left alone; a
# different one is stopped and replaced.
set -euo pipefail
if [ $# -lt 2 ]; then
    echo "usage: scripts/sim-start.sh STATE DRIVER.sys" >&2
    exit 2
fi
here=$(dirname "$0")
state=$1
driver=$2
[ -f "$driver" ] || { echo "sim-start: no driver file $driver" >&2; exit 1; }
. "$here/lib/wine-env.sh" "$state"
. "$here/lib/sim-service.sh"

installed="$WINEPREFIX/drive_c/windows/system32/drivers/$service.sys"

current=$(service_state)
if [ "$current" = RUNNING ] && cmp -s "$driver" "$installed"; then
    echo "sim-start: $service already running"
    exit 0
fi
if [ -n "$current" ] && [ "$current" != STOPPED ]; then
    "$here/sim-stop.sh" "$state"
fi

# A new file, not an overwrite: a driver host that still maps the old image
# must not see it change under it.
cp "$driver" "$installed.new"
mv -f "$installed.new" "$installed"

if [ -z "$current" ]; then
    wine sc create "$service" type= kernel start= demand \
        binpath= "C:\\windows\\system32\\drivers\\$service.sys" >/dev/null
fi
# The exit status of "sc start" is not reliable under Wine; the state is.
wine sc start "$service" >/dev/null 2>&1 || true
if ! wait_for_state RUNNING; then
    echo "sim-start: $service did not reach RUNNING (state: $(service_state))" >&2
    exit 1
fi
echo "sim-start: $service running"
