// The offered formats: the table as programs see it, and each layout and
// size against a plain reference written from the camera's frame pixel by
// pixel (and the project's colour conversion for RGB), on a frame where
// every byte of a pair and every row differs.
#include <gtest/gtest.h>

#include <vector>

#include "frame.h"
#include "video_formats.h"

namespace {

typedef std::vector<uint8_t> Bytes;

Bytes VariedFrame()
{
    Bytes raw(RAW_FRAME_BYTES);
    for (size_t i = 0; i < raw.size(); i++)
        raw[i] = (uint8_t)(i * 131 + (i >> 7) * 17 + (i >> 3) + 5);
    return raw;
}

// The camera's samples of pixel (x, y), top row first.
uint8_t Luma(const Bytes &raw, int x, int y)
{
    return raw[(y * FRAME_WIDTH + x) * 2 + 1];
}
uint8_t Chroma(const Bytes &raw, int x, int y, int v)
{
    return raw[(y * FRAME_WIDTH + x / 2 * 2) * 2 + (v ? 2 : 0)];
}

Bytes Reference(const Bytes &raw, const VideoFormat &f)
{
    Bytes out;
    int s = f.scale, w = f.width, h = f.height;
    if (f.subtype == VIDEO_RGB24 || f.subtype == VIDEO_RGB32) {
        Bytes bgr(DISPLAY_IMAGE_BYTES);
        ConvertFrame(raw.data(), bgr.data(), FRAME_WIDTH, FRAME_HEIGHT);
        for (int row = 0; row < h; row++) {  // bottom-up, as the 1x bits are
            for (int x = 0; x < w; x++) {
                const uint8_t *p = &bgr[((row / s) * FRAME_WIDTH + x / s) * 3];
                out.insert(out.end(), p, p + 3);
                if (f.subtype == VIDEO_RGB32)
                    out.push_back(0xFF);
            }
        }
    } else if (f.subtype == VIDEO_UYVY || f.subtype == VIDEO_YUY2) {
        for (int y = 0; y < h; y++) {
            for (int x = 0; x < w; x += 2) {
                int a = x / s, b = (x + 1) / s, cy = y / s;
                uint8_t u = Chroma(raw, a, cy, 0), v = Chroma(raw, a, cy, 1);
                if (f.subtype == VIDEO_UYVY)
                    out.insert(out.end(), {u, Luma(raw, a, cy), v, Luma(raw, b, cy)});
                else
                    out.insert(out.end(), {Luma(raw, a, cy), u, Luma(raw, b, cy), v});
            }
        }
    } else {
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                out.push_back(Luma(raw, x / s, y / s));
        for (int v = 0; v < 2; v++) {
            for (int j = 0; j < h / 2; j++) {
                for (int i = 0; i < w / 2; i++) {
                    if (s == 1)
                        out.push_back((uint8_t)((Chroma(raw, 2 * i, 2 * j, v)
                                                 + Chroma(raw, 2 * i, 2 * j + 1, v) + 1)
                                                >> 1));
                    else
                        out.push_back(Chroma(raw, 2 * i / s, 2 * j / s, v));
                }
            }
        }
    }
    return out;
}

TEST(VideoFormats, TheTableInTheOrderOffered)
{
    struct Row {
        VideoSubtype subtype;
        int bits;
        const char *fourcc;
    } rows[] = {{VIDEO_RGB24, 24, ""},
                {VIDEO_UYVY, 16, "UYVY"},
                {VIDEO_YUY2, 16, "YUY2"},
                {VIDEO_I420, 12, "I420"},
                {VIDEO_RGB32, 32, ""}};
    const int sizes[4][2] = {{96, 72}, {192, 144}, {384, 288}, {768, 576}};
    for (int i = 0; i < VIDEO_FORMATS; i++) {
        const VideoFormat &f = VideoFormatAt(i);
        const Row &r = rows[i / 4];
        SCOPED_TRACE(i);
        EXPECT_EQ(r.subtype, f.subtype);
        EXPECT_EQ(1 << (i % 4), f.scale);
        EXPECT_EQ(sizes[i % 4][0], f.width);
        EXPECT_EQ(sizes[i % 4][1], f.height);
        EXPECT_EQ(r.bits, f.bit_count);
        uint32_t fourcc = 0;
        for (int k = 0; r.fourcc[k]; k++)
            fourcc |= (uint32_t)(uint8_t)r.fourcc[k] << (8 * k);
        EXPECT_EQ(fourcc, f.fourcc);
        EXPECT_EQ((uint32_t)(f.width * f.height * r.bits / 8), f.image_bytes);
        EXPECT_EQ(i, FindVideoFormat(f.subtype, f.width, f.height));
    }
    EXPECT_EQ(-1, FindVideoFormat(VIDEO_RGB24, 640, 480));
    EXPECT_EQ(-1, FindVideoFormat(VIDEO_I420, 96, -72));
    EXPECT_EQ(-1, FindVideoFormat(VIDEO_UYVY, 192, 72));
}

TEST(VideoFormats, EveryLayoutAndSizeAgainstItsReference)
{
    const Bytes raw = VariedFrame();
    for (int i = 0; i < VIDEO_FORMATS; i++) {
        const VideoFormat &f = VideoFormatAt(i);
        SCOPED_TRACE(i);
        // A guard byte after the picture must stay as it was.
        Bytes out(f.image_bytes + 1, 0xA5);
        RenderVideoFrame(raw.data(), f, out.data());
        EXPECT_EQ(0xA5, out.back());
        out.pop_back();
        EXPECT_TRUE(out == Reference(raw, f));
    }
}

TEST(VideoFormats, I420AtTheCamerasSizeRoundsTheRowPairsHalfUp)
{
    Bytes raw(RAW_FRAME_BYTES, 0);
    // Pair 0's U and V in rows 0 and 1; pair 1's U in rows 2 and 3.
    const uint8_t cases[][3] = {{1, 2, 2}, {0, 1, 1}, {255, 254, 255}, {10, 10, 10}};
    raw[0] = cases[0][0];
    raw[FRAME_WIDTH * 2] = cases[0][1];
    raw[2] = cases[1][0];
    raw[FRAME_WIDTH * 2 + 2] = cases[1][1];
    raw[FRAME_WIDTH * 4 + 4] = cases[2][0];
    raw[FRAME_WIDTH * 6 + 4] = cases[2][1];
    raw[FRAME_WIDTH * 4 + 6] = cases[3][0];
    raw[FRAME_WIDTH * 6 + 6] = cases[3][1];
    const VideoFormat &f = VideoFormatAt(FindVideoFormat(VIDEO_I420, 96, 72));
    Bytes out(f.image_bytes);
    RenderVideoFrame(raw.data(), f, out.data());
    const uint8_t *u = &out[96 * 72], *v = u + 48 * 36;
    EXPECT_EQ(cases[0][2], u[0]);
    EXPECT_EQ(cases[1][2], v[0]);
    EXPECT_EQ(cases[2][2], u[48 + 1]);
    EXPECT_EQ(cases[3][2], v[48 + 1]);
}

}  // namespace
