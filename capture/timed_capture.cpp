// One capture with a time-out: overlapped requests, cancelled when the time is
// up or the caller stops. Each capture reads into a block of its own, freed
// only once no request can write into it any more.
#include <windows.h>
#include <stdint.h>
#include <string.h>

#include <mutex>
#include <string>

#include "timed_capture.h"
#include "ezusb.h"
#include "frame.h"

namespace {

// The window's capture sends the same codes and blocks (window_transaction.cpp).
// Everything a request in flight may write into.
struct Attempt {
    OVERLAPPED overlapped;
    VendorRequestBlock vendor_block;
    BulkTransferBlock bulk_block;
    uint8_t reply;
    uint8_t frame[RAW_FRAME_BYTES];
};

Attempt *NewAttempt()
{
    Attempt *attempt =
        static_cast<Attempt *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Attempt)));
    if (attempt == NULL)
        return NULL;
    attempt->overlapped.hEvent = CreateEventW(NULL, TRUE, FALSE, NULL);
    if (attempt->overlapped.hEvent == NULL) {
        HeapFree(GetProcessHeap(), 0, attempt);
        return NULL;
    }
    FillCaptureRequest(&attempt->vendor_block);
    attempt->bulk_block.pipe = BULK_PIPE_FRAME;
    return attempt;
}

void FreeAttempt(Attempt *attempt)
{
    CloseHandle(attempt->overlapped.hEvent);
    HeapFree(GetProcessHeap(), 0, attempt);
}

// Milliseconds left of timeout_ms since started; INFINITE stays INFINITE.
DWORD TimeLeft(DWORD started, DWORD timeout_ms)
{
    if (timeout_ms == INFINITE)
        return INFINITE;
    DWORD elapsed = GetTickCount() - started;
    return elapsed < timeout_ms ? timeout_ms - elapsed : 0;
}

// Sends one request on the attempt's OVERLAPPED and waits for it, the time-out
// or the stop signal. CAMERA_FRAME when it succeeded (*returned bytes),
// CAMERA_REQUEST_FAILED, CAMERA_TIMED_OUT, CAMERA_STUCK or CAMERA_STOPPED.
// *in_flight is set when the request has not ended: its attempt must never be
// freed.
int Request(HANDLE device, Attempt *attempt, DWORD code, void *in, DWORD in_bytes, void *out,
            DWORD out_bytes, DWORD started, DWORD timeout_ms, HANDLE stop_event, DWORD *returned,
            int *in_flight)
{
    HANDLE event = attempt->overlapped.hEvent;
    *returned = 0;
    *in_flight = 0;
    ResetEvent(event);
    attempt->overlapped.Internal = 0;
    attempt->overlapped.InternalHigh = 0;
    attempt->overlapped.Offset = 0;
    attempt->overlapped.OffsetHigh = 0;
    if (DeviceIoControl(device, code, in, in_bytes, out, out_bytes, returned, &attempt->overlapped))
        return CAMERA_FRAME;
    if (GetLastError() != ERROR_IO_PENDING)
        return CAMERA_REQUEST_FAILED;

    HANDLE handles[2] = {event, stop_event};
    DWORD woke = WaitForMultipleObjects(stop_event != NULL ? 2 : 1, handles, FALSE,
                                        TimeLeft(started, timeout_ms));
    if (woke == WAIT_OBJECT_0)
        return GetOverlappedResult(device, &attempt->overlapped, returned, FALSE)
                   ? CAMERA_FRAME
                   : CAMERA_REQUEST_FAILED;

    // Even a request that ends successfully while being cancelled came too late.
    int outcome = woke == WAIT_OBJECT_0 + 1 ? CAMERA_STOPPED : CAMERA_TIMED_OUT;
    CancelIoEx(device, &attempt->overlapped);
    if (WaitForSingleObject(event, CAMERA_CANCEL_BOUND_MS) != WAIT_OBJECT_0) {
        *in_flight = 1;
        return outcome == CAMERA_STOPPED ? CAMERA_STOPPED : CAMERA_STUCK;
    }
    GetOverlappedResult(device, &attempt->overlapped, returned, FALSE);
    return outcome;
}

}  // namespace

int TakeCameraFrame(const wchar_t *device_path, DWORD timeout_ms, HANDLE stop_event, uint8_t *frame,
                    DWORD *got)
{
    if (got != NULL)
        *got = 0;
    if (stop_event != NULL && WaitForSingleObject(stop_event, 0) == WAIT_OBJECT_0)
        return CAMERA_STOPPED;
    DWORD started = GetTickCount();

    HANDLE device = CreateFileW(device_path, GENERIC_WRITE, FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, NULL);
    if (device == INVALID_HANDLE_VALUE)
        return CAMERA_NOT_FOUND;
    Attempt *attempt = NewAttempt();
    if (attempt == NULL) {
        CloseHandle(device);
        return CAMERA_REQUEST_FAILED;
    }

    DWORD returned = 0;
    int in_flight = 0;
    int outcome =
        Request(device, attempt, IOCTL_EZUSB_VENDOR_OR_CLASS_REQUEST, &attempt->vendor_block,
                sizeof attempt->vendor_block, &attempt->reply, sizeof attempt->reply, started,
                timeout_ms, stop_event, &returned, &in_flight);
    if (outcome == CAMERA_FRAME) {
        outcome = Request(device, attempt, IOCTL_EZUSB_BULK_READ, &attempt->bulk_block,
                          sizeof attempt->bulk_block, attempt->frame, sizeof attempt->frame,
                          started, timeout_ms, stop_event, &returned, &in_flight);
        if (got != NULL)
            *got = returned;
        if (outcome == CAMERA_FRAME && returned < RAW_FRAME_BYTES)
            outcome = CAMERA_SHORT_READ;
        if (outcome == CAMERA_FRAME)
            memcpy(frame, attempt->frame, RAW_FRAME_BYTES);
    }
    // Closing does not end a request in flight; its attempt is left to it.
    CloseHandle(device);
    if (!in_flight)
        FreeAttempt(attempt);
    return outcome;
}

namespace {

struct TimedCamera {
    std::wstring path;
};

void *OpenTimedCamera(const char *device)
{
    int wide = MultiByteToWideChar(CP_UTF8, 0, device, -1, NULL, 0);
    if (wide <= 0)
        return NULL;
    TimedCamera *camera = new TimedCamera;
    camera->path.resize(static_cast<size_t>(wide));
    MultiByteToWideChar(CP_UTF8, 0, device, -1, &camera->path[0], wide);
    camera->path.resize(static_cast<size_t>(wide - 1));
    return camera;
}

// The stop signal as an event the capture's wait can include: a thread of
// the capture's own sets the event when the signal is raised, and ends when
// the capture does.
struct StopRelay {
    StopSignal *stop;
    HANDLE event;
    bool capture_done;  // under stop->lock
};

DWORD WINAPI RelayStop(void *context)
{
    StopRelay *relay = static_cast<StopRelay *>(context);
    std::unique_lock<std::mutex> hold(relay->stop->lock);
    relay->stop->raised_changed.wait(
        hold, [relay] { return relay->stop->raised || relay->capture_done; });
    if (relay->stop->raised)
        SetEvent(relay->event);
    return 0;
}

CameraOutcome TakeTimedFrame(void *camera, uint32_t timeout_ms, StopSignal *stop, uint8_t *frame,
                             uint32_t *got)
{
    if (StopRaised(stop))
        return CAMERA_STOPPED;
    StopRelay relay = {stop, NULL, false};
    HANDLE relay_thread = NULL;
    if (stop != NULL) {
        relay.event = CreateEventW(NULL, TRUE, FALSE, NULL);
        if (relay.event != NULL)
            relay_thread = CreateThread(NULL, 0, RelayStop, &relay, 0, NULL);
    }
    DWORD delivered = 0;
    int outcome = TakeCameraFrame(static_cast<TimedCamera *>(camera)->path.c_str(), timeout_ms,
                                  relay_thread != NULL ? relay.event : NULL, frame, &delivered);
    if (relay_thread != NULL) {
        {
            std::lock_guard<std::mutex> hold(stop->lock);
            relay.capture_done = true;
        }
        stop->raised_changed.notify_all();
        WaitForSingleObject(relay_thread, INFINITE);
        CloseHandle(relay_thread);
    }
    if (relay.event != NULL)
        CloseHandle(relay.event);
    *got = delivered;
    return static_cast<CameraOutcome>(outcome);
}

void CloseTimedCamera(void *camera)
{
    delete static_cast<TimedCamera *>(camera);
}

}  // namespace

CameraSeam TimedCameraSeam()
{
    CameraSeam seam = {OpenTimedCamera, TakeTimedFrame, CloseTimedCamera};
    return seam;
}
