#include "wildcards.h"

#ifdef _WIN32
#include <string.h>
#include <wchar.h>
#include <windows.h>

#include <algorithm>

#include "utf8_names.h"

namespace {

// Case does not tell Windows names apart, so it does not order them either,
// but for names that differ only in case.
bool NameBefore(const std::wstring &a, const std::wstring &b)
{
    int order = _wcsicmp(a.c_str(), b.c_str());
    return order != 0 ? order < 0 : a < b;
}

// Everything up to and including the last separator: "dir\", "C:", "".
size_t FolderLength(const char *argument)
{
    size_t length = 0;
    for (size_t i = 0; argument[i] != '\0'; ++i) {
        if (argument[i] == '\\' || argument[i] == '/' || argument[i] == ':')
            length = i + 1;
    }
    return length;
}

}  // namespace

int ExpandWildcards(const char *argument, std::vector<std::string> *names, std::string *problem)
{
    size_t folder = FolderLength(argument);
    if (strpbrk(argument + folder, "*?") == NULL) {
        names->push_back(argument);
        return 0;
    }
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(WidenUtf8(argument).c_str(), &data);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                found.push_back(data.cFileName);
        } while (FindNextFileW(search, &data));
        FindClose(search);
    }
    if (found.empty()) {
        if (problem != NULL)
            *problem = std::string(argument) + ": no file matches this name";
        return -1;
    }
    std::sort(found.begin(), found.end(), NameBefore);
    for (const std::wstring &name : found)
        names->push_back(std::string(argument, folder) + NarrowToUtf8(name.c_str()));
    return 0;
}

#else

int ExpandWildcards(const char *argument, std::vector<std::string> *names, std::string *problem)
{
    (void)problem;
    names->push_back(argument);
    return 0;
}

#endif
