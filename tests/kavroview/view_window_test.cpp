// kavroview's window made in this process against the scripted camera, so
// what Wine does not show another process can be read: the status bar's
// texts, in the interface language of the test's Wine.
#include <windows.h>
#include <commctrl.h>

#include <mutex>
#include <string>

#include <gtest/gtest.h>

#include "ezusb_device.h"
#include "fake_camera.h"
#include "view_resource.h"
#include "view_window.h"

namespace {

std::wstring StatusPart(HWND bar, int part)
{
    wchar_t text[256] = L"";
    if (LOWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, part, 0)) < 256)
        SendMessageW(bar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
    return text;
}

// Pumps this thread's messages until done() or about ten seconds.
template <typename Done> bool PumpUntil(Done done)
{
    for (int i = 0; i < 500; ++i) {
        if (done())
            return true;
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(20);
    }
    return done();
}

bool Japanese()
{
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
}

// Missing at first, the camera answers after two tries a second apart: the
// status bar says so, then goes live by itself and counts what it shows.
TEST(ViewWindowTest, MissingCameraShowsThenGoesLiveByItself)
{
    const std::wstring no_camera = Japanese() ? L"カメラなし — 再試行中" : L"no camera — retrying";
    const std::wstring live = Japanese() ? L"ライブ" : L"live";
    const std::wstring shown = Japanese() ? L"表示 " : L"shown ";

    SetFakeCamera({{CAMERA_NOT_FOUND, 0}, {CAMERA_NOT_FOUND, 0}});
    ViewWindow *view = new ViewWindow();
    view->live.seam = FakeCameraSeam();
    view->live.device = EZUSB_DEVICE_PATH;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    RegisterViewClass(GetModuleHandleW(NULL));
    HWND window = CreateViewWindow(GetModuleHandleW(NULL), view, SW_SHOWNOACTIVATE);
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
    ASSERT_EQ(WaitForSingleObject(view->capture_thread, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(FakeCameraCounters().closes, FakeCameraCounters().opens);
    delete view;
}

// Latest frame wins: after a second in which the window's thread was busy,
// one notice waits in its queue, not a second's worth, and the frame it
// brings is the newest the camera sent, not one from a second before.
TEST(ViewWindowTest, AfterABusySecondTheNewestFrameIsShown)
{
    SetFakeCamera({});
    ViewWindow *view = new ViewWindow();
    view->live.seam = FakeCameraSeam();
    view->live.device = EZUSB_DEVICE_PATH;
    RegisterViewClass(GetModuleHandleW(NULL));
    HWND window = CreateViewWindow(GetModuleHandleW(NULL), view, SW_SHOWNOACTIVATE);
    ASSERT_NE(window, (HWND)NULL);
    ASSERT_TRUE(PumpUntil([&] { return view->frames_shown > 0; }));

    Sleep(1000);
    uint32_t newest = 0;
    {
        std::lock_guard<std::mutex> hold(view->live.slot.lock);
        newest = view->live.slot.number;
    }
    MSG notice;
    ASSERT_TRUE(PeekMessageW(&notice, window, MSG_FRAME_READY, MSG_FRAME_READY, PM_REMOVE));
    EXPECT_FALSE(PeekMessageW(&notice, window, MSG_FRAME_READY, MSG_FRAME_READY, PM_NOREMOVE))
        << "more than one notice waited for the busy window";
    uint32_t before = view->shown_number;
    DispatchMessageW(&notice);
    EXPECT_GE(view->shown_number, newest) << "shown before the busy second: " << before;

    DestroyWindow(window);
    ASSERT_EQ(WaitForSingleObject(view->capture_thread, 5000), WAIT_OBJECT_0);
    delete view;
}

}  // namespace
