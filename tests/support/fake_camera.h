// A camera that does what the test's script says, behind the tools' camera
// seam, and counts what it was asked. The seam's open() takes no context,
// so the script is process-wide: the current one, set by SetFakeCamera and
// read by every camera the seam opens. For one thread at a time, as a run
// of a tool is. Platform-free.
#ifndef PUKAVRO_TESTS_FAKE_CAMERA_H
#define PUKAVRO_TESTS_FAKE_CAMERA_H

#include <stdint.h>

#include <string>
#include <vector>

#include "camera.h"

// One answer to take_frame.
struct FakeStep {
    CameraOutcome outcome;
    // CAMERA_SHORT_READ: the bytes the read delivered (*got); otherwise
    // ignored.
    uint32_t got;
};

// Frames are numbered like the simulated camera's: the nth frame the fake
// delivers (from 0) is FakeFrame(n), failures use up no number; a stamp's
// sequence is the take's number, from 1. When the
// script has run out every take is a frame. A CAMERA_STOPPED step raises
// the stop signal handed in, as Ctrl+C during that capture would.
struct FakeCounters {
    uint32_t opens, takes, closes;
    std::vector<std::string> probed;    // the devices probed, in order
    uint32_t frames;                    // frames delivered
    std::string device;                 // named at the last open
    std::vector<uint32_t> timeouts_ms;  // one for each take, in order
    std::vector<TakeKind> kinds;        // the same
};

// Makes steps the current script and clears the counters; only camera 0
// (EZUSB_DEVICE_PATH) is present.
void SetFakeCamera(const std::vector<FakeStep> &steps);
// The devices a probe finds present from now on.
void SetFakeDevicesPresent(const std::vector<std::string> &devices);
// From now on device is held by holder (one device at most).
void SetFakeHolder(const std::string &device, const CameraHolder &holder);
const FakeCounters &FakeCameraCounters();
CameraSeam FakeCameraSeam();

// The bytes of frame n (RAW_FRAME_BYTES), different for every n below 256.
std::vector<uint8_t> FakeFrame(uint32_t n);

#endif
