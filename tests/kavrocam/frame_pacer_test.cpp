// When the filter sends, on a clock of the test's own: ticks of the period
// from stream time 0, the newest frame at each, nothing for a tick without
// a new one, the gap marked on the sample after it, late ticks passed over.
#include <gtest/gtest.h>

#include "frame_pacer.h"

namespace {

const int64_t P = 333333;

struct Step {
    int64_t now;      // when the sender woke for the tick
    uint64_t newest;  // the newest frame the camera has given
    bool send;
    int64_t start;  // the sample's tick, when sent
    bool discontinuity;
    int64_t next_tick;  // the tick it waits for after
};

void Play(FramePacer *pacer, const std::vector<Step> &steps)
{
    for (size_t i = 0; i < steps.size(); i++) {
        const Step &s = steps[i];
        SCOPED_TRACE("step " + std::to_string(i));
        PacedSample got = PaceTick(pacer, s.now, s.newest);
        EXPECT_EQ(s.send, got.send);
        if (s.send) {
            EXPECT_EQ(s.start, got.start);
            EXPECT_EQ(s.start + P, got.stop);
            EXPECT_EQ(s.discontinuity, got.discontinuity);
        }
        EXPECT_EQ(s.next_tick, pacer->next_tick);
    }
}

TEST(FramePacer, TheClockStartsAheadOfStreamTimeZero)
{
    // Wine's graph runs its filters 130-145 ms before stream time 0.
    FramePacer pacer = {};
    StartPacing(&pacer, P, -1400000);
    EXPECT_EQ(0, pacer.next_tick);
    pacer = FramePacer{};
    StartPacing(&pacer, P, 1);
    EXPECT_EQ(P, pacer.next_tick);
    pacer = FramePacer{};
    StartPacing(&pacer, P, 2 * P);
    EXPECT_EQ(2 * P, pacer.next_tick);
}

TEST(FramePacer, TicksSendOnlyNewFramesAndMarkTheGapAfter)
{
    FramePacer pacer = {};
    StartPacing(&pacer, P, -5);
    Play(&pacer, {
                     {0, 0, false, 0, false, P},         // the camera has given nothing yet
                     {P + 10, 1, true, P, true, 2 * P},  // the first sample follows the start
                     {2 * P + 3, 2, true, 2 * P, false, 3 * P},
                     {3 * P, 2, false, 0, false, 4 * P},        // nothing new: nothing sent
                     {4 * P + 1, 5, true, 4 * P, true, 5 * P},  // the newest, after a gap
                     {5 * P, 6, true, 5 * P, false, 6 * P},
                     // Woken late by more than two periods: the latest tick that came.
                     {8 * P + 7, 7, true, 8 * P, true, 9 * P},
                 });
}

TEST(FramePacer, AResumeGoesOnFromTheTicksAlreadyPassed)
{
    FramePacer pacer = {};
    StartPacing(&pacer, P, 0);
    Play(&pacer, {{0, 1, true, 0, true, P}, {P, 2, true, P, false, 2 * P}});
    // Paused, then run again with stream time where it stood.
    StartPacing(&pacer, P, P + 5);
    EXPECT_EQ(2 * P, pacer.next_tick);
    Play(&pacer, {{2 * P, 3, true, 2 * P, true, 3 * P}});
}

}  // namespace
