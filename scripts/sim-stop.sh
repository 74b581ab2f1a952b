#!/usr/bin/env bash
# sim-stop.sh STATE
# Stops the simulated camera's service "ezusbsim" in the prefix of STATE: the
# camera disappears until sim-start.sh starts it again. The service stays
# installed. Idempotent.
set -eu
here=$(dirname "$0")
state=$1
service=ezusbsim
[ -d "$state/prefix" ] || exit 0
. "$here/wine-env.sh" "$state"

service_state() {
    wine sc query "$service" 2>/dev/null | tr -d '\r' | sed -n 's/^ *STATE *: *[0-9]* *//p'
}

current=$(service_state)
if [ -z "$current" ] || [ "$current" = STOPPED ]; then
    echo "sim-stop: $service not running"
    exit 0
fi
wine sc stop "$service" >/dev/null 2>&1 || true
for _ in $(seq 40); do
    if [ "$(service_state)" = STOPPED ]; then
        echo "sim-stop: $service stopped"
        exit 0
    fi
    sleep 0.25
done
echo "sim-stop: $service did not stop (state: $(service_state))" >&2
exit 1
