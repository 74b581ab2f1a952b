#include "picture_encoders.h"

// The writer's code is compiled once, in stb_writer.cpp.
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include "stb_bytes.h"

// The same picture as the bitmap, but the way PNG keeps it: top row first,
// red-green-blue.
int EncodePng(const uint8_t *bits, int width, int height, std::vector<uint8_t> *bytes)
{
    const int ROW_BYTES = width * 3;
    std::vector<uint8_t> picture((size_t)ROW_BYTES * height);
    for (int row = 0; row < height; ++row) {
        const uint8_t *from = bits + (size_t)ROW_BYTES * (height - 1 - row);
        uint8_t *to = picture.data() + (size_t)ROW_BYTES * row;
        for (int x = 0; x < ROW_BYTES; x += 3) {
            to[x] = from[x + 2];
            to[x + 1] = from[x + 1];
            to[x + 2] = from[x];
        }
    }
    // stb fails by itself only when it runs out of memory.
    if (stbi_write_png_to_func(AppendStbPiece, bytes, width, height, 3, picture.data(), ROW_BYTES)
        == 0)
        return -1;
    return 0;
}
