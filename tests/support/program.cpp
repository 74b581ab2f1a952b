#include "program.h"

#include <shellapi.h>
#include <string.h>
#include <tlhelp32.h>

#include <algorithm>
#include <string>
#include <vector>

#include "files.h"
#include "unix_command.h"
#include "wait.h"

namespace {

// The processes whose file is image_name now.
std::vector<DWORD> ProcessesOf(const std::wstring &image_name)
{
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return ids;
    PROCESSENTRY32W entry;
    memset(&entry, 0, sizeof entry);
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szExeFile, image_name.c_str()) == 0)
            ids.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return ids;
}

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

int LaunchProgramFromUnix(Program *program, const char *command_line, const char *directory,
                          const char *locale)
{
    memset(program, 0, sizeof *program);
    int count = 0;
    LPWSTR *arguments = CommandLineToArgvW(ToUtf16(command_line).c_str(), &count);
    if (arguments == NULL)
        return -1;
    std::string words;
    for (int i = 0; i < count; ++i)
        words += " " + ShellQuoted(FromUtf16(arguments[i]));
    std::wstring path = arguments[0];
    LocalFree(arguments);
    const std::wstring image = path.substr(path.find_last_of(L"\\/") + 1);
    // The scripts name the loader that runs this build's programs here; the
    // shell would otherwise find Debian's wine, which may start a loader that
    // this machine cannot run.
    char loader[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("PUKAVRO_WINE_LOADER", loader, sizeof loader);
    if (length == 0 || length >= sizeof loader)
        return -1;
    std::string script = "LC_ALL=" + ShellQuoted(locale) + " exec " + ShellQuoted(loader) + words
                         + " </dev/null >/dev/null 2>&1";
    if (directory != NULL)
        script = "cd " + ShellQuoted(UnixPath(directory)) + " && " + script;
    // Inside the one pair of double quotes a backslash is itself, as long as
    // no quote follows it: Windows paths pass as they are.
    if (script.find('"') != std::string::npos)
        return -1;
    std::wstring line = ToUtf16("/bin/sh -c \"" + script + "\"");
    STARTUPINFOW startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION shell;
    const std::vector<DWORD> before = ProcessesOf(image);
    if (!CreateProcessW(NULL, &line[0], NULL, NULL, FALSE, CREATE_NO_WINDOW, NULL, NULL, &startup,
                        &shell))
        return -1;
    CloseHandle(shell.hThread);
    CloseHandle(shell.hProcess);
    DWORD id = 0;
    WaitUntil([&] {
        for (DWORD running : ProcessesOf(image))
            if (std::find(before.begin(), before.end(), running) == before.end())
                id = running;
        return id != 0;
    });
    program->info.dwProcessId = id;
    program->info.hProcess = id != 0 ? OpenProcess(PROCESS_ALL_ACCESS, FALSE, id) : NULL;
    return program->info.hProcess != NULL ? 0 : -1;
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
        if (WaitForExit(program, HANG_MS, &exit_code) != 0) {
            TerminateProcess(program->info.hProcess, 1);
            WaitForExit(program, HANG_MS, &exit_code);
        }
    }
    CloseHandle(program->info.hThread);
    CloseHandle(program->info.hProcess);
    memset(program, 0, sizeof *program);
}
