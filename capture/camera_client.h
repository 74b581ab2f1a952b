// A program's client of one camera, shared with every other program of
// ours on it. One client per program and camera: its thread holds the
// taker role (a named mutex, owned by a thread and abandoned when that
// thread ends) when it can, runs the conversations while any program waits,
// publishes each result on the shared board and wakes every program's
// client, and reads the results the others publish. The program's callers
// share it, counted, and it ends with the last of them.
//
// A taker that hangs (suspended in a debugger, say) holds every program of
// that camera: their takes time out until it goes on or ends.
#ifndef PUKAVRO_CAMERA_CLIENT_H
#define PUKAVRO_CAMERA_CLIENT_H

#include <stdint.h>

#include "camera.h"

// The clients of one program: the process's own, or a stand-in for another
// process (a test runs several in one process, each with its own views).
struct CameraHost;
CameraHost *ProcessCameraHost();
// Never freed: a stand-in lives as long as the process.
CameraHost *NewCameraHost();

// A bound camera as the seam's open gives it: a subscriber of the host's
// client of device. NULL only when memory ran out.
void *OpenSharedCamera(CameraHost *host, const char *device);
CameraOutcome TakeSharedFrame(void *camera, const TakeAsk &ask, StopSignal *stop, uint8_t *frame,
                              uint32_t *got, FrameStamp *stamp);
// Returns at once, whatever the taker is doing.
void CloseSharedCamera(void *camera);

// Which program holds device's taker role now, read from the board alone
// (nothing is sent to the camera, nothing is made). false when none does.
bool ReadCameraHolder(const char *device, CameraHolder *holder);

// For tests: the thread of the host's client of device (NULL when none),
// whose end hands the role on.
void *CameraClientThread(CameraHost *host, const char *device);

#endif
