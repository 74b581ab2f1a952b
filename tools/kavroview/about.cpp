// The About box: the program's name, version and licence, from the dialog
// template of the user's language, the version filled in here.
#include <windows.h>

#include "pukavro_version.h"
#include "view_resource.h"
#include "view_window.h"

#define WIDE_TEXT(text) L##text
#define WIDE(text) WIDE_TEXT(text)

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextW(dialog, IDC_ABOUT_VERSION,
                        FormatText(STR_VERSION, WIDE(PUKAVRO_VERSION_TEXT)).c_str());
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}
