// Recordings in-process: their names, and a movie that ffmpeg reads frame
// for frame at the mean rate of the frames recorded, gaps left out.
#include <string.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "fake_camera.h"
#include "movie_test_files.h"
#include "avi_layout.h"
#include "recording.h"
#include "view_stamp.h"
#include "temp_folder_fixture.h"

namespace {

TEST(RecordingNameTest, DateTimeThenTheFirstFreeSuffix)
{
    const RecordingTime when = {2026, 3, 7, 9, 5, 1};
    const struct {
        std::set<std::string> taken;
        std::string name;
    } cases[] = {
        {{}, "kavro-20260307-090501.avi"},
        {{"kavro-20260307-090501.avi"}, "kavro-20260307-090501-2.avi"},
        {{"kavro-20260307-090501.avi", "kavro-20260307-090501-2.avi"},
         "kavro-20260307-090501-3.avi"},
        {{"kavro-20260307-090501-2.avi"}, "kavro-20260307-090501.avi"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(
            FreeRecordingName(when, [&](const std::string &n) { return c.taken.count(n) > 0; }),
            c.name);
    EXPECT_EQ(FreeRecordingName(when, [](const std::string &) { return true; }), "");
    EXPECT_EQ(RecordingName({1999, 12, 31, 23, 59, 58}, 12), "kavro-19991231-235958-12.avi");
}

class RecordingTest : public TempFolderTest {};

TEST_F(RecordingTest, FramesInOrderAtTheirMeanRateWithoutTheGaps)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << NO_FFMPEG;
    // Frames every 100 ms; a pause and an unplugging between them add
    // seconds that the rate leaves out: 5 intervals over 0.5 s is 10 fps.
    const struct {
        int64_t at_ms;
        bool gap_before;
    } frames[] = {{0, false},    {100, false}, {200, false},  {3000, true},
                  {3100, false}, {9000, true}, {9100, false}, {9200, false}};
    Recording recording;
    recording.folder = Path("");
    recording.started = {2026, 1, 2, 3, 4, 5};
    std::thread writer(RunRecording, &recording);
    for (uint32_t i = 0; i < sizeof frames / sizeof frames[0]; ++i) {
        if (frames[i].gap_before)
            MarkRecordingGap(&recording);
        AddRecordedFrame(&recording, FakeFrame(i).data(), frames[i].at_ms * 1000);
    }
    EndRecording(&recording);
    writer.join();
    ASSERT_EQ(recording.outcome, RECORDING_DONE) << recording.reason;
    EXPECT_EQ(recording.name, "kavro-20260102-030405.avi");
    EXPECT_EQ(Listing(), std::vector<std::string>{recording.name});
    EXPECT_EQ(recording.frames.load(), 8u);
    EXPECT_EQ(recording.length_us.load(), 500000);

    const std::string path = Path(recording.name);
    EXPECT_NE(ProbeMovie(path).find("r_frame_rate=10/1\n"), std::string::npos) << ProbeMovie(path);
    Decoded decoded = DecodeMovie(path);
    ASSERT_EQ(decoded.status, 0) << decoded.errors;
    ASSERT_EQ(decoded.frames.size(), 8u * DISPLAY_IMAGE_BYTES);
    for (uint32_t i = 0; i < 8; ++i) {
        std::vector<uint8_t> bits(DISPLAY_IMAGE_BYTES);
        ConvertFrame(FakeFrame(i).data(), bits.data(), FRAME_WIDTH, FRAME_HEIGHT);
        const uint8_t *frame = decoded.frames.data() + i * DISPLAY_IMAGE_BYTES;
        for (int row = 0; row < FRAME_HEIGHT; ++row)  // the bits are bottom-up
            ASSERT_EQ(0, memcmp(frame + row * FRAME_WIDTH * 3,
                                bits.data() + (FRAME_HEIGHT - 1 - row) * FRAME_WIDTH * 3,
                                FRAME_WIDTH * 3))
                << "frame " << i << " row " << row;
    }
}

// Time stamp turned on during the recording: the frames from then on carry
// the time they arrived, the ones before stay as they were.
TEST_F(RecordingTest, FramesAreStampedFromTheMomentItIsOn)
{
    Recording recording;
    recording.folder = Path("");
    recording.started = {2026, 1, 2, 3, 4, 5};
    std::thread writer(RunRecording, &recording);
    CaptureMoment before = LocalMomentNow();
    for (uint32_t i = 0; i < 3; ++i) {
        recording.stamp = i > 0;
        AddRecordedFrame(&recording, FakeFrame(i).data(), i * 100000);
    }
    CaptureMoment after = LocalMomentNow();
    EndRecording(&recording);
    writer.join();
    ASSERT_EQ(recording.outcome, RECORDING_DONE) << recording.reason;
    const std::vector<uint8_t> movie = ReadBytes(Path(recording.name));
    AviParts parts(1, 3);
    ASSERT_EQ(AviMovieEnd(parts), movie.size());
    for (uint32_t i = 0; i < 3; ++i) {
        std::vector<uint8_t> plain(DISPLAY_IMAGE_BYTES);
        ConvertFrame(FakeFrame(i).data(), plain.data(), FRAME_WIDTH, FRAME_HEIGHT);
        std::vector<uint8_t> first = plain, last = plain;
        if (i > 0) {
            StampPicture(first.data(), before);
            StampPicture(last.data(), after);
        }
        uint64_t at = AviFrameOffset(parts, 0, i) + 8;
        std::vector<uint8_t> got(movie.begin() + at, movie.begin() + at + DISPLAY_IMAGE_BYTES);
        EXPECT_TRUE(got == first || got == last) << "frame " << i;
        EXPECT_EQ(i > 0, got != plain) << "frame " << i;
    }
}

TEST_F(RecordingTest, NoFrameLeavesNoFile)
{
    Recording recording;
    recording.folder = Path("");
    recording.started = {2026, 1, 2, 3, 4, 5};
    std::thread writer(RunRecording, &recording);
    EndRecording(&recording);
    writer.join();
    EXPECT_EQ(recording.outcome, RECORDING_DONE);
    EXPECT_TRUE(Listing().empty());
}

}  // namespace
