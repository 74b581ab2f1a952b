// Pictures of many frames: the stack's exact bytes, the frames it takes and
// how it asks for them, a failed frame left out, and its usage errors.
#include "picture.h"
#include "run_fixture.h"

namespace {

// The mean of the fake camera's frames first to last as raw16 samples,
// rounded in whole numbers, less the offsets (raw16 units), clamped at 0.
Bytes MeanRaw16(uint32_t first, uint32_t last, const std::vector<int> &offsets = {})
{
    int64_t n = last - first + 1;
    std::vector<Bytes> frames;
    for (uint32_t f = first; f <= last; ++f)
        frames.push_back(FakeFrame(f));
    Bytes bytes;
    for (int i = 0; i < RAW_FRAME_BYTES; ++i) {
        int64_t sum = 0;
        for (const Bytes &frame : frames)
            sum += frame[i];
        int64_t value = (512 * sum + n) / (2 * n) - (i < (int)offsets.size() ? offsets[i] : 0);
        value = value < 0 ? 0 : value;
        bytes.push_back((uint8_t)value);
        bytes.push_back((uint8_t)(value >> 8));
    }
    return bytes;
}

TEST_F(KavrocapRunTest, AStackOfOneFrameIsTheFramesOwnFile)
{
    for (const char *name : {"one.bin", "one.bmp", "one.png"}) {
        Fresh({});
        ASSERT_EQ(0, Run({"-q", name}));
        Bytes alone = ReadBytes(Path(name));
        Fresh({});
        ASSERT_EQ(0, Run({"-q", "--average", "1", name})) << err;
        EXPECT_TRUE(ReadBytes(Path(name)) == alone) << name;
        EXPECT_GT(alone.size(), 100u) << name;
    }
}

TEST_F(KavrocapRunTest, AFailedFrameOfAStackIsToldAndNotCounted)
{
    Fresh({{CAMERA_REQUEST_FAILED, 0}});
    EXPECT_EQ(0, Run({"-r", "0", "--average", "3", "s.raw16"}));
    EXPECT_EQ("kavrocap: frame 1: a frame of its stack failed, not counted: request failed\n"
              "kavrocap: 1/1 s.raw16\n"
              "kavrocap: 1 saved, 0 failed, 0 slots skipped\n",
              err);
    EXPECT_EQ(4u, FakeCameraCounters().takes);
    EXPECT_TRUE(ReadBytes(Path("s.raw16")) == MeanRaw16(0, 2));
}

TEST_F(KavrocapRunTest, AsManyFailedFramesAsTheStackAsksForFailThePicture)
{
    Fresh({{CAMERA_REQUEST_FAILED, 0}, {CAMERA_REQUEST_FAILED, 0}});
    EXPECT_EQ(1, Run({"-r", "0", "--average", "2", "s.raw16"}));
    EXPECT_EQ("kavrocap: frame 1: a frame of its stack failed, not counted: request failed\n"
              "kavrocap: frame 1: a frame of its stack failed, not counted: request failed\n"
              "kavrocap: frame 1: 2 frames of its stack failed, 0 of 2 taken\n"
              "kavrocap: 0 saved, 1 failed, 0 slots skipped\n",
              err);
    EXPECT_EQ(Strings{}, Listing());
}

// The slot's first frame is a fresh one; the rest of its stack, and the
// next slot's warm-up-free stack, follow as the camera gives them.
TEST_F(KavrocapRunTest, AStackOnAScheduleStartsWithAFreshFrame)
{
    Fresh({});
    EXPECT_EQ(0, Run({"-q", "-n", "2", "-i", "1", "--average", "3", "-f", "raw16", "s{n}"}));
    EXPECT_EQ(
        (std::vector<TakeKind>{TAKE_FRESH, TAKE_NEXT, TAKE_NEXT, TAKE_FRESH, TAKE_NEXT, TAKE_NEXT}),
        FakeCameraCounters().kinds);
    EXPECT_TRUE(ReadBytes(Path("s1")) == MeanRaw16(0, 2));
    EXPECT_TRUE(ReadBytes(Path("s2")) == MeanRaw16(3, 5));
}

// A dark of black level 16 whose pixel 0 is 30 above it and whose first U
// is 2 above 128.
TEST_F(KavrocapRunTest, TheDarkComesOffTheStack)
{
    Fresh({});
    Bytes dark;
    for (int i = 0; i < RAW_FRAME_BYTES; ++i) {
        int value = (i % 2 == 1 ? 16 : 128) * 256 + (i == 1 ? 30 * 256 : i == 0 ? 2 * 256 : 0);
        dark.push_back((uint8_t)value);
        dark.push_back((uint8_t)(value >> 8));
    }
    WriteBytes(Path("dark.raw16"), dark);
    EXPECT_EQ(0, Run({"-q", "--average", "2", "--dark", "dark.raw16", "s.raw16"})) << err;
    EXPECT_TRUE(ReadBytes(Path("s.raw16")) == MeanRaw16(0, 1, {2 * 256, 30 * 256}));
}

// An 8-bit stack is enlarged and stamped as a single frame's picture is:
// its rounded frame (what -f raw gives) made into the still.
TEST_F(KavrocapRunTest, AStackedPictureIsScaledAndStampedLikeAFrame)
{
    Fresh({});
    ASSERT_EQ(0, Run({"-q", "--average", "2", "s.bin"})) << err;
    Bytes rounded = ReadBytes(Path("s.bin"));
    ASSERT_EQ((size_t)RAW_FRAME_BYTES, rounded.size());
    Fresh({});
    ASSERT_EQ(0, Run({"-q", "--average", "2", "--scale", "2", "--stamp", "n{n}", "s.png"})) << err;
    StillSettings still = PlainStill();
    still.scale = 2;
    still.stamp = "n1";
    still.corner = STAMP_BOTTOM_RIGHT;
    std::vector<uint8_t> expected;
    ASSERT_EQ(PICTURE_ENCODED, EncodeStill(rounded.data(), FORMAT_PNG, still, &expected));
    EXPECT_TRUE(ReadBytes(Path("s.png")) == Bytes(expected.begin(), expected.end()));
}

TEST_F(KavrocapRunTest, StacksRefuseWhatTheyCannotDo)
{
    const struct {
        Strings args;
        const char *problem;
    } rows[] = {
        {{"--average", "0"}, "--average takes a whole number from 1 to 65535, not '0'"},
        {{"--average", "65536"}, "--average takes a whole number from 1 to 65535, not '65536'"},
        {{"--average", "4", "--stack", "clip"}, "--stack clip needs at least 5 frames, not 4"},
        {{"--average", "5", "--stack", "mode"}, "--stack takes mean, median or clip, not 'mode'"},
        {{"--stack", "median"}, "--stack goes with --average"},
        {{"--hot-pixels", "auto"}, "--hot-pixels auto finds them in the dark: give --dark FILE"},
        {{"--average", "2", "m.avi"},
         "--average, --dark and --hot-pixels make pictures, not a movie"},
        {{"-f", "png16", "x.bmp"}, "--format png16 but the output name x.bmp says bmp"},
        {{"--dark", "none.raw16"}, "none.raw16: no such file"},
        {{"--hot-pixels", "none.txt"}, "none.txt: no such file"},
        {{"--hot-pixels", "list.txt"}, "list.txt line 3: not \"X Y\" with X 0-95 and Y 0-71: 96 3"},
    };
    for (const auto &row : rows) {
        Fresh({});
        WriteBytes(Path("list.txt"), TextBytes("# hot\n\n96 3\n"));
        EXPECT_EQ(2, Run(row.args)) << row.problem;
        EXPECT_EQ(std::string("kavrocap: ") + row.problem + "\n" + USAGE_LINE, err);
        EXPECT_EQ(0u, FakeCameraCounters().opens) << row.problem;
    }
}

}  // namespace
