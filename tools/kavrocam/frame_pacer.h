// When the filter sends a sample: on ticks of the asked period in stream
// time, from stream time 0 on (a graph's clock may start ahead of it), only
// when the camera has given a frame newer than the last one sent. A tick
// with nothing new sends nothing, and the sample after it is marked as
// following a gap. Platform-free, so it is tested against a clock of the
// test's own.
#ifndef PUKAVRO_FRAME_PACER_H
#define PUKAVRO_FRAME_PACER_H

#include <stdint.h>

struct FramePacer {
    int64_t period;       // 100 ns units
    int64_t next_tick;    // stream time of the next tick
    uint64_t last_frame;  // the number of the frame last sent (any rising count); 0: none
    bool gap;             // the next sample follows a tick that sent nothing, or starts the run
};

struct PacedSample {
    bool send;
    int64_t start, stop;  // stream times: the tick's, and one period later
    bool discontinuity;
};

// Starts (or, after a pause, resumes) pacing at stream time now: the first
// tick is the first at or after now, never before 0, never before a tick
// already passed. A zeroed pacer starts a run from scratch.
void StartPacing(FramePacer *pacer, int64_t period, int64_t now);

// Whether the tick that has come by stream time now (now >= next_tick)
// sends newest_frame (0: the camera has given nothing). A tick missed
// altogether (the sender was late by more than a period) is passed over:
// the sample takes the latest tick that has come.
PacedSample PaceTick(FramePacer *pacer, int64_t now, uint64_t newest_frame);

#endif
