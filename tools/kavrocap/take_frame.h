// One frame of a run from the camera, with the retries the options allow.
#ifndef PUKAVRO_KAVROCAP_TAKE_FRAME_H
#define PUKAVRO_KAVROCAP_TAKE_FRAME_H

#include <stdint.h>

#include <string>

#include "camera.h"
#include "options.h"

enum TakeResult { TAKE_FRAME, TAKE_FAILED, TAKE_STOPPED };

// The camera of one run: the seam and what it bound.
struct RunCamera {
    CameraSeam seam;
    void *camera;
};

// Takes one frame (RAW_FRAME_BYTES into frame), trying again at once after
// a failure, up to the retries of options. A stuck or held camera is not
// tried again: the next attempt would only meet the same held driver. On
// TAKE_FAILED, reason tells why the last attempt failed. more: another
// frame follows this one.
TakeResult TakeFrameWithRetries(const CaptureOptions &options, const RunCamera &camera, bool more,
                                StopSignal *stop, uint8_t *frame, std::string *reason);

#endif
