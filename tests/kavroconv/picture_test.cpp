// The pictures themselves: the BMP byte for byte, the PNG as a decoder sees
// it, the JPEG's EXIF as exiftool reads it.
#define STBI_ONLY_PNG
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#ifndef _WIN32
#include <sys/time.h>
#endif

#include "converter_fixture.h"
#include "frame.h"

namespace {

// What the window would paint from this frame: bottom-up blue-green-red.
Bytes Painted(const Bytes &frame)
{
    Bytes bits(DISPLAY_IMAGE_BYTES);
    ConvertFrame(frame.data(), bits.data(), FRAME_WIDTH, FRAME_HEIGHT);
    return bits;
}

// Decodes a PNG into top-down red-green-blue; also checks it is plain RGB.
Bytes DecodePng(const Bytes &png)
{
    int width = 0, height = 0, channels = 0;
    uint8_t *pixels =
        stbi_load_from_memory(png.data(), (int)png.size(), &width, &height, &channels, 0);
    EXPECT_TRUE(pixels != NULL) << stbi_failure_reason();
    if (pixels == NULL)
        return Bytes();
    EXPECT_EQ(96, width);
    EXPECT_EQ(72, height);
    EXPECT_EQ(3, channels);
    Bytes picture(pixels, pixels + width * height * channels);
    stbi_image_free(pixels);
    return picture;
}

}  // namespace

TEST_F(ConverterTest, BmpIsHeadersThenThePaintedBits)
{
    WriteBytes(Path("mixed.bin"), MixedFrame());
    ASSERT_EQ(0, Run({Path("mixed.bin")}));
    Bytes bmp = ReadBytes(Path("mixed.bmp"));
    ASSERT_EQ(20790u, bmp.size());
    const uint8_t headers[54] = {
        'B', 'M', 0x36, 0x51, 0,  0, 0, 0, 0,  0, 54, 0, 0, 0,         // size 20790, bits at 54
        40,  0,   0,    0,    96, 0, 0, 0, 72, 0, 0,  0, 1, 0, 24, 0,  // 96 x 72 bottom-up, 24 bits
        0,   0,   0,    0,    0,  0, 0, 0, 0,  0, 0,  0, 0, 0, 0,  0,  // BI_RGB, the rest 0
        0,   0,   0,    0,    0,  0, 0, 0};
    EXPECT_EQ(Bytes(headers, headers + 54), Bytes(bmp.begin(), bmp.begin() + 54));
    EXPECT_TRUE(Painted(MixedFrame()) == Bytes(bmp.begin() + 54, bmp.end()));
}

TEST_F(ConverterTest, BmpKeepsTheTopLineLastAndBlueFirst)
{
    WriteBytes(Path("top.bin"), TopLineFrame());
    ASSERT_EQ(0, Run({Path("top.bin")}));
    Bytes bmp = ReadBytes(Path("top.bmp"));
    ASSERT_EQ(20790u, bmp.size());
    const size_t top = 54 + 71 * 288;
    for (size_t p = 54; p < top; p += 3)
        ASSERT_EQ(Bytes({0, 139, 0}), Bytes(bmp.begin() + p, bmp.begin() + p + 3)) << p;
    for (size_t p = top; p < top + 95 * 3; p += 3)
        ASSERT_EQ(Bytes({227, 136, 0}), Bytes(bmp.begin() + p, bmp.begin() + p + 3)) << p;
}

TEST_F(ConverterTest, PngIsThePaintedPictureTopRowFirst)
{
    WriteBytes(Path("mixed.bin"), MixedFrame());
    ASSERT_EQ(0, Run({"--format", "png", Path("mixed.bin")}));
    Bytes png = ReadBytes(Path("mixed.png"));
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(Bytes(signature, signature + 8), Bytes(png.begin(), png.begin() + 8));

    Bytes bits = Painted(MixedFrame()), expected;
    for (int row = FRAME_HEIGHT - 1; row >= 0; --row) {
        for (int x = 0; x < FRAME_WIDTH; ++x) {
            const uint8_t *bgr = &bits[(row * FRAME_WIDTH + x) * 3];
            expected.insert(expected.end(), {bgr[2], bgr[1], bgr[0]});
        }
    }
    EXPECT_TRUE(expected == DecodePng(png));
}

TEST_F(ConverterTest, PngHasTheTopLineFirstAndRedFirst)
{
    WriteBytes(Path("top.bin"), TopLineFrame());
    ASSERT_EQ(0, Run({"--format=png", Path("top.bin")}));
    Bytes picture = DecodePng(ReadBytes(Path("top.png")));
    ASSERT_EQ((size_t)DISPLAY_IMAGE_BYTES, picture.size());
    for (size_t p = 0; p < 95 * 3; p += 3)
        ASSERT_EQ(Bytes({0, 136, 227}), Bytes(picture.begin() + p, picture.begin() + p + 3)) << p;
    for (size_t p = 288; p < picture.size(); p += 3)
        ASSERT_EQ(Bytes({0, 139, 0}), Bytes(picture.begin() + p, picture.begin() + p + 3)) << p;
}

#ifndef _WIN32
// A JPEG tells as its time taken when the frame file was last written, in
// the zone of the machine that converts it; no camera is known.
TEST_F(ConverterTest, JpegTellsTheFrameFilesTime)
{
    if (system("exiftool -ver >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "exiftool is missing: run scripts/setup.sh";
    WriteBytes(Path("a.bin"), MixedFrame());
    struct timeval written[2] = {{1796801405, 250000}, {1796801405, 250000}};
    ASSERT_EQ(0, utimes(Path("a.bin").c_str(), written));
    const char *zone = getenv("TZ");
    std::string kept = zone != NULL ? zone : "";
    setenv("TZ", "JST-9", 1);
    tzset();
    int status = Run({"--quality", "80", "-f", "jpeg", Path("a.bin")});
    zone != NULL ? setenv("TZ", kept.c_str(), 1) : unsetenv("TZ");
    tzset();
    ASSERT_EQ(0, status);
    EXPECT_EQ(Path("a.bin") + " -> " + Path("a.jpg") + "\n", out_text);
    std::string read;
    FILE *pipe = popen(("exiftool -S -DateTimeOriginal -SubSecTimeOriginal -OffsetTimeOriginal "
                        "-ImageDescription '"
                        + Path("a.jpg") + "'")
                           .c_str(),
                       "r");
    char line[256];
    while (pipe != NULL && fgets(line, sizeof line, pipe) != NULL)
        read += line;
    if (pipe != NULL)
        pclose(pipe);
    EXPECT_EQ("DateTimeOriginal: 2026:12:09 16:30:05\nSubSecTimeOriginal: 250\n"
              "OffsetTimeOriginal: +09:00\n",
              read);
}
#endif
