// The soak's faults, which the test sets through the simulated camera's
// knobs before each capture: one per capture, drawn from a seeded sequence
// so that a failing run can be repeated exactly, capture for capture. (The
// faults the camera draws itself are sim/fault_sequence.h's.)
#ifndef PUKAVRO_SOAK_KNOB_FAULT_SEQUENCE_H
#define PUKAVRO_SOAK_KNOB_FAULT_SEQUENCE_H

#include <stdint.h>

enum KnobFault {
    KNOB_SUCCEEDS,      // the camera answers at once with a whole frame
    KNOB_SLOW,          // a whole frame, each of the two requests answered late
    KNOB_SHORT_READ,    // the read succeeds with only the first bytes of a frame
    KNOB_VENDOR_FAILS,  // the vendor request fails; no read
    KNOB_READ_FAILS,    // the read fails and delivers nothing
    KNOB_BROKEN_OFF,    // the read delivers the first bytes of a frame, then fails
    KNOB_UNPLUGGED,     // the camera is stopped before the capture, started after it
    KNOB_FAULT_KINDS
};

struct KnobFaultDraw {
    KnobFault fault;
    uint32_t amount;  // bytes delivered (KNOB_SHORT_READ, KNOB_BROKEN_OFF), or how late
                      // each request is answered, in ms (KNOB_SLOW)
};

// A 32-bit linear congruential generator: tiny, and the same everywhere.
struct KnobFaultSequence {
    uint32_t state;
};

void SeedKnobFaults(KnobFaultSequence *sequence, uint32_t seed);
KnobFaultDraw NextKnobFault(KnobFaultSequence *sequence);

const char *KnobFaultName(KnobFault fault);

// Whether the program is to report the capture as failed.
bool KnobFaultFailsCapture(KnobFault fault);

#endif
