// kavroview.exe end to end under Wine: started in a folder of its own on the
// virtual display against the simulated camera, driven with the keys a user
// presses, and judged by what the screen, the camera's counters and the
// folder show.
#include <windows.h>
#include <commctrl.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "camera_fixture.h"
#include "dialogs.h"
#include "files.h"
#include "picture.h"
#include "program.h"
#include "program_argument.h"
#include "screen.h"
#include "unix_command.h"
#include "view_resource.h"
#include "wait.h"
#include "zoom.h"

namespace {

std::string g_kavroview;

class KavroviewTest : public SimulatedCamera {
protected:
    std::string directory;
    Program app = {};
    std::vector<uint8_t> served;  // the frame the camera sends every time

    void SetUp() override
    {
        SimulatedCamera::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_EQ(0, MakeTempFolder(&directory));
        // One frame, always the same, so the screen can be compared at any time.
        served = CameraFrame(17);
        const std::string frame_file = PathIn(directory, "served.raw");
        ASSERT_EQ(0, WriteFileBytes(frame_file, served.data(), served.size()));
        ASSERT_EQ(0, SetFrameFile(frame_file.c_str()));
    }

    void TearDown() override
    {
        EndProgram(&app);
        SimulatedCamera::TearDown();
        EXPECT_EQ(0, WaitForPendingRequests(0));
        if (!directory.empty()) {
            EXPECT_EQ(0, RemoveFolder(directory)) << directory;
        }
    }

    void Launch(const std::string &arguments)
    {
        std::string command_line = "\"" + g_kavroview + "\" " + arguments;
        ASSERT_EQ(0, LaunchProgram(&app, command_line.c_str(), directory.c_str()));
    }

    void Start(const std::string &folder)
    {
        Launch("\"" + folder + "\"");
        ASSERT_EQ(0, WaitForProgramWindow(&app, "KAVROVIEW", HANG_MS));
    }

    // A key as the keyboard sends it to the window, through its accelerators.
    void Press(UINT key)
    {
        PostMessageW(app.window, WM_KEYDOWN, key, 1);
        PostMessageW(app.window, WM_KEYUP, key, 0xC0000001);
    }

    // Where the window shows the picture at zoom: centred above the status bar.
    PicturePlace Place(int zoom)
    {
        RECT client, bar;
        GetClientRect(app.window, &client);
        HWND status = FindWindowExW(app.window, NULL, STATUSCLASSNAMEW, NULL);
        GetWindowRect(status, &bar);
        return PlacePicture(client.right, client.bottom - (bar.bottom - bar.top), zoom);
    }

    // The served frame's picture, each pixel a zoom x zoom square.
    Pixels Expected(int zoom)
    {
        Pixels one;
        FramePicture(served.data(), &one);
        Pixels big = {FRAME_WIDTH * zoom, FRAME_HEIGHT * zoom, {}};
        for (int y = 0; y < big.height; ++y)
            for (int x = 0; x < big.width; ++x)
                big.rgb.push_back(one.rgb[(y / zoom) * FRAME_WIDTH + x / zoom]);
        return big;
    }

    ::testing::AssertionResult ShowsAtZoom(int zoom)
    {
        Pixels expected = Expected(zoom), seen;
        int difference = 0;
        WaitUntil([&] {
            PicturePlace place = Place(zoom);
            difference =
                ReadClient(app.window, place.x, place.y, place.width, place.height, &seen) == 0
                    ? FirstPixelDifference(seen, expected)
                    : 0;
            return difference < 0;
        });
        if (difference < 0)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "at zoom " << zoom << " the window shows " << DescribePixel(seen, difference)
               << " where " << DescribePixel(expected, difference) << " belongs";
    }

    uint32_t FramesSent()
    {
        EzusbsimCounters counters = {};
        EXPECT_EQ(0, ReadCounters(&counters));
        return counters.frames_sent;
    }

    // Frames go by faster than any one reading: at least count sent.
    bool WaitForSent(uint32_t count)
    {
        return WaitUntil([&] { return FramesSent() >= count; });
    }
};

TEST_F(KavroviewTest, ScreenShowsTheCamerasFrameAtZoomFourThenOne)
{
    Start(directory);
    EXPECT_TRUE(ShowsAtZoom(ZOOM_DEFAULT));
    Press('1');
    EXPECT_TRUE(ShowsAtZoom(1));
    PostMessageW(app.window, WM_CHAR, '+', 1);
    EXPECT_TRUE(ShowsAtZoom(2));
}

// The camera's own count of frames sent stops while paused (a request out
// when P came may still end) and goes on after.
TEST_F(KavroviewTest, PauseStopsAskingTheCamera)
{
    Start(directory);
    ASSERT_TRUE(WaitForSent(FramesSent() + 20));
    Press('P');
    uint32_t before = 0, after = 1;
    EXPECT_TRUE(WaitUntil([&] {
        before = FramesSent();
        PumpMessages(300);
        after = FramesSent();
        return before == after;
    })) << before
        << " then " << after;
    EXPECT_EQ(FramesSent(), after);
    Press('P');
    EXPECT_TRUE(WaitForSent(after + 20));
}

TEST_F(KavroviewTest, SnapshotsAreExactAndNumberedOnFromExistingFiles)
{
    const std::string folder = PathIn(directory, "shots");
    ASSERT_TRUE(CreateDirectoryW(ToUtf16(folder).c_str(), NULL));
    const char old_text[] = "an earlier run's";
    ASSERT_EQ(0, WriteFileBytes(PathIn(folder, "kavro004.bin"), old_text, strlen(old_text)));
    Start(folder);
    ASSERT_TRUE(ShowsAtZoom(ZOOM_DEFAULT));

    std::vector<uint8_t> png;
    ASSERT_EQ(EncodePicture(served.data(), FORMAT_PNG, &png), PICTURE_ENCODED);
    const char *const names[][2] = {{"kavro005.png", "kavro005.bin"},
                                    {"kavro006.png", "kavro006.bin"}};
    for (const auto &name : names) {
        Press(VK_SPACE);
        std::vector<uint8_t> saved_png, saved_raw;
        EXPECT_TRUE(WaitUntil([&] {
            return ReadWholeFile(PathIn(folder, name[1]), &saved_raw) == 0
                   && ReadWholeFile(PathIn(folder, name[0]), &saved_png) == 0;
        })) << name[0];
        EXPECT_EQ(saved_png, png) << name[0];
        EXPECT_EQ(saved_raw, served) << name[1];
    }
    std::vector<uint8_t> old;
    ASSERT_EQ(0, ReadWholeFile(PathIn(folder, "kavro004.bin"), &old));
    EXPECT_EQ(std::string(old.begin(), old.end()), old_text);
    EXPECT_EQ(ListFolder(folder),
              (std::vector<std::string>{"kavro004.bin", "kavro005.bin", "kavro005.png",
                                        "kavro006.bin", "kavro006.png"}));
}

// ffmpeg reads the movie R recorded: every frame one the camera sent, in
// the order sent, none twice.
TEST_F(KavroviewTest, RecordingHoldsTheCamerasFramesInOrder)
{
    ASSERT_EQ(0, ClearKnobs());
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_DELAY_MS, 20));  // a few dozen frames a second
    Start(directory);
    ASSERT_TRUE(WaitForSent(5));
    Press('R');
    // The movie is made with the first frame recorded; ten more follow it.
    EXPECT_TRUE(WaitUntil([&] {
        for (const std::string &name : ListFolder(directory))
            if (name.rfind("kavro-", 0) == 0)
                return true;
        return false;
    })) << "no movie after R";
    ASSERT_TRUE(WaitForSent(FramesSent() + 10));
    Press('R');
    PostMessageW(app.window, WM_CLOSE, 0, 0);
    DWORD exit_code = 1;
    ASSERT_EQ(0, WaitForExit(&app, HANG_MS, &exit_code));
    const uint32_t sent = FramesSent();

    std::vector<std::string> names = ListFolder(directory);
    ASSERT_EQ(names.size(), 2u) << ::testing::PrintToString(names);
    const std::string movie = names[0];  // "kavro-..." sorts before "served.raw"
    EXPECT_EQ(movie.size(), strlen("kavro-YYYYMMDD-HHMMSS.avi")) << movie;
    EXPECT_EQ(movie.rfind("kavro-", 0), 0u) << movie;
    const std::string raw = PathIn(directory, "decoded.raw");
    std::string errors;
    ASSERT_EQ(0,
              RunUnixCommand("ffmpeg -nostdin -v error -i "
                                 + ShellQuoted(UnixPath(PathIn(directory, movie.c_str())))
                                 + " -f rawvideo -pix_fmt bgr24 -y " + ShellQuoted(UnixPath(raw)),
                             directory, HANG_MS, &errors))
        << errors;
    std::vector<uint8_t> decoded;
    ASSERT_EQ(0, ReadWholeFile(raw, &decoded));

    // Each picture the camera sent, top row first as ffmpeg writes it.
    std::map<std::vector<uint32_t>, uint32_t> sent_pictures;
    for (uint32_t n = 0; n < sent; ++n) {
        Pixels picture;
        FramePicture(CameraFrame(n).data(), &picture);
        sent_pictures[picture.rgb] = n;
    }
    const size_t frames = decoded.size() / DISPLAY_IMAGE_BYTES;
    EXPECT_GT(frames, 5u);
    EXPECT_EQ(decoded.size() % DISPLAY_IMAGE_BYTES, 0u);
    int64_t previous = -1;
    for (size_t i = 0; i < frames; ++i) {
        std::vector<uint32_t> rgb(FRAME_WIDTH * FRAME_HEIGHT);
        const uint8_t *bgr = decoded.data() + i * DISPLAY_IMAGE_BYTES;
        for (size_t p = 0; p < rgb.size(); ++p)
            rgb[p] = uint32_t(bgr[3 * p + 2]) << 16 | uint32_t(bgr[3 * p + 1]) << 8 | bgr[3 * p];
        auto found = sent_pictures.find(rgb);
        ASSERT_NE(found, sent_pictures.end()) << "frame " << i << " is none the camera sent";
        EXPECT_GT(int64_t(found->second), previous) << "frame " << i;
        previous = found->second;
    }
}

// Unplugged, the picture stays; plugged back, the view goes on by itself.
TEST_F(KavroviewTest, CameraUnpluggedAndPluggedBack)
{
    Start(directory);
    ASSERT_TRUE(ShowsAtZoom(ZOOM_DEFAULT));
    ASSERT_EQ(0, StopCamera());
    PumpMessages(1500);
    EXPECT_TRUE(ShowsAtZoom(ZOOM_DEFAULT));
    ASSERT_EQ(0, StartCamera());
    ASSERT_EQ(0, SetFrameFile(PathIn(directory, "served.raw").c_str()));
    EXPECT_TRUE(WaitForSent(20));
    EXPECT_TRUE(ShowsAtZoom(ZOOM_DEFAULT));
}

// In each interface language, which Wine takes from the Unix environment
// the program starts in.
TEST_F(KavroviewTest, BadArgumentsShowTheUsageAndEndWithStatusTwo)
{
    const char *const arguments[] = {"-x", "-d 12", "no-such-folder"};
    const struct {
        const char *locale;
        const wchar_t *problems[3];  // one for each of arguments
        const wchar_t *usage;
    } languages[] = {
        {"ja_JP.UTF-8",
         {L"不明なオプションです: -x", L"-d にはカメラ番号 (0-9) かデバイスのパスが必要です: 12",
          L"フォルダーがありません: no-such-folder"},
         L"使い方: kavroview [-d N|PATH] [FOLDER]\n\n-d N\t番号 N (0-9) のカメラ\n-d "
         L"PATH\tカメラのデバイス\nFOLDER\tスナップショットと録画の保存先 (既定: "
         L"現在のフォルダー)"},
        {"en_US.UTF-8",
         {L"Unknown option: -x", L"-d needs a camera number (0-9) or a device path: 12",
          L"No such folder: no-such-folder"},
         L"Usage: kavroview [-d N|PATH] [FOLDER]\n\n-d N\tthe camera of that number (0-9)\n-d "
         L"PATH\tthe camera's device\nFOLDER\twhere snapshots and recordings go (default: the "
         L"current folder)"},
    };
    for (const auto &language : languages) {
        for (int i = 0; i < 3; ++i) {
            const std::string line = "\"" + g_kavroview + "\" " + arguments[i];
            ASSERT_EQ(0,
                      LaunchProgramFromUnix(&app, line.c_str(), directory.c_str(), language.locale))
                << line;
            HWND box = WaitForDialog(app.info.dwProcessId);
            ASSERT_NE(box, (HWND)NULL) << language.locale << " " << arguments[i];
            MessageBoxView view;
            ASSERT_EQ(0, ReadMessageBox(box, &view));
            EXPECT_EQ(view.caption, L"kavroview");
            EXPECT_EQ(view.text, std::wstring(language.problems[i]) + L"\n\n" + language.usage)
                << language.locale << " " << arguments[i];
            EXPECT_EQ(view.icons, 1);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            DWORD exit_code = 0;
            EXPECT_EQ(0, WaitForExit(&app, HANG_MS, &exit_code));
            EXPECT_EQ(exit_code, 2u) << language.locale << " " << arguments[i];
            EXPECT_EQ(FindProcessWindow(app.info.dwProcessId, "KAVROVIEW", 0), (HWND)NULL);
            EndProgram(&app);
        }
    }
}

// The window answers a sent message whatever the camera does: the test
// fails only on a hang (how long answers take is a figure, not checked).
TEST_F(KavroviewTest, WindowKeepsAnsweringWhateverTheCamera)
{
    const struct {
        const char *camera;
        DWORD delay_ms, block_in_request;
    } cases[] = {
        {"answering at once", 0, 0},
        {"a second per frame", 1000, 0},
        {"waiting inside the request", 1000, 1},
    };
    Start(directory);
    ASSERT_TRUE(ShowsAtZoom(ZOOM_DEFAULT));
    for (const auto &c : cases) {
        ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_DELAY_MS, c.delay_ms));
        ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_BLOCK_IN_REQUEST, c.block_in_request));
        for (int i = 0; i < 20; ++i) {
            DWORD_PTR result = 0;
            ASSERT_NE(0,
                      SendMessageTimeoutW(app.window, WM_NULL, 0, 0, SMTO_NORMAL, HANG_MS, &result))
                << "no answer with a camera " << c.camera;
            PumpMessages(POLL_MS);
        }
    }
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_BLOCK_IN_REQUEST, 0));
}

// A driver that keeps the request inside itself cannot be cancelled: the
// window goes all the same, and the process ends.
TEST_F(KavroviewTest, ClosingWhileTheRequestIsStuckInTheDriver)
{
    Start(directory);
    ASSERT_TRUE(ShowsAtZoom(ZOOM_DEFAULT));
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_DELAY_MS, 4000));
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_BLOCK_IN_REQUEST, 1));
    // Frames come back to back, so the next request is in the driver at
    // once; reading the counters would wait behind it.
    PumpMessages(500);
    PostMessageW(app.window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(app.window); }, 1000))
        << "the window is still there a second after the close";
    DWORD exit_code = 1;
    EXPECT_EQ(0, WaitForExit(&app, HANG_MS, &exit_code));
    EXPECT_EQ(exit_code, 0u);
}

}  // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (ProgramArgument("KAVROVIEW.EXE", &g_kavroview) != 0)
        return 2;
    return RUN_ALL_TESTS();
}
