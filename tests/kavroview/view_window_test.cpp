// kavroview's window made in this process against the scripted camera, so
// what Wine does not show another process can be read: the status bar's
// texts, in the interface language of the test's Wine.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ezusb_device.h"
#include "fake_camera.h"
#include "hang_limit.h"
#include "view_resource.h"
#include "view_stamp.h"
#include "view_window.h"

namespace {

std::wstring StatusPart(HWND bar, int part)
{
    wchar_t text[256] = L"";
    if (LOWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, part, 0)) < 256)
        SendMessageW(bar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
    return text;
}

// Pumps this thread's messages until done() or HANG_MS. Each message is
// handled as it comes, as a message loop would: a pause between rounds
// would show fewer frames than came on a loaded machine.
template <typename Done> bool PumpUntil(Done done)
{
    const int64_t until = NowUs() + HANG_MS * int64_t{1000};
    while (!done()) {
        if (NowUs() >= until)
            return false;
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

// Pumps this thread's messages for ms (less than HANG_MS).
void PumpFor(int64_t ms)
{
    const int64_t until = NowUs() + ms * 1000;
    PumpUntil([&] { return NowUs() >= until; });
}

// The window with its capture thread running against seam.
ViewWindow *MakeView(CameraSeam seam, HWND *window)
{
    ViewWindow *view = new ViewWindow();
    view->live.seam = seam;
    view->live.device = EZUSB_DEVICE_PATH;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    RegisterViewClass(GetModuleHandleW(NULL));
    *window = CreateViewWindow(GetModuleHandleW(NULL), view, SW_SHOWNOACTIVATE);
    return view;
}

// The scripted camera at about 50 frames a second, counting what it gives
// on its own: the fake's counters are for one thread at a time.
const DWORD PACE_MS = 20;
std::atomic<uint32_t> g_paced_frames{0};

CameraOutcome TakePaced(void *camera, const TakeAsk &ask, StopSignal *stop, uint8_t *frame,
                        uint32_t *got, FrameStamp *stamp)
{
    Sleep(PACE_MS);
    CameraOutcome outcome = FakeCameraSeam().take_frame(camera, ask, stop, frame, got, stamp);
    if (outcome == CAMERA_FRAME)
        g_paced_frames++;
    return outcome;
}

SIZE_T PagefileUsage()
{
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    return memory.PagefileUsage;
}

bool Japanese()
{
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
}

// Asked for, the usage is information and the run ends well; after a
// problem it is an error.
TEST(ViewWindowTest, UsageBoxes)
{
    const std::wstring usage = LoadText(STR_USAGE);
    EXPECT_EQ(0u, usage.find(Japanese() ? L"使い方: kavroview [-d N|PATH]"
                                        : L"Usage: kavroview [-d N|PATH]"));
    UsageBox help = UsageBoxFor(VIEW_HELP, "");
    EXPECT_EQ(help.text, usage);
    EXPECT_EQ(help.icon, (UINT)MB_ICONINFORMATION);
    EXPECT_EQ(help.status, EXIT_ALL_DONE);
    UsageBox wrong = UsageBoxFor(VIEW_BAD_DEVICE, "foo");
    EXPECT_EQ(wrong.text, (Japanese() ? L"-d にはカメラ番号 (0-9) かデバイスのパスが必要です: foo"
                                      : L"-d needs a camera number (0-9) or a device path: foo")
                              + std::wstring(L"\n\n") + usage);
    EXPECT_EQ(wrong.icon, (UINT)MB_ICONERROR);
    EXPECT_EQ(wrong.status, EXIT_USAGE);
}

// Missing at first, the camera answers after two tries a second apart: the
// status bar says so, then goes live by itself and counts what it shows.
TEST(ViewWindowTest, MissingCameraShowsThenGoesLiveByItself)
{
    const std::wstring no_camera = Japanese() ? L"カメラなし — 再試行中" : L"no camera — retrying";
    const std::wstring live = Japanese() ? L"ライブ" : L"live";
    const std::wstring shown = Japanese() ? L"表示 " : L"shown ";

    SetFakeCamera({{CAMERA_NOT_FOUND, 0}, {CAMERA_NOT_FOUND, 0}});
    HWND window = NULL;
    ViewWindow *view = MakeView(FakeCameraSeam(), &window);
    ASSERT_NE(window, (HWND)NULL);

    EXPECT_TRUE(PumpUntil([&] { return StatusPart(view->status_bar, 3) == no_camera; }))
        << "the status bar reads " << ::testing::PrintToString(StatusPart(view->status_bar, 3));
    EXPECT_TRUE(PumpUntil([&] { return StatusPart(view->status_bar, 3) == live; }))
        << "the status bar reads " << ::testing::PrintToString(StatusPart(view->status_bar, 3));
    EXPECT_TRUE(PumpUntil([&] { return view->frames_shown > 10; }));
    PumpUntil([&] { return StatusPart(view->status_bar, 1) != shown + L"0"; });
    EXPECT_EQ(StatusPart(view->status_bar, 1).rfind(shown, 0), 0u)
        << ::testing::PrintToString(StatusPart(view->status_bar, 1));
    EXPECT_EQ(StatusPart(view->status_bar, 2), (Japanese() ? L"失敗 0" : L"failed 0"));

    DestroyWindow(window);
    ASSERT_EQ(WaitForSingleObject(view->capture_thread, HANG_MS), WAIT_OBJECT_0);
    EXPECT_EQ(FakeCameraCounters().closes, FakeCameraCounters().opens);
    delete view;
}

// Latest frame wins: after the window's thread was busy while the camera
// took over a hundred frames, one notice waits in its queue, not a hundred,
// and the frame it brings is the newest the camera sent, not the first of
// them. Nor has memory grown with the frames taken meanwhile, as a queue of
// them (34 KB each) would have it.
TEST(ViewWindowTest, AfterABusySecondTheNewestFrameIsShown)
{
    SetFakeCamera({});
    HWND window = NULL;
    ViewWindow *view = MakeView(FakeCameraSeam(), &window);
    ASSERT_NE(window, (HWND)NULL);
    ASSERT_TRUE(PumpUntil([&] { return view->frames_shown > 0; }));

    const SIZE_T memory_before = PagefileUsage();
    uint32_t first = 0, newest = 0;
    {
        std::lock_guard<std::mutex> hold(view->live.slot.lock);
        first = view->live.slot.number;
    }
    // Busy, not pumping: only the capture thread moves.
    const int64_t until = NowUs() + HANG_MS * int64_t{1000};
    do {
        Sleep(20);
        std::lock_guard<std::mutex> hold(view->live.slot.lock);
        newest = view->live.slot.number;
    } while (newest - first <= 100 && NowUs() < until);
    // The scripted camera's own log of time-outs grows by a few bytes a take.
    const uint32_t taken = newest - first;
    EXPECT_LT(PagefileUsage(), memory_before + (1u << 20) + 8 * taken)
        << "before: " << memory_before << " bytes, " << taken << " frames taken";
    ASSERT_GT(taken, 100u) << "too few frames to tell a queue";
    MSG notice;
    ASSERT_TRUE(PeekMessageW(&notice, window, MSG_FRAME_READY, MSG_FRAME_READY, PM_REMOVE));
    EXPECT_FALSE(PeekMessageW(&notice, window, MSG_FRAME_READY, MSG_FRAME_READY, PM_NOREMOVE))
        << "more than one notice waited for the busy window";
    uint32_t before = view->shown_number;
    DispatchMessageW(&notice);
    EXPECT_GE(view->shown_number, newest) << "shown before the window was busy: " << before;

    DestroyWindow(window);
    ASSERT_EQ(WaitForSingleObject(view->capture_thread, HANG_MS), WAIT_OBJECT_0);
    delete view;
}

// View, Time stamp: the frame on screen painted again with the time it
// arrived, checked in the menu, and without it again, also while paused.
TEST(ViewWindowTest, TimeStampPaintsTheFrameOnScreen)
{
    SetFakeCamera({});
    HWND window = NULL;
    ViewWindow *view = MakeView(FakeCameraSeam(), &window);
    ASSERT_NE(window, (HWND)NULL);
    ASSERT_TRUE(PumpUntil([&] { return view->frames_shown > 0; }));
    SendMessageW(window, WM_COMMAND, CMD_PAUSE, 0);
    PumpFor(100);
    std::vector<uint8_t> plain(DISPLAY_IMAGE_BYTES), stamped;
    ConvertFrame(view->raw, plain.data(), FRAME_WIDTH, FRAME_HEIGHT);
    stamped = plain;
    StampPicture(stamped.data(), view->shown_moment);
    for (bool on : {true, false}) {
        SendMessageW(window, WM_COMMAND, CMD_TIME_STAMP, 0);
        EXPECT_EQ((UINT)(on ? MF_CHECKED : MF_UNCHECKED),
                  GetMenuState(GetMenu(window), CMD_TIME_STAMP, MF_BYCOMMAND) & (UINT)MF_CHECKED);
        EXPECT_TRUE(std::vector<uint8_t>(view->picture, view->picture + DISPLAY_IMAGE_BYTES)
                    == (on ? stamped : plain));
    }
    DestroyWindow(window);
    ASSERT_EQ(WaitForSingleObject(view->capture_thread, HANG_MS), WAIT_OBJECT_0);
    delete view;
}

// The status bar's frames per second is the rate the frames come at: with
// the camera at about 50 a second, the median of a dozen readings agrees
// with the camera's own count over those seconds within 10 %. The median,
// so that a moment in which a loaded machine holds the window up does not
// decide it.
TEST(ViewWindowTest, FramesPerSecondIsTheCamerasRate)
{
    SetFakeCamera({});
    CameraSeam paced = FakeCameraSeam();
    paced.take_frame = TakePaced;
    HWND window = NULL;
    ViewWindow *view = MakeView(paced, &window);
    ASSERT_NE(window, (HWND)NULL);
    ASSERT_TRUE(PumpUntil([&] { return view->frames_shown > 0; }));
    PumpFor(1500);  // a whole second counted

    const int64_t start = NowUs();
    const uint32_t first = g_paced_frames;
    std::vector<int> readings;
    for (int i = 0; i < 12; ++i) {
        PumpFor(STATUS_TIMER_MS);
        readings.push_back(_wtoi(StatusPart(view->status_bar, 0).c_str()));
    }
    const double rate = (g_paced_frames - first) * 1e6 / (NowUs() - start);
    std::vector<int> sorted = readings;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_NEAR(sorted[sorted.size() / 2], rate, rate / 10)
        << "the status bar read " << ::testing::PrintToString(readings);

    DestroyWindow(window);
    ASSERT_EQ(WaitForSingleObject(view->capture_thread, HANG_MS), WAIT_OBJECT_0);
    delete view;
}

}  // namespace
