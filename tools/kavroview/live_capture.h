// The capture thread's work: frames back to back from the chosen camera
// through the seam into the window's slot, until told to stop. It waits
// only on the camera's own thread (with a time-out), never on the driver,
// so a stop ends it within the seam's cancel bound whatever the driver
// does. Platform-free: the window starts the thread and the tests run it
// against the scripted camera.
#ifndef PUKAVRO_KAVROVIEW_LIVE_CAPTURE_H
#define PUKAVRO_KAVROVIEW_LIVE_CAPTURE_H

#include <stdint.h>

#include <atomic>
#include <mutex>
#include <string>

#include "camera.h"
#include "frame_slot.h"
#include "recording.h"
#include "stop_signal.h"

enum {
    // Bounds one frame: a camera that takes a second per frame still works.
    LIVE_TIMEOUT_MS = 3000,
    // How soon a missing camera, or one whose driver holds a request, is
    // tried again; also how often a paused capture looks at its switches.
    LIVE_RETRY_MS = 1000,
    LIVE_PAUSE_LOOK_MS = 50,
};

enum LiveState {
    LIVE_STARTING,    // no answer from the camera yet
    LIVE_RUNNING,     // the last take brought a frame
    LIVE_PAUSED,      // not asking the camera
    LIVE_NO_CAMERA,   // missing or unplugged: tried again every LIVE_RETRY_MS
    LIVE_FAILING,     // the last take failed otherwise; the next is asked for at once
    LIVE_OTHER_USER,  // another user has the camera: tried again every LIVE_RETRY_MS
};

struct LiveCapture {
    CameraSeam seam;
    StopSignal stop;
    std::atomic<bool> paused{false};
    std::atomic<int> state{LIVE_STARTING};
    std::atomic<uint32_t> failures{0};  // takes that brought no frame, a missing camera aside
    FrameSlot slot;
    // Called on the capture thread when the slot asks for a notice.
    void (*tell_window)(void *context);
    void *window;

    std::mutex device_lock;
    std::string device;  // the camera wanted, switched by the window

    // The recording the frames also go to, NULL when none; set and cleared
    // by the window under the lock, which the capture thread holds while it
    // hands a frame over.
    std::mutex recording_lock;
    Recording *recording = NULL;
    // The clock of the recording's frames, in microseconds.
    int64_t (*now_us)(void) = NULL;
};

// Runs until live->stop is raised; then lets the camera go (a conversation
// still out keeps what it needs) and returns.
void RunLiveCapture(LiveCapture *live);

// From the window: the capture goes on with device from its next take.
void SwitchCamera(LiveCapture *live, const std::string &device);

// From the window: the frames from now on also go to recording (NULL: to
// none). Once this returns, the capture thread no longer uses the one before.
void RecordInto(LiveCapture *live, Recording *recording);

#endif
