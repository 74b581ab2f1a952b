// The camera as every tool sees it: bind one by its device, take one frame
// at a time with a time-out and a stop signal, let it go. The tools hold
// only this, so their behaviour is tested in-process against a scripted
// fake; the real one (timed_capture.h) talks to the driver. The window's own
// capture does not go through here. Platform-free.
#ifndef PUKAVRO_CAMERA_H
#define PUKAVRO_CAMERA_H

#include <stdint.h>

#include "stop_signal.h"

enum CameraOutcome {
    CAMERA_FRAME,           // a whole frame of RAW_FRAME_BYTES arrived
    CAMERA_NOT_FOUND,       // the device could not be opened, or went away during the request
    CAMERA_REQUEST_FAILED,  // the vendor request or the bulk read failed
    CAMERA_SHORT_READ,      // the read succeeded with fewer bytes (*got tells how many)
    CAMERA_TIMED_OUT,       // no answer within the time-out; the cancelled request came back
    CAMERA_STUCK,           // no answer within the time-out, and the conversation did not
                            // come back within the cancel bound: it is abandoned
    CAMERA_HELD,            // an abandoned conversation has still not come back, so
                            // nothing was sent to the camera this time
    CAMERA_STOPPED,         // the stop signal came first
    CAMERA_OTHER_USER,      // another user's program, or an object not ours, holds the
                            // camera's name: nothing was sent to the camera
};

enum CameraPresence { CAMERA_PRESENT, CAMERA_ABSENT };

// How long a cancelled conversation may take to come back before it is
// abandoned.
enum { CAMERA_CANCEL_BOUND_MS = 1000 };

struct CameraSeam {
    // Binds a camera to device (a path such as EZUSB_DEVICE_PATH, UTF-8). Sends
    // nothing to it. NULL only when memory ran out.
    void *(*open)(const char *device);
    // One frame: writes RAW_FRAME_BYTES to frame only on CAMERA_FRAME; *got
    // gets the bytes the read delivered (0 when there was none). timeout_ms
    // bounds the whole attempt, whatever the driver does; stop may be NULL.
    CameraOutcome (*take_frame)(void *camera, uint32_t timeout_ms, StopSignal *stop, uint8_t *frame,
                                uint32_t *got);
    // Lets the camera go. A conversation still out keeps what it needs.
    void (*close)(void *camera);
    // Whether device can be opened now: opens it and closes it again, and
    // sends it nothing, so it takes no frame.
    CameraPresence (*probe)(const char *device);
};

#endif
