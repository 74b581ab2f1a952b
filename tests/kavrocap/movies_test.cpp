// Movies recorded by the shipped tool from the simulated camera, read back
// by Windows' own AVI reader: a whole recording, and one whose process was
// ended without warning in the middle, once repaired. Rates, names and
// failures are rows of kavrocap_run_test.
#include <windows.h>

#include "files.h"
#include "frame.h"
#include "hang_limit.h"
#include "kavrocap_fixture.h"
#include "movie_test_files.h"
#include "run_program.h"
#include "unix_command.h"

namespace {

// The simulated camera's first frames as the window paints them.
std::vector<Bytes> PaintedFrames(size_t count)
{
    std::vector<Bytes> painted;
    for (uint32_t n = 0; n < count; ++n)
        painted.push_back(PaintedBits(n));
    return painted;
}

// What ffmpeg decodes of a movie: every frame, top row first.
int DecodeWithFfmpeg(const std::string &folder, const char *movie, Bytes *decoded,
                     std::string *errors)
{
    std::string raw = PathIn(folder, "decoded.raw");
    int status =
        RunUnixCommand("ffmpeg -nostdin -v error -i " + ShellQuoted(UnixPath(PathIn(folder, movie)))
                           + " -f rawvideo -pix_fmt bgr24 -y " + ShellQuoted(UnixPath(raw)),
                       folder, HANG_MS, errors);
    ReadWholeFile(raw, decoded);
    DeleteFileW(ToUtf16(raw).c_str());
    return status;
}

std::string Beside(const std::string &program, const char *name)
{
    return program.substr(0, program.find_last_of("\\/") + 1) + name;
}

TEST_F(KavrocapTest, WindowsReadsARecordingFrameForFrame)
{
    ASSERT_EQ(0, Run({"-q", "-n", "12", "--fps", "12.5", "m.avi"})) << err;
    EXPECT_EQ("m.avi\n", out);
    EXPECT_EQ("kavrocap: 12 recorded, 0 failed, 0 slots skipped\n", err);
    OldReaderStream stream = {};
    EXPECT_EQ(12, OldReaderFrames(PathIn(folder, "m.avi"), UINT32_MAX, PaintedBits, &stream));
    EXPECT_EQ(25u, stream.rate);
    EXPECT_EQ(2u, stream.scale);
    EXPECT_EQ(12, stream.length);
    EXPECT_EQ(12u, Counters().frames_sent);
    std::string probe;
    EXPECT_EQ(0, RunUnixCommand("ffprobe -v error -count_frames -show_entries "
                                "stream=width,height,r_frame_rate,nb_read_frames -of "
                                "default=noprint_wrappers=1 "
                                    + ShellQuoted(UnixPath(PathIn(folder, "m.avi"))),
                                folder, HANG_MS, &probe));
    EXPECT_EQ("width=96\nheight=72\nr_frame_rate=25/2\nnb_read_frames=12\n", probe);
}

// Ended without warning: the movie keeps at least every frame up to its
// last completion point (at most a second before the end), and the repair
// makes it whole for every reader.
TEST_F(KavrocapTest, AKilledRecordingKeepsItsCompletedFrames)
{
    std::wstring line = ToUtf16(CommandLine({"-q", "-n", "0", "-i", "0.05", "k.avi"}));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(NULL, &line[0], NULL, NULL, FALSE, CREATE_NO_WINDOW, NULL,
                               ToUtf16(folder).c_str(), &startup, &process));
    EXPECT_EQ(0, WaitForFramesSent(60));
    TerminateProcess(process.hProcess, 9);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, HANG_MS));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    uint32_t sent = Counters().frames_sent;

    // As it was left: ffmpeg reads it without a word.
    Bytes decoded;
    std::string errors;
    EXPECT_EQ(0, DecodeWithFfmpeg(folder, "k.avi", &decoded, &errors));
    EXPECT_EQ("", errors);
    const size_t decoded_frames = decoded.size() / DISPLAY_IMAGE_BYTES;
    EXPECT_GE(decoded_frames + 21, sent);
    EXPECT_EQ(-1, FirstWrongDecodedFrame(decoded, PaintedFrames(decoded_frames)));

    std::string path = PathIn(folder, "k.avi");
    ProgramRun repair;
    ASSERT_EQ(0,
              RunProgram(
                  ToUtf16("\"" + Beside(g_kavrocap, "kavroconv.exe") + "\" --repair k.avi").c_str(),
                  ToUtf16(folder).c_str(), NULL, HANG_MS, &repair));
    EXPECT_EQ(0u, repair.exit_code) << repair.err;
    OldReaderStream stream = {};
    const int frames = OldReaderFrames(path, UINT32_MAX, PaintedBits, &stream);
    EXPECT_EQ(25u, stream.rate);  // a time-lapse's
    EXPECT_EQ(stream.length, frames);
    // 20 frames a second: the last completion point holds all but the last
    // second's, and nothing the camera did not send.
    EXPECT_GE(frames + 21, (int)sent);
    EXPECT_LE(frames, (int)sent);
    Bytes repaired;
    EXPECT_EQ(0, DecodeWithFfmpeg(folder, "k.avi", &repaired, &errors));
    EXPECT_EQ("", errors);
    EXPECT_EQ(-1, FirstWrongDecodedFrame(repaired, PaintedFrames(frames)));
}

}  // namespace
