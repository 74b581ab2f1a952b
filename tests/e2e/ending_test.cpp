// How the program ends: Exit, the close box, Alt+F4 and the close commands
// all end it with exit code 0, also in the middle of a slow capture, and it
// leaves nothing in its directory.
#include <windows.h>

#include <gtest/gtest.h>

#include "files.h"
#include "input.h"
#include "pukavro_fixture.h"
#include "wait.h"

namespace {

class Ending : public PukavroTest {
protected:
    void ExpectEndedWithZero()
    {
        DWORD exit_code = 0xDEADBEEF;
        ASSERT_EQ(0, WaitForExit(&app, HANG_MS, &exit_code));
        EXPECT_EQ(0u, exit_code);
        EXPECT_TRUE(FindMainWindow(app.info.dwProcessId) == NULL);
        EXPECT_TRUE(ListFolder(directory).empty());
    }
};

TEST_F(Ending, ExitButton)
{
    ASSERT_EQ(0, ClickControl(Control(ID_EXIT)));
    ExpectEndedWithZero();
}

TEST_F(Ending, CloseBox)
{
    POINT close_box;
    ASSERT_EQ(0, FindHitPoint(app.window, HTCLOSE, &close_box));
    ASSERT_EQ(0, ClickScreen(close_box.x, close_box.y));
    ExpectEndedWithZero();
}

TEST_F(Ending, AltF4)
{
    ASSERT_EQ(0, PressAltKey(VK_F4));
    ExpectEndedWithZero();
}

TEST_F(Ending, CloseMessages)
{
    PostMessageA(app.window, WM_CLOSE, 0, 0);
    ExpectEndedWithZero();

    EndProgram(&app);
    ASSERT_EQ(0, StartPukavro(&app, g_program, directory));
    PostMessageA(app.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    ExpectEndedWithZero();
}

// Nothing waits for the worker: the program is gone while the camera still
// holds the vendor request, so the frame is never even asked for.
TEST_F(Ending, ExitDuringASlowCapture)
{
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_DELAY_MS, 5000));
    ASSERT_EQ(0, ClickControl(Control(ID_CAPTURE)));
    ASSERT_EQ(0, WaitForPendingRequests(1));
    ASSERT_EQ(0, ClickControl(Control(ID_EXIT)));
    ExpectEndedWithZero();

    EzusbsimCounters counters;
    ASSERT_EQ(0, ReadCounters(&counters));
    EXPECT_EQ(1u, counters.vendor_requests);
    EXPECT_EQ(0u, counters.bulk_reads);
    EXPECT_EQ(0u, counters.frames_sent);
}

}  // namespace
