#include "png16_picture.h"

#include <stdlib.h>
#include <string.h>

#include "stack.h"

// Compiled once, in stb_writer.cpp, with the rest of stb's writer; its
// header declares it only there. The result is freed with free().
extern "C" unsigned char *stbi_zlib_compress(unsigned char *data, int data_len, int *out_len,
                                             int quality);

namespace {

const int ROW_BYTES = 1 + FRAME_WIDTH * 3 * 2;  // the filter byte, then the samples
const int ZLIB_QUALITY = 8;                     // what stb's own PNG writer uses

void PutBig32(std::vector<uint8_t> *bytes, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes->push_back((uint8_t)(value >> shift));
}

// The CRC-32 of ISO 3309, bit by bit: 40 KB a picture needs no table.
uint32_t Crc32(const uint8_t *data, size_t length)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

// Length, type, data, and the CRC of type and data.
void PutChunk(std::vector<uint8_t> *bytes, const char *type, const uint8_t *data, size_t length)
{
    PutBig32(bytes, (uint32_t)length);
    size_t start = bytes->size();
    bytes->insert(bytes->end(), type, type + 4);
    bytes->insert(bytes->end(), data, data + length);
    PutBig32(bytes, Crc32(bytes->data() + start, length + 4));
}

}  // namespace

int EncodePng16(const uint16_t *rgb, std::vector<uint8_t> *bytes)
{
    static const uint8_t SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    // Width, height, 16 bits a sample, truecolour, deflate, filter set 0,
    // no interlace.
    const uint8_t header[13] = {0, 0, 0, FRAME_WIDTH, 0, 0, 0, FRAME_HEIGHT, 16, 2, 0, 0, 0};
    std::vector<uint8_t> rows(ROW_BYTES * FRAME_HEIGHT);
    for (int y = 0; y < FRAME_HEIGHT; ++y) {
        uint8_t *row = rows.data() + ROW_BYTES * y;
        row[0] = 0;  // no filter
        for (int i = 0; i < FRAME_WIDTH * 3; ++i) {
            uint16_t sample = rgb[FRAME_WIDTH * 3 * y + i];
            row[1 + 2 * i] = (uint8_t)(sample >> 8);
            row[2 + 2 * i] = (uint8_t)sample;
        }
    }
    int compressed_length = 0;
    unsigned char *compressed =
        stbi_zlib_compress(rows.data(), (int)rows.size(), &compressed_length, ZLIB_QUALITY);
    if (compressed == NULL)
        return -1;
    bytes->assign(SIGNATURE, SIGNATURE + sizeof SIGNATURE);
    PutChunk(bytes, "IHDR", header, sizeof header);
    PutChunk(bytes, "IDAT", compressed, (size_t)compressed_length);
    PutChunk(bytes, "IEND", header, 0);
    free(compressed);
    return 0;
}
