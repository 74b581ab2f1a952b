// One capture for a program that runs without a person at the screen: the
// same conversation with the camera as the window's, but with a time-out, a
// stop signal, and a short read counted as a failure.
#ifndef PUKAVRO_TIMED_CAPTURE_H
#define PUKAVRO_TIMED_CAPTURE_H

#include <windows.h>
#include <stdint.h>

#include "camera.h"

// One capture: opens device (UTF-16, e.g. L"\\\\.\\ezusb-0") with GENERIC_WRITE
// and FILE_SHARE_WRITE, sends the vendor request block (01 02 00 00 A8 CC 01 00
// CC CC, 1-byte reply) and reads RAW_FRAME_BYTES from bulk pipe 7 into a buffer
// of this attempt's own, closes. timeout_ms bounds the whole capture. frame
// (RAW_FRAME_BYTES) is written only on CAMERA_FRAME. got (may be NULL) receives
// the bytes the bulk read delivered, 0 when there was none. stop_event may be
// NULL; signalled before the call, nothing is opened. Returns a CameraOutcome.
// A request that ignores its cancel keeps its buffer for the life of the
// process: it may still write into it at any time. Runs on the caller's
// thread, so a driver that waits inside its request holds it past the
// time-out: only for kavrocap until it takes its frames through the seam.
int TakeCameraFrame(const wchar_t *device, DWORD timeout_ms, HANDLE stop_event, uint8_t *frame,
                    DWORD *got);

// The real camera behind the tools' seam. Each camera keeps a thread of its
// own (camera_thread.h) on which every frame is one conversation: open the
// device, the vendor request, the bulk read, close. A time-out cancels it
// (CancelSynchronousIo on that thread, CancelIoEx on its device); one that
// does not come back within the cancel bound is abandoned, and the camera's
// takes are CAMERA_HELD until it returns.
CameraSeam TimedCameraSeam();

#endif
