#include "unix_command.h"

#include <stdlib.h>

#include "files.h"

namespace {

typedef char *(CDECL *UnixFileName)(LPCWSTR);
typedef WCHAR *(CDECL *DosFileName)(LPCSTR);

std::string ReadText(const std::string &path)
{
    std::vector<uint8_t> bytes;
    if (ReadWholeFile(path, &bytes) != 0)
        return "";
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

std::string UnixPath(const std::string &windows_path)
{
    UnixFileName convert = (UnixFileName)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                                "wine_get_unix_file_name");
    if (convert == NULL)
        return "";
    char *unix_path = convert(ToUtf16(windows_path).c_str());
    if (unix_path == NULL)
        return "";
    std::string path = unix_path;
    HeapFree(GetProcessHeap(), 0, unix_path);
    return path;
}

std::string WindowsPath(const std::string &unix_path)
{
    DosFileName convert = (DosFileName)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                              "wine_get_dos_file_name");
    if (convert == NULL)
        return "";
    WCHAR *dos_path = convert(unix_path.c_str());
    if (dos_path == NULL)
        return "";
    std::string path = FromUtf16(dos_path);
    HeapFree(GetProcessHeap(), 0, dos_path);
    return path;
}

std::string ShellQuoted(const std::string &path)
{
    std::string quoted = "'";
    for (char c : path)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

int RunUnixCommand(const std::string &command, const std::string &scratch, DWORD timeout_ms,
                   std::string *output)
{
    std::string out = PathIn(scratch, "unix_output.txt");
    std::string status = PathIn(scratch, "unix_status.txt");
    DeleteFileW(ToUtf16(status).c_str());
    std::string unix_out = UnixPath(out), unix_status = UnixPath(status);
    if (unix_out.empty() || unix_status.empty())
        return -1;
    // The status appears whole, by a rename, once the command has ended.
    std::string script = "(" + command + ") >" + ShellQuoted(unix_out) + " 2>&1; echo $? >"
                         + ShellQuoted(unix_status + ".part") + " && mv "
                         + ShellQuoted(unix_status + ".part") + " " + ShellQuoted(unix_status);
    std::string escaped;
    for (char c : script)
        escaped += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
    std::wstring line = ToUtf16("/bin/sh -c \"" + escaped + "\"");
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(NULL, &line[0], NULL, NULL, FALSE, CREATE_NO_WINDOW, NULL, NULL, &startup,
                        &process))
        return -1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeout_ms) {
        std::string text = ReadText(status);
        if (!text.empty()) {
            *output = ReadText(out);
            return atoi(text.c_str());
        }
        Sleep(20);
    }
    return -1;
}
