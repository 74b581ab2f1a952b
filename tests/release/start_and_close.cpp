// start_and_close PROGRAM.exe CLASS
// Starts a window program from its own folder, as Explorer does, waits until
// it shows a top-level window of class CLASS, asks it to close with
// WM_CLOSE, as the close box does, and waits for it to end. Exit status 0
// only when the window was shown and the program then ended by itself with
// exit code 0. Paths are UTF-16 throughout, so any folder name works.
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

namespace {

const DWORD WAIT_MS = 20000;
const DWORD POLL_MS = 50;

struct Search {
    DWORD process_id;
    const wchar_t *class_name;
    HWND found;
};

BOOL CALLBACK OfProcess(HWND window, LPARAM context)
{
    Search *search = (Search *)context;
    DWORD owner = 0;
    wchar_t name[64];
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->process_id && IsWindowVisible(window)
        && GetClassNameW(window, name, 64) > 0 && wcscmp(name, search->class_name) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForWindow(HANDLE process, DWORD process_id, const wchar_t *class_name)
{
    Search search = {process_id, class_name, NULL};
    for (DWORD waited = 0; waited < WAIT_MS; waited += POLL_MS) {
        EnumWindows(OfProcess, (LPARAM)&search);
        if (search.found != NULL || WaitForSingleObject(process, POLL_MS) == WAIT_OBJECT_0)
            break;
    }
    return search.found;
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: start_and_close PROGRAM.exe CLASS\n");
        return 2;
    }
    wchar_t folder[MAX_PATH];
    wcsncpy(folder, argv[1], MAX_PATH - 1);
    folder[MAX_PATH - 1] = L'\0';
    wchar_t *slash = wcsrchr(folder, L'\\');
    if (slash != NULL)
        *slash = L'\0';

    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info;
    if (!CreateProcessW(argv[1], NULL, NULL, NULL, FALSE, 0, NULL, folder, &startup, &info)) {
        printf("could not start the program: error %lu\n", GetLastError());
        return 1;
    }
    int status = 1;
    HWND window = WaitForWindow(info.hProcess, info.dwProcessId, argv[2]);
    if (window == NULL) {
        printf("no window of its class was shown within %lu ms\n", WAIT_MS);
    } else {
        printf("window shown\n");
        PostMessageW(window, WM_CLOSE, 0, 0);
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(info.hProcess, WAIT_MS) != WAIT_OBJECT_0)
            printf("still running %lu ms after WM_CLOSE\n", WAIT_MS);
        else if (GetExitCodeProcess(info.hProcess, &code))
            printf("ended with exit code %lu\n", code);
        status = code == 0 ? 0 : 1;
    }
    if (WaitForSingleObject(info.hProcess, 0) != WAIT_OBJECT_0)
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return status;
}
