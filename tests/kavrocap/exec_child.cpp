// What --exec starts in the tests: a program that does as its first
// argument says, the file kavrocap appends coming last.
//     exec_child record FOLDER FILE   writes FOLDER\recorded-PID.txt: FILE,
//                                     then what its standard output is
//     exit N FILE                     ends with exit code N
//     hang PIDFILE FILE               starts "exec_child sleep", writes its
//                                     process id to PIDFILE, and waits forever
//     sleep                           waits forever
//     handle N FILE                   ends with 1 when it holds handle N, else 0
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

namespace {

std::string Utf8(const wchar_t *text)
{
    char bytes[4096];
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof bytes, NULL, NULL);
    return length > 0 ? std::string(bytes, length - 1) : std::string();
}

const char *OutputKind()
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == NULL || out == INVALID_HANDLE_VALUE)
        return "none";
    switch (GetFileType(out)) {
    case FILE_TYPE_CHAR:
        return "device";
    case FILE_TYPE_PIPE:
        return "pipe";
    case FILE_TYPE_DISK:
        return "file";
    default:
        return "unknown";
    }
}

int Record(const wchar_t *folder, const wchar_t *file)
{
    wchar_t name[MAX_PATH];
    _snwprintf(name, MAX_PATH, L"%ls\\recorded-%lu.txt", folder, GetCurrentProcessId());
    std::string text = Utf8(file) + "\n" + OutputKind() + "\n";
    // Whatever reaches standard output here must not reach kavrocap's.
    fputs("exec_child was here\n", stdout);
    fflush(stdout);
    FILE *f = _wfopen(name, L"wb");
    if (f == NULL)
        return 3;
    fwrite(text.data(), 1, text.size(), f);
    return fclose(f) == 0 ? 0 : 3;
}

int Hang(const wchar_t *pid_file)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(NULL, self, MAX_PATH);
    std::wstring line = std::wstring(L"\"") + self + L"\" sleep";
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessW(self, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return 4;
    FILE *f = _wfopen(pid_file, L"wb");
    if (f == NULL)
        return 4;
    fprintf(f, "%lu\n", process.dwProcessId);
    fclose(f);
    Sleep(INFINITE);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc == 4 && wcscmp(argv[1], L"record") == 0)
        return Record(argv[2], argv[3]);
    if (argc == 4 && wcscmp(argv[1], L"exit") == 0)
        return _wtoi(argv[2]);
    if (argc == 4 && wcscmp(argv[1], L"hang") == 0)
        return Hang(argv[2]);
    if (argc == 4 && wcscmp(argv[1], L"handle") == 0) {
        DWORD flags = 0;
        return GetHandleInformation((HANDLE)(uintptr_t)wcstoul(argv[2], NULL, 10), &flags) ? 1 : 0;
    }
    if (argc == 2 && wcscmp(argv[1], L"sleep") == 0)
        Sleep(INFINITE);
    return 2;
}
