// Runs the end-to-end tests against the program named on the command line:
//     TEST.exe PATH\TO\pukavro.exe [GoogleTest options]
#include <gtest/gtest.h>

#include "program_argument.h"
#include "pukavro_fixture.h"

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (ProgramArgument("PUKAVRO.EXE", &g_program) != 0)
        return 2;
    return RUN_ALL_TESTS();
}
