// The camera for programs that run without a person at the screen: the same
// conversation with the camera as the window's, but with a time-out that
// holds whatever the driver does, a stop signal, and a short read counted as
// a failure; and shared by every program of ours on the camera.
#ifndef PUKAVRO_TIMED_CAPTURE_H
#define PUKAVRO_TIMED_CAPTURE_H

#include <windows.h>
#include <stdint.h>

#include "camera.h"

// The real camera behind the tools' seam. Each program has one client per
// camera (camera_client.h), whose conversations run on a thread of their
// own (camera_thread.h): open the device, the vendor request, the bulk
// read, close. A time-out cancels it (CancelSynchronousIo on that thread,
// CancelIoEx on its device); one that does not come back within the cancel
// bound is abandoned, and the camera's takes are CAMERA_HELD until it
// returns. A request that fails because the camera was unplugged under it
// is CAMERA_NOT_FOUND, as a failed open is.
CameraSeam TimedCameraSeam();

#endif
