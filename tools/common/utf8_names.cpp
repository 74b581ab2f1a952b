#include "utf8_names.h"

#ifdef _WIN32
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

#else

FILE *OpenUtf8(const char *path, const char *mode)
{
    return fopen(path, mode);
}

#endif
