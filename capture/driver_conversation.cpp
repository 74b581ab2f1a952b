// The driver conversation that runs on the camera's thread, and its cancel.
// The caller never waits on the driver itself, so the time-out holds even
// against a driver that keeps its caller waiting inside a request (no
// pending, no cancel), which only the camera's thread then waits out.
#include "driver_conversation.h"

#include <mutex>
#include <new>
#include <string>

#include "ezusb.h"
#include "frame.h"

namespace {

// Belongs to one camera's thread: its requests' blocks and OVERLAPPED stay
// here until the thread is done with them.
struct DriverConversation {
    std::wstring path;
    ConversationRecord record;
    CameraBoard *board = NULL;  // this conversation's own view
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
    if (conversation->overlapped.hEvent != NULL)
        CloseHandle(conversation->overlapped.hEvent);
    if (conversation->board != NULL)
        UnmapViewOfFile(conversation->board);
    if (conversation->record.mapping != NULL)
        CloseHandle(conversation->record.mapping);
    delete conversation;
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

// Out from the open to the close, as the driver sees a conversation.
void RecordOut(DriverConversation *conversation, bool out)
{
    BoardRecord record;
    ZeroMemory(&record, sizeof record);
    if (out) {
        record.active = 1;
        record.process = conversation->record.process;
        record.sequence = LoadStarted(conversation->board);
        CopyMemory(record.name, conversation->record.name, sizeof record.name);
    }
    WriteRecord(&conversation->board->out, record);
}

CameraOutcome Converse(DriverConversation *conversation, const std::atomic<bool> *given_up,
                       uint8_t *frame, uint32_t *got)
{
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
    if (given_up->load())
        return CAMERA_REQUEST_FAILED;
    RecordOut(conversation, true);
    CameraOutcome outcome = Converse(conversation, given_up, frame, got);
    RecordOut(conversation, false);
    return outcome;
}

// Neither may end a driver that waits inside its request; the caller then
// abandons the conversation.
void CancelConversation(void *context)
{
    DriverConversation *conversation = static_cast<DriverConversation *>(context);
    std::lock_guard<std::mutex> hold(conversation->lock);
    if (conversation->thread != NULL)
        CancelSynchronousIo(conversation->thread);
    if (conversation->device != INVALID_HANDLE_VALUE)
        CancelIoEx(conversation->device, NULL);
}

}  // namespace

CameraOutcome FailedRequest(DWORD error)
{
    // Removal reaches the caller as any of these, as the driver reports it.
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

CameraThread *StartDriverConversation(const wchar_t *device, const ConversationRecord &record)
{
    DriverConversation *conversation = new (std::nothrow) DriverConversation;
    if (conversation == NULL)
        return NULL;
    conversation->path = device;
    conversation->record = record;
    conversation->record.mapping = NULL;
    ZeroMemory(&conversation->overlapped, sizeof conversation->overlapped);
    conversation->overlapped.hEvent = CreateEventW(NULL, TRUE, FALSE, NULL);
    HANDLE process = GetCurrentProcess();
    if (DuplicateHandle(process, record.mapping, process, &conversation->record.mapping, 0, FALSE,
                        DUPLICATE_SAME_ACCESS))
        conversation->board = static_cast<CameraBoard *>(
            MapViewOfFile(conversation->record.mapping, FILE_MAP_WRITE, 0, 0, sizeof(CameraBoard)));
    if (conversation->overlapped.hEvent == NULL || conversation->board == NULL) {
        ReleaseConversation(conversation);
        return NULL;
    }
    FillCaptureRequest(&conversation->vendor_block);
    conversation->bulk_block.pipe = BULK_PIPE_FRAME;
    conversation->reply = 0;
    CameraConversation hooks = {conversation, RunConversation, CancelConversation,
                                ReleaseConversation};
    return StartCameraThread(hooks);
}
