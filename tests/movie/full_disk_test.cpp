// A recording on a real file system that fills up: the writer stops, the file
// is back at its last completion point, and readers written by others see
// every frame up to it. full_disk_test.sh mounts the small disk and names it
// in PUKAVRO_SMALL_DISK; without it the case skips.
#include <stdlib.h>

#include <gtest/gtest.h>

#include "files.h"
#include "movie_test_files.h"
#include "movie_writer.h"

#ifdef _WIN32
#include <windows.h>

#include "hang_limit.h"
#include "unix_command.h"

const int DISK_FULL = ERROR_DISK_FULL;
#else
const int DISK_FULL = 28;  // ENOSPC
#endif

namespace {

const FrameRate RATE = {25, 1};
const uint32_t FRAMES_PER_COMPLETION = 10;

const char PROBED[] = "codec_name=rawvideo\nwidth=96\nheight=72\npix_fmt=bgr24\n"
                      "r_frame_rate=25/1\nnb_frames=%u\nnb_read_frames=%u\n";

#ifdef _WIN32
// The small disk as Wine's Z: drive shows it.
std::string SystemPath(const std::string &unix_path)
{
    std::string path = "Z:" + unix_path;
    for (char &c : path)
        c = c == '/' ? '\\' : c;
    return path;
}

// ffprobe's lines and ffmpeg's frames of the movie where it lies.
void ReadWithFfmpeg(const std::string &unix_movie, const std::string &scratch, std::string *probe,
                    Decoded *decoded)
{
    RunUnixCommand("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                   "stream=codec_name,pix_fmt,width,height,r_frame_rate,nb_frames,"
                   "nb_read_frames -of default=noprint_wrappers=1 "
                       + ShellQuoted(unix_movie),
                   scratch, HANG_MS, probe);
    std::string raw = PathIn(scratch, "decoded.raw");
    decoded->status =
        RunUnixCommand("ffmpeg -nostdin -v error -i " + ShellQuoted(unix_movie)
                           + " -f rawvideo -pix_fmt bgr24 -y " + ShellQuoted(UnixPath(raw)),
                       scratch, HANG_MS, &decoded->errors);
    ReadWholeFile(raw, &decoded->frames);
}
#else
std::string SystemPath(const std::string &unix_path)
{
    return unix_path;
}

void ReadWithFfmpeg(const std::string &unix_movie, const std::string &, std::string *probe,
                    Decoded *decoded)
{
    *probe = ProbeMovie(unix_movie);
    *decoded = DecodeMovie(unix_movie);
}
#endif

}  // namespace

TEST(MovieFullDisk, StopsAtTheLastCompletionPointForEveryReader)
{
    const char *disk = getenv("PUKAVRO_SMALL_DISK");
    if (disk == NULL || *disk == 0)
        GTEST_SKIP() << "no small disk: tests/movie/full_disk_test.sh mounts one";
    std::string unix_movie = std::string(disk) + "/full.avi";
    std::string path = SystemPath(unix_movie);
    MovieFile file;
    int error = 0;
    ASSERT_EQ(MOVIE_FILE_OK, OpenMovieFile(path.c_str(), MOVIE_FILE_CREATE, &file, &error))
        << path << " error " << error;
    MovieWriter writer;
    ASSERT_EQ(MOVIE_OK, StartMovie(&writer, &file, RATE, AVI_DEFAULT_PART_LIMIT));
    // A few MiB of disk hold a few hundred frames at most.
    uint32_t completed = 0;
    MovieResult result = MOVIE_OK;
    for (uint32_t f = 0; f < 1000 && result == MOVIE_OK; ++f) {
        result = AddMovieFrame(&writer, TestBits(f).data());
        if (result == MOVIE_OK && f % FRAMES_PER_COMPLETION == FRAMES_PER_COMPLETION - 1) {
            result = CompleteMovie(&writer);
            if (result == MOVIE_OK)
                completed = f + 1;
        }
    }
    EXPECT_EQ(MOVIE_WRITE_FAILED, result);
    EXPECT_EQ(DISK_FULL, file.system_error);
    EXPECT_EQ(MOVIE_FILE_OK, CloseMovieFile(&file));
    ASSERT_GT(completed, 0u);

    Bytes bytes;
    ASSERT_EQ(0, ReadWholeFile(path, &bytes));
    EXPECT_TRUE(ReferenceMovie(completed, RATE, AVI_DEFAULT_PART_LIMIT) == bytes)
        << completed << " frames, " << bytes.size() << " bytes";

    std::string scratch;
    ASSERT_EQ(0, MakeTempFolder(&scratch));
    std::string probe;
    Decoded decoded;
    ReadWithFfmpeg(unix_movie, scratch, &probe, &decoded);
    char probed[sizeof(PROBED) + 20];
    snprintf(probed, sizeof(probed), PROBED, completed, completed);
    EXPECT_EQ(probed, probe);
    EXPECT_EQ(0, decoded.status);
    EXPECT_EQ("", decoded.errors);
    EXPECT_EQ(completed * DISPLAY_IMAGE_BYTES, decoded.frames.size());
    EXPECT_EQ(-1, FirstWrongFrame(decoded.frames, completed));
#ifdef _WIN32
    EXPECT_EQ((int)completed, OldReaderFrames(path, completed, TestBits));
#endif
    EXPECT_EQ(0, RemoveFolder(scratch));
}
