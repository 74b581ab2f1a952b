/* The simulated camera's seeded faults. With FaultSeed set, the camera draws
   the outcome of each capture, at its vendor request, from this sequence; the
   bulk read that follows answers as drawn. Header-only C, so that the driver
   and a test replaying a run from the same seed draw exactly the same. */
#ifndef PUKAVRO_SIM_FAULT_SEQUENCE_H
#define PUKAVRO_SIM_FAULT_SEQUENCE_H

#include <stdint.h>

#include "ezusbsim.h"

enum {
    EZUSBSIM_FAULT_NONE,         /* a whole frame, at once */
    EZUSBSIM_FAULT_SLOW,         /* a whole frame, the read answered amount ms late */
    EZUSBSIM_FAULT_VENDOR_FAILS, /* the vendor request fails */
    EZUSBSIM_FAULT_READ_FAILS,   /* the read fails and delivers nothing */
    EZUSBSIM_FAULT_SHORT_READ,   /* the read succeeds with the first amount bytes */
    EZUSBSIM_FAULT_BROKEN_OFF,   /* the read delivers the first amount bytes, then fails */
    EZUSBSIM_FAULT_KINDS
};

/* A slow read is answered 10 to 50 ms late: well under any time-out a
   program would set, so it must still give a frame. */
#define EZUSBSIM_FAULT_LEAST_LATE_MS 10
#define EZUSBSIM_FAULT_SLOWEST_MS 50

typedef struct EzusbsimFault {
    uint32_t kind;
    uint32_t amount; /* ms late (SLOW) or bytes delivered (SHORT_READ, BROKEN_OFF, 1 to 13,823) */
} EzusbsimFault;

/* A 32-bit linear congruential generator (Numerical Recipes' constants);
   the high bits are the random ones. 32-bit arithmetic only, for the driver. */
static inline uint32_t EzusbsimFaultNumber(uint32_t *state, uint32_t below)
{
    *state = *state * 1664525u + 1013904223u;
    return (*state >> 16) * below >> 16;
}

/* The sequence starts from the seed itself. */
static inline EzusbsimFault EzusbsimNextFault(uint32_t *state)
{
    /* Out of 100, in the order of the kinds. */
    static const uint32_t weights[EZUSBSIM_FAULT_KINDS] = {64, 8, 7, 7, 7, 7};
    uint32_t draw = EzusbsimFaultNumber(state, 100);
    EzusbsimFault fault = {0, 0};

    while (draw >= weights[fault.kind]) {
        draw -= weights[fault.kind];
        fault.kind++;
    }
    if (fault.kind == EZUSBSIM_FAULT_SLOW)
        fault.amount = EZUSBSIM_FAULT_LEAST_LATE_MS
                       + EzusbsimFaultNumber(state, EZUSBSIM_FAULT_SLOWEST_MS
                                                        - EZUSBSIM_FAULT_LEAST_LATE_MS + 1);
    else if (fault.kind == EZUSBSIM_FAULT_SHORT_READ || fault.kind == EZUSBSIM_FAULT_BROKEN_OFF)
        fault.amount = 1 + EzusbsimFaultNumber(state, EZUSBSIM_FRAME_BYTES - 1);
    return fault;
}

#endif
