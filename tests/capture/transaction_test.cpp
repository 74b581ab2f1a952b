// RunCaptureTransaction against the simulated camera: what it returns, what
// lands in the buffer, and what the driver saw.
#include <windows.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include <gtest/gtest.h>

#include "camera_sim.h"
#include "capture.h"
#include "frame.h"

namespace {

const uint8_t SENTINEL = 0x5A;

class CaptureTransaction : public SimulatedCamera {
protected:
    std::vector<uint8_t> buffer = std::vector<uint8_t>(RAW_FRAME_BYTES, SENTINEL);
    std::vector<uint8_t> expected = std::vector<uint8_t>(RAW_FRAME_BYTES);
    EzusbsimCounters counters;
};

TEST_F(CaptureTransaction, TwoCapturesGetSuccessiveFramesAndOpenAndCloseTwice)
{
    std::vector<uint8_t> first(RAW_FRAME_BYTES, SENTINEL);
    ASSERT_EQ(0, RunCaptureTransaction(first.data(), RAW_FRAME_BYTES));
    ASSERT_EQ(0, RunCaptureTransaction(buffer.data(), RAW_FRAME_BYTES));

    EzusbsimTestPicture(expected.data(), 0);
    EXPECT_EQ(-1, FirstDifference(first.data(), expected.data(), RAW_FRAME_BYTES));
    EzusbsimTestPicture(expected.data(), 1);
    EXPECT_EQ(-1, FirstDifference(buffer.data(), expected.data(), RAW_FRAME_BYTES));
    EXPECT_NE(-1, FirstDifference(first.data(), buffer.data(), RAW_FRAME_BYTES));

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
    ASSERT_EQ(0, RunCaptureTransaction(buffer.data(), RAW_FRAME_BYTES));
    ASSERT_EQ(0, ReadSettledCounters(&counters));

    EXPECT_EQ(static_cast<uint32_t>(FILE_SHARE_WRITE), counters.last_open_share);

    const uint8_t vendor_block[16] = {0x01, 0x02, 0x00, 0x00, 0xA8, 0xCC, 0x01, 0x00, 0xCC, 0xCC};
    EXPECT_EQ(10u, counters.last_vendor_in_bytes);
    EXPECT_EQ(1u, counters.last_vendor_out_bytes);
    EXPECT_EQ(-1, FirstDifference(counters.last_vendor_block, vendor_block, 16));
    EXPECT_EQ(4u, counters.last_bulk_in_bytes);
    EXPECT_EQ(7u, counters.last_bulk_pipe);
    EXPECT_EQ(13824u, counters.last_bulk_out_bytes);
}

TEST_F(CaptureTransaction, NoDeviceFailsWithoutTouchingTheBuffer)
{
    ASSERT_EQ(0, StopCamera());
    EXPECT_EQ(-1, RunCaptureTransaction(buffer.data(), RAW_FRAME_BYTES));
    EXPECT_EQ(-1, FirstNotEqualTo(buffer.data(), SENTINEL, RAW_FRAME_BYTES));

    // Plugged in again, the camera answers; it starts afresh.
    ASSERT_EQ(0, StartCamera());
    ASSERT_EQ(0, RunCaptureTransaction(buffer.data(), RAW_FRAME_BYTES));
    EzusbsimTestPicture(expected.data(), 0);
    EXPECT_EQ(-1, FirstDifference(buffer.data(), expected.data(), RAW_FRAME_BYTES));
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(1u, counters.opens);
    EXPECT_EQ(1u, counters.vendor_requests);
}

TEST_F(CaptureTransaction, FailedVendorRequestSkipsTheBulkReadAndCloses)
{
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_VENDOR_FAIL, 1));
    EXPECT_EQ(-1, RunCaptureTransaction(buffer.data(), RAW_FRAME_BYTES));

    EXPECT_EQ(-1, FirstNotEqualTo(buffer.data(), SENTINEL, RAW_FRAME_BYTES));
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
    EXPECT_EQ(-1, RunCaptureTransaction(buffer.data(), RAW_FRAME_BYTES));
    EXPECT_EQ(-1, FirstNotEqualTo(buffer.data(), SENTINEL, RAW_FRAME_BYTES));

    // The transfer breaks off after 1000 bytes: those stay, the rest too.
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_BULK_BYTES, 1000));
    EXPECT_EQ(-1, RunCaptureTransaction(buffer.data(), RAW_FRAME_BYTES));
    EzusbsimTestPicture(expected.data(), 0);
    EXPECT_EQ(-1, FirstDifference(buffer.data(), expected.data(), 1000));
    EXPECT_EQ(-1, FirstNotEqualTo(buffer.data() + 1000, SENTINEL, RAW_FRAME_BYTES - 1000));

    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(2u, counters.opens);
    EXPECT_EQ(2u, counters.closes);
    EXPECT_EQ(2u, counters.bulk_reads);
}

TEST_F(CaptureTransaction, ShortReadSucceedsAndLeavesTheRestAsItWas)
{
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_BULK_BYTES, 5000));
    EXPECT_EQ(0, RunCaptureTransaction(buffer.data(), RAW_FRAME_BYTES));

    EzusbsimTestPicture(expected.data(), 0);
    EXPECT_EQ(-1, FirstDifference(buffer.data(), expected.data(), 5000));
    EXPECT_EQ(-1, FirstNotEqualTo(buffer.data() + 5000, SENTINEL, RAW_FRAME_BYTES - 5000));
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(1u, counters.bulk_reads);
    EXPECT_EQ(1u, counters.closes);
}

int WriteBytes(const char *path, const uint8_t *bytes, size_t length)
{
    FILE *file = fopen(path, "wb");
    if (!file)
        return -1;
    size_t written = fwrite(bytes, 1, length, file);
    return fclose(file) == 0 && written == length ? 0 : -1;
}

TEST_F(CaptureTransaction, ServesTheNamedFrameFile)
{
    char directory[MAX_PATH];
    char path[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(sizeof directory, directory));
    ASSERT_NE(0u, GetTempFileNameA(directory, "pkv", 0, path));
    std::vector<uint8_t> served(RAW_FRAME_BYTES);
    for (int i = 0; i < RAW_FRAME_BYTES; i++)
        served[i] = static_cast<uint8_t>(i * 7 % 251);

    EXPECT_EQ(0, WriteBytes(path, served.data(), served.size()));
    EXPECT_EQ(0, SetFrameFile(path));
    EXPECT_EQ(0, RunCaptureTransaction(buffer.data(), RAW_FRAME_BYTES));
    EXPECT_EQ(-1, FirstDifference(buffer.data(), served.data(), RAW_FRAME_BYTES));

    // A file shorter than a frame makes the bulk read fail.
    std::fill(buffer.begin(), buffer.end(), SENTINEL);
    EXPECT_EQ(0, WriteBytes(path, served.data(), 100));
    EXPECT_EQ(-1, RunCaptureTransaction(buffer.data(), RAW_FRAME_BYTES));
    EXPECT_EQ(-1, FirstNotEqualTo(buffer.data(), SENTINEL, RAW_FRAME_BYTES));

    EXPECT_TRUE(DeleteFileA(path));
}

struct BackgroundCapture {
    uint8_t *buffer;
    CaptureStatus status;
};

DWORD WINAPI CaptureInBackground(void *parameter)
{
    BackgroundCapture *capture = static_cast<BackgroundCapture *>(parameter);
    capture->status = RunCaptureTransaction(capture->buffer, RAW_FRAME_BYTES);
    return 0;
}

// A slow camera holds up only its own caller: while the vendor request waits
// in the driver, the driver still opens the device for someone else.
TEST_F(CaptureTransaction, SlowCameraStillCapturesAndLeavesTheDriverFree)
{
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_DELAY_MS, 2000));
    BackgroundCapture capture = {buffer.data(), 1};
    HANDLE thread = CreateThread(NULL, 0, CaptureInBackground, &capture, 0, NULL);
    ASSERT_TRUE(thread != NULL);

    ASSERT_EQ(0, WaitForPendingRequests(1));
    HANDLE other = CreateFileA("\\\\.\\ezusb-0", GENERIC_WRITE, FILE_SHARE_WRITE, NULL,
                               OPEN_EXISTING, 0, NULL);
    EXPECT_NE(INVALID_HANDLE_VALUE, other);
    ASSERT_EQ(0, ReadCounters(&counters));
    EXPECT_EQ(2u, counters.opens);
    EXPECT_EQ(1u, counters.pending);
    EXPECT_EQ(1u, counters.vendor_requests);
    EXPECT_EQ(0u, counters.bulk_reads);
    CloseHandle(other);

    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 20000));
    CloseHandle(thread);
    EXPECT_EQ(0, capture.status);
    EzusbsimTestPicture(expected.data(), 0);
    EXPECT_EQ(-1, FirstDifference(buffer.data(), expected.data(), RAW_FRAME_BYTES));
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
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 20000));
    CloseHandle(thread);
    EXPECT_EQ(-1, capture.status);
    EXPECT_EQ(-1, FirstNotEqualTo(buffer.data(), SENTINEL, RAW_FRAME_BYTES));

    ASSERT_EQ(0, ClearKnobs());
    ASSERT_EQ(0, StartCamera());
    EXPECT_EQ(0, RunCaptureTransaction(buffer.data(), RAW_FRAME_BYTES));
}

}  // namespace
