// Movies of raw frames and their repair: the bytes the tool leaves are the
// movie writer's of exactly the frames given, in their order, and ffmpeg
// reads back every painted frame; nothing is left when a frame or the disk
// fails.
#include "converter_fixture.h"
#include "frame.h"
#include "movie_test_files.h"
#include "movie_writer.h"

#ifndef _WIN32
#include <errno.h>
#endif

typedef std::vector<std::string> Names;

namespace {

// Frame n: every one different, none a simple pattern.
Bytes NumberedFrame(uint32_t n)
{
    Bytes frame = MixedFrame();
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = (uint8_t)(frame[i] + n * 29 + i / 997);
    return frame;
}

Bytes Painted(const Bytes &raw)
{
    Bytes bits(DISPLAY_IMAGE_BYTES);
    ConvertFrame(raw.data(), bits.data(), FRAME_WIDTH, FRAME_HEIGHT);
    return bits;
}

// The movie the writer makes of these raw frames, completed once.
Bytes WriterMovie(const std::vector<uint32_t> &frames, FrameRate rate)
{
    MemoryFile memory;
    InitMemoryFile(&memory);
    MovieWriter writer;
    StartMovie(&writer, &memory.file, rate, AVI_DEFAULT_PART_LIMIT);
    for (uint32_t n : frames)
        AddRawMovieFrame(&writer, NumberedFrame(n).data());
    FinishMovie(&writer);
    return memory.bytes;
}

// Frames as the window paints them.
std::vector<Bytes> PaintedFrames(const std::vector<uint32_t> &frames)
{
    std::vector<Bytes> painted;
    for (uint32_t n : frames)
        painted.push_back(Painted(NumberedFrame(n)));
    return painted;
}

// A disk with room for the headers and one frame.
MovieFile g_system_file;
const uint64_t SMALL_DISK = sizeof(AviHeaders) + AVI_FRAME_CHUNK_BYTES;

MovieFileStatus FillingWrite(MovieFile *file, uint64_t offset, const void *bytes, size_t length)
{
    if (offset + length <= SMALL_DISK)
        return g_system_file.write_at(file, offset, bytes, length);
#ifdef _WIN32
    file->system_error = 112;  // ERROR_DISK_FULL
#else
    file->system_error = ENOSPC;
#endif
    return MOVIE_FILE_FAILED;
}

MovieFileStatus OpenSmallDiskFile(const char *name, MovieFileMode mode, MovieFile *file,
                                  int *system_error)
{
    MovieFileStatus status = OpenSystemMovieFile(name, mode, file, system_error);
    g_system_file = *file;
    file->write_at = FillingWrite;
    return status;
}

class MovieTest : public ConverterTest {
protected:
    void SetUp() override
    {
        ConverterTest::SetUp();
        for (uint32_t n = 0; n < 4; ++n)
            WriteBytes(Frame(n), NumberedFrame(n));
    }

    std::string Frame(uint32_t n) const { return Path("kavro" + std::to_string(n) + ".bin"); }
};

}  // namespace

// Frames in the order given, at the rate asked, whatever names the movie;
// an existing file of that name is replaced.
TEST_F(MovieTest, MovieOfTheFramesGivenAtItsRate)
{
    WriteBytes(Path("a.avi"), TextBytes("an older movie"));
    const struct {
        Names args;
        const char *name;
        std::vector<uint32_t> frames;
        FrameRate rate;
        const char *probed;
    } rows[] = {
        {{"-o", Path("a.avi"), Frame(2), Frame(0), Frame(3)}, "a.avi", {2, 0, 3}, {25, 1}, "25/1"},
        {{"--fps", "29.97", Frame(1), "-o", Path("B.AVI"), Frame(1)},
         "B.AVI",
         {1, 1},
         {30000, 1001},
         "30000/1001"},
        {{"-q", "--fps=12.5", "-f", "Avi", "-o", Path("c.movie"), "--", Frame(3), Frame(2),
          Frame(1), Frame(0)},
         "c.movie",
         {3, 2, 1, 0},
         {25, 2},
         "25/2"},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(0, Run(row.args)) << row.name;
        EXPECT_EQ(row.args[0] == "-q" ? "" : Path(row.name) + "\n", out_text);
        EXPECT_EQ("", err_text);
        EXPECT_TRUE(WriterMovie(row.frames, row.rate) == ReadBytes(Path(row.name))) << row.name;
    }
    EXPECT_EQ(Names({"B.AVI", "a.avi", "c.movie", "kavro0.bin", "kavro1.bin", "kavro2.bin",
                     "kavro3.bin"}),
              Listing());
    if (!HaveFfmpeg())
        GTEST_SKIP() << NO_FFMPEG;
    for (const auto &row : rows)
        EXPECT_EQ("", FfmpegDisagreement(Path(row.name), PaintedFrames(row.frames), row.probed))
            << row.name;
}

// Every frame that cannot be read is named; a full disk is told. Either way
// no movie and no temporary file is left, and an existing movie of that
// name stays as it was.
TEST_F(MovieTest, NothingIsLeftWhenAFrameOrTheDiskFails)
{
    WriteBytes(Path("short.bin"), Bytes(100, 0));
    WriteBytes(Path("m.avi"), TextBytes("an older movie"));
    const std::string m = Path("m.avi");
    const struct {
        Names args;
        bool small_disk;
        std::string err;
    } rows[] = {
        {{"-o", m, Frame(0), Path("missing.bin"), Frame(1), Path("short.bin"), Frame(2)},
         false,
         "kavroconv: " + Path("missing.bin") + ": no such file\nkavroconv: " + Path("short.bin")
             + ": not a frame: 100 bytes, a frame has exactly 13824\n"},
        {{"-o", m, Path("missing.bin")},
         false,
         "kavroconv: " + Path("missing.bin") + ": no such file\n"},
        {{"-o", m, Frame(0), Frame(1)},
         true,
         "kavroconv: " + m + ": cannot write: No space left on device\n"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.err);
        UseMovieFileOpener(row.small_disk ? OpenSmallDiskFile : NULL);
        EXPECT_EQ(1, Run(row.args));
        UseMovieFileOpener(NULL);
        EXPECT_EQ("", out_text);
        EXPECT_EQ(row.err, err_text);
        EXPECT_EQ(
            Names({"kavro0.bin", "kavro1.bin", "kavro2.bin", "kavro3.bin", "m.avi", "short.bin"}),
            Listing());
        EXPECT_TRUE(TextBytes("an older movie") == ReadBytes(m));
    }
}

#ifdef _WIN32

// A wildcard takes numbered frames in number order, not in letter order.
TEST_F(MovieTest, WildcardTakesTheFramesInNumberOrder)
{
    for (uint32_t n : {100, 9, 10})
        WriteBytes(Path("lapse" + std::to_string(n) + ".bin"), NumberedFrame(n));
    EXPECT_EQ(0, Run({"-q", "-o", Path("m.avi"), Path("lapse*.bin")}));
    EXPECT_EQ("", err_text);
    EXPECT_TRUE(WriterMovie({9, 10, 100}, {25, 1}) == ReadBytes(Path("m.avi")));
}

#endif

// A complete movie is left as it is, a cut one becomes the movie of its
// whole frames, anything else is refused and left untouched.
TEST_F(MovieTest, RepairSaysWhatItFoundAndDid)
{
    ASSERT_EQ(0, Run({"--fps", "12.5", "-o", Path("whole.avi"), Frame(0), Frame(1), Frame(2)}));
    const Bytes whole = ReadBytes(Path("whole.avi"));
    // Cut in the middle of the third frame's chunk.
    WriteBytes(Path("cut.avi"), Bytes(whole.begin(), whole.begin() + sizeof(AviHeaders)
                                                         + 2 * AVI_FRAME_CHUNK_BYTES + 5000));
    const std::string frame = Frame(3);
    const struct {
        std::string name;
        int status;
        std::string out, err;
        Bytes after;
    } rows[] = {
        {Path("whole.avi"), 0, Path("whole.avi") + ": complete, left unchanged: 3 frames\n", "",
         whole},
        {Path("cut.avi"), 0, Path("cut.avi") + ": repaired: 2 frames\n", "",
         WriterMovie({0, 1}, {25, 2})},
        {frame, 1, "",
         "kavroconv: " + frame + ": not a movie of kavrocap or kavroconv, left untouched\n",
         NumberedFrame(3)},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.status, Run({"--repair", row.name}));
        EXPECT_EQ(row.out, out_text);
        EXPECT_EQ(row.err, err_text);
        EXPECT_TRUE(row.after == ReadBytes(row.name));
    }
    // Once any file is left incomplete, the status says so; -q keeps only
    // the problems.
    EXPECT_EQ(1, Run({"-q", "--repair", Path("cut.avi"), Path("missing.avi")}));
    EXPECT_EQ("", out_text);
    EXPECT_EQ("kavroconv: " + Path("missing.avi") + ": cannot open: No such file or directory\n",
              err_text);
}
