#include <math.h>

#include "stack.h"

namespace {

uint16_t Wide(double value)
{
    value = value > 0.0 ? value : 0.0;
    value = value < 255.0 ? value : 255.0;
    return (uint16_t)floor(value * 257.0 + 0.5);
}

// ConvertFrame's StorePixel, in ConvertFrame's order of operations, on
// unrounded samples.
void StoreWidePixel(uint16_t *out, double y, double u_blue, double u_green, double v_red,
                    double v_green)
{
    out[0] = Wide(v_red + y);
    out[1] = Wide(((y * 1.02) - v_green) - u_green);
    out[2] = Wide(u_blue + y);
}

}  // namespace

// The pairing is ConvertFrame's: pixel 2k+1 takes the U that opens the next
// group, and the last pixel of the frame a U of 0.
void ConvertAverages(const double *averages, uint16_t *rgb)
{
    const double *end = averages + RAW_FRAME_BYTES;
    for (int i = 0; i < FRAME_HEIGHT; ++i) {
        const double *p = averages + 2 * FRAME_WIDTH * i;
        uint16_t *out = rgb + 3 * FRAME_WIDTH * i;
        for (int j = 0; j + 1 < FRAME_WIDTH; j += 2, p += 4, out += 6) {
            double u = p[0] - 128;
            double v = p[2] - 128;
            double v_red = v * 1.4, v_green = v * 0.75;
            StoreWidePixel(out, p[1], u * 1.77, u * 0.336, v_red, v_green);
            u = (p + 4 < end ? p[4] : 0) - 128;
            StoreWidePixel(out + 3, p[3], u * 1.77, u * 0.336, v_red, v_green);
        }
    }
}
