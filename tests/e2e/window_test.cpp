// The main window as it comes up: class, title, place, size and style, the
// three buttons and the first picture; and its picture through a minimise
// and restore.
#include <windows.h>

#include <gtest/gtest.h>

#include "dialogs.h"
#include "input.h"
#include "pukavro_test.h"
#include "screen.h"
#include "wait.h"

namespace {

class MainWindow : public PukavroTest {};

struct ExpectedButton {
    const wchar_t *text;
    int id;
    RECT rect;  // in the main window's client area
};

const ExpectedButton BUTTONS[3] = {
    {L"Capture", ID_CAPTURE, {12, 85, 102, 110}},
    {L"Save", ID_SAVE, {12, 120, 52, 145}},
    {L"Exit", ID_EXIT, {62, 120, 102, 145}},
};

TEST_F(MainWindow, ClassTitlePlaceSizeAndStyle)
{
    char class_name[32] = "";
    GetClassNameA(app.window, class_name, sizeof class_name);
    EXPECT_STREQ("PUKAVRO", class_name);
    EXPECT_EQ(L"pukavro", WindowText(app.window));

    // Top-left corner of the screen, 120 x 180 with caption and border.
    RECT rect = {-1, -1, -1, -1};
    ASSERT_TRUE(GetWindowRect(app.window, &rect));
    EXPECT_EQ(0, rect.left);
    EXPECT_EQ(0, rect.top);
    EXPECT_EQ(120, rect.right);
    EXPECT_EQ(180, rect.bottom);

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
        const ExpectedButton &expected = BUTTONS[i];
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
        EXPECT_EQ(expected.rect.left, rect.left);
        EXPECT_EQ(expected.rect.top, rect.top);
        EXPECT_EQ(expected.rect.right, rect.right);
        EXPECT_EQ(expected.rect.bottom, rect.bottom);
    }
}

TEST_F(MainWindow, FirstPictureIsGreenAtItsPlace)
{
    EXPECT_TRUE(ShowsPicture(app.window, FirstPicture()));

    // One pixel around it on every side: the picture ends where it should.
    Pixels around;
    ASSERT_EQ(0, ReadClient(app.window, PICTURE_X - 1, PICTURE_Y - 1, 98, 74, &around));
    int green_outside = 0;
    for (int y = 0; y < 74; y++) {
        for (int x = 0; x < 98; x++) {
            bool border = x == 0 || y == 0 || x == 97 || y == 73;
            if (border && around.rgb[y * 98 + x] == FIRST_PICTURE_RGB)
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
    RECT rect = {-1, -1, -1, -1};
    GetWindowRect(app.window, &rect);
    EXPECT_EQ(0, rect.left);
    EXPECT_EQ(0, rect.top);
    EXPECT_EQ(120, rect.right);
    EXPECT_EQ(180, rect.bottom);
    EXPECT_TRUE(ShowsPicture(app.window, frame0));

    // The camera was not asked again.
    EzusbsimCounters counters;
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(1u, counters.frames_sent);
    EXPECT_EQ(1u, counters.opens);
}

}  // namespace
