// Runs the end-to-end tests against the program named on the command line:
//     TEST.exe PATH\TO\pukavro.exe [GoogleTest options]
#include <windows.h>
#include <stdio.h>

#include <gtest/gtest.h>

#include "pukavro_test.h"

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        fprintf(stderr, "usage: %s PUKAVRO.EXE [GoogleTest options]\n", argv[0]);
        return 2;
    }
    // A build-tree path such as /tmp/build/pukavro.exe: made absolute
    // here, since the program starts in a directory of its own.
    char path[MAX_PATH];
    DWORD length = GetFullPathNameA(argv[1], sizeof path, path, NULL);
    if (length == 0 || length >= sizeof path
        || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        fprintf(stderr, "no program at %s\n", argv[1]);
        return 2;
    }
    g_program = path;
    return RUN_ALL_TESTS();
}
