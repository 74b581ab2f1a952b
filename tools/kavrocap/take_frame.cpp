#include "take_frame.h"

#include "frame.h"

namespace {

std::string Reason(CameraOutcome outcome, uint32_t got, const CaptureOptions &options)
{
    switch (outcome) {
    case CAMERA_NOT_FOUND:
        return "camera not found: " + options.device;
    case CAMERA_REQUEST_FAILED:
        return "request failed";
    case CAMERA_SHORT_READ:
        return "short read: " + std::to_string(got) + " of " + std::to_string(RAW_FRAME_BYTES)
               + " bytes";
    case CAMERA_TIMED_OUT:
        return "no answer within the time-out (" + SecondsText(options.timeout_ms * 1000) + " s)";
    case CAMERA_STUCK:
        return "no answer within the time-out (" + SecondsText(options.timeout_ms * 1000)
               + " s), and the cancelled request did not end";
    case CAMERA_HELD:
        return "the camera's driver has not returned an earlier request";
    case CAMERA_OTHER_USER:
        return "the camera is in use by another user";
    default:
        return "unexpected camera outcome " + std::to_string(static_cast<int>(outcome));
    }
}

bool WorthRetrying(CameraOutcome outcome)
{
    return outcome != CAMERA_STUCK && outcome != CAMERA_HELD && outcome != CAMERA_OTHER_USER;
}

}  // namespace

TakeResult TakeFrameWithRetries(const CaptureOptions &options, const RunCamera &camera, bool more,
                                StopSignal *stop, uint8_t *frame, std::string *reason)
{
    // A scheduled slot is a still of its moment, never a frame taken before
    // it; frames back to back take whatever the camera gives next.
    TakeAsk ask = {options.interval_us > 0 ? TAKE_FRESH : TAKE_NEXT,
                   static_cast<uint32_t>(options.timeout_ms), 0, more};
    int64_t attempts = 0;
    CameraOutcome outcome = CAMERA_FRAME;
    uint32_t got = 0;
    while (attempts <= options.retries) {
        ++attempts;
        got = 0;
        outcome = camera.seam.take_frame(camera.camera, ask, stop, frame, &got, NULL);
        if (outcome == CAMERA_FRAME)
            return TAKE_FRAME;
        if (outcome == CAMERA_STOPPED)
            return TAKE_STOPPED;
        if (!WorthRetrying(outcome))
            break;
    }
    *reason = Reason(outcome, got, options);
    if (attempts > 1)
        *reason += " (" + std::to_string(attempts) + " attempts)";
    return TAKE_FAILED;
}
