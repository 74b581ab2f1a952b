// Test access to the simulated camera: its counters, its fault knobs and its
// service, and a fixture that hands every test a running camera without
// faults and gives it back that way.
#ifndef PUKAVRO_TESTS_CAMERA_SIM_H
#define PUKAVRO_TESTS_CAMERA_SIM_H

#include <windows.h>
#include <stdint.h>

#include <gtest/gtest.h>

#include "ezusbsim.h"
#include "fault_sequence.h"

// All return 0 or -1.
int ReadCounters(EzusbsimCounters *counters);
int ResetCounters();
// Closes reach the driver a moment after CloseHandle returns: polls (at most
// a few seconds) until every open has its close and nothing is pending.
int ReadSettledCounters(EzusbsimCounters *counters);
// Polls until exactly count camera requests are pending; bounded.
int WaitForPendingRequests(uint32_t count);

int SetKnob(const char *name, DWORD value);
int SetFrameFile(const char *dos_path);
int ClearKnobs();

// The camera disappears (service stopped) or comes back (running).
int StopCamera();
int StartCamera();

// Offset of the first byte where a and b differ, or -1 when the first
// length bytes agree (keeps failure output short for 13,824-byte frames).
int FirstDifference(const uint8_t *a, const uint8_t *b, int length);
// Offset of the first of length bytes that is not value, or -1.
int FirstNotEqualTo(const uint8_t *bytes, uint8_t value, int length);

// One capture as the camera answers it with FaultSeed set, replayed from a
// copy of its sequence (state, seeded with the same value).
struct DrawnCapture {
    EzusbsimFault fault;
    int whole_frame;        // a whole frame arrived
    uint32_t bytes;         // bytes the read delivered; 0 when none or no read
    uint32_t frame_number;  // the frame those bytes came from, when bytes > 0
};
// *next_frame follows the camera's frames_sent: every read that delivers
// bytes takes a frame number.
void DrawCapture(uint32_t *state, uint32_t *next_frame, DrawnCapture *capture);

class SimulatedCamera : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

#endif
