// Save as the user sees it: numbered files in the working directory with
// exactly the last frame's bytes, and a save that cannot open its file.
#include <windows.h>
#include <stdint.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialogs.h"
#include "files.h"
#include "input.h"
#include "pukavro_fixture.h"
#include "wait.h"

namespace {

class Save : public PukavroTest {
protected:
    // Clicks Save and waits until name is written in full; the file's bytes
    // are left in bytes.
    ::testing::AssertionResult SaveAs(const char *name, std::vector<uint8_t> *bytes)
    {
        return Saves(app.window, PathIn(directory, name), bytes);
    }
};

TEST_F(Save, WritesNumberedFilesOfTheLastFrame)
{
    // Before any capture the frame is all zero.
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(SaveAs("kavro001.bin", &bytes));
    EXPECT_EQ(-1, FirstNotEqualTo(bytes.data(), 0, EZUSBSIM_FRAME_BYTES));

    for (uint32_t n = 0; n < 2; n++) {
        SCOPED_TRACE(n);
        ASSERT_EQ(0, CaptureFrame(app.window));
        const char *name = n == 0 ? "kavro002.bin" : "kavro003.bin";
        ASSERT_TRUE(SaveAs(name, &bytes));
        EXPECT_EQ(-1, FirstDifference(bytes.data(), CameraFrame(n).data(), EZUSBSIM_FRAME_BYTES));
    }
    std::vector<std::string> expected = {"kavro001.bin", "kavro002.bin", "kavro003.bin"};
    EXPECT_EQ(expected, ListFolder(directory));
    EXPECT_TRUE(IsWindowEnabled(Control(ID_CAPTURE)));
}

TEST_F(Save, FailedSaveKeepsTheNumber)
{
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(SaveAs("kavro001.bin", &bytes));

    // A folder in the way: the file cannot be opened.
    std::string blocked = PathIn(directory, "kavro002.bin");
    ASSERT_TRUE(CreateDirectoryA(blocked.c_str(), NULL));
    ASSERT_EQ(0, ClickControl(Control(ID_SAVE)));
    HWND box;
    MessageBoxView view;
    ASSERT_TRUE(ShowsErrorBox(app.info.dwProcessId, SAVE_FAILED, &box, &view));
    EXPECT_FALSE(IsWindowEnabled(Control(ID_SAVE)));
    ASSERT_EQ(0, ClickControl(view.ok));
    ASSERT_TRUE(WaitForDialogClosed(box));
    EXPECT_TRUE(WaitUntil([this] { return IsWindowEnabled(Control(ID_SAVE)) != FALSE; }));

    // With the folder gone the same name is used, for the frame as it is now.
    ASSERT_TRUE(RemoveDirectoryA(blocked.c_str()));
    ASSERT_EQ(0, CaptureFrame(app.window));
    ASSERT_TRUE(SaveAs("kavro002.bin", &bytes));
    EXPECT_EQ(-1, FirstDifference(bytes.data(), CameraFrame(0).data(), EZUSBSIM_FRAME_BYTES));
    std::vector<std::string> expected = {"kavro001.bin", "kavro002.bin"};
    EXPECT_EQ(expected, ListFolder(directory));
}

// The notification code of a command is not looked at.
TEST_F(Save, CommandActsWhateverItsNotificationCode)
{
    PostMessageA(app.window, WM_COMMAND, MAKEWPARAM(ID_SAVE, 0x1234), 0);
    std::string path = PathIn(directory, "kavro001.bin");
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(WaitUntil(
        [&] { return ReadWholeFile(path, &bytes) == 0 && bytes.size() == EZUSBSIM_FRAME_BYTES; }));
}

}  // namespace
