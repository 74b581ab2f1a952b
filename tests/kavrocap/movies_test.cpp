// Movies recorded by the shipped tool from the simulated camera, read back
// by Windows' own AVI reader: a whole recording, and one whose process was
// ended without warning in the middle, once repaired. Rates, names and
// failures are rows of kavrocap_run_test.
#include <windows.h>
#include <vfw.h>

#include "files.h"
#include "frame.h"
#include "kavrocap_fixture.h"
#include "run_program.h"
#include "unix_command.h"

namespace {

struct ReadMovie {
    DWORD rate, scale;
    std::vector<Bytes> frames;  // bottom-up BGR bits, as the window paints them
};

// Every frame avifil32 gives; false when it cannot open the movie.
bool ReadWithAvifil(const std::string &path, ReadMovie *movie)
{
    AVIFileInit();
    PAVIFILE file = NULL;
    PAVISTREAM stream = NULL;
    bool opened = AVIFileOpenW(&file, ToUtf16(path).c_str(), OF_READ, NULL) == 0
                  && AVIFileGetStream(file, &stream, streamtypeVIDEO, 0) == 0;
    if (opened) {
        AVISTREAMINFOW info = {};
        AVIStreamInfoW(stream, &info, sizeof(info));
        movie->rate = info.dwRate;
        movie->scale = info.dwScale;
        for (LONG f = 0; f < AVIStreamLength(stream); ++f) {
            Bytes bits(DISPLAY_IMAGE_BYTES, 0);
            LONG bytes = 0, samples = 0;
            if (AVIStreamRead(stream, f, 1, bits.data(), (LONG)bits.size(), &bytes, &samples) != 0
                || bytes != DISPLAY_IMAGE_BYTES)
                break;
            movie->frames.push_back(bits);
        }
    }
    if (stream != NULL)
        AVIStreamRelease(stream);
    if (file != NULL)
        AVIFileRelease(file);
    AVIFileExit();
    return opened;
}

// The first frame that is not the camera's frame of that number, or -1.
int FirstWrongFrame(const ReadMovie &movie)
{
    for (size_t n = 0; n < movie.frames.size(); ++n)
        if (movie.frames[n] != PaintedBits((uint32_t)n))
            return (int)n;
    return -1;
}

// What ffmpeg decodes of a movie: every frame, bottom row first again.
int DecodeWithFfmpeg(const std::string &folder, const char *movie, ReadMovie *decoded,
                     std::string *errors)
{
    std::string raw = PathIn(folder, "decoded.raw");
    int status =
        RunUnixCommand("ffmpeg -nostdin -v error -i " + ShellQuoted(UnixPath(PathIn(folder, movie)))
                           + " -f rawvideo -pix_fmt bgr24 -y " + ShellQuoted(UnixPath(raw)),
                       folder, 60000, errors);
    Bytes bytes;
    ReadWholeFile(raw, &bytes);
    const size_t row = FRAME_WIDTH * 3;
    for (size_t at = 0; at + DISPLAY_IMAGE_BYTES <= bytes.size(); at += DISPLAY_IMAGE_BYTES) {
        Bytes bits;
        for (size_t y = FRAME_HEIGHT; y-- > 0;)
            bits.insert(bits.end(), bytes.begin() + at + y * row,
                        bytes.begin() + at + (y + 1) * row);
        decoded->frames.push_back(bits);
    }
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
    ReadMovie movie = {};
    ASSERT_TRUE(ReadWithAvifil(PathIn(folder, "m.avi"), &movie));
    EXPECT_EQ(25u, movie.rate);
    EXPECT_EQ(2u, movie.scale);
    EXPECT_EQ(12u, movie.frames.size());
    EXPECT_EQ(-1, FirstWrongFrame(movie));
    EXPECT_EQ(12u, Counters().frames_sent);
    std::string probe;
    EXPECT_EQ(0, RunUnixCommand("ffprobe -v error -count_frames -show_entries "
                                "stream=width,height,r_frame_rate,nb_read_frames -of "
                                "default=noprint_wrappers=1 "
                                    + ShellQuoted(UnixPath(PathIn(folder, "m.avi"))),
                                folder, 60000, &probe));
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
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    uint32_t sent = Counters().frames_sent;

    // As it was left: ffmpeg reads it without a word.
    ReadMovie decoded = {};
    std::string errors;
    EXPECT_EQ(0, DecodeWithFfmpeg(folder, "k.avi", &decoded, &errors));
    EXPECT_EQ("", errors);
    EXPECT_GE(decoded.frames.size() + 21, sent);
    EXPECT_EQ(-1, FirstWrongFrame(decoded));

    std::string path = PathIn(folder, "k.avi");
    ProgramRun repair;
    ASSERT_EQ(0,
              RunProgram(
                  ToUtf16("\"" + Beside(g_kavrocap, "kavroconv.exe") + "\" --repair k.avi").c_str(),
                  ToUtf16(folder).c_str(), NULL, 60000, &repair));
    EXPECT_EQ(0u, repair.exit_code) << repair.err;
    ReadMovie movie = {};
    ASSERT_TRUE(ReadWithAvifil(path, &movie));
    EXPECT_EQ(25u, movie.rate);  // a time-lapse's
    // 20 frames a second: the last completion point holds all but the last
    // second's, and nothing the camera did not send.
    EXPECT_GE(movie.frames.size() + 21, sent);
    EXPECT_LE(movie.frames.size(), sent);
    EXPECT_EQ(-1, FirstWrongFrame(movie));
    ReadMovie repaired = {};
    EXPECT_EQ(0, DecodeWithFfmpeg(folder, "k.avi", &repaired, &errors));
    EXPECT_EQ("", errors);
    EXPECT_EQ(movie.frames.size(), repaired.frames.size());
    EXPECT_EQ(-1, FirstWrongFrame(repaired));
}

}  // namespace
