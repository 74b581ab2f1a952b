#include "frame.h"

namespace {

// Clamping in double precision before truncating gives the same result as
// truncating and then clamping: anything in (-1, 0) truncates to 0 either
// way.
inline int Channel(double value)
{
    value = value > 0.0 ? value : 0.0;
    value = value < 255.0 ? value : 255.0;
    return (int)value;
}

// One pixel from its luma, its blue-difference products and the two
// red-difference products it shares with its neighbour. Every step is one
// double-precision operation in the camera's order; truncation, not rounding.
inline void StorePixel(uint8_t *out, int y, double u_blue, double u_green, double v_red,
                       double v_green)
{
    out[0] = (uint8_t)Channel(u_blue + y);
    out[1] = (uint8_t)Channel(((y * 1.02) - v_green) - u_green);
    out[2] = (uint8_t)Channel(v_red + y);
}

}  // namespace

void InitDisplayHeader(BITMAPINFOHEADER *header)
{
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = FRAME_WIDTH;
    header->biHeight = FRAME_HEIGHT;  // positive: rows stored bottom-up
    header->biPlanes = 1;
    header->biBitCount = 24;
    header->biCompression = BI_RGB;
    header->biSizeImage = 0;
    header->biXPelsPerMeter = 0;
    header->biYPelsPerMeter = 0;
    header->biClrUsed = 0;
    header->biClrImportant = 0;
}

// Pixels go in pairs: pixel 2k takes U and V of its own group, pixel 2k+1
// takes that V and the U that opens the next group (for the last pixel of a
// row, the first byte of the next row). The byte after the final luma of the
// frame lies past its end and counts as 0. Each chroma sample is multiplied
// out once for the two pixels that share it.
int ConvertFrame(const uint8_t *source, uint8_t *destination, int width, int height)
{
    const uint8_t *end = source + 2L * width * height;
    for (int i = 0; i < height; ++i) {
        const uint8_t *p = source + 2L * width * i;
        uint8_t *out = destination + 3L * width * (height - 1 - i);
        int j = 0;
        int u = p[0] - 128;
        double u_blue = u * 1.77, u_green = u * 0.336;
        for (; j + 1 < width; j += 2, p += 4, out += 6) {
            int v = p[2] - 128;
            double v_red = v * 1.4, v_green = v * 0.75;
            StorePixel(out, p[1], u_blue, u_green, v_red, v_green);
            u = (p + 4 < end ? p[4] : 0) - 128;
            u_blue = u * 1.77;
            u_green = u * 0.336;
            StorePixel(out + 3, p[3], u_blue, u_green, v_red, v_green);
        }
        if (j < width) {  // odd width: the row ends on a lone even pixel
            int v = (p + 2 < end ? p[2] : 0) - 128;
            StorePixel(out, p[1], u_blue, u_green, v * 1.4, v * 0.75);
        }
    }
    return 0;
}
