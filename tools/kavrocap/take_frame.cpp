#include "timed_capture.h"
#include "frame.h"
#include "kavrocap.h"

namespace {

std::string Seconds(int64_t ms)
{
    char text[32];
    snprintf(text, sizeof text, "%g s", static_cast<double>(ms) / 1000);
    return text;
}

std::string Reason(int outcome, DWORD got, const CaptureOptions &options)
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
        return "no answer within the time-out (" + Seconds(options.timeout_ms) + ")";
    case CAMERA_STUCK:
        return "no answer within the time-out (" + Seconds(options.timeout_ms)
               + "), and the cancelled request did not end";
    default:
        return "unexpected camera outcome " + std::to_string(outcome);
    }
}

}  // namespace

int TakeFrameWithRetries(const CaptureOptions &options, const std::wstring &device, HANDLE stop,
                         uint8_t *frame, std::string *reason)
{
    int64_t attempts = 0;
    int outcome = CAMERA_FRAME;
    DWORD got = 0;
    while (attempts <= options.retries) {
        ++attempts;
        got = 0;
        outcome = TakeCameraFrame(device.c_str(), static_cast<DWORD>(options.timeout_ms), stop,
                                  frame, &got);
        if (outcome == CAMERA_FRAME)
            return TAKE_FRAME;
        if (outcome == CAMERA_STOPPED)
            return TAKE_STOPPED;
    }
    *reason = Reason(outcome, got, options);
    if (attempts > 1)
        *reason += " (" + std::to_string(attempts) + " attempts)";
    return TAKE_FAILED;
}
