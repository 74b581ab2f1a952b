// What a run saves: the camera's frames byte for byte, pictures of them,
// numbered as asked, on schedule, on standard output when asked, and never
// over an existing file unless told.
#include "run_fixture.h"

namespace {

const char SUMMARY_1[] = "kavrocap: 1 saved, 0 failed, 0 slots skipped\n";
const char SUMMARY_2[] = "kavrocap: 2 saved, 0 failed, 0 slots skipped\n";
const char SUMMARY_3[] = "kavrocap: 3 saved, 0 failed, 0 slots skipped\n";

// Rows: what, camera script, files put there first, args, status, out, err,
// files left, camera takes, frames on standard output.
// clang-format off
const RunCase SAVED[] = {
    {"the default run", {}, {}, {}, 0, "kavro001.bin\n",
     "kavrocap: 1/1 kavro001.bin\nkavrocap: 1 saved, 0 failed, 0 slots skipped\n",
     {{"kavro001.bin", HOLDS_RAW, 0}}, 1},
    {"a count after a warm-up", {}, {}, {"-n", "3", "-s", "2"}, 0,
     "kavro001.bin\nkavro002.bin\nkavro003.bin\n",
     std::string("kavrocap: 1/3 kavro001.bin\nkavrocap: 2/3 kavro002.bin\n"
                 "kavrocap: 3/3 kavro003.bin\n") + SUMMARY_3,
     {{"kavro001.bin", HOLDS_RAW, 2}, {"kavro002.bin", HOLDS_RAW, 3},
      {"kavro003.bin", HOLDS_RAW, 4}}, 5},
    {"standard output", {}, {}, {"-n", "3", "-"}, 0, "",
     std::string("kavrocap: 1/3 (standard output)\nkavrocap: 2/3 (standard output)\n"
                 "kavrocap: 3/3 (standard output)\n") + SUMMARY_3,
     {}, 3, {0, 1, 2}},
    {"bmp by extension", {}, {}, {"-n", "2", "-q", "f{n}.bmp"}, 0, "f1.bmp\nf2.bmp\n", SUMMARY_2,
     {{"f1.bmp", HOLDS_BMP, 0}, {"f2.bmp", HOLDS_BMP, 1}}, 2},
    {"png by extension in capitals", {}, {}, {"-q", "f{n}.PNG"}, 0, "f1.PNG\n", SUMMARY_1,
     {{"f1.PNG", HOLDS_PNG, 0}}, 1},
    {"png by --format, whatever the extension", {}, {}, {"-q", "-f", "png", "f{n}.img"}, 0,
     "f1.img\n", SUMMARY_1, {{"f1.img", HOLDS_PNG, 0}}, 1},
    {"--format names the default file", {}, {}, {"-q", "--format=BMP"}, 0, "kavro001.bmp\n",
     SUMMARY_1, {{"kavro001.bmp", HOLDS_BMP, 0}}, 1},
    {".raw is raw", {}, {}, {"-q", "f.RAW"}, 0, "f.RAW\n", SUMMARY_1, {{"f.RAW", HOLDS_RAW, 0}}, 1},
    {"--start", {}, {}, {"--start", "50", "-n", "2", "-q"}, 0, "kavro050.bin\nkavro051.bin\n", SUMMARY_2,
     {{"kavro050.bin", HOLDS_RAW, 0}, {"kavro051.bin", HOLDS_RAW, 1}}, 2},
    {"--continue in an empty folder", {}, {}, {"--continue", "-q"}, 0, "kavro001.bin\n", SUMMARY_1,
     {{"kavro001.bin", HOLDS_RAW, 0}}, 1},
    {"--continue after the highest the pattern made", {},
     {"kavro003.bin", "KAVRO010.BIN", "kavro7.bin", "kavro011.png", "kavro0012.bin"},
     {"--continue", "-n", "2", "-q"}, 0, "kavro011.bin\nkavro012.bin\n", SUMMARY_2,
     {{"KAVRO010.BIN", HOLDS_KEPT, 0}, {"kavro0012.bin", HOLDS_KEPT, 0},
      {"kavro003.bin", HOLDS_KEPT, 0}, {"kavro011.bin", HOLDS_RAW, 0},
      {"kavro011.png", HOLDS_KEPT, 0}, {"kavro012.bin", HOLDS_RAW, 1},
      {"kavro7.bin", HOLDS_KEPT, 0}}, 2},
    {"--continue with braces", {}, {"s{1}.bin", "s{4}.bin"}, {"-q", "--continue", "s{{{n}}}.bin"},
     0, "s{5}.bin\n", SUMMARY_1,
     {{"s{1}.bin", HOLDS_KEPT, 0}, {"s{4}.bin", HOLDS_KEPT, 0}, {"s{5}.bin", HOLDS_RAW, 0}}, 1},
    {"--continue with percents", {}, {"p100%.bin"}, {"-q", "--continue", "p%d%%.bin"}, 0,
     "p101%.bin\n", SUMMARY_1, {{"p100%.bin", HOLDS_KEPT, 0}, {"p101%.bin", HOLDS_RAW, 0}}, 1},
    {"existing files refuse the run", {}, {"kavro002.bin", "kavro004.bin"}, {"-n", "4"}, 1, "",
     "kavrocap: kavro002.bin exists; nothing was captured (--overwrite replaces it)\n",
     {{"kavro002.bin", HOLDS_KEPT, 0}, {"kavro004.bin", HOLDS_KEPT, 0}}, 0},
    {"an existing file in a folder", {}, {"sub/x.bin"}, {"sub/x.bin"}, 1, "",
     "kavrocap: sub/x.bin exists; nothing was captured (--overwrite replaces it)\n",
     {{"sub", HOLDS_FILES, 0}}, 0},
    {"a file outside the run's numbers", {}, {"kavro002.bin"}, {"-q", "--start", "3"}, 0,
     "kavro003.bin\n", SUMMARY_1, {{"kavro002.bin", HOLDS_KEPT, 0}, {"kavro003.bin", HOLDS_RAW, 0}}, 1},
    {"--overwrite", {}, {"kavro002.bin", "kavro004.bin"}, {"-n", "4", "--overwrite", "-q"}, 0,
     "kavro001.bin\nkavro002.bin\nkavro003.bin\nkavro004.bin\n", "kavrocap: 4 saved, 0 failed, 0 slots skipped\n",
     {{"kavro001.bin", HOLDS_RAW, 0}, {"kavro002.bin", HOLDS_RAW, 1},
      {"kavro003.bin", HOLDS_RAW, 2}, {"kavro004.bin", HOLDS_RAW, 3}}, 4},
    {"a name known only when the frame arrives", {}, {"d20261209_1.bin"},
     {"-n", "2", "d{date}_{n}.bin"}, 1, "d20261209_2.bin\n",
     "kavrocap: frame 1: d20261209_1.bin: file exists\nkavrocap: 2/2 d20261209_2.bin\n"
     "kavrocap: 1 saved, 1 failed, 0 slots skipped\n",
     {{"d20261209_1.bin", HOLDS_KEPT, 0}, {"d20261209_2.bin", HOLDS_RAW, 1}}, 2},
    {"the same second twice, even with --overwrite", {}, {},
     {"-n", "2", "-q", "--overwrite", "t{time}_{ms}.bin"}, 1, "t073005_123.bin\n",
     "kavrocap: frame 2: t073005_123.bin: file exists\n" "kavrocap: 1 saved, 1 failed, 0 slots skipped\n", {{"t073005_123.bin", HOLDS_RAW, 0}}, 2},
};
// clang-format on

TEST_F(KavrocapRunTest, SavesWhatItIsAskedTo)
{
    for (const RunCase &c : SAVED)
        Check(c);
}

// Against the test's clock: frames start at the slots' times, slots that
// passed while a slow frame was taken are skipped, not taken in a burst, and
// Ctrl+C ends a wait.
TEST_F(KavrocapRunTest, TheScheduleKeepsToTheClock)
{
    const struct {
        RunCase run;
        ClockSetting clock;
        int64_t waited_us;
    } cases[] = {
        // clang-format off
        {{"an interval", {}, {}, {"-n", "3", "-i", "0.2", "-q", "t{n}.bin"}, 0,
          "t1.bin\nt2.bin\nt3.bin\n", SUMMARY_3,
          {{"t1.bin", HOLDS_RAW, 0}, {"t2.bin", HOLDS_RAW, 1}, {"t3.bin", HOLDS_RAW, 2}}, 3},
         {0, 0}, 400000},
        {{"frames slower than the interval", {}, {}, {"-n", "3", "-i", "0.1"}, 1,
          "kavro001.bin\nkavro003.bin\n",
          "kavrocap: 1/3 kavro001.bin\n"
          "kavrocap: frame 2 skipped: its time passed while the frame before was taken\n"
          "kavrocap: 3/3 kavro003.bin\nkavrocap: 2 saved, 0 failed, 1 slots skipped\n",
          {{"kavro001.bin", HOLDS_RAW, 0}, {"kavro003.bin", HOLDS_RAW, 1}}, 2},
         {300000, 0}, 0},
        {{"several slots passed, until Ctrl+C",
          {{CAMERA_FRAME, 0}, {CAMERA_FRAME, 0}, {CAMERA_STOPPED, 0}}, {}, {"-n", "0", "-i", "1"},
          1, "kavro001.bin\nkavro003.bin\n",
          "kavrocap: 1 kavro001.bin\n"
          "kavrocap: frame 2 skipped: its time passed while the frame before was taken\n"
          "kavrocap: 3 kavro003.bin\n"
          "kavrocap: frames 4-5 skipped: their time passed while the frame before was taken\n"
          "kavrocap: 2 saved, 0 failed, 3 slots skipped; stopped by Ctrl+C\n",
          {{"kavro001.bin", HOLDS_RAW, 0}, {"kavro003.bin", HOLDS_RAW, 1}}, 3},
         {2500000, 0}, 0},
        {{"back to back never waits", {}, {}, {"-n", "3", "-q"}, 0,
          "kavro001.bin\nkavro002.bin\nkavro003.bin\n", SUMMARY_3,
          {{"kavro001.bin", HOLDS_RAW, 0}, {"kavro002.bin", HOLDS_RAW, 1},
           {"kavro003.bin", HOLDS_RAW, 2}}, 3},
         {250000, 0}, 0},
        {{"Ctrl+C in the second wait", {}, {}, {"-n", "5", "-i", "10", "-q"}, 3,
          "kavro001.bin\nkavro002.bin\n", "kavrocap: 2 saved, 0 failed, 0 slots skipped; stopped by Ctrl+C\n",
          {{"kavro001.bin", HOLDS_RAW, 0}, {"kavro002.bin", HOLDS_RAW, 1}}, 2},
         {0, 2}, 10000000},
        // clang-format on
    };
    for (const auto &c : cases) {
        Check(c.run, c.clock);
        EXPECT_EQ(c.waited_us, clock.waited_us) << c.run.what;
    }
}

// Each line and each frame is out when it happens, not at the end of the
// run: the streams' files as the run waits for its second frame.
TEST_F(KavrocapRunTest, EachLineAndFrameIsOutWhenItHappens)
{
    const Bytes frame = FakeFrame(0);
    const struct {
        Strings args;
        std::string out, err;
    } rows[] = {
        {{"-n", "2", "-i", "1", "f{n}.bin"}, "f1.bin\n", "kavrocap: 1/2 f1.bin\n"},
        {{"-n", "2", "-i", "1", "-"},
         std::string(frame.begin(), frame.end()),
         "kavrocap: 1/2 (standard output)\n"},
    };
    for (const auto &row : rows) {
        Fresh({});
        EXPECT_EQ(0, Run(row.args)) << err;
        ASSERT_EQ(2u, clock.written.size()) << row.err;
        EXPECT_TRUE(row.out == clock.written[0]) << clock.written[0].size() << " bytes";
        EXPECT_EQ(row.err, clock.written[1]);
    }
}

}  // namespace
