#include "video_formats.h"

#include <string.h>

#include "frame.h"

namespace {

constexpr uint32_t FourCc(char a, char b, char c, char d)
{
    return (uint32_t)(uint8_t)a | (uint32_t)(uint8_t)b << 8 | (uint32_t)(uint8_t)c << 16
           | (uint32_t)(uint8_t)d << 24;
}

struct SubtypeShape {
    int bit_count;
    uint32_t fourcc;
};
const SubtypeShape SHAPES[VIDEO_SUBTYPES] = {
    {24, 0},
    {16, FourCc('U', 'Y', 'V', 'Y')},
    {16, FourCc('Y', 'U', 'Y', '2')},
    {12, FourCc('I', '4', '2', '0')},
    {32, 0},
};

struct FormatTable {
    VideoFormat formats[VIDEO_FORMATS];
    FormatTable()
    {
        for (int s = 0; s < VIDEO_SUBTYPES; s++) {
            for (int k = 0; k < VIDEO_SCALES; k++) {
                VideoFormat &f = formats[s * VIDEO_SCALES + k];
                f.subtype = (VideoSubtype)s;
                f.scale = 1 << k;
                f.width = FRAME_WIDTH * f.scale;
                f.height = FRAME_HEIGHT * f.scale;
                f.bit_count = SHAPES[s].bit_count;
                f.fourcc = SHAPES[s].fourcc;
                // Every width here is a multiple of 4 pixels, so RGB rows need no padding.
                f.image_bytes = (uint32_t)(f.width * f.height * f.bit_count / 8);
            }
        }
    }
};
const FormatTable TABLE;

// Repeats each of count pixels of size bytes scale times, from one row into another.
void WidenRow(const uint8_t *from, int count, int size, int scale, uint8_t *to)
{
    for (int x = 0; x < count; x++, from += size) {
        for (int r = 0; r < scale; r++, to += size)
            memcpy(to, from, size);
    }
}

// Writes the picture of rows x pixels in source wide times wider and tall times taller.
void ScaleRows(const uint8_t *source, int rows, int pixel_bytes, int pixels, int wide, int tall,
               uint8_t *out)
{
    int row_bytes = pixels * pixel_bytes * wide;
    for (int y = 0; y < rows; y++) {
        uint8_t *first = out + (size_t)y * tall * row_bytes;
        WidenRow(source + (size_t)y * pixels * pixel_bytes, pixels, pixel_bytes, wide, first);
        for (int r = 1; r < tall; r++)
            memcpy(first + (size_t)r * row_bytes, first, row_bytes);
    }
}

void RenderRgb(const uint8_t *raw, const VideoFormat &format, uint8_t *out)
{
    uint8_t bgr[DISPLAY_IMAGE_BYTES];
    ConvertFrame(raw, bgr, FRAME_WIDTH, FRAME_HEIGHT);
    if (format.subtype == VIDEO_RGB24) {
        ScaleRows(bgr, FRAME_HEIGHT, 3, FRAME_WIDTH, format.scale, format.scale, out);
        return;
    }
    uint8_t bgrx[FRAME_WIDTH * FRAME_HEIGHT * 4];
    for (int i = 0; i < FRAME_WIDTH * FRAME_HEIGHT; i++) {
        memcpy(bgrx + i * 4, bgr + i * 3, 3);
        bgrx[i * 4 + 3] = 0xFF;
    }
    ScaleRows(bgrx, FRAME_HEIGHT, 4, FRAME_WIDTH, format.scale, format.scale, out);
}

// UYVY or YUY2: at 1x the camera's pairs as they are (or swapped); wider,
// each camera pixel becomes scale pixels, so every output pair holds one
// camera pixel twice with its pair's chroma.
void RenderPacked(const uint8_t *raw, const VideoFormat &format, uint8_t *out)
{
    bool yuy2 = format.subtype == VIDEO_YUY2;
    int scale = format.scale;
    int row_bytes = format.width * 2;
    for (int y = 0; y < FRAME_HEIGHT; y++) {
        const uint8_t *in = raw + y * FRAME_WIDTH * 2;
        uint8_t *first = out + (size_t)y * scale * row_bytes;
        uint8_t *to = first;
        for (int x = 0; x < FRAME_WIDTH; x += 2, in += 4) {
            uint8_t u = in[0], y0 = in[1], v = in[2], y1 = in[3];
            if (scale == 1) {
                const uint8_t pair[4] = {u, y0, v, y1}, swapped[4] = {y0, u, y1, v};
                memcpy(to, yuy2 ? swapped : pair, 4);
                to += 4;
                continue;
            }
            for (int p = 0; p < 2; p++) {
                uint8_t luma = p ? y1 : y0;
                const uint8_t pair[4] = {u, luma, v, luma}, swapped[4] = {luma, u, luma, v};
                for (int r = 0; r < scale / 2; r++, to += 4)
                    memcpy(to, yuy2 ? swapped : pair, 4);
            }
        }
        for (int r = 1; r < scale; r++)
            memcpy(first + (size_t)r * row_bytes, first, row_bytes);
    }
}

void RenderI420(const uint8_t *raw, const VideoFormat &format, uint8_t *out)
{
    enum { PAIRS = FRAME_WIDTH / 2 };
    uint8_t luma[FRAME_WIDTH * FRAME_HEIGHT];
    uint8_t u[PAIRS * FRAME_HEIGHT], v[PAIRS * FRAME_HEIGHT];
    for (int i = 0; i < PAIRS * FRAME_HEIGHT; i++) {
        u[i] = raw[i * 4];
        luma[i * 2] = raw[i * 4 + 1];
        v[i] = raw[i * 4 + 2];
        luma[i * 2 + 1] = raw[i * 4 + 3];
    }
    int scale = format.scale;
    ScaleRows(luma, FRAME_HEIGHT, 1, FRAME_WIDTH, scale, scale, out);
    uint8_t *planes[2] = {out + (size_t)format.width * format.height, NULL};
    planes[1] = planes[0] + (size_t)format.width * format.height / 4;
    const uint8_t *chroma[2] = {u, v};
    for (int c = 0; c < 2; c++) {
        if (scale == 1) {
            // Half height: each pair of rows averaged, rounding half up.
            uint8_t *to = planes[c];
            for (int y = 0; y < FRAME_HEIGHT; y += 2) {
                const uint8_t *a = chroma[c] + y * PAIRS, *b = a + PAIRS;
                for (int x = 0; x < PAIRS; x++)
                    *to++ = (uint8_t)((a[x] + b[x] + 1) >> 1);
            }
        } else {
            // A chroma sample covers 2 x 2 output pixels, all of one camera pixel:
            // the camera's pairs widen by scale, its rows by half as much.
            ScaleRows(chroma[c], FRAME_HEIGHT, 1, PAIRS, scale, scale / 2, planes[c]);
        }
    }
}

}  // namespace

const VideoFormat &VideoFormatAt(int index)
{
    return TABLE.formats[index];
}

int FindVideoFormat(VideoSubtype subtype, int width, int height)
{
    for (int i = 0; i < VIDEO_FORMATS; i++) {
        const VideoFormat &f = TABLE.formats[i];
        if (f.subtype == subtype && f.width == width && f.height == height)
            return i;
    }
    return -1;
}

void RenderVideoFrame(const uint8_t *raw, const VideoFormat &format, uint8_t *out)
{
    switch (format.subtype) {
    case VIDEO_RGB24:
    case VIDEO_RGB32:
        RenderRgb(raw, format, out);
        break;
    case VIDEO_UYVY:
    case VIDEO_YUY2:
        RenderPacked(raw, format, out);
        break;
    case VIDEO_I420:
    case VIDEO_SUBTYPES:
        RenderI420(raw, format, out);
        break;
    }
}
