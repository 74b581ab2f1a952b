// The time a run lives by, handed in: the real one (real_clock.cpp), or a
// test's, which moves only when the run waits or the camera works, so a
// time-lapse is tested without waiting for it. Platform-free.
#ifndef PUKAVRO_KAVROCAP_CAPTURE_CLOCK_H
#define PUKAVRO_KAVROCAP_CAPTURE_CLOCK_H

#include <stdint.h>

#include "pattern.h"
#include "stop_signal.h"

enum WaitOutcome { WAIT_ELAPSED, WAIT_STOPPED };

struct CaptureClock {
    // Microseconds on a clock that never goes back.
    int64_t (*now_us)(void *context);
    // Waits about us microseconds (it may return early), or until stop (may
    // be NULL) is raised.
    WaitOutcome (*wait_us)(void *context, int64_t us, StopSignal *stop);
    // The local time now, for the {date}, {time} and {ms} of a name.
    FrameTime (*local_time)(void *context);
    void *context;
    // Raised by Ctrl+C: ends the run's waits and its capture in flight.
    StopSignal *stop;
    // How far local time is ahead of UTC now, in minutes (540 in Tokyo), for
    // the times the events give; NULL: 0.
    int (*utc_offset_minutes)(void *context);
};

// The system's clocks; stop is the run's.
CaptureClock RealClock(StopSignal *stop);

#endif
