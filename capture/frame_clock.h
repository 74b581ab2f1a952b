// The clocks of a frame's arrival (FrameStamp): the monotonic one, which is
// the same in every process of the machine, and the wall clock.
#ifndef PUKAVRO_FRAME_CLOCK_H
#define PUKAVRO_FRAME_CLOCK_H

#include <stdint.h>

// QueryPerformanceCounter's clock, in microseconds.
int64_t MonotonicUs();
// Microseconds since 1970-01-01 UTC.
int64_t WallClockUs();

#endif
