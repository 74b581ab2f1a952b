# Sourced by sim-start.sh and sim-stop.sh once wine-env.sh has set the
# prefix: the simulated camera's service, and reading and awaiting its state.
service=ezusbsim

# Prints RUNNING, STOPPED, ... or nothing when the service does not exist.
service_state() {
    { wine sc query "$service" 2>/dev/null || true; } | tr -d '\r' | sed -n 's/^ *STATE *: *[0-9]* *//p'
}

# Polls (10 s at most) until the service is in state $1.
wait_for_state() {
    for _ in $(seq 40); do
        [ "$(service_state)" = "$1" ] && return 0
        sleep 0.25
    done
    return 1
}
