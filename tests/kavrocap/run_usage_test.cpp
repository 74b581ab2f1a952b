// Wrong command lines end with status 2 before the camera is opened; help
// and version end with 0, and nothing else happens either.
#include <algorithm>

#include "run_fixture.h"

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
    {{"-f", "gif"}, "-f takes raw, bmp, png, avi, png16, raw16 or jpeg, not 'gif'"},
    {{"-d", "foo"},
     "-d takes a camera number from 0 to 9 or a device path (\\\\.\\NAME), not 'foo'"},
    {{"-n", "2", "x.bin"}, "OUTPUT needs {n} or {time} to name more than one frame: x.bin"},
    {{"x{q}.bin"}, "unknown sequence {q} in OUTPUT (write {{, }} or %% for the character itself)"},
    {{"x%s.bin"}, "unknown sequence %s in OUTPUT (write {{, }} or %% for the character itself)"},
    {{"a<b.bin"}, "a file name cannot hold the character '<'"},
    {{"NUL"}, "NUL is a reserved device name"},
    {{"dir{n}/x{n}.bin"},
     "{n} stands in the folder of OUTPUT; placeholders belong in the file name"},
    {{"nodir/x{n}.bin"}, "folder not found: nodir/"},
    {{"--continue", "--start", "2"}, "--continue and --start cannot be used together"},
    {{"--continue", "t{time}.bin"}, "--continue needs {n} in OUTPUT: t{time}.bin"},
    {{"a.bin", "b.bin"}, "only one OUTPUT can be given: a.bin, b.bin"},
    {{"-q", "-q"}, "-q given twice"},
    {{"--events", "-", "-"}, "--events - and OUTPUT - cannot both use standard output"},
    {{"--events", ""}, "--events takes a file name, or - for standard output"},
    {{"--exec", "x", "-"}, "--exec runs a program for each saved file, and OUTPUT - saves none"},
    {{"--exec-timeout", "5"}, "--exec-timeout goes with --exec"},
    {{"--exec", "x", "--exec-timeout", "0"},
     "--exec-timeout takes seconds from 0.001 to 86400, not '0'"},
    {{"--exec", " "}, "--exec takes a command: a program and its arguments"},
    {{"--exec", "\"C:\\my tools\\on save.BAT\" -x"},
     "--exec runs programs, not cmd.exe or batch files (.bat, .cmd), which would read & or % "
     "in a file's name as commands: C:\\my tools\\on save.BAT"},
    {{"--exec", "tidy.cmd. "},
     "--exec runs programs, not cmd.exe or batch files (.bat, .cmd), "
     "which would read & or % in a file's name as commands: tidy.cmd."},
    {{"--exec=C:\\Windows\\System32\\CMD.EXE /c echo"},
     "--exec runs programs, not cmd.exe or batch files (.bat, .cmd), which would read & or % "
     "in a file's name as commands: C:\\Windows\\System32\\CMD.EXE"},
    {{"x.gif"},
     "cannot tell the format from the name x.gif: end it in .bin or .raw (raw), .bmp, .png, "
     ".avi, .jpg or .jpeg, or give --format"},
    {{"-n", "2", "x{n}"},
     "cannot tell the format from the name x{n}: end it in .bin or .raw "
     "(raw), .bmp, .png, .avi, .jpg or .jpeg, or give --format"},
    {{"--format=BMP", "f{n}.png"}, "--format bmp but the output name f{n}.png says png"},
    {{"-f", "png", "-o", "f.bin"}, "--format png but the output name f.bin says raw"},
    {{"-o", "a.bin", "b.bin"}, "only one OUTPUT can be given: a.bin, b.bin"},
    {{"-o"}, "-o needs a value"},
    {{"-n", "5", "t{time}.bin"},
     "{time} names one frame a second, but without -i frames come back "
     "to back: add {ms} or {n} to OUTPUT: t{time}.bin"},
    {{"-n", "0", "-i", "0.5", "t{date}{time}.png"},
     "{time} names one frame a second, but -i 0.5 takes more than one a second: add {ms} or {n} "
     "to OUTPUT: t{date}{time}.png"},
    // A movie is one file, named once, rewritten in place as it grows.
    {{"-n", "9", "m{n}.avi"}, "a movie is one file: OUTPUT takes no {n} or %d: m{n}.avi"},
    {{"-f", "avi", "m%03d"}, "a movie is one file: OUTPUT takes no {n} or %d: m%03d"},
    {{"--start", "3", "m.AVI"}, "--start numbers pictures, not a movie"},
    {{"--continue", "-f", "avi"}, "--continue numbers pictures, not a movie"},
    {{"-f", "avi", "m.png"}, "--format avi but the output name m.png says png"},
    {{"-f", "bmp", "m.avi"}, "--format bmp but the output name m.avi says avi"},
    {{"-f", "avi", "-"},
     "a movie cannot go to standard output: it is rewritten in place as it grows"},
    {{"--fps", "10", "f.bin"}, "--fps goes with a movie (OUTPUT ending in .avi, or -f avi)"},
    {{"--fps", "0", "m.avi"},
     "--fps takes frames per second from 0.001 to 1000 with at most three decimals, not '0'"},
    {{"--fps=12.3456", "m.avi"},
     "--fps takes frames per second from 0.001 to 1000 with at most three decimals, not "
     "'12.3456'"},
    // Pictures: JPEG's quality, the stamp, the scale; raw frames stay as sent.
    {{"--quality", "0", "x.jpg"}, "--quality takes a whole number from 1 to 100, not '0'"},
    {{"--quality", "90", "x.png"}, "--quality goes with JPEG (OUTPUT ending in .jpg, or -f jpeg)"},
    {{"--scale", "9", "x.png"}, "--scale takes a whole factor from 1 to 8, not '9'"},
    {{"--scale", "2", "m.avi"}, "--scale enlarges pictures; a movie stays 96 x 72"},
    {{"--stamp", "%H", "x.bin"},
     "--stamp draws into pictures; raw frames stay as the camera sent them: give -f bmp, png, "
     "jpeg or avi"},
    {{"--scale", "2", "-"},
     "--scale draws into pictures; raw frames stay as the camera sent them: give -f bmp, png, "
     "jpeg or avi"},
    {{"--stamp-at", "tl", "x.png"}, "--stamp-at goes with --stamp"},
    {{"--average", "4", "--stamp", "%H", "-f", "raw16", "x.raw16"},
     "--stamp draws into 8-bit pictures (bmp, png, jpeg) and movies, not png16 or raw16"},
    {{"--scale", "2", "-f", "png16", "x.png"},
     "--scale draws into 8-bit pictures (bmp, png, jpeg) and movies, not png16 or raw16"},
    {{"--stamp", "%H", "--stamp-at", "top", "x.png"},
     "--stamp-at takes tl, tr, bl or br, not 'top'"},
    {{"--stamp", "%A %H:%M", "x.png"},
     "--stamp does not take %A (names of days and months have no glyphs): it takes %Y %m %d %H "
     "%M %S %j %%, {n}, {ms}, {camera}"},
    {{"--stamp", "", "x.png"}, "--stamp needs a text to draw"},
    {{"--stamp", "%Y-%m-%d %H:%M:%S", "x.jpg"},
     "--stamp makes up to 19 characters, 113 pixels wide, too wide for a picture 96 pixels wide: "
     "--scale enlarges pictures"},
    {{"--stamp", "%Y-%m-%d %H:%M:%S", "m.avi"},
     "--stamp makes up to 19 characters, 113 pixels wide, too wide for a picture 96 pixels wide: "
     "a movie stays 96 x 72"},
    {{"--scale", "2", "-n", "0", "-i", "1", "--stamp", "{camera} %Y-%m-%d %H:%M:%S {n}",
      "x{n}.png"},
     "--stamp makes up to 32 characters, 191 pixels wide, too wide for a picture 192 pixels "
     "wide: --scale enlarges pictures"},
};

// Accepted where the names do differ: the run reaches the camera.
TEST_F(KavrocapRunTest, NamesThatDifferAreAccepted)
{
    const Strings accepted[] = {
        {"-n", "1", "t{time}.bin"},
        {"-n", "2", "-i", "1", "t{time}.bin"},
        {"-n", "2", "t{time}{ms}.bin"},
        {"-n", "2", "-o", "t{time}_{n}.bin"},
    };
    for (const Strings &args : accepted) {
        Fresh({});
        // The test's clock stands still, so names by the clock may repeat
        // here; what counts is that the camera was used.
        EXPECT_NE(2, Run(args)) << args.back() << ": " << err;
        EXPECT_EQ(1u, FakeCameraCounters().opens) << args.back();
    }
}

// A folder that takes no new files refuses the run before the camera is
// opened (/proc: not even root may create files there).
TEST_F(KavrocapRunTest, AFolderThatTakesNoFilesRefusesTheRun)
{
#ifdef _WIN32
    const std::string folder = "Z:\\proc\\";
#else
    const std::string folder = "/proc/";
#endif
    Fresh({});
    EXPECT_EQ(1, Run({"-n", "3", folder + "x{n}.bin"}));
    EXPECT_EQ(0u, err.find("kavrocap: cannot create files in " + folder + ": ")) << err;
    EXPECT_EQ(1, std::count(err.begin(), err.end(), '\n')) << err;
    EXPECT_EQ(0u, FakeCameraCounters().opens);
}

TEST_F(KavrocapRunTest, UsageErrorsEndBeforeTheCameraIsOpened)
{
    for (const UsageCase &c : USAGE_ERRORS) {
        std::string err = std::string("kavrocap: ") + c.problem + "\n" + USAGE_LINE;
        Check({c.problem, {}, {}, c.args, 2, "", err, {}, 0});
    }
}

// The help tells the defaults the code uses, the device path among them.
const char *const HELP_LINES[] = {
    "OUTPUT (or -o NAME) is a file name pattern (default kavro{n:03}.bin,\n",
    "  -n, --count N      frames to take (default 1; 0: until Ctrl+C)\n",
    "  -i, --interval SEC seconds between the starts of frames (default 0: back\n",
    "      --start N      number of the first saved frame (default 1)\n",
    "      --fps R        a movie's playback rate, 0.001 to 1000 (29.97 is\n"
    "                     30000/1001); default 25 for a time-lapse, and a burst's\n",
    "A movie (OUTPUT ending in .avi, or -f avi; default kavro-{date}-{time}.avi)\n",
    "  -t, --timeout SEC  give up a capture after SEC seconds (default 5)\n",
    "      --quality Q    a JPEG's quality, 1 to 100 (default 95; above 90 the\n",
    "      --stamp-at C   its corner: tl, tr, bl or br (default br)\n",
    "  -r, --retries N    try a failed capture up to N more times (default 2)\n",
    "  -d, --device DEV   the camera: its number (0-9, as --list shows it) or\n"
    "                     its device path (default \\\\.\\ezusb-0)\n",
    "Exit status:\n"
    "  0  every frame saved\n"
    "  1  at least one frame failed or was skipped, existing files were refused,\n"
    "     or a movie stopped early or recorded nothing\n"
    "  2  a wrong command line (the camera was not opened)\n"
    "  3  stopped by Ctrl+C before the count was reached\n",
};

TEST_F(KavrocapRunTest, HelpAndVersionTellAndDoNothingElse)
{
    for (const char *help : {"--help", "-h", "/?"}) {
        SCOPED_TRACE(help);
        EXPECT_EQ(0, Run({"-n", "3", help}));
        EXPECT_EQ(0u, out.find("usage: kavrocap [OPTIONS] [OUTPUT]\n"
                               "       kavrocap --list [--json]\n\nTakes still frames"));
        for (const char *line : HELP_LINES)
            EXPECT_NE(std::string::npos, out.find(line)) << line;
        EXPECT_EQ("", err);
    }
    EXPECT_EQ(0, Run({"--version"}));
    EXPECT_EQ("kavrocap 1.0.0\n", out);
    EXPECT_EQ("", err);
    EXPECT_EQ(0u, FakeCameraCounters().opens);
    EXPECT_EQ(Strings(), Listing());
}

// What the defaults do, seen from the camera: the device and time-out.
TEST_F(KavrocapRunTest, DefaultsReachTheCamera)
{
    const struct {
        Strings args;
        const char *device;
        uint32_t timeout_ms;
    } cases[] = {
        {{"-q"}, "\\\\.\\ezusb-0", 5000},
        {{"-q", "-d", "\\\\.\\ezusb-1", "-t", "0.25"}, "\\\\.\\ezusb-1", 250},
        {{"-q", "--timeout=0.0011"}, "\\\\.\\ezusb-0", 2},
        {{"-q", "-d", "2"}, "\\\\.\\ezusb-2", 5000},
    };
    for (const auto &c : cases) {
        Fresh({});
        EXPECT_EQ(0, Run(c.args));
        EXPECT_EQ(c.device, FakeCameraCounters().device);
        EXPECT_EQ(std::vector<uint32_t>({c.timeout_ms}), FakeCameraCounters().timeouts_ms);
    }
}

// --list finds every camera present, gaps and all, and takes no frame.
TEST_F(KavrocapRunTest, ListingNamesTheCamerasPresent)
{
    const struct {
        Strings present;
        Strings args;
        const char *out;
        const char *err;
        const char *held;  // the device a program holds for all, if any
    } cases[] = {
        {{}, {"--list"}, "", "kavrocap: no camera found\n", NULL},
        {{}, {"--list", "-q"}, "", "", NULL},
        {{}, {"--json", "--list"}, "[]\n", "kavrocap: no camera found\n", NULL},
        {{"\\\\.\\ezusb-0"}, {"--list"}, "0 \\\\.\\ezusb-0\n", "", NULL},
        {{"\\\\.\\ezusb-9", "\\\\.\\ezusb-0", "\\\\.\\ezusb-3"},
         {"--list"},
         "0 \\\\.\\ezusb-0\n3 \\\\.\\ezusb-3\n9 \\\\.\\ezusb-9\n",
         "",
         NULL},
        {{"\\\\.\\ezusb-2", "\\\\.\\ezusb-0"},
         {"--list", "--json"},
         "[{\"number\":0,\"path\":\"\\\\\\\\.\\\\ezusb-0\"},"
         "{\"number\":2,\"path\":\"\\\\\\\\.\\\\ezusb-2\"}]\n",
         "",
         NULL},
        {{"\\\\.\\ezusb-2", "\\\\.\\ezusb-0"},
         {"--list"},
         "0 \\\\.\\ezusb-0\n2 \\\\.\\ezusb-2 held by kavroview.exe (pid 4242)\n",
         "",
         "\\\\.\\ezusb-2"},
        {{"\\\\.\\ezusb-2"},
         {"--list", "--json"},
         "[{\"number\":2,\"path\":\"\\\\\\\\.\\\\ezusb-2\","
         "\"holder\":{\"pid\":4242,\"name\":\"kavroview.exe\"}}]\n",
         "",
         "\\\\.\\ezusb-2"},
    };
    Strings every;
    for (int n = 0; n < 10; ++n)
        every.push_back("\\\\.\\ezusb-" + std::to_string(n));
    for (const auto &c : cases) {
        Fresh({});
        SetFakeDevicesPresent(c.present);
        if (c.held != NULL)
            SetFakeHolder(c.held, {4242, "kavroview.exe"});
        EXPECT_EQ(0, Run(c.args));
        EXPECT_EQ(c.out, out);
        EXPECT_EQ(c.err, err);
        EXPECT_EQ(every, FakeCameraCounters().probed);
        EXPECT_EQ(0u, FakeCameraCounters().opens + FakeCameraCounters().takes);
    }
}

}  // namespace
