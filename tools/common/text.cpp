#include "text.h"

#include <string.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>

std::wstring WidenUtf8(const char *text)
{
    int chars = MultiByteToWideChar(CP_UTF8, 0, text, -1, NULL, 0);
    if (chars <= 1)
        return std::wstring();
    std::wstring wide((size_t)chars, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, &wide[0], chars);
    wide.resize((size_t)chars - 1);
    return wide;
}

std::string NarrowToUtf8(const wchar_t *text)
{
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, NULL, 0, NULL, NULL);
    if (bytes <= 1)
        return std::string();
    std::string narrow((size_t)bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &narrow[0], bytes, NULL, NULL);
    narrow.resize((size_t)bytes - 1);
    return narrow;
}

FILE *OpenUtf8(const char *path, const char *mode)
{
    return _wfopen(WidenUtf8(path).c_str(), WidenUtf8(mode).c_str());
}

namespace {

// Splits a command line as the C runtime splits it into argv, so that our
// tools see what any other program would: the program's name ends at the
// first blank (or its closing quote); then blanks separate arguments,
// quotes group, 2n backslashes before a quote give n and the quote groups,
// 2n+1 give n and a quote, "" inside quotes gives a quote, and other
// backslashes are kept. (CommandLineToArgvW would do the same, but from a
// DLL the programs do not otherwise need.)
std::vector<std::wstring> SplitCommandLine(const wchar_t *line)
{
    std::vector<std::wstring> args(1);
    const wchar_t *p = line;
    wchar_t end = *p == L'"' ? L'"' : L' ';
    if (end == L'"')
        ++p;
    for (; *p != L'\0' && *p != end && !(end == L' ' && *p == L'\t'); ++p)
        args[0] += *p;
    if (*p == L'"')
        ++p;
    for (;;) {
        while (*p == L' ' || *p == L'\t')
            ++p;
        if (*p == L'\0')
            return args;
        std::wstring arg;
        int quoted = 0;
        for (; *p != L'\0' && (quoted || (*p != L' ' && *p != L'\t')); ++p) {
            size_t backslashes = 0;
            while (p[backslashes] == L'\\')
                ++backslashes;
            if (p[backslashes] == L'"') {
                arg.append(backslashes / 2, L'\\');
                p += backslashes;
                if (backslashes % 2 == 1)
                    arg += L'"';
                else if (quoted && p[1] == L'"')
                    arg += *++p;
                else
                    quoted = !quoted;
            } else if (backslashes > 0) {
                arg.append(backslashes, L'\\');
                p += backslashes - 1;
            } else {
                arg += *p;
            }
        }
        args.push_back(arg);
    }
}

}  // namespace

int GetUtf8Arguments(int argc, char **argv, std::vector<std::string> *args)
{
    (void)argc;
    (void)argv;
    const wchar_t *line = GetCommandLineW();
    if (line == NULL)
        return -1;
    args->clear();
    for (const std::wstring &arg : SplitCommandLine(line))
        args->push_back(NarrowToUtf8(arg.c_str()));
    return 0;
}

// A console takes UTF-16 whatever its code page; a file or a pipe gets the
// bytes themselves. What the stream already buffers goes out first.
void PrintUtf8(FILE *stream, const char *text)
{
    HANDLE handle = (HANDLE)_get_osfhandle(_fileno(stream));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) {
        fputs(text, stream);
        return;
    }
    fflush(stream);
    std::wstring wide = WidenUtf8(text);
    DWORD written = 0;
    WriteConsoleW(handle, wide.c_str(), (DWORD)wide.size(), &written, NULL);
}

#else

FILE *OpenUtf8(const char *path, const char *mode)
{
    return fopen(path, mode);
}

int GetUtf8Arguments(int argc, char **argv, std::vector<std::string> *args)
{
    args->assign(argv, argv + argc);
    return 0;
}

void PrintUtf8(FILE *stream, const char *text)
{
    fputs(text, stream);
}

#endif
