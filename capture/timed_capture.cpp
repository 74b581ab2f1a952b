// The tools' camera: the driver conversation that runs on the camera's
// thread, and its cancel. The caller never waits on the driver itself, so the
// time-out holds even against a driver that keeps its caller waiting inside a
// request (no pending, no cancel), which only the camera's thread then waits
// out.
#include <windows.h>
#include <stdint.h>

#include <mutex>
#include <new>
#include <string>

#include "timed_capture.h"
#include "camera_objects.h"
#include "camera_thread.h"
#include "ezusb.h"
#include "frame.h"

namespace {

// Belongs to one camera's thread: its requests' blocks and OVERLAPPED stay
// here until the thread is done with them.
struct DriverConversation {
    std::wstring path;
    // The camera's taker role, held for each conversation, so that no two
    // conversations of our programs on one camera overlap.
    SharedObject role_state = SHARED_OBJECT_FAILED;
    HANDLE role = NULL;
    HANDLE cancelled = NULL;  // set by a cancel: a wait for the role ends
    // Guards thread and device against the cancel, which comes from the
    // waiting thread.
    std::mutex lock;
    HANDLE thread = NULL;                  // the camera's thread, from its first run
    HANDLE device = INVALID_HANDLE_VALUE;  // open during a run
    OVERLAPPED overlapped;
    VendorRequestBlock vendor_block;
    BulkTransferBlock bulk_block;
    uint8_t reply;
};

void ReleaseConversation(void *context)
{
    DriverConversation *conversation = static_cast<DriverConversation *>(context);
    if (conversation->thread != NULL)
        CloseHandle(conversation->thread);
    CloseHandle(conversation->overlapped.hEvent);
    if (conversation->role != NULL)
        CloseHandle(conversation->role);
    if (conversation->cancelled != NULL)
        CloseHandle(conversation->cancelled);
    delete conversation;
}

// A request that fails because its device was removed under it: the camera
// is gone, as if it could not be opened. Removal reaches the caller as any of
// these, as the driver reports it.
CameraOutcome FailedRequest(DWORD error)
{
    switch (error) {
    case ERROR_DEVICE_NOT_CONNECTED:  // STATUS_DEVICE_NOT_CONNECTED under Wine
    case ERROR_NOT_READY:             // the same under Windows
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_FILE_NOT_FOUND:  // STATUS_NO_SUCH_DEVICE
        return CAMERA_NOT_FOUND;
    default:
        return CAMERA_REQUEST_FAILED;
    }
}

std::wstring WidePath(const char *device)
{
    std::wstring path;
    int wide = MultiByteToWideChar(CP_UTF8, 0, device, -1, NULL, 0);
    if (wide <= 0)
        return path;
    path.resize(static_cast<size_t>(wide));
    MultiByteToWideChar(CP_UTF8, 0, device, -1, &path[0], wide);
    path.resize(static_cast<size_t>(wide - 1));
    return path;
}

HANDLE OpenDevice(const std::wstring &path, DWORD flags)
{
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, NULL, OPEN_EXISTING, flags,
                       NULL);
}

// One request, waited for to its end on this thread. Sends nothing once the
// caller has given up. Overlapped, so a driver that pends its request is
// ended by CancelIoEx; one that waits inside it keeps this thread only.
CameraOutcome Request(DriverConversation *conversation, HANDLE device,
                      const std::atomic<bool> *given_up, DWORD code, void *in, DWORD in_bytes,
                      void *out, DWORD out_bytes, DWORD *returned)
{
    *returned = 0;
    if (given_up->load())
        return CAMERA_REQUEST_FAILED;
    OVERLAPPED *overlapped = &conversation->overlapped;
    ResetEvent(overlapped->hEvent);
    overlapped->Internal = 0;
    overlapped->InternalHigh = 0;
    overlapped->Offset = 0;
    overlapped->OffsetHigh = 0;
    if (DeviceIoControl(device, code, in, in_bytes, out, out_bytes, returned, overlapped))
        return CAMERA_FRAME;
    DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) {
        *returned = static_cast<DWORD>(overlapped->InternalHigh);
        return FailedRequest(error);
    }
    // A cancel that came before the request was out missed it.
    if (given_up->load())
        CancelIoEx(device, overlapped);
    if (GetOverlappedResult(device, overlapped, returned, TRUE))
        return CAMERA_FRAME;
    return FailedRequest(GetLastError());
}

CameraOutcome Converse(DriverConversation *conversation, const std::atomic<bool> *given_up,
                       uint8_t *frame, uint32_t *got);

CameraOutcome RunConversation(void *context, const std::atomic<bool> *given_up, uint8_t *frame,
                              uint32_t *got)
{
    DriverConversation *conversation = static_cast<DriverConversation *>(context);
    if (conversation->thread == NULL) {
        HANDLE thread = NULL;
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, 0,
                        FALSE, DUPLICATE_SAME_ACCESS);
        std::lock_guard<std::mutex> hold(conversation->lock);
        conversation->thread = thread;
    }
    if (conversation->role_state == SHARED_OBJECT_FOREIGN)
        return CAMERA_OTHER_USER;
    if (conversation->role == NULL)
        return CAMERA_REQUEST_FAILED;
    ResetEvent(conversation->cancelled);
    if (given_up->load())
        return CAMERA_REQUEST_FAILED;
    HANDLE waits[2] = {conversation->role, conversation->cancelled};
    DWORD waited = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    // Abandoned: its holder ended between conversations (a holder inside one
    // cannot end before its request does).
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED_0)
        return CAMERA_REQUEST_FAILED;
    CameraOutcome outcome = Converse(conversation, given_up, frame, got);
    ReleaseMutex(conversation->role);
    return outcome;
}

// Open, the vendor request, the bulk read, close: with the role held.
CameraOutcome Converse(DriverConversation *conversation, const std::atomic<bool> *given_up,
                       uint8_t *frame, uint32_t *got)
{
    if (given_up->load())
        return CAMERA_REQUEST_FAILED;
    HANDLE device = OpenDevice(conversation->path, FILE_FLAG_OVERLAPPED);
    if (device == INVALID_HANDLE_VALUE)
        return CAMERA_NOT_FOUND;
    {
        std::lock_guard<std::mutex> hold(conversation->lock);
        conversation->device = device;
    }

    DWORD returned = 0;
    CameraOutcome outcome =
        Request(conversation, device, given_up, IOCTL_EZUSB_VENDOR_OR_CLASS_REQUEST,
                &conversation->vendor_block, sizeof conversation->vendor_block,
                &conversation->reply, sizeof conversation->reply, &returned);
    if (outcome == CAMERA_FRAME) {
        outcome = Request(conversation, device, given_up, IOCTL_EZUSB_BULK_READ,
                          &conversation->bulk_block, sizeof conversation->bulk_block, frame,
                          RAW_FRAME_BYTES, &returned);
        *got = returned;
        if (outcome == CAMERA_FRAME && returned < RAW_FRAME_BYTES)
            outcome = CAMERA_SHORT_READ;
    }

    {
        std::lock_guard<std::mutex> hold(conversation->lock);
        conversation->device = INVALID_HANDLE_VALUE;
    }
    CloseHandle(device);
    return outcome;
}

// Neither may end a driver that waits inside its request; the caller then
// abandons the conversation.
void CancelConversation(void *context)
{
    DriverConversation *conversation = static_cast<DriverConversation *>(context);
    std::lock_guard<std::mutex> hold(conversation->lock);
    SetEvent(conversation->cancelled);
    if (conversation->thread != NULL)
        CancelSynchronousIo(conversation->thread);
    if (conversation->device != INVALID_HANDLE_VALUE)
        CancelIoEx(conversation->device, NULL);
}

void *OpenTimedCamera(const char *device)
{
    std::wstring path = WidePath(device);
    if (path.empty())
        return NULL;
    DriverConversation *conversation = new (std::nothrow) DriverConversation;
    if (conversation == NULL)
        return NULL;
    conversation->path = path;
    ZeroMemory(&conversation->overlapped, sizeof conversation->overlapped);
    conversation->overlapped.hEvent = CreateEventW(NULL, TRUE, FALSE, NULL);
    conversation->cancelled = CreateEventW(NULL, TRUE, FALSE, NULL);
    if (conversation->overlapped.hEvent == NULL || conversation->cancelled == NULL) {
        ReleaseConversation(conversation);
        return NULL;
    }
    std::wstring base = CameraObjectBase(device);
    if (!base.empty())
        conversation->role_state = CreateCameraMutex(base, &conversation->role);
    FillCaptureRequest(&conversation->vendor_block);
    conversation->bulk_block.pipe = BULK_PIPE_FRAME;
    conversation->reply = 0;
    CameraConversation hooks = {conversation, RunConversation, CancelConversation,
                                ReleaseConversation};
    return StartCameraThread(hooks);
}

CameraOutcome TakeTimedFrame(void *camera, uint32_t timeout_ms, StopSignal *stop, uint8_t *frame,
                             uint32_t *got)
{
    return TakeFrameOnThread(static_cast<CameraThread *>(camera), timeout_ms, stop, frame, got);
}

void CloseTimedCamera(void *camera)
{
    EndCameraThread(static_cast<CameraThread *>(camera));
}

CameraPresence ProbeTimedCamera(const char *device)
{
    std::wstring path = WidePath(device);
    HANDLE opened = path.empty() ? INVALID_HANDLE_VALUE : OpenDevice(path, 0);
    if (opened == INVALID_HANDLE_VALUE)
        return CAMERA_ABSENT;
    CloseHandle(opened);
    return CAMERA_PRESENT;
}

}  // namespace

CameraSeam TimedCameraSeam()
{
    CameraSeam seam = {OpenTimedCamera, TakeTimedFrame, CloseTimedCamera, ProbeTimedCamera};
    return seam;
}
