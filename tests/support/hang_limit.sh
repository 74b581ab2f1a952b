# Sourced by the shell tests: HANG_S, the one limit of every wait for
# something to happen, in seconds; HANG_MS of hang_limit.h.
HANG_S=60
