// The pictures kavrocam offers: five layouts of the camera's frame, each at
// the camera's own 96 x 72 and at whole multiples (each camera pixel
// repeated), for programs that refuse small frames. The table and the
// rearrangements are platform-free; the DirectShow media types are built
// from the table (media_types.h).
#ifndef PUKAVRO_VIDEO_FORMATS_H
#define PUKAVRO_VIDEO_FORMATS_H

#include <stdint.h>

enum VideoSubtype {
    VIDEO_RGB24,  // bottom-up BGR, the project's own colours (ConvertFrame)
    VIDEO_UYVY,   // the camera's own bytes, top row first
    VIDEO_YUY2,   // the same samples as Y0 U Y1 V
    VIDEO_I420,   // planar: Y, then U and V at half width and half height
    VIDEO_RGB32,  // bottom-up BGRX, the fourth byte 0xFF
    VIDEO_SUBTYPES
};

enum {
    VIDEO_SCALES = 4,  // 1x, 2x, 4x, 8x
    VIDEO_FORMATS = VIDEO_SUBTYPES * VIDEO_SCALES,
    // The largest image any format gives: RGB32 at 8x.
    VIDEO_MAX_IMAGE_BYTES = 96 * 8 * 72 * 8 * 4,
};

// Frame periods in DirectShow's 100 ns units: what a program may ask,
// fixed so that listing never needs the camera, and the default (30 a second).
enum : int64_t {
    VIDEO_MIN_PERIOD = 100000,      // 1/100 s
    VIDEO_MAX_PERIOD = 10000000,    // 1 s
    VIDEO_DEFAULT_PERIOD = 333333,  // 1/30 s
};

struct VideoFormat {
    VideoSubtype subtype;
    int scale;             // 1, 2, 4 or 8
    int width, height;     // 96 * scale, 72 * scale
    int bit_count;         // 24, 16, 16, 12, 32
    uint32_t fourcc;       // 'UYVY', 'YUY2', 'I420' as biCompression; 0 (BI_RGB) for RGB
    uint32_t image_bytes;  // biSizeImage: rows padded to 4 bytes for RGB
};

// The formats in the order they are offered: by subtype as listed above,
// each from 1x to 8x. Index 0, RGB24 at 96 x 72, is the default.
const VideoFormat &VideoFormatAt(int index);

// The index of subtype at width x height, or -1 when none is offered.
int FindVideoFormat(VideoSubtype subtype, int width, int height);

// Lays out one camera frame (RAW_FRAME_BYTES of UYVY) as format into out,
// writing exactly format.image_bytes. I420 at 1x averages the chroma of
// each pair of rows as (a + b + 1) >> 1; from 2x up every value is copied.
void RenderVideoFrame(const uint8_t *raw, const VideoFormat &format, uint8_t *out);

#endif
