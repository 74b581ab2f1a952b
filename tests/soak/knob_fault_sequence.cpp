#include "knob_fault_sequence.h"

#include "ezusbsim.h"
#include "fault_sequence.h"

namespace {

// Out of 100. Slow answers and unplugging take the longest; their small
// shares keep 500 captures within a couple of minutes.
const int WEIGHTS[KNOB_FAULT_KINDS] = {48, 6, 14, 10, 10, 8, 4};

// Per request: a slow capture takes 200 to 600 ms.
const uint32_t LEAST_LATE_MS = 100;
const uint32_t SLOWEST_MS = 300;

// The camera's own generator, on a sequence of the test's own.
uint32_t NextNumber(KnobFaultSequence *sequence, uint32_t below)
{
    return EzusbsimFaultNumber(&sequence->state, below);
}

}  // namespace

void SeedKnobFaults(KnobFaultSequence *sequence, uint32_t seed)
{
    sequence->state = seed;
}

KnobFaultDraw NextKnobFault(KnobFaultSequence *sequence)
{
    uint32_t draw = NextNumber(sequence, 100);
    int fault = 0;
    while (draw >= static_cast<uint32_t>(WEIGHTS[fault])) {
        draw -= WEIGHTS[fault];
        fault++;
    }
    KnobFaultDraw next = {static_cast<KnobFault>(fault), 0};
    switch (next.fault) {
    case KNOB_SLOW:
        next.amount = LEAST_LATE_MS + NextNumber(sequence, SLOWEST_MS - LEAST_LATE_MS + 1);
        break;
    case KNOB_SHORT_READ:
    case KNOB_BROKEN_OFF:
        // 1 to 13,823: anything from one byte to one byte short.
        next.amount = 1 + NextNumber(sequence, EZUSBSIM_FRAME_BYTES - 1);
        break;
    default:
        break;
    }
    return next;
}

const char *KnobFaultName(KnobFault fault)
{
    static const char *const names[KNOB_FAULT_KINDS] = {
        "succeeds",        "slow",      "short read", "vendor request fails", "read fails",
        "read breaks off", "unplugged",
    };
    return fault >= 0 && fault < KNOB_FAULT_KINDS ? names[fault] : "?";
}

bool KnobFaultFailsCapture(KnobFault fault)
{
    return fault == KNOB_VENDOR_FAILS || fault == KNOB_READ_FAILS || fault == KNOB_BROKEN_OFF
           || fault == KNOB_UNPLUGGED;
}
