// The capture worker: runs one transaction off the user-interface thread and
// reports it to the owner window with a synchronous notice.
#include <windows.h>

#include "window_capture.h"
#include "thread_start.h"

DWORD WINAPI CaptureWorker(void *parameter)
{
    CaptureRequest *request = static_cast<CaptureRequest *>(parameter);
    CaptureStatus status = RunCaptureTransaction(request->buffer, request->length);
    // Sent, not posted: the window uses the frame while this thread waits
    // here, done with the buffer. The owner is read now, not at start.
    SendMessageA(request->owner, MSG_CAPTURE_DONE, 0, static_cast<LPARAM>(status));
    return 0;
}

void StartCapture(HWND window)
{
    g_capture_request.owner = window;
    if (StartWorkerThread(CaptureWorker, &g_capture_request) != 0) {
        // No worker means no notice: fail the capture here, on this thread,
        // so the window gives its buttons back.
        SendMessageA(window, MSG_CAPTURE_DONE, 0, static_cast<LPARAM>(-1));
    }
}
