// The stills our tools make: JPEG as an outside decoder reads it back,
// its EXIF as exiftool reads it, the time stamp's pixels exactly, and the
// texts of its formats.
#include <math.h>
#include <stdio.h>

#include "bytes.h"
#include "ezusbsim.h"
#include "fake_camera.h"
#include "files.h"
#include "jpeg_picture.h"
#include "movie_test_files.h"
#include "picture.h"
#include "stamp_text.h"
#include "temp_folder_fixture.h"

namespace {

class StillTest : public TempFolderTest {};

const CaptureMoment MOMENT = {2026, 12, 9, 7, 30, 5, 123, 9 * 60};

// The simulated camera's picture: bars, digits and a ramp, as a camera's
// pictures have edges and flat parts.
Bytes SimulatedFrame()
{
    Bytes raw(RAW_FRAME_BYTES);
    EzusbsimTestPicture(raw.data(), 7);
    return raw;
}

// The painted picture of raw, top row first, each pixel repeated scale
// times: what a decoder's bgr24 rows should come close to.
Bytes TopDownPainted(const Bytes &raw, int scale)
{
    Bytes bits(DISPLAY_IMAGE_BYTES);
    ConvertFrame(raw.data(), bits.data(), FRAME_WIDTH, FRAME_HEIGHT);
    Bytes rows;
    for (int y = FRAME_HEIGHT * scale - 1; y >= 0; --y)
        for (int x = 0; x < FRAME_WIDTH * scale; ++x)
            for (int c = 0; c < 3; ++c)
                rows.push_back(bits[((y / scale) * FRAME_WIDTH + x / scale) * 3 + c]);
    return rows;
}

double Psnr(const Bytes &a, const Bytes &b)
{
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += (double(a[i]) - b[i]) * (a[i] - b[i]);
    return 10 * log10(255.0 * 255.0 / (sum / a.size()));
}

TEST_F(StillTest, JpegReadsBackCloseToThePicture)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << NO_FFMPEG;
    const struct {
        int quality, scale;
        double lowest_db;
    } cases[] = {{JPEG_QUALITY_DEFAULT, 1, 40.0},
                 {91, 1, 40.0},
                 {JPEG_QUALITY_DEFAULT, 2, 40.0},
                 {90, 1, 20.0},
                 {10, 1, 15.0}};
    const Bytes raw = SimulatedFrame();
    for (const auto &c : cases) {
        SCOPED_TRACE("quality " + std::to_string(c.quality) + ", scale " + std::to_string(c.scale));
        StillSettings still = PlainStill();
        still.quality = c.quality;
        still.scale = c.scale;
        Bytes jpeg;
        ASSERT_EQ(PICTURE_ENCODED, EncodeStill(raw.data(), FORMAT_JPEG, still, &jpeg));
        WriteBytes(Path("x.jpg"), jpeg);
        Decoded decoded = DecodeMovie(Path("x.jpg"));
        ASSERT_EQ(0, decoded.status) << decoded.errors;
        Bytes expected = TopDownPainted(raw, c.scale);
        ASSERT_EQ(expected.size(), decoded.frames.size());
        EXPECT_GE(Psnr(expected, decoded.frames), c.lowest_db);
    }
}

#ifndef _WIN32
std::string Exiftool(const std::string &path)
{
    std::string text;
    FILE *pipe = popen(("exiftool -S -DateTimeOriginal -SubSecTimeOriginal -OffsetTimeOriginal "
                        "-ImageDescription -ThumbnailImage -Warning '"
                        + path + "' 2>&1")
                           .c_str(),
                       "r");
    char line[512];
    while (pipe != NULL && fgets(line, sizeof line, pipe) != NULL)
        text += line;
    if (pipe != NULL)
        pclose(pipe);
    return text;
}
#endif

TEST_F(StillTest, ExiftoolReadsTheFacts)
{
#ifdef _WIN32
    GTEST_SKIP() << "exiftool reads the pictures in the native builds";
#else
    if (system("exiftool -ver >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "exiftool is missing: run scripts/setup.sh";
    CaptureMoment west = {1999, 1, 31, 23, 59, 59, 7, -(3 * 60 + 30)};
    const struct {
        ExifFacts facts;
        const char *read;
    } cases[] = {
        {{1, MOMENT, "\\\\.\\ezusb-0"},
         "DateTimeOriginal: 2026:12:09 07:30:05\nSubSecTimeOriginal: 123\n"
         "OffsetTimeOriginal: +09:00\nImageDescription: \\\\.\\ezusb-0\n"},
        {{1, west, ""},
         "DateTimeOriginal: 1999:01:31 23:59:59\nSubSecTimeOriginal: 007\n"
         "OffsetTimeOriginal: -03:30\n"},
        {{0, MOMENT, "\\\\.\\camera"}, "ImageDescription: \\\\.\\camera\n"},
        {{0, MOMENT, ""}, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.read);
        Bytes bits(DISPLAY_IMAGE_BYTES, 0x80), jpeg;
        ASSERT_EQ(PICTURE_ENCODED, EncodeBits(bits.data(), FRAME_WIDTH, FRAME_HEIGHT, FORMAT_JPEG,
                                              JPEG_QUALITY_DEFAULT, c.facts, &jpeg));
        WriteBytes(Path("x.jpg"), jpeg);
        EXPECT_EQ(c.read, Exiftool(Path("x.jpg")));
        // stb's opening kept whole: SOI, then its JFIF segment of 16 bytes.
        EXPECT_EQ(Bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F'}),
                  Bytes(jpeg.begin(), jpeg.begin() + 10));
        EXPECT_EQ(*c.read == '\0' ? Bytes({0xFF, 0xDB}) : Bytes({0xFF, 0xE1}),
                  Bytes(jpeg.begin() + 20, jpeg.begin() + 22));
    }
#endif
}

// "07:30" as drawn: '#' white, 'o' the dark outline, '.' the picture.
const char *const STAMP_0730[] = {
    ".oooooooooooo.....oooooooooooo.", "oo###oo#####ooooo.o#####oo###oo",
    "o#ooo#ooooo#oo##o.oooo#oo#ooo#o", "o#oo##o.oo#ooo##o...o#ooo#oo##o",
    "o#o#o#ooo#oo.oooo...oo#oo#o#o#o", "o##oo#oo#oo..o##o.ooooo#o##oo#o",
    "o#ooo#oo#o...o##o.o#ooo#o#ooo#o", "oo###ooo#o...oooo.oo###ooo###oo",
    ".ooooo.ooo.........ooooo.ooooo.",
};

TEST(StampTest, DrawsTheTextAtEachCorner)
{
    const int ART_WIDTH = 31, ART_HEIGHT = 9;
    // Where the drawing's top left corner lands, rows from the top.
    const struct {
        StampCorner corner;
        int scale, left, top;
    } cases[] = {
        {STAMP_TOP_LEFT, 1, 1, 1},      {STAMP_TOP_RIGHT, 1, 64, 1},
        {STAMP_BOTTOM_LEFT, 1, 1, 62},  {STAMP_BOTTOM_RIGHT, 1, 64, 62},
        {STAMP_TOP_LEFT, 2, 1, 1},      {STAMP_TOP_RIGHT, 2, 160, 1},
        {STAMP_BOTTOM_LEFT, 2, 1, 134}, {STAMP_BOTTOM_RIGHT, 2, 160, 134},
    };
    StampFormat format;
    std::string problem;
    ASSERT_EQ(STAMP_FORMAT_READ, ParseStampFormat("%H:%M", &format, &problem));
    for (const auto &c : cases) {
        SCOPED_TRACE("corner " + std::to_string(c.corner) + ", scale " + std::to_string(c.scale));
        StillSettings still = PlainStill();
        still.scale = c.scale;
        still.corner = c.corner;
        still.stamp = StampText(format, {MOMENT, 1, "0"});
        Bytes bmp;
        ASSERT_EQ(PICTURE_ENCODED, EncodeStill(FakeFrame(0).data(), FORMAT_BMP, still, &bmp));
        Bytes plain = TopDownPainted(FakeFrame(0), c.scale);
        const int width = FRAME_WIDTH * c.scale, height = FRAME_HEIGHT * c.scale;
        ASSERT_EQ((size_t)BMP_HEADERS_BYTES + plain.size(), bmp.size());
        int wrong = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                int ax = x - c.left, ay = y - c.top;
                char art = ax >= 0 && ay >= 0 && ax < ART_WIDTH && ay < ART_HEIGHT
                               ? STAMP_0730[ay][ax]
                               : '.';
                const uint8_t *got = &bmp[BMP_HEADERS_BYTES + ((height - 1 - y) * width + x) * 3];
                const uint8_t *picture = &plain[(y * width + x) * 3];
                for (int k = 0; k < 3; ++k) {
                    int want = art == '#' ? 255 : art == 'o' ? 0 : picture[k];
                    wrong += got[k] != want;
                }
            }
        EXPECT_EQ(0, wrong);
    }
}

TEST(StampTest, FormatsMakeTheirTexts)
{
    const struct {
        const char *format, *text;
        int longest;  // with frame numbers up to 12345 and camera "0"
    } cases[] = {
        {"%Y-%m-%d %H:%M:%S", "2026-12-09 07:30:05", 19},
        {"%j day, frame {n} at {ms} ms on {camera}", "343 day, frame 12 at 123 ms on 0", 35},
        {"100%% {{x}} ~", "100% {x} ~", 10},
    };
    for (const auto &c : cases) {
        StampFormat format;
        std::string problem;
        ASSERT_EQ(STAMP_FORMAT_READ, ParseStampFormat(c.format, &format, &problem)) << problem;
        EXPECT_EQ(c.text, StampText(format, {MOMENT, 12, "0"}));
        EXPECT_EQ(c.longest, LongestStamp(format, 12345, "0")) << c.format;
    }
}

TEST(StampTest, FormatsWithoutGlyphsAreRefused)
{
    const char TAKEN[] = "%Y %m %d %H %M %S %j %%, {n}, {ms}, {camera}";
    const struct {
        const char *format;
        std::string problem;
    } cases[] = {
        {"%a %H", std::string("--stamp does not take %a (names of days and months have no "
                              "glyphs): it takes ")
                      + TAKEN},
        {"%B", std::string("--stamp does not take %B (names of days and months have no "
                           "glyphs): it takes ")
                   + TAKEN},
        {"%H:%M %", "--stamp ends in a lone %: write %% for a percent sign"},
        {"{date}", std::string("--stamp does not take {date}: it takes ") + TAKEN
                       + ", and {{ and }} for braces"},
        {"a}b",
         std::string("--stamp does not take }: it takes ") + TAKEN + ", and {{ and }} for braces"},
        {"12\xC2\xB0"
         "C",
         "--stamp: '\xC2\xB0' has no glyph: the stamp draws printable ASCII, "
         "space to ~"},
        {"a\tb", "--stamp: '\t' has no glyph: the stamp draws printable ASCII, space to ~"},
    };
    for (const auto &c : cases) {
        StampFormat format;
        std::string problem;
        EXPECT_EQ(STAMP_FORMAT_REFUSED, ParseStampFormat(c.format, &format, &problem));
        EXPECT_EQ(c.problem, problem);
    }
}

}  // namespace
