#include "knob_fault_sequence.h"

#include "ezusbsim.h"

namespace {

// Out of 100. Slow answers and unplugging take the longest; their small
// shares keep 500 captures within a couple of minutes.
const int WEIGHTS[FAULT_KINDS] = {48, 6, 14, 10, 10, 8, 4};

// Per request: a slow capture takes 200 to 600 ms.
const uint32_t LEAST_LATE_MS = 100;
const uint32_t SLOWEST_MS = 300;

// Numerical Recipes' constants; the high bits are the random ones.
uint32_t NextNumber(FaultSequence *sequence, uint32_t below)
{
    sequence->state = sequence->state * 1664525u + 1013904223u;
    return static_cast<uint32_t>((static_cast<uint64_t>(sequence->state >> 8) * below) >> 24);
}

}  // namespace

void SeedFaults(FaultSequence *sequence, uint32_t seed)
{
    sequence->state = seed;
}

CaptureFault NextFault(FaultSequence *sequence)
{
    uint32_t draw = NextNumber(sequence, 100);
    int fault = 0;
    while (draw >= static_cast<uint32_t>(WEIGHTS[fault])) {
        draw -= WEIGHTS[fault];
        fault++;
    }
    CaptureFault next = {static_cast<Fault>(fault), 0};
    switch (next.fault) {
    case SLOW:
        next.amount = LEAST_LATE_MS + NextNumber(sequence, SLOWEST_MS - LEAST_LATE_MS + 1);
        break;
    case SHORT_READ:
    case BROKEN_OFF:
        // 1 to 13,823: anything from one byte to one byte short.
        next.amount = 1 + NextNumber(sequence, EZUSBSIM_FRAME_BYTES - 1);
        break;
    default:
        break;
    }
    return next;
}

const char *FaultName(Fault fault)
{
    static const char *const names[FAULT_KINDS] = {
        "succeeds",        "slow",      "short read", "vendor request fails", "read fails",
        "read breaks off", "unplugged",
    };
    return fault >= 0 && fault < FAULT_KINDS ? names[fault] : "?";
}

bool CaptureFails(Fault fault)
{
    return fault == VENDOR_FAILS || fault == READ_FAILS || fault == BROKEN_OFF
           || fault == UNPLUGGED;
}
