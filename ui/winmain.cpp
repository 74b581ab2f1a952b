// Process start-up, the window class and the message loop.
#include <windows.h>

#include "app_state.h"
#include "resource.h"
#include "ui.h"

ATOM RegisterMainClass(HINSTANCE instance)
{
    WNDCLASSEXA wc;
    wc.cbSize = sizeof wc;
    wc.style = CS_VREDRAW | CS_HREDRAW;
    wc.lpfnWndProc = MainWindowProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(ICON_LARGE));
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_SCROLLBAR + 1);
    wc.lpszMenuName = NULL;
    wc.lpszClassName = g_app.class_name;
    wc.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(ICON_SMALL));
    return RegisterClassExA(&wc);
}

int CreateMainWindow(HINSTANCE instance, int show_state)
{
    g_app.instance = instance;
    // A captioned pop-up with system menu and minimise box: it can be
    // neither resized nor maximised. For a pop-up, CW_USEDEFAULT means x 0.
    HWND window = CreateWindowExA(0, g_app.class_name, g_app.title,
                                  WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                  CW_USEDEFAULT, 0, 120, 180, NULL, NULL, instance, NULL);
    if (window == NULL)
        return 0;
    ShowWindow(window, show_state);
    UpdateWindow(window);
    return 1;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_state)
{
    LoadStringA(instance, STR_TITLE, g_app.title, APP_TEXT_CHARS);
    LoadStringA(instance, STR_CLASS, g_app.class_name, APP_TEXT_CHARS);
    RegisterMainClass(instance);
    if (!CreateMainWindow(instance, show_state))
        return 0;
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(ACCEL_MAIN));

    // The accelerators act on the window the keystroke is addressed to, so
    // they work while the main window itself has the focus.
    MSG msg;
    BOOL got;
    while ((got = GetMessageA(&msg, NULL, 0, 0)) != 0) {
        if (got == -1)  // a broken queue will not mend: stop instead of spinning
            return 0;
        if (!TranslateAcceleratorA(msg.hwnd, accelerators, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return (int)msg.wParam;
}
