#include "kavrocap_fixture.h"

#include <windows.h>
#include <string.h>

#include "files.h"
#include "frame.h"
#include "hang_limit.h"
#include "run_program.h"
#define STB_IMAGE_IMPLEMENTATION
#include "stb_image.h"

std::string g_kavrocap;

const char USAGE_LINE[] = "usage: kavrocap [OPTIONS] [OUTPUT]   (kavrocap --help tells more)\n";

namespace {

// Quotes what the command line would split or lose.
std::string Quoted(const std::string &arg)
{
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos)
        return arg;
    return "\"" + arg + "\"";
}

}  // namespace

std::string UnixLines(const std::string &text)
{
    std::string lines;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            lines += text[i];
    return lines;
}

Bytes PaintedBits(uint32_t n)
{
    Bytes bits(DISPLAY_IMAGE_BYTES);
    ConvertFrame(CameraFrame(n).data(), bits.data(), FRAME_WIDTH, FRAME_HEIGHT);
    return bits;
}

Bytes PictureBits(const Bytes &file)
{
    // A BMP is read field by field; a PNG through an independent decoder.
    if (file.size() >= 2 && file[0] == 'B' && file[1] == 'M') {
        const size_t headers = 14 + 40;
        if (file.size() != headers + DISPLAY_IMAGE_BYTES || file[10] != headers || file[18] != 96
            || file[22] != 72 || file[28] != 24)
            return Bytes();
        return Bytes(file.begin() + headers, file.end());
    }
    int width = 0, height = 0, channels = 0;
    stbi_uc *pixels = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &width,
                                            &height, &channels, 3);
    if (pixels == NULL)
        return Bytes();
    Bytes bits;
    if (width == FRAME_WIDTH && height == FRAME_HEIGHT && channels == 3) {
        bits.resize(DISPLAY_IMAGE_BYTES);
        for (int y = 0; y < FRAME_HEIGHT; ++y) {
            for (int x = 0; x < FRAME_WIDTH; ++x) {
                const stbi_uc *rgb = pixels + (y * FRAME_WIDTH + x) * 3;
                uint8_t *bgr = &bits[((FRAME_HEIGHT - 1 - y) * FRAME_WIDTH + x) * 3];
                bgr[0] = rgb[2];
                bgr[1] = rgb[1];
                bgr[2] = rgb[0];
            }
        }
    }
    stbi_image_free(pixels);
    return bits;
}

void KavrocapTest::SetUp()
{
    SimulatedCamera::SetUp();
    ASSERT_EQ(0, MakeTempFolder(&folder));
}

void KavrocapTest::TearDown()
{
    EXPECT_EQ(0, RemoveFolder(folder));
    SimulatedCamera::TearDown();
}

std::string KavrocapTest::CommandLine(const Strings &args) const
{
    std::string line = Quoted(g_kavrocap);
    for (const std::string &arg : args)
        line += " " + Quoted(arg);
    return line;
}

int KavrocapTest::Run(const Strings &args)
{
    std::string line = CommandLine(args);
    ProgramRun run;
    if (RunProgram(ToUtf16(line).c_str(), ToUtf16(folder).c_str(), NULL, HANG_MS, &run) != 0) {
        ADD_FAILURE() << "cannot start " << line;
        return -1;
    }
    EXPECT_EQ(0, run.timed_out) << line;
    raw_out = run.out;
    out = UnixLines(run.out);
    err = UnixLines(run.err);
    return static_cast<int>(run.exit_code);
}

Strings KavrocapTest::Names() const
{
    return ListFolder(folder);
}

Bytes KavrocapTest::File(const std::string &name) const
{
    Bytes bytes;
    ReadWholeFile(PathIn(folder, name.c_str()), &bytes);
    return bytes;
}

void KavrocapTest::Put(const std::string &name, const Bytes &bytes) const
{
    ASSERT_EQ(0, WriteFileBytes(PathIn(folder, name.c_str()), bytes.data(), bytes.size()));
}

EzusbsimCounters KavrocapTest::Counters() const
{
    EzusbsimCounters counters;
    memset(&counters, 0xEE, sizeof counters);
    EXPECT_EQ(0, ReadSettledCounters(&counters));
    return counters;
}

EzusbsimCounters Settled(int camera)
{
    EzusbsimCounters counters;
    memset(&counters, 0xEE, sizeof counters);
    EXPECT_EQ(0, ReadSettledCounters(&counters, camera)) << "camera " << camera;
    return counters;
}
