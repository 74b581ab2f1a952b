// Runs the tests against the program named on the command line:
//     TEST.exe PATH\TO\kavrocap.exe [GoogleTest options]
#include <gtest/gtest.h>

#include "kavrocap_fixture.h"
#include "program_argument.h"

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (ProgramArgument("KAVROCAP.EXE", &g_kavrocap) != 0)
        return 2;
    return RUN_ALL_TESTS();
}
