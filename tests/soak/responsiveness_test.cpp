// The window while the camera is slow: each of its two requests is answered
// 3 s late, and meanwhile the window answers messages, paints itself again
// when uncovered, opens and closes the About box, and ends at once on Exit.
// The response times are printed for the performance figures; only a hang
// fails.
#include <windows.h>
#include <stdio.h>

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "clock.h"
#include "cover_window.h"
#include "dialogs.h"
#include "input.h"
#include "process_figures.h"
#include "pukavro_fixture.h"
#include "screen.h"
#include "wait.h"

namespace {

const DWORD CAMERA_LATE_MS = 3000;
// Generous: a window that takes this long to answer is hung, not slow; yet
// less than a request is late, so a window that waits for the camera fails.
const UINT PING_LIMIT_MS = 2000;

class SlowCamera : public PukavroTest {
protected:
    // Clicks Capture with the camera answering late and waits until it
    // holds the vendor request.
    void StartSlowCapture()
    {
        ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_DELAY_MS, CAMERA_LATE_MS));
        ASSERT_EQ(0, ClickControl(Control(ID_CAPTURE)));
        ASSERT_EQ(0, WaitForPendingRequests(1));
    }

    // The capture is still waiting for the camera's first answer.
    ::testing::AssertionResult StillWaiting()
    {
        EzusbsimCounters counters;
        if (ReadCounters(&counters) != 0)
            return ::testing::AssertionFailure() << "no counters";
        if (counters.pending != 1 || counters.bulk_reads != 0)
            return ::testing::AssertionFailure()
                   << "the camera answered already: " << counters.bulk_reads << " reads, "
                   << counters.pending << " pending";
        if (IsWindowEnabled(Control(ID_CAPTURE)))
            return ::testing::AssertionFailure() << "Capture is enabled";
        return ::testing::AssertionSuccess();
    }

    // The capture ends with the camera's frame on screen.
    void ExpectCaptureEnds()
    {
        EXPECT_TRUE(WaitUntil([this] { return IsWindowEnabled(Control(ID_CAPTURE)) != FALSE; }));
        EXPECT_TRUE(WaitForCaptureAndSave(app.window, true));
        EXPECT_TRUE(ShowsPicture(app.window, CameraPicture(0)));
    }
};

TEST_F(SlowCamera, WindowKeepsAnswering)
{
    StartSlowCapture();
    if (HasFatalFailure())
        return;
    std::vector<double> times;
    bool hung = false;
    double start = NowMs();
    bool ended = WaitUntil([&] {
        double ms = 0;
        if (PingWindow(app.window, PING_LIMIT_MS, &ms) != 0) {
            hung = true;
            return true;
        }
        times.push_back(ms);
        return IsWindowEnabled(Control(ID_CAPTURE)) != FALSE;
    });
    double end = NowMs();
    ASSERT_FALSE(hung) << "no answer within " << PING_LIMIT_MS << " ms after " << times.size()
                       << " answers";
    ASSERT_TRUE(ended) << "the capture did not end";
    ASSERT_FALSE(times.empty());

    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    printf("responsiveness: %u WM_NULL answers during a %.1f s capture: median %.2f ms, "
           "max %.2f ms\n",
           static_cast<unsigned>(sorted.size()), (end - start) / 1000.0, sorted[sorted.size() / 2],
           sorted.back());
    fflush(stdout);
    ExpectCaptureEnds();
}

TEST_F(SlowCamera, RepaintsWhenUncovered)
{
    StartSlowCapture();
    if (HasFatalFailure())
        return;
    POINT origin = {PICTURE_X, PICTURE_Y};
    ASSERT_TRUE(ClientToScreen(app.window, &origin));
    RECT over = {origin.x - 4, origin.y - 4, origin.x + PICTURE_WIDTH + 4,
                 origin.y + PICTURE_HEIGHT + 4};
    HWND cover = CreateCover(over);
    ASSERT_TRUE(cover != NULL);
    Pixels covered = {PICTURE_WIDTH, PICTURE_HEIGHT,
                      std::vector<uint32_t>(PICTURE_WIDTH * PICTURE_HEIGHT, COVER_RGB)};
    Pixels seen;
    bool shown = WaitForPicture(app.window, covered, &seen);
    DestroyWindow(cover);
    ASSERT_TRUE(shown) << "the cover never hid the picture";

    // Painted again from the same bits: still the first picture.
    EXPECT_TRUE(ShowsPicture(app.window, FirstPicture()));
    EXPECT_TRUE(StillWaiting());
    ExpectCaptureEnds();
}

TEST_F(SlowCamera, AboutBoxOpensAndCloses)
{
    StartSlowCapture();
    if (HasFatalFailure())
        return;
    ASSERT_EQ(0, PressAltCharacter('?'));
    HWND box = WaitForDialog(app.info.dwProcessId);
    ASSERT_TRUE(box != NULL) << "no About box";
    EXPECT_EQ(ABOUT_TITLE, WindowText(box));
    EXPECT_FALSE(IsWindowEnabled(app.window));
    ASSERT_EQ(0, ClickControl(GetDlgItem(box, IDOK)));
    ASSERT_TRUE(WaitForDialogClosed(box));
    EXPECT_TRUE(WaitUntil([this] { return IsWindowEnabled(app.window) != FALSE; }));
    EXPECT_TRUE(StillWaiting());
    ExpectCaptureEnds();
}

// Nothing waits for the camera: the process is gone before the camera has
// answered even the vendor request.
TEST_F(SlowCamera, ExitEndsAtOnce)
{
    StartSlowCapture();
    if (HasFatalFailure())
        return;
    double start = NowMs();
    ASSERT_EQ(0, ClickControl(Control(ID_EXIT)));
    DWORD exit_code = 0xDEADBEEF;
    ASSERT_EQ(0, WaitForExit(&app, HANG_MS, &exit_code));
    double end = NowMs();
    EXPECT_EQ(0u, exit_code);
    printf("responsiveness: Exit during a slow capture ended the process in %.0f ms\n",
           (end - start));
    fflush(stdout);

    EzusbsimCounters counters;
    ASSERT_EQ(0, ReadCounters(&counters));
    EXPECT_EQ(1u, counters.vendor_requests);
    EXPECT_EQ(0u, counters.bulk_reads);
    EXPECT_EQ(0u, counters.frames_sent);
}

}  // namespace
