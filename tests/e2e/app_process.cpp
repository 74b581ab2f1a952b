#include "app_process.h"

#include <string.h>

#include "wait.h"

namespace {

const DWORD CLOSE_MS = 5000;

struct WindowSearch {
    DWORD process_id;
    const char *class_name;
    bool visible_only;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter)
{
    WindowSearch *search = reinterpret_cast<WindowSearch *>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char class_name[32];
    if (owner == search->process_id && (!search->visible_only || IsWindowVisible(window))
        && GetClassNameA(window, class_name, sizeof class_name)
        && strcmp(class_name, search->class_name) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND FindProcessWindow(DWORD process_id, const char *class_name, bool visible_only)
{
    WindowSearch search = {process_id, class_name, visible_only, NULL};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindMainWindow(DWORD process_id)
{
    return FindProcessWindow(process_id, "PUKAVRO", false);
}

HWND KeyboardFocus(DWORD thread_id)
{
    GUITHREADINFO info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(thread_id, &info))
        return NULL;
    return info.hwndFocus;
}

int StartApp(AppProcess *app, const char *program, const char *directory)
{
    memset(app, 0, sizeof *app);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    char command_line[MAX_PATH + 3];
    if (strlen(program) >= MAX_PATH)
        return -1;
    strcpy(command_line, "\"");
    strcat(command_line, program);
    strcat(command_line, "\"");
    if (!CreateProcessA(program, command_line, NULL, NULL, FALSE, 0, NULL, directory, &startup,
                        &app->info)) {
        memset(&app->info, 0, sizeof app->info);
        return -1;
    }
    bool shown = false;
    WaitUntil([app, &shown] {
        app->window = FindMainWindow(app->info.dwProcessId);
        shown = app->window != NULL && IsWindowVisible(app->window)
                && KeyboardFocus(app->info.dwThreadId) == app->window;
        return shown || WaitForSingleObject(app->info.hProcess, 0) == WAIT_OBJECT_0;
    });
    return shown ? 0 : -1;
}

int WaitForExit(AppProcess *app, DWORD timeout_ms, DWORD *exit_code)
{
    if (app->info.hProcess == NULL)
        return -1;
    bool ended = WaitUntil(
        [app] { return WaitForSingleObject(app->info.hProcess, 0) == WAIT_OBJECT_0; }, timeout_ms);
    if (!ended || !GetExitCodeProcess(app->info.hProcess, exit_code))
        return -1;
    return 0;
}

void StopApp(AppProcess *app)
{
    if (app->info.hProcess == NULL)
        return;
    DWORD exit_code;
    if (WaitForSingleObject(app->info.hProcess, 0) != WAIT_OBJECT_0) {
        // Closing the main window also ends any message box or About box
        // it owns.
        HWND window = FindMainWindow(app->info.dwProcessId);
        if (window != NULL)
            PostMessageA(window, WM_CLOSE, 0, 0);
        if (WaitForExit(app, CLOSE_MS, &exit_code) != 0) {
            TerminateProcess(app->info.hProcess, 1);
            WaitForExit(app, CLOSE_MS, &exit_code);
        }
    }
    CloseHandle(app->info.hThread);
    CloseHandle(app->info.hProcess);
    memset(app, 0, sizeof *app);
}
