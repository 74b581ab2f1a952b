#include "notice_window.h"

#include <string.h>

#include "sim_controls.h"
#include "window_capture.h"
#include "wait.h"

NoticeLog g_notices;

namespace {

const char CLASS_NAME[] = "PukavroCaptureNoticeTest";
LRESULT CALLBACK NoticeWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message != MSG_CAPTURE_DONE)
        return DefWindowProcA(window, message, wparam, lparam);
    g_notices.count++;
    g_notices.wparam = wparam;
    g_notices.lparam = lparam;
    g_notices.thread = GetCurrentThreadId();
    g_notices.sent_from_other = InSendMessage();
    g_notices.owner_matches = g_capture_request.owner == window;
    // The worker is blocked in SendMessageA right now: if it had not closed
    // the device yet, the close could not arrive and this would give up.
    g_notices.settled = ReadSettledCounters(&g_notices.counters);
    return 0;
}

}  // namespace

HWND CreateNoticeWindow()
{
    WNDCLASSEXA window_class;
    memset(&window_class, 0, sizeof window_class);
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = NoticeWindowProc;
    window_class.hInstance = GetModuleHandleA(NULL);
    window_class.lpszClassName = CLASS_NAME;
    RegisterClassExA(&window_class);  // already registered by an earlier test: fine
    return CreateWindowExA(0, CLASS_NAME, "capture notices", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                           NULL, NULL, GetModuleHandleA(NULL), NULL);
}

int PumpUntilNotices(int count)
{
    return WaitUntil([count] { return g_notices.count >= count; }) ? 0 : -1;
}
