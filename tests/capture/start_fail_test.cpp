// When no worker can be started, the capture is reported failed at once, on
// the window's own thread, and the camera is never touched.
#include <windows.h>
#include <string.h>

#include <gtest/gtest.h>

#include "window_capture.h"
#include "notice_window.h"
#include "camera_fixture.h"

extern LPTHREAD_START_ROUTINE g_start_routine;
extern void *g_start_argument;
extern int g_start_calls;

namespace {

uint8_t g_frame[EZUSBSIM_FRAME_BYTES];

class CaptureWithoutThreads : public SimulatedCamera {};

TEST_F(CaptureWithoutThreads, ReportsFailureBeforeReturning)
{
    memset(&g_notices, 0, sizeof g_notices);
    g_capture_request.buffer = g_frame;
    g_capture_request.length = EZUSBSIM_FRAME_BYTES;
    HWND window = CreateNoticeWindow();
    ASSERT_TRUE(window != NULL);

    StartCapture(window);

    // Handled inside StartCapture, without a message loop.
    EXPECT_EQ(1, g_notices.count);
    EXPECT_EQ(0u, g_notices.wparam);
    EXPECT_EQ(-1, g_notices.lparam);
    EXPECT_EQ(GetCurrentThreadId(), g_notices.thread);
    EXPECT_FALSE(g_notices.sent_from_other);
    EXPECT_TRUE(g_notices.owner_matches);

    EXPECT_EQ(1, g_start_calls);
    EXPECT_EQ(CaptureWorker, g_start_routine);
    EXPECT_EQ(&g_capture_request, g_start_argument);

    EXPECT_EQ(0, g_notices.settled);
    EXPECT_EQ(0u, g_notices.counters.opens);
    EXPECT_EQ(0u, g_notices.counters.vendor_requests);
    DestroyWindow(window);
}

}  // namespace
