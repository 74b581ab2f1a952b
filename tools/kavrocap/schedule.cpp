#include "schedule.h"

void StartSchedule(Schedule *schedule, int64_t now_us, int64_t interval_us, int64_t count)
{
    schedule->start_us = now_us;
    schedule->interval_us = interval_us;
    schedule->count = count;
    schedule->next_slot = 0;
}

SlotResult WaitForSlot(Schedule *schedule, const CaptureClock *clock, int64_t *slot,
                       int64_t *skipped)
{
    *slot = schedule->next_slot;
    *skipped = 0;
    if (schedule->count != 0 && schedule->next_slot >= schedule->count)
        return SLOT_NO_MORE;
    int64_t due = schedule->start_us + schedule->next_slot * schedule->interval_us;
    int64_t now = clock->now_us(clock->context);
    while (now < due) {
        if (clock->wait_us(clock->context, due - now, clock->stop) == WAIT_STOPPED)
            return SLOT_STOPPED;
        now = clock->now_us(clock->context);
    }
    // The latest slot whose time has come is the one to take now: its
    // lateness stays under one interval however long the last frame took.
    int64_t overrun = schedule->interval_us > 0 ? (now - due) / schedule->interval_us : 0;
    if (schedule->count != 0 && schedule->next_slot + overrun > schedule->count - 1)
        overrun = schedule->count - 1 - schedule->next_slot;
    *skipped = overrun;
    *slot = schedule->next_slot + overrun;
    schedule->next_slot = *slot + 1;
    return SLOT_DUE;
}
