// The least a start can cost on this system: one window that paints one
// 96 x 72 bitmap (the green of the all-zero frame) at the place where
// pukavro paints its picture. No resources, no buttons, no accelerators.
#include <windows.h>
#include <stdint.h>
#include <string.h>

namespace {

const char CLASS_NAME[] = "PKSTARTFLOOR";
const int WIDTH = 96;
const int HEIGHT = 72;

BITMAPINFO g_info;
uint8_t g_bits[WIDTH * HEIGHT * 3];

LRESULT CALLBACK FloorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        StretchDIBits(dc, 9, 8, WIDTH, HEIGHT, 0, 0, WIDTH, HEIGHT, g_bits, &g_info, DIB_RGB_COLORS,
                      SRCCOPY);
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
    g_info.bmiHeader.biWidth = WIDTH;
    g_info.bmiHeader.biHeight = HEIGHT;
    g_info.bmiHeader.biPlanes = 1;
    g_info.bmiHeader.biBitCount = 24;
    g_info.bmiHeader.biCompression = BI_RGB;
    for (int i = 0; i < WIDTH * HEIGHT; i++)
        g_bits[i * 3 + 1] = 139;  // blue 0, green 139, red 0

    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = FloorWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = CLASS_NAME;
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, CLASS_NAME, "start-up floor",
                                  WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 120,
                                  180, NULL, NULL, instance, NULL);
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
