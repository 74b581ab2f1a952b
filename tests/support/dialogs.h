// A program's dialog boxes (its message boxes and the About box) as a user
// sees them: found among the process's windows and read back as Unicode,
// which is what was drawn whatever the program's code page.
#ifndef PUKAVRO_TESTS_DIALOGS_H
#define PUKAVRO_TESTS_DIALOGS_H

#include <windows.h>

#include <string>
#include <vector>

struct DialogControl {
    HWND window;
    std::string class_name;
    std::wstring text;
    int id;
    DWORD style;
};

struct MessageBoxView {
    std::wstring caption;
    std::wstring text;  // the message: the static control that is not an icon
    int icons;          // icon statics that show an icon
    int buttons;
    HWND ok;  // the button with id IDOK, if any
};

// A visible top-level dialog (class "#32770") of the process, or NULL.
HWND FindDialog(DWORD process_id);

// Polls (bounded) until the process shows a dialog; NULL if none came.
HWND WaitForDialog(DWORD process_id);

// Polls (bounded) until dialog is gone; true when it is.
bool WaitForDialogClosed(HWND dialog);

std::wstring WindowText(HWND window);

// The dialog's child windows in their order.
std::vector<DialogControl> ListControls(HWND dialog);

// Reads a message box; 0, or -1 when box is no window.
int ReadMessageBox(HWND box, MessageBoxView *view);

// The text of one part of a status bar (COMCTL32) in another process, read
// through a buffer in that process. 0, or -1 when it cannot be read.
int ReadStatusPart(HWND bar, int part, std::wstring *text);

#endif
