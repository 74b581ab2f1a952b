// The soak's faults, which the test sets through the simulated camera's
// knobs before each capture: one per capture, drawn from a seeded sequence
// so that a failing run can be repeated exactly, capture for capture. (The
// faults the camera draws itself are sim/fault_sequence.h's.)
#ifndef PUKAVRO_SOAK_KNOB_FAULT_SEQUENCE_H
#define PUKAVRO_SOAK_KNOB_FAULT_SEQUENCE_H

#include <stdint.h>

enum Fault {
    SUCCEEDS,      // the camera answers at once with a whole frame
    SLOW,          // a whole frame, each of the two requests answered late
    SHORT_READ,    // the read succeeds with only the first bytes of a frame
    VENDOR_FAILS,  // the vendor request fails; no read
    READ_FAILS,    // the read fails and delivers nothing
    BROKEN_OFF,    // the read delivers the first bytes of a frame, then fails
    UNPLUGGED,     // the camera is stopped before the capture, started after it
    FAULT_KINDS
};

struct CaptureFault {
    Fault fault;
    uint32_t amount;  // bytes delivered (SHORT_READ, BROKEN_OFF), or how late
                      // each request is answered, in ms (SLOW)
};

// A 32-bit linear congruential generator: tiny, and the same everywhere.
struct FaultSequence {
    uint32_t state;
};

void SeedFaults(FaultSequence *sequence, uint32_t seed);
CaptureFault NextFault(FaultSequence *sequence);

const char *FaultName(Fault fault);

// Whether the program is to report the capture as failed.
bool CaptureFails(Fault fault);

#endif
