#include "frame.h"
#include "picture_encoders.h"

// stb's writer, compiled here once, without its file functions: the encoded
// bytes are collected in memory.
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace {

void AppendPiece(void *context, void *data, int size)
{
    std::vector<uint8_t> *bytes = (std::vector<uint8_t> *)context;
    const uint8_t *piece = (const uint8_t *)data;
    bytes->insert(bytes->end(), piece, piece + size);
}

}  // namespace

// The same picture as the bitmap, but the way PNG keeps it: top row first,
// red-green-blue.
int EncodePng(const uint8_t *bits, std::vector<uint8_t> *bytes)
{
    const int ROW_BYTES = FRAME_WIDTH * 3;
    uint8_t picture[DISPLAY_IMAGE_BYTES];
    for (int row = 0; row < FRAME_HEIGHT; ++row) {
        const uint8_t *from = bits + ROW_BYTES * (FRAME_HEIGHT - 1 - row);
        uint8_t *to = picture + ROW_BYTES * row;
        for (int x = 0; x < ROW_BYTES; x += 3) {
            to[x] = from[x + 2];
            to[x + 1] = from[x + 1];
            to[x + 2] = from[x];
        }
    }
    // stb fails by itself only when it runs out of memory.
    if (stbi_write_png_to_func(AppendPiece, bytes, FRAME_WIDTH, FRAME_HEIGHT, 3, picture, ROW_BYTES)
        == 0)
        return -1;
    return 0;
}
