// Frames per second over the last second, as the status bar shows them.
// Times come from the caller's clock, so tests give their own. Platform-free.
#ifndef PUKAVRO_KAVROVIEW_RATE_METER_H
#define PUKAVRO_KAVROVIEW_RATE_METER_H

#include <stdint.h>

#include <deque>

enum { RATE_WINDOW_US = 1000000 };

struct RateMeter {
    std::deque<int64_t> times_us;  // of the frames in the last second, oldest first
};

void CountFrame(RateMeter *meter, int64_t now_us);

// The frames counted in the second up to now_us: the rate, since the span
// is one second.
int FramesInLastSecond(RateMeter *meter, int64_t now_us);

#endif
