#include "pukavro_test.h"

#include "ezusbsim.h"
#include "frame.h"
#include "input.h"
#include "wait.h"
#include "work_dir.h"

std::string g_program;

void PukavroTest::SetUp()
{
    SimulatedCamera::SetUp();
    if (HasFatalFailure())
        return;
    ASSERT_EQ(0, MakeWorkDirectory(&directory));
    ASSERT_EQ(0, StartApp(&app, g_program.c_str(), directory.c_str()))
        << "no main window from " << g_program;
}

void PukavroTest::TearDown()
{
    StopApp(&app);
    SimulatedCamera::TearDown();
    // A request the program left with the camera must be over before the
    // next test counts requests.
    EXPECT_EQ(0, WaitForPendingRequests(0));
    if (!directory.empty()) {
        EXPECT_EQ(0, RemoveWorkDirectory(directory)) << directory;
    }
}

std::vector<uint8_t> CameraFrame(uint32_t n)
{
    std::vector<uint8_t> frame(RAW_FRAME_BYTES);
    EzusbsimTestPicture(frame.data(), n);
    return frame;
}

Pixels CameraPicture(uint32_t n)
{
    Pixels picture;
    ExpectedPicture(CameraFrame(n).data(), &picture);
    return picture;
}

Pixels FirstPicture()
{
    Pixels picture = {FRAME_WIDTH, FRAME_HEIGHT,
                      std::vector<uint32_t>(FRAME_WIDTH * FRAME_HEIGHT, FIRST_PICTURE_RGB)};
    return picture;
}

bool WaitForCaptureAndSave(HWND window, bool enabled)
{
    return WaitUntil([window, enabled] {
        HWND capture = GetDlgItem(window, ID_CAPTURE);
        HWND save = GetDlgItem(window, ID_SAVE);
        return capture != NULL && save != NULL && (IsWindowEnabled(capture) != FALSE) == enabled
               && (IsWindowEnabled(save) != FALSE) == enabled;
    });
}

namespace {

// About a quarter of a second of readings.
const int STILL_READINGS = 12;

::testing::AssertionResult Compare(const Pixels &seen, const Pixels &expected)
{
    int difference = FirstPixelDifference(seen, expected);
    if (difference < 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "the window shows " << DescribePixel(seen, difference) << " where "
           << DescribePixel(expected, difference) << " belongs";
}

}  // namespace

::testing::AssertionResult ShowsPicture(HWND window, const Pixels &expected)
{
    Pixels seen;
    WaitForPicture(window, expected, &seen);
    return Compare(seen, expected);
}

::testing::AssertionResult StillShowsPicture(HWND window, const Pixels &expected)
{
    Pixels seen;
    if (!WaitForPicture(window, expected, &seen))
        return Compare(seen, expected);
    for (int i = 0; i < STILL_READINGS; i++) {
        PumpMessages(POLL_MS);
        if (ReadPicture(window, &seen) != 0 || FirstPixelDifference(seen, expected) >= 0)
            return Compare(seen, expected);
    }
    return ::testing::AssertionSuccess();
}

int CaptureFrame(HWND window)
{
    EzusbsimCounters before;
    if (ReadCounters(&before) != 0 || ClickControl(GetDlgItem(window, ID_CAPTURE)) != 0)
        return -1;
    bool sent = WaitUntil([&before] {
        EzusbsimCounters now;
        return ReadCounters(&now) == 0 && now.frames_sent == before.frames_sent + 1;
    });
    return sent && WaitForCaptureAndSave(window, true) ? 0 : -1;
}
