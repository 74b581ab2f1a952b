// StartCapture and the worker: the notice reaches the window on its own
// thread, sent, after the device was closed, once per capture.
#include <windows.h>
#include <string.h>

#include <vector>

#include <gtest/gtest.h>

#include "bytes.h"
#include "window_capture.h"
#include "notice_window.h"
#include "camera_fixture.h"

namespace {

const uint8_t SENTINEL = 0x5A;

uint8_t g_frame[EZUSBSIM_FRAME_BYTES];

class CaptureWorkerTest : public SimulatedCamera {
protected:
    HWND window = NULL;

    void SetUp() override
    {
        SimulatedCamera::SetUp();
        memset(&g_notices, 0, sizeof g_notices);
        memset(g_frame, SENTINEL, sizeof g_frame);
        g_capture_request.owner = NULL;
        g_capture_request.buffer = g_frame;
        g_capture_request.length = EZUSBSIM_FRAME_BYTES;
        window = CreateNoticeWindow();
        ASSERT_TRUE(window != NULL);
    }

    void TearDown() override
    {
        DestroyWindow(window);
        SimulatedCamera::TearDown();
    }
};

TEST_F(CaptureWorkerTest, DeliversSuccessWhileTheWorkerWaits)
{
    StartCapture(window);
    ASSERT_EQ(0, PumpUntilNotices(1));

    EXPECT_EQ(1, g_notices.count);
    EXPECT_EQ(0u, g_notices.wparam);
    EXPECT_EQ(0, g_notices.lparam);
    EXPECT_EQ(GetCurrentThreadId(), g_notices.thread);
    EXPECT_TRUE(g_notices.sent_from_other);
    EXPECT_TRUE(g_notices.owner_matches);
    // Closed before the notice: the counters had settled inside the handler.
    EXPECT_EQ(0, g_notices.settled);
    EXPECT_EQ(1u, g_notices.counters.opens);
    EXPECT_EQ(1u, g_notices.counters.closes);
    EXPECT_EQ(1u, g_notices.counters.bulk_reads);

    std::vector<uint8_t> expected(EZUSBSIM_FRAME_BYTES);
    EzusbsimTestPicture(expected.data(), 0);
    EXPECT_EQ(-1, FirstDifference(g_frame, expected.data(), EZUSBSIM_FRAME_BYTES));
}

TEST_F(CaptureWorkerTest, DeliversFailureAsMinusOne)
{
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_BULK_FAIL, 1));
    StartCapture(window);
    ASSERT_EQ(0, PumpUntilNotices(1));

    EXPECT_EQ(0u, g_notices.wparam);
    EXPECT_EQ(-1, g_notices.lparam);
    EXPECT_TRUE(g_notices.sent_from_other);
    EXPECT_EQ(0, g_notices.settled);
    EXPECT_EQ(1u, g_notices.counters.opens);
    EXPECT_EQ(1u, g_notices.counters.closes);
    EXPECT_EQ(-1, FirstNotEqualTo(g_frame, SENTINEL, EZUSBSIM_FRAME_BYTES));
}

TEST_F(CaptureWorkerTest, EachCaptureOpensAndClosesOnce)
{
    for (int i = 1; i <= 3; i++) {
        StartCapture(window);
        ASSERT_EQ(0, PumpUntilNotices(i));
        EXPECT_EQ(0, g_notices.lparam);
        EXPECT_EQ(static_cast<uint32_t>(i), g_notices.counters.opens);
        EXPECT_EQ(static_cast<uint32_t>(i), g_notices.counters.closes);
    }
    std::vector<uint8_t> expected(EZUSBSIM_FRAME_BYTES);
    EzusbsimTestPicture(expected.data(), 2);
    EXPECT_EQ(-1, FirstDifference(g_frame, expected.data(), EZUSBSIM_FRAME_BYTES));

    EzusbsimCounters counters;
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(3u, counters.opens);
    EXPECT_EQ(3u, counters.closes);
    EXPECT_EQ(3u, counters.vendor_requests);
    EXPECT_EQ(3u, counters.bulk_reads);
}

}  // namespace
