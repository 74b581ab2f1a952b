// Wrong command lines end with status 2 before the camera is opened; help
// and version end with 0, and nothing else happens either.
#include "kavrocap_fixture.h"

namespace {

struct UsageCase {
    Strings args;
    const char *problem;
};

const UsageCase USAGE_ERRORS[] = {
    {{"--bogus"}, "unknown option --bogus"},
    {{"-n", "x"}, "-n takes a whole number from 0 to 2147483647, not 'x'"},
    {{"-n"}, "-n needs a value"},
    {{"-i", "-2"}, "-i takes seconds from 0 to 1000000, not '-2'"},
    {{"-t", "0"}, "-t takes seconds from 0.001 to 86400, not '0'"},
    {{"-f", "gif"}, "-f takes raw, bmp or png, not 'gif'"},
    {{"-n", "2", "x.bin"}, "OUTPUT needs {n} or {time} to name more than one frame: x.bin"},
    {{"x{q}.bin"}, "unknown sequence {q} in OUTPUT (write {{, }} or %% for the character itself)"},
    {{"x%s.bin"}, "unknown sequence %s in OUTPUT (write {{, }} or %% for the character itself)"},
    {{"a<b.bin"}, "a file name cannot hold the character '<'"},
    {{"NUL"}, "NUL is a reserved device name"},
    {{"dir{n}\\x{n}.bin"},
     "{n} stands in the folder of OUTPUT; placeholders belong in the file name"},
    {{"nodir\\x{n}.bin"}, "folder not found: nodir\\"},
    {{"--continue", "--start", "2"}, "--continue and --start cannot be used together"},
    {{"--continue", "t{time}.bin"}, "--continue needs {n} in OUTPUT: t{time}.bin"},
    {{"a.bin", "b.bin"}, "only one OUTPUT can be given: a.bin, b.bin"},
    {{"-q", "-q"}, "-q given twice"},
};

TEST_F(KavrocapTest, UsageErrorsEndBeforeTheCameraIsOpened)
{
    for (const UsageCase &c : USAGE_ERRORS) {
        EXPECT_EQ(2, Run(c.args)) << c.problem;
        EXPECT_EQ("", out);
        EXPECT_EQ(std::string("kavrocap: ") + c.problem + "\n" + USAGE_LINE, err);
    }
    EXPECT_EQ(0u, Counters().opens);
    EXPECT_EQ(Strings(), Names());
}

TEST_F(KavrocapTest, HelpAndVersionTellAndDoNothingElse)
{
    for (const char *help : {"--help", "-h", "/?"}) {
        EXPECT_EQ(0, Run({"-n", "3", help})) << help;
        EXPECT_EQ(0u, out.find("usage: kavrocap [OPTIONS] [OUTPUT]\n")) << help;
        EXPECT_NE(std::string::npos, out.find("Exit status:\n"
                                              "  0  every frame saved\n"
                                              "  1  at least one frame failed or was skipped, or "
                                              "existing files were refused\n"
                                              "  2  a wrong command line (the camera was not "
                                              "opened)\n"
                                              "  3  stopped by Ctrl+C before the count was "
                                              "reached\n"))
            << out;
        EXPECT_EQ("", err);
    }
    EXPECT_EQ(0, Run({"--version"}));
    EXPECT_EQ("kavrocap 1.0.0\n", out);
    EXPECT_EQ("", err);
    EXPECT_EQ(0u, Counters().opens);
    EXPECT_EQ(Strings(), Names());
}

}  // namespace
