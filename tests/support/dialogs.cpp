#include "dialogs.h"

#include <commctrl.h>

#include "program.h"
#include "wait.h"

HWND FindDialog(DWORD process_id)
{
    return FindProcessWindow(process_id, "#32770", 1);
}

HWND WaitForDialog(DWORD process_id)
{
    HWND dialog = NULL;
    WaitUntil([&] {
        dialog = FindDialog(process_id);
        return dialog != NULL;
    });
    return dialog;
}

bool WaitForDialogClosed(HWND dialog)
{
    return WaitUntil([dialog] { return !IsWindow(dialog) || !IsWindowVisible(dialog); });
}

std::wstring WindowText(HWND window)
{
    wchar_t text[256];
    int length = GetWindowTextW(window, text, 256);
    return std::wstring(text, length > 0 ? length : 0);
}

std::vector<DialogControl> ListControls(HWND dialog)
{
    std::vector<DialogControl> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != NULL;
         child = GetWindow(child, GW_HWNDNEXT)) {
        DialogControl control;
        char class_name[64] = "";
        GetClassNameA(child, class_name, sizeof class_name);
        control.window = child;
        control.class_name = class_name;
        control.text = WindowText(child);
        control.id = GetDlgCtrlID(child);
        control.style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
        controls.push_back(control);
    }
    return controls;
}

int ReadMessageBox(HWND box, MessageBoxView *view)
{
    view->caption.clear();
    view->text.clear();
    view->icons = 0;
    view->buttons = 0;
    view->ok = NULL;
    if (!IsWindow(box))
        return -1;
    view->caption = WindowText(box);
    for (const DialogControl &control : ListControls(box)) {
        if (_stricmp(control.class_name.c_str(), "Static") == 0) {
            if ((control.style & SS_TYPEMASK) == SS_ICON) {
                if (SendMessageA(control.window, STM_GETICON, 0, 0) != 0)
                    view->icons++;
            } else if (!control.text.empty()) {
                view->text = control.text;
            }
        } else if (_stricmp(control.class_name.c_str(), "Button") == 0) {
            view->buttons++;
            if (control.id == IDOK)
                view->ok = control.window;
        }
    }
    return 0;
}

int ReadStatusPart(HWND bar, int part, std::wstring *text)
{
    text->clear();
    DWORD process_id = 0;
    if (GetWindowThreadProcessId(bar, &process_id) == 0)
        return -1;
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ, FALSE, process_id);
    if (process == NULL)
        return -1;
    wchar_t buffer[256];
    void *remote =
        VirtualAllocEx(process, NULL, sizeof buffer, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    DWORD_PTR length = 0, result = 0;
    int read = -1;
    if (remote != NULL
        && SendMessageTimeoutW(bar, SB_GETTEXTLENGTHW, part, 0, SMTO_NORMAL, HANG_MS, &length)
        && LOWORD(length) < 256
        && SendMessageTimeoutW(bar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(remote),
                               SMTO_NORMAL, HANG_MS, &result)
        && ReadProcessMemory(process, remote, buffer, sizeof buffer, NULL)) {
        text->assign(buffer, LOWORD(result) < 256 ? LOWORD(result) : 0);
        read = 0;
    }
    if (remote != NULL)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return read;
}
