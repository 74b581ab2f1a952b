#include "live_capture.h"

namespace {

std::string WantedDevice(LiveCapture *live)
{
    std::lock_guard<std::mutex> hold(live->device_lock);
    return live->device;
}

struct BoundCamera {
    std::string device;
    void *camera;
};

// The camera bound to the device the window wants, bound again when that
// changed. false when none could be had now.
bool Bind(LiveCapture *live, BoundCamera *bound)
{
    std::string wanted = WantedDevice(live);
    if (bound->camera != NULL && bound->device == wanted)
        return true;
    if (bound->camera != NULL)
        live->seam.close(bound->camera);
    bound->device = wanted;
    bound->camera = live->seam.open(wanted.c_str());
    return bound->camera != NULL;
}

void HandToRecording(LiveCapture *live, const uint8_t *raw)
{
    std::lock_guard<std::mutex> hold(live->recording_lock);
    if (live->recording != NULL)
        AddRecordedFrame(live->recording, raw, live->now_us());
}

// Paused, or without a camera: the recording leaves the time out.
void GapInRecording(LiveCapture *live)
{
    std::lock_guard<std::mutex> hold(live->recording_lock);
    if (live->recording != NULL)
        MarkRecordingGap(live->recording);
}

}  // namespace

void RunLiveCapture(LiveCapture *live)
{
    BoundCamera bound = {std::string(), NULL};
    uint8_t raw[RAW_FRAME_BYTES];
    uint8_t bits[DISPLAY_IMAGE_BYTES];
    uint32_t number = 0;
    while (!StopRaised(&live->stop)) {
        if (live->paused.load()) {
            live->state = LIVE_PAUSED;
            GapInRecording(live);
            WaitForStop(&live->stop, LIVE_PAUSE_LOOK_MS * 1000);
            continue;
        }
        if (!Bind(live, &bound)) {
            live->state = LIVE_FAILING;
            live->failures++;
            WaitForStop(&live->stop, LIVE_RETRY_MS * 1000);
            continue;
        }
        uint32_t got = 0;
        TakeAsk ask = {TAKE_NEXT, LIVE_TIMEOUT_MS, 0, true};
        CameraOutcome outcome =
            live->seam.take_frame(bound.camera, ask, &live->stop, raw, &got, NULL);
        if (outcome == CAMERA_STOPPED)
            break;
        // A frame that came while the user paused is not shown: the
        // picture stays the one on screen when P was pressed.
        if (live->paused.load())
            continue;
        switch (outcome) {
        case CAMERA_FRAME:
            live->state = LIVE_RUNNING;
            ConvertFrame(raw, bits, FRAME_WIDTH, FRAME_HEIGHT);
            if (PutFrame(&live->slot, raw, bits, ++number) == SLOT_TELL_WINDOW)
                live->tell_window(live->window);
            HandToRecording(live, raw);
            break;
        case CAMERA_NOT_FOUND:
            live->state = LIVE_NO_CAMERA;
            GapInRecording(live);
            WaitForStop(&live->stop, LIVE_RETRY_MS * 1000);
            break;
        case CAMERA_OTHER_USER:
            live->state = LIVE_OTHER_USER;
            GapInRecording(live);
            WaitForStop(&live->stop, LIVE_RETRY_MS * 1000);
            break;
        case CAMERA_STUCK:
        case CAMERA_HELD:
            // Asking again at once would only meet the same held driver.
            live->state = LIVE_FAILING;
            live->failures++;
            WaitForStop(&live->stop, LIVE_RETRY_MS * 1000);
            break;
        default:
            live->state = LIVE_FAILING;
            live->failures++;
            break;
        }
    }
    if (bound.camera != NULL)
        live->seam.close(bound.camera);
}

void SwitchCamera(LiveCapture *live, const std::string &device)
{
    std::lock_guard<std::mutex> hold(live->device_lock);
    live->device = device;
}

void RecordInto(LiveCapture *live, Recording *recording)
{
    std::lock_guard<std::mutex> hold(live->recording_lock);
    live->recording = recording;
}
