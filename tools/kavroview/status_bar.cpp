// The status bar (COMCTL32): frames per second over the last second, frames
// shown, failed captures, and the camera's state with what was last saved.
#include <windows.h>
#include <commctrl.h>

#include "view_resource.h"
#include "view_window.h"

namespace {

UINT StateText(int state)
{
    switch (state) {
    case LIVE_RUNNING:
        return STR_LIVE;
    case LIVE_PAUSED:
        return STR_PAUSED;
    case LIVE_NO_CAMERA:
        return STR_NO_CAMERA;
    case LIVE_FAILING:
        return STR_FAILING;
    case LIVE_OTHER_USER:
        return STR_OTHER_USER;
    default:
        return STR_STARTING;
    }
}

void SetPart(HWND bar, int part, const std::wstring &text)
{
    SendMessageW(bar, SB_SETTEXTW, part, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace

HWND CreateStatusBar(HWND window)
{
    HWND bar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0,
                               0, 0, 0, window, reinterpret_cast<HMENU>(STATUS_BAR_ID),
                               GetModuleHandleW(NULL), NULL);
    if (bar == NULL)
        return NULL;
    int edges[4] = {STATUS_FPS_WIDTH, STATUS_FPS_WIDTH + STATUS_SHOWN_WIDTH,
                    STATUS_FPS_WIDTH + STATUS_SHOWN_WIDTH + STATUS_FAILED_WIDTH, -1};
    SendMessageW(bar, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(edges));
    return bar;
}

int StatusBarHeight(ViewWindow *view)
{
    RECT rect;
    if (view->status_bar == NULL || !GetWindowRect(view->status_bar, &rect))
        return 0;
    return rect.bottom - rect.top;
}

void ShowStatus(ViewWindow *view)
{
    SetPart(view->status_bar, 0, FormatText(STR_FPS, FramesInLastSecond(&view->rate, NowUs())));
    SetPart(view->status_bar, 1, FormatText(STR_SHOWN, view->frames_shown));
    SetPart(view->status_bar, 2, FormatText(STR_FAILED, view->live.failures.load()));
    int state = view->live.paused.load() ? LIVE_PAUSED : view->live.state.load();
    std::wstring last = LoadText(StateText(state));
    std::wstring recording = RecordingText(view);
    if (!recording.empty())
        last += L"  " + recording;
    if (!view->note.empty())
        last += L"  " + view->note;
    SetPart(view->status_bar, 3, last);
}

void ShowStatusNote(ViewWindow *view, const std::wstring &note)
{
    view->note = note;
    ShowStatus(view);
}
