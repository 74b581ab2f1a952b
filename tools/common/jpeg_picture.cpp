#include "jpeg_picture.h"

// The writer's code is compiled once, in stb_writer.cpp.
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include "stb_bytes.h"

namespace {

// Where the segments after stb's fixed opening begin: past the start of
// image and, when there, the APP0 (JFIF) segment, by its own length.
size_t AfterOpening(const std::vector<uint8_t> &jpeg)
{
    const size_t SOI_BYTES = 2;
    if (jpeg.size() < SOI_BYTES + 4 || jpeg[2] != 0xFF || jpeg[3] != 0xE0)
        return SOI_BYTES;
    size_t length = ((size_t)jpeg[4] << 8) | jpeg[5];
    return SOI_BYTES + 2 + length <= jpeg.size() ? SOI_BYTES + 2 + length : SOI_BYTES;
}

}  // namespace

JpegResult EncodeJpeg(const uint8_t *bits, int width, int height, int quality,
                      const ExifFacts &facts, std::vector<uint8_t> *bytes)
{
    const size_t row_bytes = (size_t)width * 3;
    std::vector<uint8_t> picture(row_bytes * height);
    for (int row = 0; row < height; ++row) {  // top row first, red-green-blue
        const uint8_t *from = bits + row_bytes * (height - 1 - row);
        uint8_t *to = picture.data() + row_bytes * row;
        for (size_t x = 0; x < row_bytes; x += 3) {
            to[x] = from[x + 2];
            to[x + 1] = from[x + 1];
            to[x + 2] = from[x];
        }
    }
    bytes->clear();
    // stb fails by itself only when it runs out of memory.
    if (stbi_write_jpg_to_func(AppendStbPiece, bytes, width, height, 3, picture.data(), quality)
        == 0)
        return JPEG_NO_MEMORY;
    std::vector<uint8_t> exif = ExifSegment(facts);
    bytes->insert(bytes->begin() + AfterOpening(*bytes), exif.begin(), exif.end());
    return JPEG_ENCODED;
}
