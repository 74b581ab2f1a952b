// Capture as the user sees it: the picture the camera sent, painted exactly;
// the buttons while the camera works; and what a failed capture shows and
// leaves behind.
#include <windows.h>
#include <stdint.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialogs.h"
#include "files.h"
#include "input.h"
#include "pukavro_fixture.h"
#include "screen.h"
#include "wait.h"

namespace {

const int BROKEN_OFF = 13000;

class Capture : public PukavroTest {};

TEST_F(Capture, PaintsEachFrameTheCameraSent)
{
    // Frames 0 and 1 differ in their number and their red mark: a stale
    // picture shows.
    for (uint32_t n = 0; n < 2; n++) {
        SCOPED_TRACE(n);
        ASSERT_EQ(0, CaptureFrame(app.window));
        EXPECT_TRUE(ShowsPicture(app.window, CameraPicture(n)));
    }
    EzusbsimCounters counters;
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(2u, counters.opens);
    EXPECT_EQ(2u, counters.vendor_requests);
    EXPECT_EQ(2u, counters.bulk_reads);
}

TEST_F(Capture, ButtonsAreDisabledWhileTheCameraWorks)
{
    // Seconds for the clicks below while the vendor request is held.
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_VENDOR_DELAY_MS, 3000));
    ASSERT_EQ(0, ClickControl(Control(ID_CAPTURE)));
    ASSERT_EQ(0, WaitForPendingRequests(1));
    EXPECT_FALSE(IsWindowEnabled(Control(ID_CAPTURE)));
    EXPECT_FALSE(IsWindowEnabled(Control(ID_SAVE)));
    EXPECT_TRUE(IsWindowEnabled(Control(ID_EXIT)));

    // Pressed again meanwhile, Capture and Save do nothing.
    ASSERT_EQ(0, ClickControl(Control(ID_CAPTURE)));
    ASSERT_EQ(0, ClickControl(Control(ID_SAVE)));
    ASSERT_EQ(0, ClickControl(Control(ID_CAPTURE)));
    EzusbsimCounters counters;
    ASSERT_EQ(0, ReadCounters(&counters));
    ASSERT_EQ(0u, counters.bulk_reads) << "the clicks came too late to test anything";

    ASSERT_TRUE(WaitForCaptureAndSave(app.window, true));
    EXPECT_TRUE(ShowsPicture(app.window, CameraPicture(0)));
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(1u, counters.opens);
    EXPECT_EQ(1u, counters.vendor_requests);
    EXPECT_EQ(1u, counters.bulk_reads);
    EXPECT_TRUE(ListFolder(directory).empty());
}

// Another program can post the commands while the buttons are disabled:
// during a capture they are refused, whatever their notification code, and
// afterwards Capture and Save work as before.
TEST_F(Capture, PostedCaptureAndSaveWaitForTheCaptureToEnd)
{
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_DELAY_MS, 1500));
    ASSERT_EQ(0, ClickControl(Control(ID_CAPTURE)));
    ASSERT_EQ(0, WaitForPendingRequests(1));
    for (WORD code : {WORD{BN_CLICKED}, WORD{0x1234}}) {
        PostMessageA(app.window, WM_COMMAND, MAKEWPARAM(ID_CAPTURE, code), 0);
        PostMessageA(app.window, WM_COMMAND, MAKEWPARAM(ID_SAVE, code), 0);
    }

    ASSERT_TRUE(WaitForCaptureAndSave(app.window, true));
    EzusbsimCounters counters;
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(1u, counters.opens);
    EXPECT_EQ(1u, counters.vendor_requests);
    EXPECT_EQ(1u, counters.bulk_reads);
    EXPECT_TRUE(ListFolder(directory).empty());
    EXPECT_TRUE(ShowsPicture(app.window, CameraPicture(0)));

    ASSERT_EQ(0, ClearKnobs());
    ASSERT_EQ(0, CaptureFrame(app.window));
    EXPECT_TRUE(ShowsPicture(app.window, CameraPicture(1)));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(Saves(app.window, PathIn(directory, FIRST_SAVED_NAME), &bytes));
    EXPECT_EQ(-1, FirstDifference(bytes.data(), CameraFrame(1).data(), EZUSBSIM_FRAME_BYTES));
    std::vector<std::string> expected = {FIRST_SAVED_NAME};
    EXPECT_EQ(expected, ListFolder(directory));
}

// Every cause of failure gives the same message box; after it, the buttons
// are back and the previous picture is still there.
enum Fault { VENDOR_FAILS, BULK_READ_FAILS, CAMERA_STOPPED };

class FailedCapture : public PukavroTest, public ::testing::WithParamInterface<Fault> {
protected:
    void Cause(Fault fault)
    {
        switch (fault) {
        case VENDOR_FAILS:
            ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_VENDOR_FAIL, 1));
            break;
        case BULK_READ_FAILS:
            ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_BULK_FAIL, 1));
            break;
        case CAMERA_STOPPED:
            ASSERT_EQ(0, StopCamera());
            break;
        }
    }
};

// Clicks Capture, expects the capture-failed box and clicks its OK.
void ExpectCaptureFailedBox(HWND window, DWORD process_id)
{
    ASSERT_EQ(0, ClickControl(GetDlgItem(window, ID_CAPTURE)));
    HWND box;
    MessageBoxView view;
    ASSERT_TRUE(ShowsErrorBox(process_id, CAPTURE_FAILED, &box, &view));
    // The box is modal and the buttons come back only after it.
    EXPECT_FALSE(IsWindowEnabled(window));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, ID_CAPTURE)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, ID_SAVE)));

    ASSERT_EQ(0, ClickControl(view.ok));
    ASSERT_TRUE(WaitForDialogClosed(box));
    EXPECT_TRUE(WaitForCaptureAndSave(window, true));
    EXPECT_TRUE(IsWindowEnabled(window));
}

TEST_P(FailedCapture, ShowsTheMessageAndKeepsThePicture)
{
    ASSERT_EQ(0, CaptureFrame(app.window));
    Pixels frame0 = CameraPicture(0);
    ASSERT_TRUE(ShowsPicture(app.window, frame0));

    Cause(GetParam());
    if (HasFatalFailure())
        return;
    ExpectCaptureFailedBox(app.window, app.info.dwProcessId);
    if (HasFatalFailure())
        return;
    EXPECT_TRUE(StillShowsPicture(app.window, frame0));
    EXPECT_TRUE(FindDialog(app.info.dwProcessId) == NULL);
}

std::string FaultName(const ::testing::TestParamInfo<Fault> &info)
{
    static const char *const names[] = {"VendorRequestFails", "BulkReadFails", "CameraStopped"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Causes, FailedCapture,
                         ::testing::Values(VENDOR_FAILS, BULK_READ_FAILS, CAMERA_STOPPED),
                         FaultName);

// A bulk read that breaks off and fails: the picture stays, but the frame
// buffer holds the new frame's beginning over the old frame's end, and Save
// writes exactly that. 13,000 bytes take in the frame number and most of
// the red mark, which differ between frames 0 and 1.
TEST_F(Capture, SaveAfterAFailedReadWritesWhatTheBufferHolds)
{
    ASSERT_EQ(0, CaptureFrame(app.window));
    Pixels frame0 = CameraPicture(0);
    ASSERT_TRUE(ShowsPicture(app.window, frame0));

    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_BULK_BYTES, BROKEN_OFF));
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_BULK_FAIL, 1));
    ExpectCaptureFailedBox(app.window, app.info.dwProcessId);
    if (HasFatalFailure())
        return;
    EXPECT_TRUE(StillShowsPicture(app.window, frame0));

    std::vector<uint8_t> bytes;
    ASSERT_TRUE(Saves(app.window, PathIn(directory, FIRST_SAVED_NAME), &bytes));

    std::vector<uint8_t> expected = CameraFrame(0);
    std::vector<uint8_t> frame1 = CameraFrame(1);
    std::copy(frame1.begin(), frame1.begin() + BROKEN_OFF, expected.begin());
    EXPECT_EQ(-1, FirstDifference(bytes.data(), expected.data(), EZUSBSIM_FRAME_BYTES));
}

}  // namespace
