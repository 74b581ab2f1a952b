#include "text.h"

#include <string.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include <shellapi.h>

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

int GetUtf8Arguments(int argc, char **argv, std::vector<std::string> *args)
{
    (void)argc;
    (void)argv;
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == NULL)
        return -1;
    args->clear();
    for (int i = 0; i < count; ++i)
        args->push_back(NarrowToUtf8(wide[i]));
    LocalFree(wide);
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
