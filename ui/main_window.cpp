// The main window: three buttons above the last picture, painted 1:1.
#include <windows.h>

#include "app_state.h"
#include "messages.h"
#include "resource.h"
#include "ui.h"

namespace {

const int PICTURE_X = 9;
const int PICTURE_Y = 8;

HWND CreateButton(HWND window, const char *caption, int x, int y, int width, int id)
{
    return CreateWindowExA(0, "BUTTON", caption, WS_CHILD | WS_VISIBLE, x, y, width, 25, window,
                           (HMENU)(INT_PTR)id, g_app.instance, NULL);
}

void ShowError(HWND window, const char *text)
{
    MessageBoxA(window, text, ERROR_CAPTION, MB_ICONERROR);
}

// -1 makes window creation fail: without the picture's bits there is
// nothing to convert into or paint from.
LRESULT OnCreate(HWND window)
{
    g_app.capture_button = CreateButton(window, "Capture", 12, 85, 90, CMD_CAPTURE);
    g_app.save_button = CreateButton(window, "Save", 12, 120, 40, CMD_SAVE);
    g_app.exit_button = CreateButton(window, "Exit", 62, 120, 40, CMD_EXIT);
    g_app.capture_request = &g_capture_request;
    g_app.capture_request->buffer = g_app.raw_frame;
    g_app.capture_request->length = RAW_FRAME_BYTES;
    g_app.frame_counter = 1;
    InitDisplayHeader(&g_app.image.info.bmiHeader);
    g_app.image.bits = (uint8_t *)GlobalAlloc(GMEM_ZEROINIT, DISPLAY_IMAGE_BYTES);
    if (g_app.image.bits == NULL)
        return -1;
    // The frame is still all zero: the first picture is a uniform green.
    ConvertFrame(g_app.raw_frame, g_app.image.bits, FRAME_WIDTH, FRAME_HEIGHT);
    return 0;
}

void OnPaint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    StretchDIBits(dc, PICTURE_X, PICTURE_Y, FRAME_WIDTH, FRAME_HEIGHT, 0, 0, FRAME_WIDTH,
                  FRAME_HEIGHT, g_app.image.bits, &g_app.image.info, DIB_RGB_COLORS, SRCCOPY);
    EndPaint(window, &ps);
}

// The buttons stay disabled until the worker's notice arrives. A command
// can still come while they are (another program may send it): a second
// worker would share the request and the frame buffer, so it is refused.
void OnCapture(HWND window)
{
    if (g_app.capturing)
        return;
    g_app.capturing = 1;
    EnableWindow(g_app.capture_button, FALSE);
    EnableWindow(g_app.save_button, FALSE);
    StartCapture(window);
}

// A failed save keeps the counter, so the next attempt uses the same name.
// Refused during a capture: the driver may be half-way through the frame.
void OnSave(HWND window)
{
    if (g_app.capturing)
        return;
    EnableWindow(g_app.save_button, FALSE);
    char name[FRAME_NAME_CHARS];
    FormatFrameName(name, g_app.frame_counter);
    if (WriteRawFile(name, g_app.raw_frame, RAW_FRAME_BYTES) < 0)
        ShowError(window, SAVE_FAILED_TEXT);
    else
        g_app.frame_counter = NextFrameCounter(g_app.frame_counter);
    EnableWindow(g_app.save_button, TRUE);
}

// Runs while the worker waits in SendMessageA, done with the frame buffer
// (or on this thread when no worker could start). The repaint happens
// before the worker is released. The capture counts as running until the
// buttons come back, after any message box.
void OnCaptureDone(HWND window, LPARAM status)
{
    if ((LONG)status < 0) {
        ShowError(window, CAPTURE_FAILED_TEXT);
    } else {
        ConvertFrame(g_app.raw_frame, g_app.image.bits, FRAME_WIDTH, FRAME_HEIGHT);
        InvalidateRect(window, NULL, TRUE);
        UpdateWindow(window);
    }
    EnableWindow(g_app.capture_button, TRUE);
    EnableWindow(g_app.save_button, TRUE);
    g_app.capturing = 0;
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(window);
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_COMMAND:
        // The notification code is not looked at: any command with one of
        // these ids acts (Capture and Save only between captures).
        switch (LOWORD(wParam)) {
        case CMD_CAPTURE:
            OnCapture(window);
            return 0;
        case CMD_SAVE:
            OnSave(window);
            return 0;
        case CMD_ABOUT:
            DialogBoxParamA(g_app.instance, MAKEINTRESOURCEA(DLG_ABOUT), window, AboutDialogProc,
                            0);
            return 0;
        case CMD_EXIT:
            DestroyWindow(window);
            return 0;
        }
        break;
    case MSG_CAPTURE_DONE:
        OnCaptureDone(window, lParam);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
