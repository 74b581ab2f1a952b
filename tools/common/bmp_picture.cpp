#include "picture.h"
#include "picture_encoders.h"

namespace {

void Put16(std::vector<uint8_t> *bytes, uint32_t value)
{
    bytes->push_back((uint8_t)value);
    bytes->push_back((uint8_t)(value >> 8));
}

void Put32(std::vector<uint8_t> *bytes, uint32_t value)
{
    Put16(bytes, value & 0xFFFF);
    Put16(bytes, value >> 16);
}

}  // namespace

// The bitmap file the window's picture makes: a file header pointing at the
// bits, the display header field by field in little-endian order (whatever
// the host's own order), then the bottom-up bits unchanged.
void EncodeBmp(const uint8_t *bits, int width, int height, std::vector<uint8_t> *bytes)
{
    BITMAPINFOHEADER info;
    InitDisplayHeader(&info);
    info.biWidth = width;
    info.biHeight = height;
    const size_t bits_bytes = (size_t)width * height * 3;
    bytes->reserve(BMP_HEADERS_BYTES + bits_bytes);
    bytes->push_back('B');
    bytes->push_back('M');
    Put32(bytes, (uint32_t)(BMP_HEADERS_BYTES + bits_bytes));
    Put16(bytes, 0);  // two reserved words
    Put16(bytes, 0);
    Put32(bytes, BMP_HEADERS_BYTES);  // where the bits start
    Put32(bytes, info.biSize);
    Put32(bytes, (uint32_t)info.biWidth);
    Put32(bytes, (uint32_t)info.biHeight);
    Put16(bytes, info.biPlanes);
    Put16(bytes, info.biBitCount);
    Put32(bytes, info.biCompression);
    Put32(bytes, info.biSizeImage);
    Put32(bytes, (uint32_t)info.biXPelsPerMeter);
    Put32(bytes, (uint32_t)info.biYPelsPerMeter);
    Put32(bytes, info.biClrUsed);
    Put32(bytes, info.biClrImportant);
    bytes->insert(bytes->end(), bits, bits + bits_bytes);
}
