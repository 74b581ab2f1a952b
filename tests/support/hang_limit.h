// The one limit of every wait in the tests for something to happen (frames
// counted, a window shown, a file grown, a process ended): far beyond what
// the slowest machine takes, so reaching it means a hang, never a busy
// machine. Platform-free; the shell tests take the same figure from
// hang_limit.sh.
#ifndef PUKAVRO_TESTS_HANG_LIMIT_H
#define PUKAVRO_TESTS_HANG_LIMIT_H

enum { HANG_MS = 60000 };

#endif
