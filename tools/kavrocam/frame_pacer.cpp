#include "frame_pacer.h"

// The first multiple of period at or after t (t >= 0).
static int64_t TickAtOrAfter(int64_t t, int64_t period)
{
    return (t + period - 1) / period * period;
}

void StartPacing(FramePacer *pacer, int64_t period, int64_t now)
{
    int64_t first = TickAtOrAfter(now > 0 ? now : 0, period);
    // A resume after a pause: stream time went on, and so do the ticks.
    if (pacer->period == period && first < pacer->next_tick)
        first = pacer->next_tick;
    pacer->period = period;
    pacer->next_tick = first;
    pacer->gap = true;
}

PacedSample PaceTick(FramePacer *pacer, int64_t now, uint64_t newest_frame)
{
    PacedSample sample = {false, 0, 0, false};
    int64_t tick = pacer->next_tick;
    if (now >= tick + pacer->period) {
        tick += (now - tick) / pacer->period * pacer->period;
        pacer->gap = true;
    }
    pacer->next_tick = tick + pacer->period;
    if (newest_frame == 0 || newest_frame <= pacer->last_frame) {
        pacer->gap = true;
        return sample;
    }
    sample.send = true;
    sample.start = tick;
    sample.stop = tick + pacer->period;
    sample.discontinuity = pacer->gap;
    pacer->last_frame = newest_frame;
    pacer->gap = false;
    return sample;
}
