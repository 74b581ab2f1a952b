// The filter as ffmpeg's DirectShow input finds and drives it, on the
// simulated camera: cameras and formats listed without the camera hearing
// of it, the camera's own pictures recorded in order, an unplugged camera
// ending the input with every frame before it whole.
#include <windows.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "camera_fixture.h"
#include "files.h"
#include "hang_limit.h"
#include "outside_ffmpeg.h"
#include "program_argument.h"
#include "registry_entries.h"
#include "utf8_names.h"
#include "video_formats.h"
#include "wait.h"

namespace {

std::string g_dll, g_ffmpeg;

const char CAMERA_0[] = "video=pukavro camera 0";

// The entries ffmpeg opens, as kavrocam install writes them for programs
// of the test's own bitness (under Wine its folder check always refuses).
#ifdef _WIN64
const Bitness OWN = PROGRAMS_64;
#else
const Bitness OWN = PROGRAMS_32;
#endif

// ffmpeg's names of the layouts, in VideoSubtype's order.
const char *const PIXEL_FORMATS[VIDEO_SUBTYPES] = {"bgr24", "uyvy422", "yuyv422", "yuv420p",
                                                   "bgr0"};

class FfmpegTest : public SimulatedCamera {
protected:
    void SetUp() override
    {
        SimulatedCamera::SetUp();
        DWORD error;
        ASSERT_EQ(ENTRIES_DONE,
                  WriteEntries(FOR_ALL_USERS, OWN, WidenUtf8(g_dll.c_str()), 4, &error));
        ASSERT_EQ(0, MakeTempFolder(&folder));
    }
    void TearDown() override
    {
        EXPECT_EQ(0, PlugCamera(0));
        bool removed;
        DWORD error;
        EXPECT_EQ(ENTRIES_DONE, RemoveEntries(FOR_ALL_USERS, OWN, &removed, &error));
        EXPECT_TRUE(folder.empty() || RemoveFolder(folder) == 0);
        SimulatedCamera::TearDown();
    }

    ProgramRun Ffmpeg(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {"-hide_banner", "-nostats", "-nostdin", "-y"});
        ProgramRun run;
        EXPECT_EQ(0, RunFfmpeg(g_ffmpeg, arguments, folder, HANG_MS, &run));
        EXPECT_EQ(0, run.timed_out) << run.err;
        return run;
    }

    void ExpectCameraUntouched()
    {
        EzusbsimCounters counters;
        ASSERT_EQ(0, ReadSettledCounters(&counters));
        EXPECT_EQ(0u, counters.opens);
        EXPECT_EQ(0u, counters.vendor_requests);
        EXPECT_EQ(0u, counters.frames_sent);
    }

    // ffmpeg's frames in format, one after another in out.raw: each is one
    // of the camera's pictures, later ones of later camera frames.
    size_t ExpectCameraPictures(const VideoFormat &format)
    {
        Bytes file;
        EXPECT_EQ(0, ReadWholeFile(PathIn(folder, "out.raw"), &file));
        EXPECT_EQ(0u, file.size() % format.image_bytes) << file.size();
        EzusbsimCounters counters;
        EXPECT_EQ(0, ReadSettledCounters(&counters))
            << counters.opens << " opens, " << counters.closes << " closes, " << counters.pending
            << " pending";
        size_t frames = file.size() / format.image_bytes;
        Bytes picture(format.image_bytes);
        uint32_t next = 0;
        for (size_t i = 0; i < frames; i++) {
            Bytes frame(file.begin() + i * format.image_bytes,
                        file.begin() + (i + 1) * format.image_bytes);
            bool found = false;
            for (uint32_t n = next; n < counters.frames_sent && !found; n++) {
                if (format.subtype == VIDEO_UYVY && format.scale == 1) {
                    picture = CameraFrame(n);  // the camera's own bytes
                } else {
                    RenderVideoFrame(CameraFrame(n).data(), format, picture.data());
                }
                found = picture == frame;
                next = n + 1;
            }
            EXPECT_TRUE(found) << "frame " << i << " is none of the camera's from " << next;
            if (!found)
                break;
        }
        return frames;
    }

    // 50 frames of subtype at width x height through -c:v copy.
    void Capture50(VideoSubtype subtype, int width, int height)
    {
        int index = FindVideoFormat(subtype, width, height);
        ASSERT_GE(index, 0);
        std::string size = std::to_string(width) + "x" + std::to_string(height);
        SCOPED_TRACE(std::string(PIXEL_FORMATS[subtype]) + " at " + size);
        ProgramRun run = Ffmpeg({"-f", "dshow", "-video_size", size, "-pixel_format",
                                 PIXEL_FORMATS[subtype], "-i", CAMERA_0, "-frames:v", "50", "-c:v",
                                 "copy", "-f", "rawvideo", "out.raw"});
        ASSERT_EQ(0u, run.exit_code) << run.err;
        EXPECT_EQ(50u, ExpectCameraPictures(VideoFormatAt(index)));
    }

    std::string folder;
};

TEST_F(FfmpegTest, ListsTheFourCamerasWithoutTouchingThem)
{
    ProgramRun run = Ffmpeg({"-f", "dshow", "-list_devices", "true", "-i", "dummy"});
    std::vector<std::string> listed;
    for (const std::string &line : LogLines(run.err, "dshow")) {
        if (line.find("pukavro") != std::string::npos)
            listed.push_back(line);
    }
    std::vector<std::string> expected;
    for (int n = 0; n < 4; n++) {
        std::string name = "pukavro camera " + std::to_string(n);
        expected.push_back("\"" + name + "\" (video)");
        expected.push_back("  Alternative name "
                           "\"@device_sw_{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\"
                           + name + "\"");
    }
    EXPECT_EQ(expected, listed) << run.err;
    ExpectCameraUntouched();
}

TEST_F(FfmpegTest, ListsEveryFormatAndSizeWithoutTouchingTheCamera)
{
    ProgramRun run = Ffmpeg({"-f", "dshow", "-list_options", "true", "-i", CAMERA_0});
    std::vector<std::string> lines = LogLines(run.err, "dshow");
    std::vector<std::string> expected = {"DirectShow video device options (from video devices)",
                                         " Pin \"Capture\" (alternative pin name \"Capture\")"};
    for (int i = 0; i < VIDEO_FORMATS; i++) {
        const VideoFormat &f = VideoFormatAt(i);
        char line[128];
        snprintf(line, sizeof line, "  pixel_format=%s  min s=%dx%d fps=1 max s=%dx%d fps=100",
                 PIXEL_FORMATS[f.subtype], f.width, f.height, f.width, f.height);
        expected.push_back(line);
    }
    auto first = std::find(lines.begin(), lines.end(), expected[0]);
    std::vector<std::string> table(
        first, first + std::min<ptrdiff_t>(lines.end() - first, (ptrdiff_t)expected.size()));
    EXPECT_EQ(expected, table) << run.err;
    ExpectCameraUntouched();
}

TEST_F(FfmpegTest, FiftyFramesOfUyvyAreTheCamerasOwn)
{
    Capture50(VIDEO_UYVY, 96, 72);
}

TEST_F(FfmpegTest, FiftyFramesOfRgb24AreTheCamerasPicturesBottomUp)
{
    Capture50(VIDEO_RGB24, 96, 72);
    Capture50(VIDEO_RGB24, 192, 144);
}

// Unplugged while ffmpeg records: its input ends, it exits, and the frames
// it wrote are whole camera pictures.
TEST_F(FfmpegTest, UnpluggedTheInputEndsWithEveryFrameWhole)
{
    ProgramRun run;
    std::thread recording([&] {
        run = Ffmpeg({"-f", "dshow", "-video_size", "96x72", "-pixel_format", "uyvy422", "-i",
                      CAMERA_0, "-c:v", "copy", "-f", "rawvideo", "out.raw"});
    });
    // ffmpeg writes in blocks: a few of them hold ten frames.
    const VideoFormat &uyvy = VideoFormatAt(FindVideoFormat(VIDEO_UYVY, 96, 72));
    std::wstring out = ToUtf16(PathIn(folder, "out.raw"));
    EXPECT_TRUE(WaitUntil([&] {
        WIN32_FILE_ATTRIBUTE_DATA data;
        return GetFileAttributesExW(out.c_str(), GetFileExInfoStandard, &data)
               && data.nFileSizeLow >= 10 * uyvy.image_bytes;
    }));
    EXPECT_EQ(0, UnplugCamera(0));
    recording.join();
    ASSERT_EQ(0, run.timed_out) << "ffmpeg went on after the camera went";
    EXPECT_EQ(0u, run.exit_code) << run.err;
    // How ffmpeg tells an input that ended on the device's loss.
    EXPECT_NE(std::string::npos, run.err.find("video=pukavro camera 0: I/O error")) << run.err;
    EXPECT_GE(ExpectCameraPictures(uyvy), 10u);
}

}  // namespace

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    std::string paths[2];
    if (PathArguments("KAVROCAM.DLL FFMPEG-PATH-FILE", 2, paths) != 0 || !PathExists(paths[0]))
        return 2;
    g_dll = paths[0];
    std::string why;
    if (FindFfmpeg(paths[1], &g_ffmpeg, &why) != FFMPEG_FOUND)
        return NotRunWithoutFfmpeg(why);
    return RUN_ALL_TESTS();
}
