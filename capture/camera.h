// The camera as every tool sees it: bind one by its device, take one frame
// at a time with a time-out and a stop signal, let it go. The tools hold
// only this, so their behaviour is tested in-process against a scripted
// fake; the real one (timed_capture.h) shares the camera with every other
// program of ours and talks to the driver. The window's own capture does
// not go through here. Platform-free.
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

// Programs share a camera: one conversation's frame reaches every caller
// waiting for it, in this program and in others.
enum TakeKind {
    TAKE_NEXT,   // any result newer than the last this caller received, even
                 // the conversation out now: a live picture, a movie, a stack
    TAKE_FRESH,  // a result whose conversation began after the caller asked: a still
};

struct TakeAsk {
    TakeKind kind;
    uint32_t timeout_ms;  // bounds the whole take, whatever the driver does
    // TAKE_NEXT: the least time this caller wants between its frames, so a
    // slow consumer does not keep the camera busy; 0: as fast as it gives them.
    uint32_t interval_ms;
    // TAKE_NEXT: another take follows at once. The caller's demand then stands
    // after this take, for one more conversation at its rate, so the camera
    // is not kept waiting for each ask; the last take of a run says false.
    bool again;
};

// What came with a result.
struct FrameStamp {
    uint64_t sequence;     // the conversation's number on this camera, from 1
    int64_t monotonic_us;  // when it came back: QueryPerformanceCounter's clock, in us
    int64_t wall_us;       // the same moment, microseconds since 1970-01-01 UTC
    uint64_t skipped;      // results since this caller's last that it did not receive
};

// The program that talks to a camera for every program on it.
struct CameraHolder {
    uint32_t pid;
    char name[40];  // its file name, UTF-8
};

struct CameraSeam {
    // Binds a camera to device (a path such as EZUSB_DEVICE_PATH, UTF-8). Sends
    // nothing to it. NULL only when memory ran out.
    void *(*open)(const char *device);
    // One frame: writes RAW_FRAME_BYTES to frame only on CAMERA_FRAME; *got
    // gets the bytes the read delivered (0 when there was none). The bound
    // camera is subscribed from its open: a TAKE_NEXT after another receives
    // the results in between, or counts them skipped. stop and stamp may be
    // NULL.
    CameraOutcome (*take_frame)(void *camera, const TakeAsk &ask, StopSignal *stop, uint8_t *frame,
                                uint32_t *got, FrameStamp *stamp);
    // Lets the camera go. A conversation still out keeps what it needs.
    void (*close)(void *camera);
    // Whether device can be opened now: opens it and closes it again, and
    // sends it nothing, so it takes no frame.
    CameraPresence (*probe)(const char *device);
    // Which program holds device for all of them now, if any: false when
    // none does. Sends nothing to the camera.
    bool (*holder)(const char *device, CameraHolder *holder);
};

#endif
