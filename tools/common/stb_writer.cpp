// stb's picture writer, compiled here once for the PNG and JPEG encoders,
// without its file functions: the encoded bytes are collected in memory.
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include "stb_bytes.h"

void AppendStbPiece(void *context, void *data, int size)
{
    std::vector<uint8_t> *bytes = (std::vector<uint8_t> *)context;
    const uint8_t *piece = (const uint8_t *)data;
    bytes->insert(bytes->end(), piece, piece + size);
}
