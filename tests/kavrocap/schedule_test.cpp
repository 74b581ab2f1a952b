// The schedule against a clock the test moves by hand: on time, late by less
// than a slot, late by several, the end of the run, and Ctrl+C while waiting.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "schedule.h"

namespace {

struct FakeClock {
    int64_t now;
    int waits_before_stop;  // -1: never stopped
    int64_t waited;
};

int64_t FakeNow(void *context)
{
    return static_cast<FakeClock *>(context)->now;
}

WaitOutcome FakeWait(void *context, int64_t us, StopSignal *)
{
    FakeClock *clock = static_cast<FakeClock *>(context);
    if (clock->waits_before_stop == 0)
        return WAIT_STOPPED;
    if (clock->waits_before_stop > 0)
        --clock->waits_before_stop;
    // Like a real wait it may come back a little early; the schedule must
    // wait again rather than start the frame before its time.
    int64_t step = us > 10 ? us - 3 : us;
    clock->now += step;
    clock->waited += step;
    return WAIT_ELAPSED;
}

struct Taken {
    int64_t slot, skipped, at;
};

std::string Show(const std::vector<Taken> &taken)
{
    std::string text;
    for (const Taken &t : taken)
        text += "(" + std::to_string(t.slot) + "," + std::to_string(t.skipped) + ","
                + std::to_string(t.at) + ")";
    return text;
}

// Runs a schedule starting at time 1000 where capture i takes durations[i]
// (the last one repeated); lists what was taken until no slot is left.
std::vector<Taken> RunSchedule(int64_t interval, int64_t count,
                               const std::vector<int64_t> &durations, size_t limit)
{
    FakeClock clock = {1000, -1, 0};
    CaptureClock schedule_clock = {FakeNow, FakeWait, NULL, &clock, NULL, NULL};
    Schedule schedule;
    StartSchedule(&schedule, clock.now, interval, count);
    std::vector<Taken> taken;
    int64_t slot = 0, skipped = 0;
    while (taken.size() < limit
           && WaitForSlot(&schedule, &schedule_clock, &slot, &skipped) == SLOT_DUE) {
        taken.push_back(Taken{slot, skipped, clock.now - 1000});
        clock.now += durations[std::min(taken.size() - 1, durations.size() - 1)];
    }
    return taken;
}

struct ScheduleCase {
    const char *what;
    int64_t interval, count;
    std::vector<int64_t> durations;
    std::vector<Taken> taken;
};

const ScheduleCase CASES[] = {
    {"on time", 1000, 3, {100}, {{0, 0, 0}, {1, 0, 1000}, {2, 0, 2000}}},
    {"late by less than a slot: at once, then back on the grid",
     1000,
     3,
     {1500, 100},
     {{0, 0, 0}, {1, 0, 1500}, {2, 0, 2000}}},
    {"late by several slots: the ones passed are skipped, not taken in a burst",
     1000,
     5,
     {3500, 100},
     {{0, 0, 0}, {3, 2, 3500}, {4, 0, 4000}}},
    {"exactly on a later slot's time",
     1000,
     4,
     {2000, 10},
     {{0, 0, 0}, {2, 1, 2000}, {3, 0, 3000}}},
    {"late past the end: the last slot is still taken", 1000, 3, {5000}, {{0, 0, 0}, {2, 1, 5000}}},
    {"back to back", 0, 3, {10, 20}, {{0, 0, 0}, {1, 0, 10}, {2, 0, 30}}},
    {"back to back with slow frames skips nothing",
     0,
     3,
     {5000},
     {{0, 0, 0}, {1, 0, 5000}, {2, 0, 10000}}},
    {"no count: goes on", 250, 0, {10}, {{0, 0, 0}, {1, 0, 250}, {2, 0, 500}, {3, 0, 750}}},
};

TEST(Schedule, TakesEachSlotAtItsTime)
{
    for (const ScheduleCase &c : CASES) {
        // A run with a count goes until no slot is left; one without, as
        // far as the case looks.
        size_t limit = c.count != 0 ? static_cast<size_t>(c.count) + 5 : c.taken.size();
        std::vector<Taken> taken = RunSchedule(c.interval, c.count, c.durations, limit);
        EXPECT_EQ(Show(c.taken), Show(taken)) << c.what;
    }
}

TEST(Schedule, DoesNotDriftOverALongRun)
{
    // Each frame takes almost the whole interval: sleeping "interval" after
    // each one would end 999 * 2000 microseconds late.
    std::vector<Taken> taken = RunSchedule(100000, 1000, {99999}, 1000);
    ASSERT_EQ(1000u, taken.size());
    for (size_t k = 0; k < taken.size(); ++k) {
        ASSERT_EQ(static_cast<int64_t>(k), taken[k].slot);
        ASSERT_EQ(static_cast<int64_t>(k) * 100000, taken[k].at) << k;
    }
}

TEST(Schedule, CtrlCWhileWaitingEndsTheWait)
{
    FakeClock clock = {0, 1, 0};
    CaptureClock schedule_clock = {FakeNow, FakeWait, NULL, &clock, NULL, NULL};
    Schedule schedule;
    StartSchedule(&schedule, 0, 10000000, 3);
    int64_t slot = -1, skipped = -1;
    ASSERT_EQ(SLOT_DUE, WaitForSlot(&schedule, &schedule_clock, &slot, &skipped));
    EXPECT_EQ(0, slot);
    clock.now += 100;
    // One wait passes (and comes back 3 us early), the second is stopped.
    EXPECT_EQ(SLOT_STOPPED, WaitForSlot(&schedule, &schedule_clock, &slot, &skipped));
    EXPECT_EQ(10000000 - 100 - 3, clock.waited);
    EXPECT_EQ(1, schedule.next_slot);
    // A stopped wait used no slot: slot 1 is still the next one.
    clock.waits_before_stop = -1;
    ASSERT_EQ(SLOT_DUE, WaitForSlot(&schedule, &schedule_clock, &slot, &skipped));
    EXPECT_EQ(1, slot);
    EXPECT_EQ(10000000, clock.now);
}

TEST(Schedule, EndsAfterTheLastSlot)
{
    FakeClock clock = {0, -1, 0};
    CaptureClock schedule_clock = {FakeNow, FakeWait, NULL, &clock, NULL, NULL};
    Schedule schedule;
    StartSchedule(&schedule, 0, 0, 1);
    int64_t slot = -1, skipped = -1;
    EXPECT_EQ(SLOT_DUE, WaitForSlot(&schedule, &schedule_clock, &slot, &skipped));
    EXPECT_EQ(SLOT_NO_MORE, WaitForSlot(&schedule, &schedule_clock, &slot, &skipped));
    EXPECT_EQ(SLOT_NO_MORE, WaitForSlot(&schedule, &schedule_clock, &slot, &skipped));
}

}  // namespace
