#include "fake_camera.h"

#include <string.h>

#include "ezusb_device.h"
#include "frame.h"

namespace {

// The current script and what has been asked of it (see the header).
struct FakeCamera {
    std::vector<FakeStep> steps;
    size_t next;
    std::vector<std::string> present;
    std::string holder_device;
    CameraHolder holder;
    FakeCounters counters;
};

FakeCamera fake;

void *OpenFake(const char *device)
{
    ++fake.counters.opens;
    fake.counters.device = device;
    return &fake;
}

CameraOutcome TakeFake(void *camera, const TakeAsk &ask, StopSignal *stop, uint8_t *frame,
                       uint32_t *got, FrameStamp *stamp)
{
    FakeCamera *current = static_cast<FakeCamera *>(camera);
    ++current->counters.takes;
    current->counters.timeouts_ms.push_back(ask.timeout_ms);
    current->counters.kinds.push_back(ask.kind);
    if (stamp != NULL)
        *stamp = {current->counters.takes, 0, 0, 0};
    FakeStep step = {CAMERA_FRAME, 0};
    if (current->next < current->steps.size())
        step = current->steps[current->next++];
    *got = 0;
    switch (step.outcome) {
    case CAMERA_FRAME: {
        std::vector<uint8_t> bytes = FakeFrame(current->counters.frames++);
        memcpy(frame, bytes.data(), RAW_FRAME_BYTES);
        *got = RAW_FRAME_BYTES;
        break;
    }
    case CAMERA_SHORT_READ:
        *got = step.got;
        break;
    case CAMERA_STOPPED:
        if (stop != NULL)
            RaiseStop(stop);
        break;
    default:
        break;
    }
    return step.outcome;
}

void CloseFake(void *camera)
{
    ++static_cast<FakeCamera *>(camera)->counters.closes;
}

CameraPresence ProbeFake(const char *device)
{
    fake.counters.probed.push_back(device);
    for (const std::string &present : fake.present)
        if (present == device)
            return CAMERA_PRESENT;
    return CAMERA_ABSENT;
}

bool HolderFake(const char *device, CameraHolder *holder)
{
    if (fake.holder_device != device)
        return false;
    *holder = fake.holder;
    return true;
}

}  // namespace

void SetFakeCamera(const std::vector<FakeStep> &steps)
{
    fake.steps = steps;
    fake.next = 0;
    fake.present = {EZUSB_DEVICE_PATH};
    fake.holder_device.clear();
    fake.counters = FakeCounters();
}

void SetFakeDevicesPresent(const std::vector<std::string> &devices)
{
    fake.present = devices;
}

void SetFakeHolder(const std::string &device, const CameraHolder &holder)
{
    fake.holder_device = device;
    fake.holder = holder;
}

const FakeCounters &FakeCameraCounters()
{
    return fake.counters;
}

CameraSeam FakeCameraSeam()
{
    CameraSeam seam = {OpenFake, TakeFake, CloseFake, ProbeFake, HolderFake};
    return seam;
}

std::vector<uint8_t> FakeFrame(uint32_t n)
{
    std::vector<uint8_t> frame(RAW_FRAME_BYTES);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<uint8_t>(i * 13 + (i >> 8) + n * 101);
    return frame;
}
