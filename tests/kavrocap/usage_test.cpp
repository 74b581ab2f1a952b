// The shipped program's usage end to end: a wrong command line ends with
// status 2 before the camera is opened, help and version with 0. Every
// usage error is a row of kavrocap_run_test.
#include "kavrocap_fixture.h"

namespace {

struct UsageCase {
    Strings args;
    const char *problem;
};

const UsageCase USAGE_ERRORS[] = {
    {{"nodir\\x{n}.bin"}, "folder not found: nodir\\"},
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
    for (const char *help : {"/?"}) {
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
