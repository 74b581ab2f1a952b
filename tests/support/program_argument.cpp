#include "program_argument.h"

#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include <vector>

#include "files.h"

namespace {

int GivenPaths(const char *expected, int count, std::string *paths, bool must_exist)
{
    int listed = 0;
    wchar_t **arguments = CommandLineToArgvW(GetCommandLineW(), &listed);
    if (arguments == NULL)
        return -1;
    std::vector<std::wstring> given;
    for (int i = 1; i < listed; i++)
        if (wcsncmp(arguments[i], L"--gtest_", 8) != 0)
            given.push_back(arguments[i]);
    LocalFree(arguments);
    if (static_cast<int>(given.size()) != count) {
        fprintf(stderr, "usage: TEST.exe %s [GoogleTest options]\n", expected);
        return -1;
    }
    for (int i = 0; i < count; i++) {
        wchar_t full[MAX_PATH];
        DWORD length = GetFullPathNameW(given[i].c_str(), MAX_PATH, full, NULL);
        if (length == 0 || length >= MAX_PATH
            || (must_exist && GetFileAttributesW(full) == INVALID_FILE_ATTRIBUTES)) {
            fprintf(stderr, "no program at %s\n", FromUtf16(given[i].c_str()).c_str());
            return -1;
        }
        paths[i] = FromUtf16(full);
    }
    return 0;
}

}  // namespace

int ProgramArgument(const char *expected, std::string *path)
{
    return ProgramArguments(expected, 1, path);
}

int ProgramArguments(const char *expected, int count, std::string *paths)
{
    return GivenPaths(expected, count, paths, true);
}

int PathArguments(const char *expected, int count, std::string *paths)
{
    return GivenPaths(expected, count, paths, false);
}

uint32_t EnvironmentNumber(const char *name, uint32_t otherwise)
{
    char text[32];
    DWORD length = GetEnvironmentVariableA(name, text, sizeof text);
    if (length == 0 || length >= sizeof text)
        return otherwise;
    return static_cast<uint32_t>(strtoul(text, NULL, 0));
}
