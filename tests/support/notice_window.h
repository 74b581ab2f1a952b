// A window that receives MSG_CAPTURE_DONE for the capture tests and records
// how it was delivered.
#ifndef PUKAVRO_TESTS_NOTICE_WINDOW_H
#define PUKAVRO_TESTS_NOTICE_WINDOW_H

#include <windows.h>

#include "ezusbsim.h"

struct NoticeLog {
    int count;
    WPARAM wparam;
    LPARAM lparam;
    DWORD thread;               // the thread that handled the notice
    BOOL sent_from_other;       // InSendMessage(): a worker waits in SendMessageA
    int settled;                // ReadSettledCounters() while handling: 0 or -1
    EzusbsimCounters counters;  // the driver's counters at that moment
    BOOL owner_matches;         // g_capture_request.owner was this window
};

extern NoticeLog g_notices;

// A hidden top-level window on the calling thread, or NULL.
HWND CreateNoticeWindow();

// Pumps the calling thread's messages until count notices have arrived;
// bounded. Returns 0 or -1.
int PumpUntilNotices(int count);

#endif
