#include "picture_scale.h"

#include <string.h>

// Each row is widened once and then copied for the rows it repeats into.
void ScalePicture(const uint8_t *bits, int width, int height, int factor,
                  std::vector<uint8_t> *scaled)
{
    const size_t row_bytes = (size_t)width * 3 * factor;
    scaled->resize(row_bytes * height * factor);
    uint8_t *out = scaled->data();
    for (int y = 0; y < height; ++y) {
        const uint8_t *from = bits + (size_t)y * width * 3;
        uint8_t *first = out;
        for (int x = 0; x < width; ++x, from += 3)
            for (int k = 0; k < factor; ++k, out += 3) {
                out[0] = from[0];
                out[1] = from[1];
                out[2] = from[2];
            }
        for (int k = 1; k < factor; ++k, out += row_bytes)
            memcpy(out, first, row_bytes);
    }
}
