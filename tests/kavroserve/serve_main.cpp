// The main of every end-to-end test program of kavroserve.
#include <gtest/gtest.h>

#include "program_argument.h"
#include "serve_support.h"

int RunServeTests(int argc, char **argv, std::string *exe)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (ProgramArgument("KAVROSERVE.EXE", exe) != 0)
        return 2;
    StartSockets();
    return RUN_ALL_TESTS();
}
