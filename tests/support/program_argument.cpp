#include "program_argument.h"

#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include "files.h"

int ProgramArgument(const char *expected, std::string *path)
{
    int count = 0;
    wchar_t **arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == NULL)
        return -1;
    std::wstring given;
    int found = 0;
    for (int i = 1; i < count; i++) {
        if (wcsncmp(arguments[i], L"--gtest_", 8) != 0) {
            given = arguments[i];
            found++;
        }
    }
    LocalFree(arguments);
    if (found != 1) {
        fprintf(stderr, "usage: TEST.exe %s [GoogleTest options]\n", expected);
        return -1;
    }
    wchar_t full[MAX_PATH];
    DWORD length = GetFullPathNameW(given.c_str(), MAX_PATH, full, NULL);
    if (length == 0 || length >= MAX_PATH || GetFileAttributesW(full) == INVALID_FILE_ATTRIBUTES) {
        fprintf(stderr, "no program at %s\n", FromUtf16(given.c_str()).c_str());
        return -1;
    }
    *path = FromUtf16(full);
    return 0;
}

uint32_t EnvironmentNumber(const char *name, uint32_t otherwise)
{
    char text[32];
    DWORD length = GetEnvironmentVariableA(name, text, sizeof text);
    if (length == 0 || length >= sizeof text)
        return otherwise;
    return static_cast<uint32_t>(strtoul(text, NULL, 0));
}
