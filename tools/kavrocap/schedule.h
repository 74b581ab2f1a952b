// When each frame of a run is taken. Slot k is due at start + k * interval,
// from the start, never from the end of the frame before, so a long run does
// not drift. A frame that cannot start on time starts at once; slots whose
// time has wholly passed meanwhile are skipped and counted, never taken in a
// burst. Platform-free: the clock and the wait are handed in.
#ifndef PUKAVRO_KAVROCAP_SCHEDULE_H
#define PUKAVRO_KAVROCAP_SCHEDULE_H

#include <stdint.h>

#include "capture_clock.h"

struct Schedule {
    int64_t start_us;
    int64_t interval_us;  // 0: back to back
    int64_t count;        // slots in the run; 0: no end
    int64_t next_slot;
};

enum SlotResult {
    SLOT_DUE = 0,      // *slot is to be taken now
    SLOT_STOPPED = 1,  // stopped while waiting
    SLOT_NO_MORE = 2,  // every slot of the run has been used
};

void StartSchedule(Schedule *schedule, int64_t now_us, int64_t interval_us, int64_t count);

// Waits until the next slot is due. On SLOT_DUE, *slot is the slot to take
// (0 the first) and *skipped how many slots before it were passed over
// because their time went by while an earlier frame was still being taken.
SlotResult WaitForSlot(Schedule *schedule, const CaptureClock *clock, int64_t *slot,
                       int64_t *skipped);

#endif
