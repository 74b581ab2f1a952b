// The About box: opened from the keyboard only, its title and text read
// back as the user sees them, its ways of closing, and a capture that ends
// while it is open.
#include <windows.h>

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

enum CloseWay { CLICK_OK, PRESS_ENTER, PRESS_ESCAPE, CLICK_CLOSE_BOX };

struct OpenAndClose {
    char character;  // typed with Alt
    CloseWay close;
};

// Checks what the About box shows and that it holds the main window.
void ExpectAboutBox(HWND box, HWND main_window)
{
    EXPECT_EQ(ABOUT_TITLE, WindowText(box));
    EXPECT_EQ(main_window, GetWindow(box, GW_OWNER));
    bool version = false;
    bool ok = false;
    for (const DialogControl &control : ListControls(box)) {
        if (control.text == ABOUT_VERSION_TEXT && control.class_name == "Static")
            version = true;
        if (control.id == IDOK && control.text == L"OK" && control.class_name == "Button")
            ok = true;
    }
    EXPECT_TRUE(version) << "no version text";
    EXPECT_TRUE(ok) << "no OK button";
    EXPECT_FALSE(IsWindowEnabled(main_window));
}

int Close(HWND box, CloseWay way)
{
    POINT close_box;
    switch (way) {
    case CLICK_OK:
        return ClickControl(GetDlgItem(box, IDOK));
    case PRESS_ENTER:
        return PressKey(VK_RETURN);
    case PRESS_ESCAPE:
        return PressKey(VK_ESCAPE);
    case CLICK_CLOSE_BOX:
        if (FindHitPoint(box, HTCLOSE, &close_box) != 0)
            return -1;
        return ClickScreen(close_box.x, close_box.y);
    }
    return -1;
}

// Reads the picture and compares the pixels that lie outside covered
// (screen coordinates) with expected: how many were compared, how many
// differ. 0 or -1.
int CompareUncovered(HWND window, const Pixels &expected, const RECT &covered, int *compared,
                     int *differing)
{
    Pixels seen;
    POINT origin = {PICTURE_X, PICTURE_Y};
    if (ReadPicture(window, &seen) != 0 || !ClientToScreen(window, &origin))
        return -1;
    *compared = 0;
    *differing = 0;
    for (int y = 0; y < PICTURE_HEIGHT; y++) {
        for (int x = 0; x < PICTURE_WIDTH; x++) {
            POINT at = {origin.x + x, origin.y + y};
            if (PtInRect(&covered, at))
                continue;
            ++*compared;
            if (seen.rgb[y * PICTURE_WIDTH + x] != expected.rgb[y * PICTURE_WIDTH + x])
                ++*differing;
        }
    }
    return 0;
}

// Keeps GoogleTest from printing the structure's padding bytes.
void PrintTo(const OpenAndClose &way, std::ostream *out)
{
    *out << "Alt+" << way.character << ", close " << way.close;
}

class AboutBox : public PukavroTest, public ::testing::WithParamInterface<OpenAndClose> {};

TEST_P(AboutBox, OpensFromTheKeyboardAndCloses)
{
    // At start the main window itself has the focus.
    ASSERT_EQ(app.window, KeyboardFocus(app.info.dwThreadId));
    ASSERT_EQ(0, PressAltCharacter(GetParam().character));
    HWND box = WaitForDialog(app.info.dwProcessId);
    ASSERT_TRUE(box != NULL) << "no About box";
    ExpectAboutBox(box, app.window);

    ASSERT_EQ(0, Close(box, GetParam().close));
    EXPECT_TRUE(WaitForDialogClosed(box));
    EXPECT_TRUE(WaitUntil([this] { return IsWindowEnabled(app.window) != FALSE; }));
    EXPECT_TRUE(StillShowsPicture(app.window, FirstPicture()));
}

std::string CaseName(const ::testing::TestParamInfo<OpenAndClose> &info)
{
    static const char *const closes[] = {"ClickOk", "Enter", "Escape", "CloseBox"};
    std::string opened = info.param.character == '?' ? "AltQuestionMark" : "AltSlash";
    return opened + "_" + closes[info.param.close];
}

INSTANTIATE_TEST_SUITE_P(
    Ways, AboutBox,
    ::testing::Values(OpenAndClose{'?', CLICK_OK}, OpenAndClose{'/', PRESS_ESCAPE},
                      OpenAndClose{'/', CLICK_OK}, OpenAndClose{'?', PRESS_ESCAPE},
                      OpenAndClose{'?', PRESS_ENTER}, OpenAndClose{'/', CLICK_CLOSE_BOX}),
    CaseName);

class AboutWhile : public PukavroTest {};

// The accelerator's command goes to the window the key was addressed to; a
// button ignores it. A click on Save right after shows that the keys had
// been handled: had they opened the box, the click would have found the
// main window disabled.
TEST_F(AboutWhile, AButtonHasTheFocusNothingOpens)
{
    RECT rect;
    GetWindowRect(app.window, &rect);
    // Pressed on Exit, released beside it: Exit takes the focus, no exit.
    ASSERT_EQ(0, PressAndSlideOff(Control(ID_EXIT), rect.left + 4, rect.bottom - 6));
    ASSERT_TRUE(
        WaitUntil([this] { return KeyboardFocus(app.info.dwThreadId) == Control(ID_EXIT); }));

    ASSERT_EQ(0, PressAltCharacter('?'));
    ASSERT_EQ(0, PressAltCharacter('/'));
    ASSERT_EQ(0, ClickControl(Control(ID_SAVE)));
    std::string saved = PathIn(directory, "kavro001.bin");
    EXPECT_TRUE(
        WaitUntil([&] { return GetFileAttributesA(saved.c_str()) != INVALID_FILE_ATTRIBUTES; }));
    EXPECT_TRUE(FindDialog(app.info.dwProcessId) == NULL);
    EXPECT_TRUE(IsWindowEnabled(app.window));
}

// The notice is a sent message: it is handled while the box is open, the
// buttons come back and the new picture is painted behind the box.
TEST_F(AboutWhile, ACaptureCompletes)
{
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_DELAY_MS, 1500));
    ASSERT_EQ(0, ClickControl(Control(ID_CAPTURE)));
    ASSERT_EQ(0, WaitForPendingRequests(1));
    // Capture lost the focus when it was disabled; the keys go to the
    // active window, the main window.
    ASSERT_FALSE(IsWindowEnabled(Control(ID_CAPTURE)));
    ASSERT_EQ(0, PressAltCharacter('?'));
    HWND box = WaitForDialog(app.info.dwProcessId);
    ASSERT_TRUE(box != NULL) << "no About box";

    EXPECT_TRUE(WaitForCaptureAndSave(app.window, true));
    EXPECT_TRUE(IsWindowVisible(box)) << "the box closed before the capture ended";
    EXPECT_FALSE(IsWindowEnabled(app.window));
    EzusbsimCounters counters;
    ASSERT_EQ(0, ReadCounters(&counters));
    EXPECT_EQ(1u, counters.frames_sent);

    // The part of the picture the box leaves uncovered shows the new frame.
    Pixels expected = CameraPicture(0);
    RECT covered;
    ASSERT_TRUE(GetWindowRect(box, &covered));
    int compared = 0;
    int differing = 0;
    EXPECT_TRUE(WaitUntil([&] {
        return CompareUncovered(app.window, expected, covered, &compared, &differing) == 0
               && differing == 0;
    })) << differing
        << " of " << compared << " uncovered pixels differ";
    EXPECT_GT(compared, 0) << "the box covers the whole picture";

    ASSERT_EQ(0, ClickControl(GetDlgItem(box, IDOK)));
    ASSERT_TRUE(WaitForDialogClosed(box));
    EXPECT_TRUE(ShowsPicture(app.window, expected));
    EXPECT_TRUE(IsWindowEnabled(app.window));
}

}  // namespace
