// The user interface: start-up, the main window and the About box.
#ifndef PUKAVRO_UI_H
#define PUKAVRO_UI_H

#include <windows.h>

ATOM RegisterMainClass(HINSTANCE instance);

// 1 when the main window exists and is shown, 0 when it could not be made.
int CreateMainWindow(HINSTANCE instance, int show_state);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
