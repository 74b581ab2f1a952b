// RunCaptureTransaction against the simulated camera: what it returns, what
// lands in the buffer, and what the driver saw.
#include <windows.h>
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bytes.h"
#include "window_capture.h"
#include "expected.h"
#include "files.h"
#include "camera_fixture.h"
#include "hang_limit.h"

namespace {

const uint8_t SENTINEL = 0x5A;

class CaptureTransaction : public SimulatedCamera {
protected:
    std::vector<uint8_t> buffer = std::vector<uint8_t>(EZUSBSIM_FRAME_BYTES, SENTINEL);
    std::vector<uint8_t> expected = std::vector<uint8_t>(EZUSBSIM_FRAME_BYTES);
    EzusbsimCounters counters;
};

TEST_F(CaptureTransaction, TwoCapturesGetSuccessiveFramesAndOpenAndCloseTwice)
{
    std::vector<uint8_t> first(EZUSBSIM_FRAME_BYTES, SENTINEL);
    ASSERT_EQ(0, RunCaptureTransaction(first.data(), EZUSBSIM_FRAME_BYTES));
    ASSERT_EQ(0, RunCaptureTransaction(buffer.data(), EZUSBSIM_FRAME_BYTES));

    EzusbsimTestPicture(expected.data(), 0);
    EXPECT_EQ(-1, FirstDifference(first.data(), expected.data(), EZUSBSIM_FRAME_BYTES));
    EzusbsimTestPicture(expected.data(), 1);
    EXPECT_EQ(-1, FirstDifference(buffer.data(), expected.data(), EZUSBSIM_FRAME_BYTES));
    EXPECT_NE(-1, FirstDifference(first.data(), buffer.data(), EZUSBSIM_FRAME_BYTES));

    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(2u, counters.opens);
    EXPECT_EQ(2u, counters.closes);
    EXPECT_EQ(2u, counters.vendor_requests);
    EXPECT_EQ(2u, counters.bulk_reads);
    EXPECT_EQ(2u, counters.frames_sent);
    EXPECT_EQ(0u, counters.rejected);
}

TEST_F(CaptureTransaction, SendsExactlyWhatTheCameraExpects)
{
    ASSERT_EQ(0, RunCaptureTransaction(buffer.data(), EZUSBSIM_FRAME_BYTES));
    ASSERT_EQ(0, ReadSettledCounters(&counters));

    EXPECT_EQ(static_cast<uint32_t>(FILE_SHARE_WRITE), counters.last_open_share);

    EXPECT_EQ(10u, counters.last_vendor_in_bytes);
    EXPECT_EQ(1u, counters.last_vendor_out_bytes);
    EXPECT_EQ(-1, FirstDifference(counters.last_vendor_block, VENDOR_BLOCK, sizeof VENDOR_BLOCK));
    EXPECT_EQ(4u, counters.last_bulk_in_bytes);
    EXPECT_EQ(7u, counters.last_bulk_pipe);
    EXPECT_EQ(13824u, counters.last_bulk_out_bytes);
}

TEST_F(CaptureTransaction, NoDeviceFailsWithoutTouchingTheBuffer)
{
    ASSERT_EQ(0, StopCamera());
    EXPECT_EQ(-1, RunCaptureTransaction(buffer.data(), EZUSBSIM_FRAME_BYTES));
    EXPECT_EQ(-1, FirstNotEqualTo(buffer.data(), SENTINEL, EZUSBSIM_FRAME_BYTES));

    // Plugged in again, the camera answers; it starts afresh.
    ASSERT_EQ(0, StartCamera());
    ASSERT_EQ(0, RunCaptureTransaction(buffer.data(), EZUSBSIM_FRAME_BYTES));
    EzusbsimTestPicture(expected.data(), 0);
    EXPECT_EQ(-1, FirstDifference(buffer.data(), expected.data(), EZUSBSIM_FRAME_BYTES));
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(1u, counters.opens);
    EXPECT_EQ(1u, counters.vendor_requests);
}

TEST_F(CaptureTransaction, FailedVendorRequestSkipsTheBulkReadAndCloses)
{
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_VENDOR_FAIL, 1));
    EXPECT_EQ(-1, RunCaptureTransaction(buffer.data(), EZUSBSIM_FRAME_BYTES));

    EXPECT_EQ(-1, FirstNotEqualTo(buffer.data(), SENTINEL, EZUSBSIM_FRAME_BYTES));
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(1u, counters.opens);
    EXPECT_EQ(1u, counters.closes);
    EXPECT_EQ(1u, counters.vendor_requests);
    EXPECT_EQ(0u, counters.bulk_reads);
}

TEST_F(CaptureTransaction, FailedBulkReadKeepsWhatTheDriverLeft)
{
    // Nothing delivered: the buffer is neither cleared nor restored.
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_BULK_FAIL, 1));
    EXPECT_EQ(-1, RunCaptureTransaction(buffer.data(), EZUSBSIM_FRAME_BYTES));
    EXPECT_EQ(-1, FirstNotEqualTo(buffer.data(), SENTINEL, EZUSBSIM_FRAME_BYTES));

    // The transfer breaks off after 1000 bytes: those stay, the rest too.
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_BULK_BYTES, 1000));
    EXPECT_EQ(-1, RunCaptureTransaction(buffer.data(), EZUSBSIM_FRAME_BYTES));
    EzusbsimTestPicture(expected.data(), 0);
    EXPECT_EQ(-1, FirstDifference(buffer.data(), expected.data(), 1000));
    EXPECT_EQ(-1, FirstNotEqualTo(buffer.data() + 1000, SENTINEL, EZUSBSIM_FRAME_BYTES - 1000));

    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(2u, counters.opens);
    EXPECT_EQ(2u, counters.closes);
    EXPECT_EQ(2u, counters.bulk_reads);
}

TEST_F(CaptureTransaction, ShortReadSucceedsAndLeavesTheRestAsItWas)
{
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_BULK_BYTES, 5000));
    EXPECT_EQ(0, RunCaptureTransaction(buffer.data(), EZUSBSIM_FRAME_BYTES));

    EzusbsimTestPicture(expected.data(), 0);
    EXPECT_EQ(-1, FirstDifference(buffer.data(), expected.data(), 5000));
    EXPECT_EQ(-1, FirstNotEqualTo(buffer.data() + 5000, SENTINEL, EZUSBSIM_FRAME_BYTES - 5000));
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(1u, counters.bulk_reads);
    EXPECT_EQ(1u, counters.closes);
}

TEST_F(CaptureTransaction, ServesTheNamedFrameFile)
{
    std::string folder;
    ASSERT_EQ(0, MakeTempFolder(&folder));
    std::string path = PathIn(folder, "served.bin");
    std::vector<uint8_t> served(EZUSBSIM_FRAME_BYTES);
    for (int i = 0; i < EZUSBSIM_FRAME_BYTES; i++)
        served[i] = static_cast<uint8_t>(i * 7 % 251);

    EXPECT_EQ(0, WriteFileBytes(path, served.data(), served.size()));
    EXPECT_EQ(0, SetFrameFile(path.c_str()));
    EXPECT_EQ(0, RunCaptureTransaction(buffer.data(), EZUSBSIM_FRAME_BYTES));
    EXPECT_EQ(-1, FirstDifference(buffer.data(), served.data(), EZUSBSIM_FRAME_BYTES));

    // A file shorter than a frame makes the bulk read fail.
    std::fill(buffer.begin(), buffer.end(), SENTINEL);
    EXPECT_EQ(0, WriteFileBytes(path, served.data(), 100));
    EXPECT_EQ(-1, RunCaptureTransaction(buffer.data(), EZUSBSIM_FRAME_BYTES));
    EXPECT_EQ(-1, FirstNotEqualTo(buffer.data(), SENTINEL, EZUSBSIM_FRAME_BYTES));

    EXPECT_EQ(0, RemoveFolder(folder));
}

struct BackgroundCapture {
    uint8_t *buffer;
    CaptureStatus status;
};

DWORD WINAPI CaptureInBackground(void *parameter)
{
    BackgroundCapture *capture = static_cast<BackgroundCapture *>(parameter);
    capture->status = RunCaptureTransaction(capture->buffer, EZUSBSIM_FRAME_BYTES);
    return 0;
}

// A slow camera holds up only its own caller: while the vendor request waits
// in the driver, the driver still opens the device for someone else.
TEST_F(CaptureTransaction, SlowCameraStillCapturesAndLeavesTheDriverFree)
{
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_VENDOR_DELAY_MS, 4000));
    BackgroundCapture capture = {buffer.data(), 1};
    HANDLE thread = CreateThread(NULL, 0, CaptureInBackground, &capture, 0, NULL);
    ASSERT_TRUE(thread != NULL);

    ASSERT_EQ(0, WaitForPendingRequests(1));
    HANDLE other = OpenCamera();
    EXPECT_NE(INVALID_HANDLE_VALUE, other);
    ASSERT_EQ(0, ReadCounters(&counters));
    EXPECT_EQ(2u, counters.opens);
    EXPECT_EQ(1u, counters.pending);
    EXPECT_EQ(1u, counters.vendor_requests);
    EXPECT_EQ(0u, counters.bulk_reads);
    CloseHandle(other);

    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, HANG_MS));
    CloseHandle(thread);
    EXPECT_EQ(0, capture.status);
    EzusbsimTestPicture(expected.data(), 0);
    EXPECT_EQ(-1, FirstDifference(buffer.data(), expected.data(), EZUSBSIM_FRAME_BYTES));
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(2u, counters.opens);
    EXPECT_EQ(2u, counters.closes);
}

// Unplugged while a request waits in the driver: the capture fails and the
// camera comes back when started again.
TEST_F(CaptureTransaction, CameraRemovedDuringACaptureFailsIt)
{
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_DELAY_MS, 60000));
    BackgroundCapture capture = {buffer.data(), 0};
    HANDLE thread = CreateThread(NULL, 0, CaptureInBackground, &capture, 0, NULL);
    ASSERT_TRUE(thread != NULL);
    ASSERT_EQ(0, WaitForPendingRequests(1));

    ASSERT_EQ(0, StopCamera());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, HANG_MS));
    CloseHandle(thread);
    EXPECT_EQ(-1, capture.status);
    EXPECT_EQ(-1, FirstNotEqualTo(buffer.data(), SENTINEL, EZUSBSIM_FRAME_BYTES));

    ASSERT_EQ(0, ClearKnobs());
    ASSERT_EQ(0, StartCamera());
    EXPECT_EQ(0, RunCaptureTransaction(buffer.data(), EZUSBSIM_FRAME_BYTES));
}

}  // namespace
