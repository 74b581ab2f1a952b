// The simulated camera as tests and benchmarks reach it: the camera device
// itself, the simulator's control device with its counters, its fault knobs
// (registry values read at every request) and its service, which makes the
// camera appear and disappear.
#ifndef PUKAVRO_TESTS_SIM_CONTROLS_H
#define PUKAVRO_TESTS_SIM_CONTROLS_H

#include <windows.h>
#include <stdint.h>

#include "bytes.h"
#include "ezusbsim.h"
#include "fault_sequence.h"

// The raw frame camera 0 (or the numbered one) sends as its frame n,
// counted from its reset.
Bytes CameraFrame(uint32_t n, uint32_t camera = 0);

// The camera, opened as the program opens it; INVALID_HANDLE_VALUE when it
// is not there.
HANDLE OpenCamera();
HANDLE OpenCameraNumber(int camera);

// The simulator's control device, kept open by a caller that reads the
// counters often; INVALID_HANDLE_VALUE when it is not there.
HANDLE OpenCameraControl();
int ReadCountersFrom(HANDLE control, EzusbsimCounters *counters);

// Each opens the control device for the one request. All return 0 or -1.
int ReadCounters(EzusbsimCounters *counters);
int ResetCounters();
// Closes reach the driver a moment after CloseHandle returns: polls (up to
// HANG_MS) until every open has its close and nothing is pending.
int ReadSettledCounters(EzusbsimCounters *counters, int camera = 0);
// Polls (up to HANG_MS) until exactly count camera requests are pending.
int WaitForPendingRequests(uint32_t count);
// Polls (up to HANG_MS) until the camera has sent at least count frames
// since its reset.
int WaitForFramesSent(uint32_t count);

// Fault knobs: a DWORD value (EZUSBSIM_VALUE_...), the served frame file
// (a Windows path), or none at all.
int SetKnob(const char *name, DWORD value);
int SetFrameFile(const char *dos_path);
int ClearKnobs();

// The camera disappears (service stopped) or comes back (running); up to
// HANG_MS.
int StopCamera();
int StartCamera();

// Several cameras: each numbered camera's counters and knobs (the ones
// above are camera 0's), and its unplugging and plugging back while the
// driver runs. All return 0 or -1.
int ReadCameraCounters(int camera, EzusbsimCounters *counters);
int ResetCameraCounters(int camera);
int SetCameraKnob(int camera, const char *name, DWORD value);
int UnplugCamera(int camera);
int PlugCamera(int camera);
// Restarts the driver with count cameras (Cameras), counters from zero.
int RestartWithCameras(DWORD count);

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

#endif
