// The window: the live picture at a whole zoom above the status bar, the
// menus and keys, and the capture thread's start and stop. A flat window
// procedure; each message has one small handler.
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>

#include "frame_clock.h"
#include "view_resource.h"
#include "view_stamp.h"
#include "view_window.h"
#include "zoom.h"

namespace {

const wchar_t VIEW_CLASS[] = L"KAVROVIEW";

ViewWindow *ViewOf(HWND window)
{
    return reinterpret_cast<ViewWindow *>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// On the capture thread. Posted, so the capture never waits for the window.
void TellWindow(void *window)
{
    PostMessageW(static_cast<HWND>(window), MSG_FRAME_READY, 0, 0);
}

DWORD WINAPI CaptureThread(LPVOID parameter)
{
    RunLiveCapture(static_cast<LiveCapture *>(parameter));
    return 0;
}

// The client area above the status bar, where the picture sits.
RECT PictureArea(ViewWindow *view)
{
    RECT area;
    GetClientRect(view->window, &area);
    area.bottom -= StatusBarHeight(view);
    if (area.bottom < area.top)
        area.bottom = area.top;
    return area;
}

PicturePlace PlaceOnScreen(ViewWindow *view)
{
    RECT area = PictureArea(view);
    return PlacePicture(area.right - area.left, area.bottom - area.top, view->zoom);
}

// The narrowest client area that still holds the menu bar on one line and
// the status bar's parts.
int NarrowestClientWidth(ViewWindow *view)
{
    int widest = STATUS_MIN_WIDTH;
    HMENU menu = GetMenu(view->window);
    RECT window_rect, item;
    GetWindowRect(view->window, &window_rect);
    POINT origin = {0, 0};
    ClientToScreen(view->window, &origin);
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
        if (GetMenuItemRect(view->window, menu, i, &item) && item.right - origin.x > widest)
            widest = item.right - origin.x;
    return widest;
}

// The outer size of the window around the picture at zoom, never narrower
// than the bars need.
SIZE WindowSizeFor(ViewWindow *view, int zoom)
{
    RECT rect = {0, 0, FRAME_WIDTH * zoom, FRAME_HEIGHT * zoom};
    int narrowest = NarrowestClientWidth(view);
    if (rect.right < narrowest)
        rect.right = narrowest;
    rect.bottom += StatusBarHeight(view);
    AdjustWindowRectEx(&rect, GetWindowLongW(view->window, GWL_STYLE), TRUE,
                       GetWindowLongW(view->window, GWL_EXSTYLE));
    SIZE size = {rect.right - rect.left, rect.bottom - rect.top};
    return size;
}

// Resizes the window to fit the picture at the chosen zoom.
void SizeToZoom(ViewWindow *view)
{
    SIZE size = WindowSizeFor(view, view->zoom);
    view->sizing = 1;
    SetWindowPos(view->window, NULL, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    view->sizing = 0;
    InvalidateRect(view->window, NULL, FALSE);
}

// The user cannot make the window smaller than the picture at 1x needs.
void OnGetMinMaxInfo(ViewWindow *view, MINMAXINFO *limits)
{
    SIZE size = WindowSizeFor(view, ZOOM_MIN);
    limits->ptMinTrackSize.x = size.cx;
    limits->ptMinTrackSize.y = size.cy;
}

void MarkZoomMenu(ViewWindow *view)
{
    CheckMenuRadioItem(GetMenu(view->window), CMD_ZOOM_1, CMD_ZOOM_8, CMD_ZOOM_1 + view->zoom - 1,
                       MF_BYCOMMAND);
}

void ChooseZoom(ViewWindow *view, int zoom)
{
    view->zoom = ClampZoom(zoom);
    MarkZoomMenu(view);
    SizeToZoom(view);
}

LRESULT OnCreate(HWND window, LPARAM lParam)
{
    ViewWindow *view =
        static_cast<ViewWindow *>(reinterpret_cast<CREATESTRUCTW *>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
    view->window = window;
    view->zoom = ZOOM_DEFAULT;
    // The sizes of the window's creation are not the user's: the zoom
    // stays until CreateViewWindow fits the window to it.
    view->sizing = 1;
    InitDisplayHeader(&view->picture_info.bmiHeader);
    // Until the first frame: the picture of an all-zero frame, as pukavro
    // shows before its first capture.
    ConvertFrame(view->raw, view->picture, FRAME_WIDTH, FRAME_HEIGHT);
    view->status_bar = CreateStatusBar(window);
    if (view->status_bar == NULL)
        return -1;
    MarkZoomMenu(view);

    view->live.tell_window = TellWindow;
    view->live.window = window;
    view->live.now_us = NowUs;
    view->capture_thread = CreateThread(NULL, 0, CaptureThread, &view->live, 0, NULL);
    if (view->capture_thread == NULL)
        return -1;
    SetTimer(window, STATUS_TIMER, STATUS_TIMER_MS, NULL);
    StartCameraListing(view);
    return 0;
}

// Only around the picture: the picture itself is painted over, never
// erased first, so it does not flicker.
void OnPaint(ViewWindow *view)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(view->window, &ps);
    RECT area = PictureArea(view);
    PicturePlace place = PlaceOnScreen(view);
    HBRUSH background = GetSysColorBrush(COLOR_APPWORKSPACE);
    RECT bands[4] = {
        {area.left, area.top, area.right, place.y},
        {area.left, place.y + place.height, area.right, area.bottom},
        {area.left, place.y, place.x, place.y + place.height},
        {place.x + place.width, place.y, area.right, place.y + place.height},
    };
    for (const RECT &band : bands)
        if (band.right > band.left && band.bottom > band.top)
            FillRect(dc, &band, background);
    // Whole pixels as sharp squares: no smoothing between them.
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, place.x, place.y, place.width, place.height, 0, 0, FRAME_WIDTH, FRAME_HEIGHT,
                  view->picture, &view->picture_info, DIB_RGB_COLORS, SRCCOPY);
    EndPaint(view->window, &ps);
}

// The stamp over the picture just taken or painted again from its frame.
void StampShown(ViewWindow *view)
{
    if (view->stamp)
        StampPicture(view->picture, view->shown_moment);
}

void OnFrameReady(ViewWindow *view)
{
    if (!TakeFrame(&view->live.slot, view->raw, view->picture, &view->shown_number))
        return;
    view->shown_moment = LocalMomentNow();
    StampShown(view);
    view->have_frame = true;
    view->frames_shown++;
    CountFrame(&view->rate, NowUs());
    PicturePlace place = PlaceOnScreen(view);
    RECT rect = {place.x, place.y, place.x + place.width, place.y + place.height};
    InvalidateRect(view->window, &rect, FALSE);
}

void OnSize(ViewWindow *view, WPARAM kind)
{
    SendMessageW(view->status_bar, WM_SIZE, 0, 0);
    if (!view->sizing && kind != SIZE_MINIMIZED) {
        // The user's own size: the largest zoom that fits, and the window
        // stays as the user left it.
        RECT area = PictureArea(view);
        view->zoom = FitZoom(area.right - area.left, area.bottom - area.top);
        MarkZoomMenu(view);
    }
    InvalidateRect(view->window, NULL, FALSE);
}

// Ctrl + wheel zooms; the wheel alone does nothing here.
void OnMouseWheel(ViewWindow *view, WPARAM wParam)
{
    if (!(GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL))
        return;
    int steps = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
    if (steps != 0)
        ChooseZoom(view, view->zoom + steps);
}

void OnPause(ViewWindow *view)
{
    bool paused = !view->live.paused.load();
    view->live.paused = paused;
    CheckMenuItem(GetMenu(view->window), CMD_PAUSE,
                  MF_BYCOMMAND | (paused ? MF_CHECKED : MF_UNCHECKED));
    ShowStatus(view);
}

// The frame on screen is painted again with or without the stamp, also
// while paused; recordings take it from their next frame on.
void OnTimeStamp(ViewWindow *view)
{
    view->stamp = !view->stamp;
    CheckMenuItem(GetMenu(view->window), CMD_TIME_STAMP,
                  MF_BYCOMMAND | (view->stamp ? MF_CHECKED : MF_UNCHECKED));
    if (view->recording != NULL)
        view->recording->stamp = view->stamp;
    ConvertFrame(view->raw, view->picture, FRAME_WIDTH, FRAME_HEIGHT);
    if (view->have_frame)
        StampShown(view);
    InvalidateRect(view->window, NULL, FALSE);
}

void OnCommand(ViewWindow *view, int command)
{
    if (command >= CMD_ZOOM_1 && command <= CMD_ZOOM_8) {
        ChooseZoom(view, command - CMD_ZOOM_1 + 1);
        return;
    }
    if (command >= CMD_CAMERA_0 && command <= CMD_CAMERA_9) {
        OnChooseCamera(view, command - CMD_CAMERA_0);
        return;
    }
    switch (command) {
    case CMD_SNAPSHOT:
        StartSnapshot(view);
        break;
    case CMD_RECORD:
        ToggleRecording(view);
        break;
    case CMD_COPY:
        CopyPicture(view);
        break;
    case CMD_EXIT:
        DestroyWindow(view->window);
        break;
    case CMD_PAUSE:
        OnPause(view);
        break;
    case CMD_TIME_STAMP:
        OnTimeStamp(view);
        break;
    case CMD_ZOOM_IN:
        ChooseZoom(view, view->zoom + 1);
        break;
    case CMD_ZOOM_OUT:
        ChooseZoom(view, view->zoom - 1);
        break;
    case CMD_ABOUT:
        DialogBoxParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_ABOUT), view->window,
                        AboutDialogProc, 0);
        break;
    }
}

// The capture thread is told to stop and left to end by itself: it may be
// waiting out a request stuck in the driver, and the window must not wait
// for that. The recording is told to finish; WinMain waits for it.
void OnDestroy(ViewWindow *view)
{
    KillTimer(view->window, STATUS_TIMER);
    StopRecording(view);
    RaiseStop(&view->live.stop);
    PostQuitMessage(0);
}

}  // namespace

int64_t NowUs()
{
    return MonotonicUs();
}

ATOM RegisterViewClass(HINSTANCE instance)
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ViewWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_KAVROVIEW));
    wc.hCursor = LoadCursorW(NULL, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = NULL;  // the paint fills around the picture itself
    wc.lpszMenuName = MAKEINTRESOURCEW(IDR_MENU);
    wc.lpszClassName = VIEW_CLASS;
    wc.hIconSm = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_KAVROVIEW), IMAGE_ICON, 16, 16, 0));
    return RegisterClassExW(&wc);
}

HWND CreateViewWindow(HINSTANCE instance, ViewWindow *view, int show_state)
{
    view->accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCEL));
    HWND window = CreateWindowExW(0, VIEW_CLASS, LoadText(STR_TITLE).c_str(), WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL,
                                  NULL, instance, view);
    if (window == NULL)
        return NULL;
    SizeToZoom(view);
    ShowWindow(window, show_state);
    UpdateWindow(window);
    return window;
}

LRESULT CALLBACK ViewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE)
        return OnCreate(window, lParam);
    ViewWindow *view = ViewOf(window);
    if (view == NULL)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_PAINT:
        OnPaint(view);
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the paint covers everything
    case WM_SIZE:
        OnSize(view, wParam);
        return 0;
    case WM_MOUSEWHEEL:
        OnMouseWheel(view, wParam);
        return 0;
    case WM_COMMAND:
        OnCommand(view, LOWORD(wParam));
        return 0;
    case WM_INITMENUPOPUP:
        // The Camera menu opened: look again for the cameras present.
        if (HIWORD(lParam) == 0 && LOWORD(lParam) == MENU_CAMERA_POSITION)
            StartCameraListing(view);
        return 0;
    case WM_TIMER:
        // Also takes a frame whose notice was lost (a full queue drops a
        // posted message), so the picture never stays frozen.
        OnFrameReady(view);
        ShowStatus(view);
        return 0;
    case WM_GETMINMAXINFO:
        if (view->status_bar != NULL)
            OnGetMinMaxInfo(view, reinterpret_cast<MINMAXINFO *>(lParam));
        return 0;
    case MSG_FRAME_READY:
        OnFrameReady(view);
        return 0;
    case MSG_SNAPSHOT_DONE:
        OnSnapshotDone(view, lParam);
        return 0;
    case MSG_RECORDING_DONE:
        OnRecordingDone(view, lParam);
        return 0;
    case MSG_CAMERAS_LISTED:
        OnCamerasListed(view, lParam);
        return 0;
    case WM_DESTROY:
        OnDestroy(view);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
