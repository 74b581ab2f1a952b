// Pictures of many files: .raw16 stacks written and read back exactly, as
// inputs of a stack too, all or nothing, and what --average refuses.
#include "converter_fixture.h"
#include "frame.h"

namespace {

typedef std::vector<std::string> Strings;

// Each sample of the frames' mean x 256, rounded in whole numbers.
Bytes MeanOf(const std::vector<Bytes> &frames)
{
    int64_t n = (int64_t)frames.size();
    Bytes bytes;
    for (int i = 0; i < RAW_FRAME_BYTES; ++i) {
        int64_t sum = 0;
        for (const Bytes &frame : frames)
            sum += frame[i];
        int64_t value = (512 * sum + n) / (2 * n);
        bytes.push_back((uint8_t)value);
        bytes.push_back((uint8_t)(value >> 8));
    }
    return bytes;
}

}  // namespace

TEST_F(ConverterTest, ARaw16StackConvertsLikeItsFrame)
{
    WriteBytes(Path("x.bin"), MixedFrame());
    ASSERT_EQ(0, Run({"-q", "--average", "-o", Path("x.raw16"), Path("x.bin")})) << err_text;
    EXPECT_TRUE(ReadBytes(Path("x.raw16")) == MeanOf({MixedFrame()}));
    ASSERT_EQ(0, Run({"-q", "-o", Path("frame.png"), Path("x.bin")}));
    ASSERT_EQ(0, Run({Path("x.raw16")})) << err_text;
    EXPECT_EQ(Path("x.raw16") + " -> " + Path("x.bmp") + "\n", out_text);
    ASSERT_EQ(0, Run({"-q", "-o", Path("stack.png"), Path("x.raw16")}));
    EXPECT_TRUE(ReadBytes(Path("stack.png")) == ReadBytes(Path("frame.png")));
}

TEST_F(ConverterTest, AStackTakesFramesAndRaw16StacksAlike)
{
    WriteBytes(Path("x.bin"), MixedFrame());
    WriteBytes(Path("y.bin"), TopLineFrame());
    WriteBytes(Path("x.raw16"), MeanOf({MixedFrame()}));
    Strings inputs = {Path("x.bin"), Path("y.bin"), Path("x.raw16")};
    Strings mean = {"--average", "-o", Path("mean.raw16")};
    mean.insert(mean.end(), inputs.begin(), inputs.end());
    ASSERT_EQ(0, Run(mean)) << err_text;
    EXPECT_EQ("3 files -> " + Path("mean.raw16") + "\n", out_text);
    EXPECT_TRUE(ReadBytes(Path("mean.raw16"))
                == MeanOf({MixedFrame(), MixedFrame(), TopLineFrame()}));
    Strings median = {"-q", "--average", "--stack=median", "-f", "raw16", "-o", Path("median")};
    median.insert(median.end(), inputs.begin(), inputs.end());
    ASSERT_EQ(0, Run(median)) << err_text;
    EXPECT_TRUE(ReadBytes(Path("median")) == MeanOf({MixedFrame()}));
}

TEST_F(ConverterTest, AStackIsMadeOfEveryFileOrNotAtAll)
{
    WriteBytes(Path("x.bin"), MixedFrame());
    WriteBytes(Path("short.bin"), Bytes(100));
    EXPECT_EQ(1, Run({"--average", "-o", Path("s.png"), Path("x.bin"), Path("no.bin"),
                      Path("short.bin")}));
    EXPECT_EQ("kavroconv: " + Path("no.bin") + ": no such file\nkavroconv: " + Path("short.bin")
                  + ": not a frame (13824 bytes) or a 16-bit stack (27648 bytes): 100 bytes\n",
              err_text);
    EXPECT_EQ((Strings{"short.bin", "x.bin"}), Listing());
}

TEST_F(ConverterTest, AverageRefusesWhatItCannotDo)
{
    WriteBytes(Path("x.bin"), MixedFrame());
    const struct {
        Strings args;
        std::string err;
    } rows[] = {
        {{"--average", Path("x.bin")},
         "kavroconv: --average makes one picture of every FILE: give its name, -o NAME\n"},
        {{"--average", "--stack", "clip", "-o", "s.png", Path("x.bin"), Path("x.bin")},
         "kavroconv: --stack clip needs at least 5 frames, not 2\n"},
        {{"--stack", "mean", Path("x.bin")}, "kavroconv: --stack goes with --average\n"},
        {{"--average", "-o", "s.avi", Path("x.bin")},
         "kavroconv: --average, --dark and --hot-pixels make pictures, not a movie\n"},
        {{"--stack", "best", Path("x.bin")},
         std::string("kavroconv: --stack takes mean, median or clip, not 'best'\n") + USAGE},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(2, Run(row.args)) << row.err;
        EXPECT_EQ(row.err, err_text);
    }
    EXPECT_EQ(Strings{"x.bin"}, Listing());
}
