// The program's texts come from its resources, in the user's interface
// language (Japanese or English), and go to the wide functions.
#include <windows.h>
#include <stdarg.h>

#include "utf8_names.h"
#include "view_resource.h"
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

namespace {

UINT ProblemText(ViewArguments problem)
{
    switch (problem) {
    case VIEW_UNKNOWN_OPTION:
        return STR_UNKNOWN_OPTION;
    case VIEW_BAD_DEVICE:
        return STR_BAD_DEVICE;
    case VIEW_TOO_MANY:
        return STR_TOO_MANY;
    default:
        return STR_NO_FOLDER;
    }
}

}  // namespace

UsageBox UsageBoxFor(ViewArguments parsed, const std::string &culprit)
{
    if (parsed == VIEW_HELP)
        return UsageBox{LoadText(STR_USAGE), MB_ICONINFORMATION, EXIT_ALL_DONE};
    std::wstring text = FormatText(ProblemText(parsed), WidenUtf8(culprit.c_str()).c_str());
    return UsageBox{text + L"\n\n" + LoadText(STR_USAGE), MB_ICONERROR, EXIT_USAGE};
}
