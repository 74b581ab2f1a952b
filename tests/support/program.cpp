#include "program.h"

#include <string.h>

#include <string>

#include "files.h"
#include "wait.h"

namespace {

const DWORD CLOSE_MS = 5000;

}  // namespace

int LaunchProgram(Program *program, const char *command_line, const char *directory)
{
    memset(program, 0, sizeof *program);
    STARTUPINFOW startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    std::wstring line = ToUtf16(command_line);  // CreateProcessW may write to it
    std::wstring folder = directory != NULL ? ToUtf16(directory) : std::wstring();
    if (!CreateProcessW(NULL, &line[0], NULL, NULL, FALSE, 0, NULL,
                        directory != NULL ? folder.c_str() : NULL, &startup, &program->info)) {
        memset(&program->info, 0, sizeof program->info);
        return -1;
    }
    return 0;
}

HWND FindProcessWindow(DWORD process_id, const char *class_name, int visible_only)
{
    // By class first: one call to the server instead of one per window.
    HWND window = NULL;
    while ((window = FindWindowExA(NULL, window, class_name, NULL)) != NULL) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process_id && (!visible_only || IsWindowVisible(window)))
            return window;
    }
    return NULL;
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

int WaitForProgramWindow(Program *program, const char *class_name, DWORD timeout_ms)
{
    WaitUntil(
        [program, class_name] {
            program->window = FindProcessWindow(program->info.dwProcessId, class_name, 1);
            return program->window != NULL || !ProgramRunning(program);
        },
        timeout_ms);
    return program->window != NULL ? 0 : -1;
}

int ProgramRunning(const Program *program)
{
    return program->info.hProcess != NULL
                   && WaitForSingleObject(program->info.hProcess, 0) == WAIT_TIMEOUT
               ? 1
               : 0;
}

int WaitForExit(Program *program, DWORD timeout_ms, DWORD *exit_code)
{
    if (program->info.hProcess == NULL)
        return -1;
    bool ended = WaitUntil([program] { return !ProgramRunning(program); }, timeout_ms);
    if (!ended || !GetExitCodeProcess(program->info.hProcess, exit_code))
        return -1;
    return 0;
}

void EndProgram(Program *program)
{
    if (program->info.hProcess == NULL)
        return;
    DWORD exit_code;
    if (ProgramRunning(program)) {
        // Closing the main window also ends any message box or dialog it
        // owns.
        if (program->window != NULL && IsWindow(program->window))
            PostMessageA(program->window, WM_CLOSE, 0, 0);
        if (WaitForExit(program, CLOSE_MS, &exit_code) != 0) {
            TerminateProcess(program->info.hProcess, 1);
            WaitForExit(program, CLOSE_MS, &exit_code);
        }
    }
    CloseHandle(program->info.hThread);
    CloseHandle(program->info.hProcess);
    memset(program, 0, sizeof *program);
}
