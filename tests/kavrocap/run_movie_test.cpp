// What a run records into a movie: the camera's frames as the window paints
// them, in order, at the rate asked or measured, complete at least once a
// second, and never worse than its last completion point when the disk
// fills. ffmpeg reads the movies back where it is installed.
#include <errno.h>

#include "avi_layout.h"
#include "frame.h"
#include "movie_test_files.h"
#include "run_fixture.h"

namespace {

const int64_t START_US = 5000000;  // the fixture clock's start
const uint64_t STRH_SCALE = 128;   // strh's dwScale and dwRate
const uint64_t STRH_RATE = 132;
const uint64_t STRH_LENGTH = 140;  // strh's dwLength: every frame of the file

const char STAMPED[] = "kavro-20261209-073005.avi";  // the fixture clock's local time

struct MovieCase {
    const char *what;
    std::vector<FakeStep> script;
    Strings existing;
    Strings args;
    ClockSetting clock;
    int status;
    const char *out;
    std::string err;
    Strings listing;               // every file left
    const char *movie;             // NULL: no movie
    std::vector<uint32_t> frames;  // the camera's frames it holds
    const char *rate;              // as ffprobe tells it
    uint32_t takes;
};

// clang-format off
const MovieCase MOVIES[] = {
    {"a burst plays at its own pace", {}, {}, {"-n", "3", "m.avi"}, {80000, 0}, 0, "m.avi\n",
     "kavrocap: 1/3 m.avi: 1 frame, 0:00:00\nkavrocap: 2/3 m.avi: 2 frames, 0:00:00\n"
     "kavrocap: 3/3 m.avi: 3 frames, 0:00:00\nkavrocap: 3 recorded, 0 failed, 0 slots skipped\n",
     {"m.avi"}, "m.avi", {0, 1, 2}, "25/2", 3},
    {"a time-lapse plays at 25", {}, {}, {"-q", "-n", "3", "-i", "2", "M.AVI"}, {80000, 0}, 0,
     "M.AVI\n", "kavrocap: 3 recorded, 0 failed, 0 slots skipped\n",
     {"M.AVI"}, "M.AVI", {0, 1, 2}, "25/1", 3},
    {"--fps, and -f avi names the movie by the start", {}, {},
     {"-q", "-n", "2", "-s", "1", "-f", "avi", "--fps", "29.97"}, {80000, 0}, 0,
     "kavro-20261209-073005.avi\n", "kavrocap: 2 recorded, 0 failed, 0 slots skipped\n",
     {STAMPED}, STAMPED, {1, 2}, "30000/1001", 3},
    {"{date} and {time} once for the whole movie", {}, {},
     {"-q", "-n", "2", "-i", "1.5", "--fps=12.5", "at-{time}-{ms}.avi"}, {0, 0}, 0,
     "at-073005-123.avi\n", "kavrocap: 2 recorded, 0 failed, 0 slots skipped\n",
     {"at-073005-123.avi"}, "at-073005-123.avi", {0, 1}, "25/2", 2},
    {"failed frames are left out", {{CAMERA_FRAME, 0}, {CAMERA_TIMED_OUT, 0}, {CAMERA_FRAME, 0}},
     {}, {"-q", "-r", "0", "-n", "3", "--fps", "5", "m.avi"}, {0, 0}, 1, "m.avi\n",
     "kavrocap: frame 2: no answer within the time-out (5 s)\n"
     "kavrocap: 2 recorded, 1 failed, 0 slots skipped\n",
     {"m.avi"}, "m.avi", {0, 1}, "5/1", 3},
    {"nothing recorded leaves no movie", {{CAMERA_NOT_FOUND, 0}}, {}, {"-r", "0", "m.avi"},
     {0, 0}, 1, "",
     "kavrocap: frame 1: camera not found: \\\\.\\ezusb-0\n"
     "kavrocap: 0 recorded, 1 failed, 0 slots skipped\n",
     {}, NULL, {}, "", 1},
    {"an existing movie refuses the run", {}, {"m.avi"}, {"-n", "3", "m.avi"}, {0, 0}, 1, "",
     "kavrocap: m.avi exists; nothing was captured (--overwrite replaces it)\n",
     {"m.avi"}, NULL, {}, "", 0},
    {"--overwrite replaces it", {}, {"m.avi"}, {"-q", "--overwrite", "m.avi"}, {0, 0}, 0,
     "m.avi\n", "kavrocap: 1 recorded, 0 failed, 0 slots skipped\n",
     {"m.avi"}, "m.avi", {0}, "25/1", 1},
    {"Ctrl+C finishes the movie", {}, {}, {"-q", "-n", "5", "-i", "1", "m.avi"}, {80000, 3}, 3,
     "m.avi\n", "kavrocap: 3 recorded, 0 failed, 0 slots skipped; stopped by Ctrl+C\n",
     {"m.avi"}, "m.avi", {0, 1, 2}, "25/1", 3},
};
// clang-format on

// A frame as the window paints it: bottom-up BGR rows.
Bytes Painted(uint32_t frame)
{
    Bytes bits(DISPLAY_IMAGE_BYTES);
    ConvertFrame(FakeFrame(frame).data(), bits.data(), FRAME_WIDTH, FRAME_HEIGHT);
    return bits;
}

// The frames a movie of one part holds, read where the layout puts them,
// and its rate.
void ExpectFramesInFile(const Bytes &movie, const std::vector<uint32_t> &frames, const char *rate)
{
    AviParts parts(1, (uint32_t)frames.size());
    ASSERT_EQ(AviMovieEnd(parts), movie.size());
    EXPECT_EQ(rate, std::to_string(Le32(movie, STRH_RATE)) + "/"
                        + std::to_string(Le32(movie, STRH_SCALE)));
    for (size_t i = 0; i < frames.size(); ++i) {
        uint64_t at = AviFrameOffset(parts, 0, (uint32_t)i) + 8;
        EXPECT_TRUE(Bytes(movie.begin() + at, movie.begin() + at + DISPLAY_IMAGE_BYTES)
                    == Painted(frames[i]))
            << "frame " << i;
    }
}

// The camera's frames as the window paints them.
std::vector<Bytes> PaintedFrames(const std::vector<uint32_t> &frames)
{
    std::vector<Bytes> painted;
    for (uint32_t frame : frames)
        painted.push_back(Painted(frame));
    return painted;
}

TEST_F(KavrocapRunTest, RecordsMovies)
{
    bool ffmpeg = HaveFfmpeg();
    for (const MovieCase &c : MOVIES) {
        SCOPED_TRACE(c.what);
        Fresh(c.script, c.clock);
        for (const std::string &name : c.existing)
            WriteBytes(Path(name), Bytes(10, 0x11));
        EXPECT_EQ(c.status, Run(c.args));
        EXPECT_EQ(c.out, out);
        EXPECT_EQ(c.err, err);
        EXPECT_EQ(c.listing, Listing());
        EXPECT_EQ(c.takes, FakeCameraCounters().takes);
        if (c.movie == NULL)
            continue;
        ExpectFramesInFile(ReadBytes(Path(c.movie)), c.frames, c.rate);
        if (ffmpeg) {
            EXPECT_EQ("", FfmpegDisagreement(Path(c.movie), PaintedFrames(c.frames), c.rate));
        }
    }
}

// Files that fill up at g_space bytes, as a small disk does, and tell when
// each completion point is handed to the system.
uint64_t g_space;
MovieFile g_system;
struct Completion {
    uint32_t frames;  // in the movie's headers
    uint32_t takes;   // the camera's so far
};
std::vector<Completion> g_completions;

MovieFileStatus FillingWrite(MovieFile *file, uint64_t offset, const void *bytes, size_t length)
{
    if (offset + length <= g_space)
        return g_system.write_at(file, offset, bytes, length);
    if (offset < g_space)
        g_system.write_at(file, offset, bytes, (size_t)(g_space - offset));
#ifdef _WIN32
    file->system_error = 112;  // ERROR_DISK_FULL
#else
    file->system_error = ENOSPC;
#endif
    return MOVIE_FILE_FAILED;
}

MovieFileStatus NotedHandOver(MovieFile *file)
{
    uint32_t frames = 0;
    if (file->read_at(file, STRH_LENGTH, &frames, sizeof frames) == MOVIE_FILE_OK && frames > 0
        && (g_completions.empty() || g_completions.back().frames != frames))
        g_completions.push_back({frames, FakeCameraCounters().takes});
    return g_system.hand_over(file);
}

MovieFileStatus OpenSmallDiskFile(const char *name, MovieFileMode mode, MovieFile *file,
                                  int *system_error)
{
    MovieFileStatus status = OpenSystemMovieFile(name, mode, file, system_error);
    g_system = *file;
    file->write_at = FillingWrite;
    file->hand_over = NotedHandOver;
    return status;
}

// However fast the frames come, none waits in memory more than a second:
// each completion point holds every frame taken so far, and the first frame
// after one is on disk within a second of its arrival.
TEST_F(KavrocapRunTest, MoviesAreCompleteAtLeastOnceASecond)
{
    const struct {
        Strings args;
        int64_t take_us;
        int64_t interval_us;
    } rows[] = {
        {{"-q", "-n", "40", "m.avi"}, 80000, 0},
        {{"-q", "-n", "9", "m.avi"}, 300000, 0},
        {{"-q", "-n", "12", "-i", "0.3", "m.avi"}, 80000, 300000},
        {{"-q", "-n", "3", "-i", "2", "m.avi"}, 80000, 2000000},
    };
    g_space = UINT64_MAX;
    UseMovieFileOpener(OpenSmallDiskFile);
    for (const auto &row : rows) {
        SCOPED_TRACE(row.args[2]);
        Fresh({}, {row.take_us, 0});
        g_completions.clear();
        EXPECT_EQ(0, Run(row.args));
        ASSERT_FALSE(g_completions.empty());
        EXPECT_EQ(std::stoul(row.args[2]), g_completions.back().frames);
        int64_t pace = row.interval_us > row.take_us ? row.interval_us : row.take_us;
        int64_t done_us = START_US;  // when the frames on disk were completed
        for (const Completion &c : g_completions) {
            EXPECT_EQ(c.takes, c.frames);
            int64_t now = START_US + (c.takes - 1) * pace + row.take_us;
            int64_t oldest = done_us == START_US ? START_US + row.take_us : done_us + pace;
            EXPECT_LE(now - oldest, 1000000) << "completion at frame " << c.frames;
            done_us = now;
        }
    }
    UseMovieFileOpener(NULL);
}

// A full disk stops the recording: the movie keeps the frames of its last
// completion point and says so; every frame taken but not kept is failed.
TEST_F(KavrocapRunTest, AFullDiskKeepsTheLastCompletionPoint)
{
    g_space = sizeof(AviHeaders) + 20 * AVI_FRAME_CHUNK_BYTES;
    UseMovieFileOpener(OpenSmallDiskFile);
    Fresh({}, {80000, 0});
    g_completions.clear();
    EXPECT_EQ(1, Run({"-q", "-n", "40", "m.avi"}));
    UseMovieFileOpener(NULL);
    EXPECT_EQ("m.avi\n", out);
    EXPECT_EQ(
        "kavrocap: frame 25: m.avi: writing the movie failed; it keeps the frames of its last "
        "complete second (No space left on device)\n"
        "kavrocap: 13 recorded, 12 failed, 0 slots skipped\n",
        err);
    EXPECT_EQ(25u, FakeCameraCounters().takes);
    std::vector<uint32_t> kept;
    for (uint32_t n = 0; n < 13; ++n)
        kept.push_back(n);
    ExpectFramesInFile(ReadBytes(Path("m.avi")), kept, "25/2");
    if (HaveFfmpeg()) {
        EXPECT_EQ("", FfmpegDisagreement(Path("m.avi"), PaintedFrames(kept), "25/2"));
    }
}

}  // namespace
