#include "cover_window.h"

namespace {

const char COVER_CLASS[] = "PukavroTestCover";

LRESULT CALLBACK CoverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

int RegisterCover()
{
    WNDCLASSA cover = {};
    if (GetClassInfoA(GetModuleHandleA(NULL), COVER_CLASS, &cover))
        return 0;
    cover.lpfnWndProc = CoverProc;
    cover.hInstance = GetModuleHandleA(NULL);
    // The class brush paints the whole window on erase; it lives as long
    // as the class.
    cover.hbrBackground =
        CreateSolidBrush(RGB(COVER_RGB >> 16, (COVER_RGB >> 8) & 0xFF, COVER_RGB & 0xFF));
    cover.lpszClassName = COVER_CLASS;
    return RegisterClassA(&cover) ? 0 : -1;
}

}  // namespace

HWND CreateCover(const RECT &rect)
{
    if (RegisterCover() != 0)
        return NULL;
    HWND cover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, COVER_CLASS,
                                 "", WS_POPUP, rect.left, rect.top, rect.right - rect.left,
                                 rect.bottom - rect.top, NULL, NULL, GetModuleHandleA(NULL), NULL);
    if (cover == NULL)
        return NULL;
    ShowWindow(cover, SW_SHOWNOACTIVATE);
    UpdateWindow(cover);
    return cover;
}
