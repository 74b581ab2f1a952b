// The main window as it comes up: class, title, place, size and style, the
// three buttons and the first picture; and its picture through a minimise
// and restore.
#include <windows.h>

#include <gtest/gtest.h>

#include "dialogs.h"
#include "input.h"
#include "pukavro_fixture.h"
#include "screen.h"
#include "wait.h"

namespace {

class MainWindow : public PukavroTest {};

// Top-left corner of the screen, its size with caption and border.
void ExpectMainWindowPlace(HWND window)
{
    RECT rect = {-1, -1, -1, -1};
    ASSERT_TRUE(GetWindowRect(window, &rect));
    EXPECT_EQ(MAIN_WINDOW_X, rect.left);
    EXPECT_EQ(MAIN_WINDOW_Y, rect.top);
    EXPECT_EQ(MAIN_WINDOW_X + MAIN_WINDOW_WIDTH, rect.right);
    EXPECT_EQ(MAIN_WINDOW_Y + MAIN_WINDOW_HEIGHT, rect.bottom);
}

TEST_F(MainWindow, ClassTitlePlaceSizeAndStyle)
{
    char class_name[32] = "";
    GetClassNameA(app.window, class_name, sizeof class_name);
    EXPECT_STREQ(MAIN_CLASS_NAME, class_name);
    EXPECT_EQ(MAIN_TITLE, WindowText(app.window));
    ExpectMainWindowPlace(app.window);

    // WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX (0x80CA0000): no
    // maximise box, no sizing border. The system adds WS_VISIBLE to a shown
    // window and WS_CLIPSIBLINGS to every top-level one, and
    // WS_EX_WINDOWEDGE to any window with a caption.
    EXPECT_EQ(0x80CA0000u | WS_VISIBLE | WS_CLIPSIBLINGS,
              static_cast<DWORD>(GetWindowLongA(app.window, GWL_STYLE)));
    EXPECT_EQ(static_cast<DWORD>(WS_EX_WINDOWEDGE),
              static_cast<DWORD>(GetWindowLongA(app.window, GWL_EXSTYLE)));
    EXPECT_TRUE(GetMenu(app.window) == NULL);
    EXPECT_TRUE(GetWindow(app.window, GW_OWNER) == NULL);
}

TEST_F(MainWindow, ThreeEnabledPushButtons)
{
    std::vector<DialogControl> controls = ListControls(app.window);
    ASSERT_EQ(3u, controls.size());
    for (int i = 0; i < 3; i++) {
        const DialogControl &control = controls[i];
        const ExpectedButton &expected = MAIN_BUTTONS[i];
        SCOPED_TRACE(i);
        EXPECT_STREQ("Button", control.class_name.c_str());
        EXPECT_EQ(expected.text, control.text);
        EXPECT_EQ(expected.id, control.id);
        // WS_CHILD | WS_VISIBLE and nothing else: a plain push button,
        // enabled.
        EXPECT_EQ(0x50000000u, control.style);
        EXPECT_EQ(0u, static_cast<DWORD>(GetWindowLongA(control.window, GWL_EXSTYLE)));

        RECT rect = {-1, -1, -1, -1};
        GetWindowRect(control.window, &rect);
        MapWindowPoints(NULL, app.window, reinterpret_cast<POINT *>(&rect), 2);
        EXPECT_EQ(expected.left, rect.left);
        EXPECT_EQ(expected.top, rect.top);
        EXPECT_EQ(expected.right, rect.right);
        EXPECT_EQ(expected.bottom, rect.bottom);
    }
}

TEST_F(MainWindow, FirstPictureIsGreenAtItsPlace)
{
    EXPECT_TRUE(ShowsPicture(app.window, FirstPicture()));

    // One pixel around it on every side: the picture ends where it should.
    const int width = PICTURE_WIDTH + 2;
    const int height = PICTURE_HEIGHT + 2;
    Pixels around;
    ASSERT_EQ(0, ReadClient(app.window, PICTURE_X - 1, PICTURE_Y - 1, width, height, &around));
    int green_outside = 0;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            bool border = x == 0 || y == 0 || x == width - 1 || y == height - 1;
            if (border && around.rgb[y * width + x] == FIRST_PICTURE_RGB)
                green_outside++;
        }
    }
    EXPECT_EQ(0, green_outside);
}

TEST_F(MainWindow, MinimiseAndRestoreKeepThePicture)
{
    ASSERT_EQ(0, CaptureFrame(app.window));
    Pixels frame0 = CameraPicture(0);
    ASSERT_TRUE(ShowsPicture(app.window, frame0));

    POINT minimise_box;
    ASSERT_EQ(0, FindHitPoint(app.window, HTREDUCE, &minimise_box));
    ASSERT_EQ(0, ClickScreen(minimise_box.x, minimise_box.y));
    ASSERT_TRUE(WaitUntil([this] { return IsIconic(app.window) != FALSE; }));

    // Restore, as from the system menu of the minimised window.
    PostMessageA(app.window, WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(WaitUntil([this] { return !IsIconic(app.window); }));
    ExpectMainWindowPlace(app.window);
    EXPECT_TRUE(ShowsPicture(app.window, frame0));

    // The camera was not asked again.
    EzusbsimCounters counters;
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(1u, counters.frames_sent);
    EXPECT_EQ(1u, counters.opens);
}

}  // namespace
