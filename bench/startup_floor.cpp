// The least a start can cost on this system: one window that paints one
// 96 x 72 bitmap (the green of the all-zero frame) at the place where
// pukavro paints its picture. No resources, no buttons, no accelerators.
#include <windows.h>
#include <stdint.h>
#include <string.h>

#include "expected.h"
#include "floors.h"

namespace {

BITMAPINFO g_info;
uint8_t g_bits[PICTURE_PIXELS * 3];

LRESULT CALLBACK FloorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        StretchDIBits(dc, PICTURE_X, PICTURE_Y, PICTURE_WIDTH, PICTURE_HEIGHT, 0, 0, PICTURE_WIDTH,
                      PICTURE_HEIGHT, g_bits, &g_info, DIB_RGB_COLORS, SRCCOPY);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_state)
{
    g_info.bmiHeader.biSize = sizeof g_info.bmiHeader;
    g_info.bmiHeader.biWidth = PICTURE_WIDTH;
    g_info.bmiHeader.biHeight = PICTURE_HEIGHT;
    g_info.bmiHeader.biPlanes = 1;
    g_info.bmiHeader.biBitCount = 24;
    g_info.bmiHeader.biCompression = BI_RGB;
    // Blue, green, red.
    for (int i = 0; i < PICTURE_PIXELS; i++) {
        g_bits[i * 3] = FIRST_PICTURE_RGB & 0xFF;
        g_bits[i * 3 + 1] = (FIRST_PICTURE_RGB >> 8) & 0xFF;
        g_bits[i * 3 + 2] = FIRST_PICTURE_RGB >> 16;
    }

    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = FloorWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = STARTUP_FLOOR_CLASS;
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, STARTUP_FLOOR_CLASS, "start-up floor",
                                  WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                  MAIN_WINDOW_X, MAIN_WINDOW_Y, MAIN_WINDOW_WIDTH,
                                  MAIN_WINDOW_HEIGHT, NULL, NULL, instance, NULL);
    if (window == NULL)
        return 1;
    ShowWindow(window, show_state);
    UpdateWindow(window);

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
