// The shipped program's usage end to end: a wrong command line ends with
// status 2 before the camera is opened, help (asked the Windows way) and
// version with 0. Every usage error is a row of kavrocap_run_test.
#include "kavrocap_fixture.h"

namespace {

TEST_F(KavrocapTest, UsageHelpAndVersionEndBeforeTheCameraIsOpened)
{
    EXPECT_EQ(2, Run({"nodir\\x{n}.bin"}));
    EXPECT_EQ("", out);
    EXPECT_EQ(std::string("kavrocap: folder not found: nodir\\\n") + USAGE_LINE, err);

    EXPECT_EQ(0, Run({"-n", "3", "/?"}));
    EXPECT_EQ(0u, out.find("usage: kavrocap [OPTIONS] [OUTPUT]\n"));
    EXPECT_NE(
        std::string::npos,
        out.find("                     its device path (default \\\\.\\ezusb-0)\n"
                 "      --list         list the cameras present, one \"NUMBER PATH\" a line,\n"
                 "                     \"held by NAME (pid N)\" after one that a program asks\n"
                 "                     for all the programs on it, and take no frame; with\n"
                 "                     --json as a JSON array\n"
                 "  -q, --quiet        report failures and the summary only\n"))
        << out;
    EXPECT_EQ("", err);

    EXPECT_EQ(0, Run({"--version"}));
    EXPECT_EQ("kavrocap 1.0.0\n", out);
    EXPECT_EQ("", err);
    EXPECT_EQ(0u, Counters().opens);
    EXPECT_EQ(Strings(), Names());
}

}  // namespace
