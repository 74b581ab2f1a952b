// The command line: every option in its forms and any order, and every
// usage error with the line that tells it.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "options.h"

namespace {

typedef std::vector<std::string> Args;

Args WithProgram(const Args &args)
{
    Args all = {"kavrocap"};
    all.insert(all.end(), args.begin(), args.end());
    return all;
}

// What a run does, in one comparable line.
std::string Describe(const CaptureOptions &o)
{
    return "command=" + std::to_string(o.command) + " output=" + o.output
           + " stdout=" + std::to_string(o.to_stdout) + " format=" + std::to_string(o.format)
           + " count=" + std::to_string(o.count) + " interval_us=" + std::to_string(o.interval_us)
           + " skip=" + std::to_string(o.skip) + " start=" + std::to_string(o.start) + " continue="
           + std::to_string(o.continue_numbering) + " overwrite=" + std::to_string(o.overwrite)
           + " timeout_ms=" + std::to_string(o.timeout_ms) + " retries=" + std::to_string(o.retries)
           + " device=" + o.device + " quiet=" + std::to_string(o.quiet)
           + (o.json ? " json=1" : "");
}

const char DEFAULTS[] = "command=0 output=kavro{n:03}.bin stdout=0 format=0 count=1 interval_us=0 "
                        "skip=0 start=1 continue=0 overwrite=0 timeout_ms=5000 retries=2 "
                        "device=\\\\.\\ezusb-0 quiet=0";

struct AcceptedCase {
    Args args;
    const char *described;
};

const AcceptedCase ACCEPTED[] = {
    {{}, DEFAULTS},
    {{"-n", "10", "x{n}.png"},
     "command=0 output=x{n}.png stdout=0 format=2 count=10 interval_us=0 skip=0 start=1 "
     "continue=0 overwrite=0 timeout_ms=5000 retries=2 device=\\\\.\\ezusb-0 quiet=0"},
    {{"x{n}.Raw", "--count=10", "-f", "raw"},
     "command=0 output=x{n}.Raw stdout=0 format=0 count=10 interval_us=0 skip=0 start=1 "
     "continue=0 overwrite=0 timeout_ms=5000 retries=2 device=\\\\.\\ezusb-0 quiet=0"},
    {{"--interval", "0.25", "-n0", "-q", "t{time}{ms}.Bmp"},
     "command=0 output=t{time}{ms}.Bmp stdout=0 format=1 count=0 interval_us=250000 skip=0 start=1 "
     "continue=0 overwrite=0 timeout_ms=5000 retries=2 device=\\\\.\\ezusb-0 quiet=1"},
    {{"-s", "3", "-f", "BMP", "-t", "1.5", "-r0", "-d", "\\\\.\\ezusb-1", "--overwrite", "-",
      "--quiet"},
     "command=0 output=- stdout=1 format=1 count=1 interval_us=0 skip=3 start=1 continue=0 "
     "overwrite=1 timeout_ms=1500 retries=0 device=\\\\.\\ezusb-1 quiet=1"},
    {{"-n", "5", "-"},
     "command=0 output=- stdout=1 format=0 count=5 interval_us=0 skip=0 start=1 continue=0 "
     "overwrite=0 timeout_ms=5000 retries=2 device=\\\\.\\ezusb-0 quiet=0"},
    {{"--continue", "--count", "5", "--skip=2", "--timeout=0.001", "--retries=100",
      "--device=\\\\.\\d", "--format=PnG", "--interval=10."},
     "command=0 output=kavro{n:03}.png stdout=0 format=2 count=5 interval_us=10000000 skip=2 "
     "start=1 continue=1 overwrite=0 timeout_ms=1 retries=100 device=\\\\.\\d quiet=0"},
    {{"--start", "100", "-n", "2", "-i", ".5"},
     "command=0 output=kavro{n:03}.bin stdout=0 format=0 count=2 interval_us=500000 skip=0 "
     "start=100 continue=0 overwrite=0 timeout_ms=5000 retries=2 device=\\\\.\\ezusb-0 quiet=0"},
    {{"-n", "3", "--", "-n{n}.bin"},
     "command=0 output=-n{n}.bin stdout=0 format=0 count=3 interval_us=0 skip=0 start=1 "
     "continue=0 overwrite=0 timeout_ms=5000 retries=2 device=\\\\.\\ezusb-0 quiet=0"},
    {{"-n", "2", "--", "-"},
     "command=0 output=- stdout=1 format=0 count=2 interval_us=0 skip=0 start=1 continue=0 "
     "overwrite=0 timeout_ms=5000 retries=2 device=\\\\.\\ezusb-0 quiet=0"},
    {{"--json", "-q", "--list"},
     "command=1 output=kavro{n:03}.bin stdout=0 format=0 count=1 interval_us=0 skip=0 start=1 "
     "continue=0 overwrite=0 timeout_ms=5000 retries=2 device=\\\\.\\ezusb-0 quiet=1 json=1"},
    {{"-d7"},
     "command=0 output=kavro{n:03}.bin stdout=0 format=0 count=1 interval_us=0 skip=0 start=1 "
     "continue=0 overwrite=0 timeout_ms=5000 retries=2 device=\\\\.\\ezusb-7 quiet=0"},
    {{"-d\\\\.\\ezusb-12"},
     "command=0 output=kavro{n:03}.bin stdout=0 format=0 count=1 interval_us=0 skip=0 start=1 "
     "continue=0 overwrite=0 timeout_ms=5000 retries=2 device=\\\\.\\ezusb-12 quiet=0"},
    {{"--start=0", "-i", "0.0000019", "one.bin"},
     "command=0 output=one.bin stdout=0 format=0 count=1 interval_us=1 skip=0 start=0 "
     "continue=0 overwrite=0 timeout_ms=5000 retries=2 device=\\\\.\\ezusb-0 quiet=0"},
};

TEST(Options, ReadsEveryOptionInAnyOrder)
{
    for (const AcceptedCase &c : ACCEPTED) {
        CaptureOptions options;
        std::string problem;
        ASSERT_EQ(OPTIONS_ACCEPTED, ParseCaptureOptions(WithProgram(c.args), &options, &problem))
            << c.described << ": " << problem;
        EXPECT_EQ(c.described, Describe(options));
    }
}

TEST(Options, HelpAndVersionWinOverWhatFollows)
{
    struct {
        Args args;
        CaptureCommand command;
    } cases[] = {
        {{"-h"}, COMMAND_HELP},
        {{"--help", "--bogus"}, COMMAND_HELP},
        {{"-n", "3", "/?"}, COMMAND_HELP},
        {{"--version", "-n", "x"}, COMMAND_VERSION},
    };
    for (const auto &c : cases) {
        CaptureOptions options;
        std::string problem;
        ASSERT_EQ(OPTIONS_ACCEPTED, ParseCaptureOptions(WithProgram(c.args), &options, &problem))
            << problem;
        EXPECT_EQ(c.command, options.command) << c.args[0];
    }
    // After "--", "/?" is a file name (and a bad one).
    CaptureOptions options;
    std::string problem;
    EXPECT_EQ(OPTIONS_REFUSED, ParseCaptureOptions(WithProgram({"--", "/?"}), &options, &problem));
}

struct RefusedCase {
    Args args;
    const char *problem;
};

const RefusedCase REFUSED[] = {
    {{"--bogus"}, "unknown option --bogus"},
    {{"-x"}, "unknown option -x"},
    {{"--quiet=1"}, "unknown option --quiet=1"},
    {{"-qn"}, "unknown option -qn"},
    {{"-n"}, "-n needs a value"},
    {{"--device"}, "--device needs a value"},
    {{"-n", "-1"}, "-n takes a whole number from 0 to 2147483647, not '-1'"},
    {{"-n", "1.5"}, "-n takes a whole number from 0 to 2147483647, not '1.5'"},
    {{"-n", "2147483648"}, "-n takes a whole number from 0 to 2147483647, not '2147483648'"},
    {{"--count=abc"}, "--count takes a whole number from 0 to 2147483647, not 'abc'"},
    {{"--count="}, "--count takes a whole number from 0 to 2147483647, not ''"},
    {{"-n", "+3"}, "-n takes a whole number"},
    {{"-i", "abc"}, "-i takes seconds from 0 to 1000000, not 'abc'"},
    {{"-i", "-1"}, "-i takes seconds from 0 to 1000000, not '-1'"},
    {{"-i", "."}, "-i takes seconds"},
    {{"-i", "1e3"}, "-i takes seconds"},
    {{"-i", "1000001"}, "-i takes seconds"},
    {{"-t", "0"}, "-t takes seconds from 0.001 to 86400, not '0'"},
    {{"-t", "0.0009"}, "-t takes seconds from 0.001 to 86400"},
    {{"--timeout", "86401"}, "--timeout takes seconds"},
    {{"-f", "jpg"}, "-f takes raw, bmp, png, avi, png16, raw16 or jpeg, not 'jpg'"},
    {{"--format", ""}, "--format takes raw, bmp, png, avi, png16, raw16 or jpeg, not ''"},
    {{"-r", "101"}, "-r takes a whole number from 0 to 100, not '101'"},
    {{"-s", "x"}, "-s takes a whole number from 0 to 1000000, not 'x'"},
    {{"--start", "-1"}, "--start takes a whole number from 0 to 999999999, not '-1'"},
    {{"-d", ""}, "-d takes a camera number from 0 to 9 or a device path (\\\\.\\NAME), not ''"},
    {{"--device=10"},
     "--device takes a camera number from 0 to 9 or a device path (\\\\.\\NAME), not '10'"},
    {{"-d", "foo"},
     "-d takes a camera number from 0 to 9 or a device path (\\\\.\\NAME), not 'foo'"},
    {{"--device=0x"}, "--device takes a camera number"},
    {{"-d", "\\\\.\\"}, "-d takes a camera number"},
    {{"-d", "//./ezusb-1"}, "-d takes a camera number"},
    {{"--list", "-t", "1", "--json"}, "--list cannot be used with -t"},
    {{"--list", "x.bin"}, "--list takes no OUTPUT: x.bin"},
    {{"--json", "-q"}, "--json goes with --list only"},
    {{"--list", "--list"}, "--list given twice"},
    {{"a{n}", "b{n}"}, "only one OUTPUT can be given: a{n}, b{n}"},
    {{"-", "-"}, "only one OUTPUT can be given"},
    {{"--", "-n", "3"}, "only one OUTPUT can be given: -n, 3"},
    {{"-n", "2", "x.bin"}, "OUTPUT needs {n} or {time} to name more than one frame: x.bin"},
    {{"-n", "0", "{date}.bin"}, "OUTPUT needs {n} or {time}"},
    {{"--continue", "x{time}.bin", "-n", "2"}, "--continue needs {n} in OUTPUT: x{time}.bin"},
    {{"--continue", "--start", "3"}, "--continue and --start cannot be used together"},
    {{"--continue", "-"}, "--continue needs an OUTPUT pattern with {n}, not -"},
    {{"-n", "2", "-n", "3"}, "-n given twice"},
    {{"--overwrite", "--overwrite"}, "--overwrite given twice"},
    {{"x<y{n}"}, "a file name cannot hold the character '<'"},
    {{"x{n:3}"}, "unknown sequence {n:3}"},
    {{"COM{n}", "--start", "1"}, "COM1 is a reserved device name"},
};

TEST(Options, RefusesWrongCommandLines)
{
    for (const RefusedCase &c : REFUSED) {
        CaptureOptions options;
        std::string problem;
        EXPECT_EQ(OPTIONS_REFUSED, ParseCaptureOptions(WithProgram(c.args), &options, &problem))
            << c.problem;
        EXPECT_EQ(0u, problem.find(c.problem)) << "expected: " << c.problem << "\ngot: " << problem;
    }
}

TEST(Options, ReadsSeconds)
{
    struct {
        const char *text;
        int64_t us;
    } cases[] = {{"0", 0},         {"10", 10000000}, {"0.1", 100000}, {"1.000001", 1000001},
                 {"2.5", 2500000}, {".25", 250000},  {"7.", 7000000}, {"0.1234567", 123456}};
    for (const auto &c : cases) {
        int64_t us = -1;
        EXPECT_TRUE(ParseSeconds(c.text, 1000000000, &us)) << c.text;
        EXPECT_EQ(c.us, us) << c.text;
    }
    for (const char *bad : {"", " 1", "1 ", "1,5", "1.2.3", "0x10", "inf", "1e1"}) {
        int64_t us = -1;
        EXPECT_FALSE(ParseSeconds(bad, 1000000000, &us)) << bad;
        EXPECT_EQ(-1, us) << bad;
    }
}

}  // namespace
