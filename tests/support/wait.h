// Bounded waiting. Every wait on a program under test polls until it gets
// there, up to HANG_MS, so one that never does fails the test instead of
// hanging it. The caller's own queue is pumped meanwhile: cross-process
// calls and the caller's own windows must not stall while it waits.
#ifndef PUKAVRO_TESTS_WAIT_H
#define PUKAVRO_TESTS_WAIT_H

#include <windows.h>

#include "hang_limit.h"

enum { POLL_MS = 20 };

// Handles whatever is in this thread's queue, then waits up to ms for more
// and handles that too.
void PumpMessages(DWORD ms);

// Calls done() until it returns true (result true) or timeout_ms has passed
// (result false), pumping between calls.
template <typename Done> bool WaitUntil(Done done, DWORD timeout_ms = HANG_MS)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (GetTickCount() - start >= timeout_ms)
            return false;
        PumpMessages(POLL_MS);
    }
}

#endif
