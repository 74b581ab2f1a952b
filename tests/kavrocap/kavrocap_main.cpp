// Runs the tests against the program named on the command line:
//     TEST.exe PATH\TO\kavrocap.exe [GoogleTest options]
#include <windows.h>
#include <stdio.h>

#include <gtest/gtest.h>

#include "kavrocap_fixture.h"

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        fprintf(stderr, "usage: %s KAVROCAP.EXE [GoogleTest options]\n", argv[0]);
        return 2;
    }
    // Made absolute here: the program runs in a folder of its own.
    char path[MAX_PATH];
    DWORD length = GetFullPathNameA(argv[1], sizeof path, path, NULL);
    if (length == 0 || length >= sizeof path
        || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        fprintf(stderr, "no program at %s\n", argv[1]);
        return 2;
    }
    g_kavrocap = path;
    return RUN_ALL_TESTS();
}
