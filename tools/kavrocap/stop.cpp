#include "kavrocap.h"

namespace {

// The console calls its handler with no context of ours, on a thread of its
// own: the event it sets must be reachable from here.
HANDLE stop_event = NULL;

BOOL WINAPI OnConsoleControl(DWORD type)
{
    if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) {
        SetEvent(stop_event);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

HANDLE StartStopSignal()
{
    stop_event = CreateEventW(NULL, TRUE, FALSE, NULL);
    if (stop_event == NULL)
        return NULL;
    if (!SetConsoleCtrlHandler(OnConsoleControl, TRUE)) {
        CloseHandle(stop_event);
        stop_event = NULL;
    }
    return stop_event;
}

int64_t SteadyMicroseconds(void *)
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return now.QuadPart / frequency.QuadPart * 1000000
           + now.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
}

int WaitUnlessStopped(void *context, int64_t us)
{
    // Whole milliseconds, rounded up: the schedule waits again if this comes
    // back early, never starts a frame before its time.
    int64_t ms = (us + 999) / 1000;
    if (ms > 0x7FFFFFFF)
        ms = 0x7FFFFFFF;
    return WaitForSingleObject(static_cast<HANDLE>(context), static_cast<DWORD>(ms))
           == WAIT_OBJECT_0;
}
