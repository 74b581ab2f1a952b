#!/usr/bin/env bash
# sim-stop.sh STATE
# Stops the simulated camera's service "ezusbsim" in the prefix of STATE: the
# camera disappears until sim-start.sh starts it again. The service stays
# installed. Idempotent.
set -euo pipefail
if [ $# -lt 1 ]; then
    echo "usage: scripts/sim-stop.sh STATE" >&2
    exit 2
fi
here=$(dirname "$0")
state=$1
[ -d "$state/prefix" ] || exit 0
. "$here/lib/wine-env.sh" "$state"
. "$here/lib/sim-service.sh"

current=$(service_state)
if [ -z "$current" ] || [ "$current" = STOPPED ]; then
    echo "sim-stop: $service not running"
    exit 0
fi
wine sc stop "$service" >/dev/null 2>&1 || true
if wait_for_state STOPPED; then
    echo "sim-stop: $service stopped"
    exit 0
fi
echo "sim-stop: $service did not stop (state: $(service_state))" >&2
exit 1
