// One capture for a program that runs without a person at the screen: the
// same conversation with the camera as the window's, but with a time-out, a
// stop signal, and a short read counted as a failure.
#ifndef PUKAVRO_CAMERA_H
#define PUKAVRO_CAMERA_H

#include <windows.h>
#include <stdint.h>

enum CameraOutcome {
    CAMERA_FRAME = 0,            // a whole frame of RAW_FRAME_BYTES arrived
    CAMERA_NOT_FOUND = -1,       // the device could not be opened
    CAMERA_REQUEST_FAILED = -2,  // the vendor request or the bulk read failed
    CAMERA_SHORT_READ = -3,      // the read succeeded with fewer bytes (*got tells how many)
    CAMERA_TIMED_OUT = -4,       // no answer within timeout_ms; the request was cancelled
    CAMERA_STUCK = -5,           // timed out and the cancelled request did not end within a
                                 // further short bound; its buffer is abandoned, never reused
    CAMERA_STOPPED = -6,         // stop_event was signalled; the request in flight was cancelled
};

// How long a cancelled request may take to end before it is given up as stuck.
enum { CAMERA_CANCEL_BOUND_MS = 1000 };

// One capture: opens device (UTF-16, e.g. L"\\\\.\\ezusb-0") with GENERIC_WRITE
// and FILE_SHARE_WRITE, sends the vendor request block (01 02 00 00 A8 CC 01 00
// CC CC, 1-byte reply) and reads RAW_FRAME_BYTES from bulk pipe 7 into a buffer
// of this attempt's own, closes. timeout_ms bounds the whole capture. frame
// (RAW_FRAME_BYTES) is written only on CAMERA_FRAME. got (may be NULL) receives
// the bytes the bulk read delivered, 0 when there was none. stop_event may be
// NULL; signalled before the call, nothing is opened. Returns a CameraOutcome.
// A request that ignores its cancel keeps its buffer for the life of the
// process: it may still write into it at any time.
int TakeCameraFrame(const wchar_t *device, DWORD timeout_ms, HANDLE stop_event, uint8_t *frame,
                    DWORD *got);

#endif
