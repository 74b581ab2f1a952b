// Camera access: one capture is one short conversation with the EZ-USB
// device driver, run on a worker thread that reports back to the window.
#ifndef PUKAVRO_WINDOW_CAPTURE_H
#define PUKAVRO_WINDOW_CAPTURE_H

#include <windows.h>
#include <stdint.h>

// Result of a capture: 0 frame received, -1 any failure.
typedef int CaptureStatus;

// Sent (not posted) by the worker to the owner window when a capture ends:
// wParam 0, lParam the CaptureStatus.
enum { MSG_CAPTURE_DONE = WM_USER + 1 };

// Handed to the worker by pointer.
struct CaptureRequest {
    HWND owner;
    uint8_t *buffer;
    int32_t length;
};

// The process's one capture request. The window points it at its frame
// buffer once; StartCapture sets the owner and hands it to the worker.
extern CaptureRequest g_capture_request;

// Open the device, send the vendor request, read one frame from the bulk
// pipe into buffer, close. Runs on the worker thread.
CaptureStatus RunCaptureTransaction(uint8_t *buffer, int32_t length);

// Worker thread body; parameter is the CaptureRequest. Runs the transaction,
// sends MSG_CAPTURE_DONE to the request's owner and returns 0.
DWORD WINAPI CaptureWorker(void *parameter);

// User-interface thread: sets g_capture_request's owner to window and starts
// one worker for it. Returns at once; if no worker could be started, it has
// already sent window MSG_CAPTURE_DONE with lParam -1.
void StartCapture(HWND window);

#endif
