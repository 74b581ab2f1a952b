#include "pukavro_fixture.h"

#include "files.h"
#include "wait.h"

std::string g_program;

void PukavroTest::SetUp()
{
    SimulatedCamera::SetUp();
    if (HasFatalFailure())
        return;
    ASSERT_EQ(0, MakeTempFolder(&directory));
    ASSERT_EQ(0, StartPukavro(&app, g_program, directory)) << "no main window from " << g_program;
}

void PukavroTest::TearDown()
{
    EndProgram(&app);
    SimulatedCamera::TearDown();
    // A request the program left with the camera must be over before the
    // next test counts requests.
    EXPECT_EQ(0, WaitForPendingRequests(0));
    if (!directory.empty()) {
        EXPECT_EQ(0, RemoveFolder(directory)) << directory;
    }
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

::testing::AssertionResult ShowsErrorBox(DWORD process_id, const wchar_t *text, HWND *box,
                                         MessageBoxView *view)
{
    *box = WaitForDialog(process_id);
    if (*box == NULL)
        return ::testing::AssertionFailure() << "no message box";
    if (ReadMessageBox(*box, view) != 0)
        return ::testing::AssertionFailure() << "the message box went away unread";
    if (view->caption != ERROR_BOX_CAPTION || view->text != text || view->icons != 1
        || view->buttons != 1 || view->ok == NULL)
        return ::testing::AssertionFailure()
               << "the box reads " << ::testing::PrintToString(view->caption) << ", "
               << ::testing::PrintToString(view->text) << " with " << view->icons << " icons and "
               << view->buttons << " buttons";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult Saves(HWND window, const std::string &path, std::vector<uint8_t> *bytes)
{
    if (SaveFrame(window, path, bytes) != 0)
        return ::testing::AssertionFailure() << path << " holds " << bytes->size() << " bytes";
    return ::testing::AssertionSuccess();
}
