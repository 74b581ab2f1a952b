// Runs the end-to-end tests against the program named on the command line:
//     TEST.exe PATH\TO\pukavro.exe [GoogleTest options]
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <wchar.h>

#include <gtest/gtest.h>

#include "files.h"
#include "pukavro_test.h"

namespace {

// The program's path as given, read from the wide command line so that any
// name survives: the one argument that is not a GoogleTest option.
int ProgramArgument(std::wstring *path)
{
    int count = 0;
    wchar_t **arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == NULL)
        return -1;
    int found = 0;
    for (int i = 1; i < count; i++) {
        if (wcsncmp(arguments[i], L"--gtest_", 8) != 0) {
            *path = arguments[i];
            found++;
        }
    }
    LocalFree(arguments);
    return found == 1 ? 0 : -1;
}

}  // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    std::wstring given;
    if (argc != 2 || ProgramArgument(&given) != 0) {
        fprintf(stderr, "usage: %s PUKAVRO.EXE [GoogleTest options]\n", argv[0]);
        return 2;
    }
    // A build-tree path such as /tmp/build/pukavro.exe: made absolute
    // here, since the program starts in a directory of its own.
    wchar_t path[MAX_PATH];
    DWORD length = GetFullPathNameW(given.c_str(), MAX_PATH, path, NULL);
    if (length == 0 || length >= MAX_PATH || GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) {
        fprintf(stderr, "no program at %s\n", argv[1]);
        return 2;
    }
    g_program = FromUtf16(path);
    return RUN_ALL_TESTS();
}
