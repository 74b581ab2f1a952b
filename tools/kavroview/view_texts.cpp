// The program's texts come from its resources, in the user's interface
// language (Japanese or English), and go to the wide functions.
#include <windows.h>
#include <stdarg.h>

#include "view_window.h"

std::wstring LoadText(UINT id)
{
    const wchar_t *text = NULL;
    // With a length of 0, LoadStringW hands out the resource's own text.
    int length = LoadStringW(GetModuleHandleW(NULL), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == NULL)
        return std::wstring();
    return std::wstring(text, static_cast<size_t>(length));
}

std::wstring FormatText(UINT id, ...)
{
    std::wstring format = LoadText(id);
    wchar_t text[1024];  // wvsprintfW's own limit
    va_list args;
    va_start(args, id);
    wvsprintfW(text, format.c_str(), args);
    va_end(args);
    return text;
}
