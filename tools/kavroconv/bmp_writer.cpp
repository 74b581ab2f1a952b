#include "kavroconv.h"

namespace {

uint8_t *Put16(uint8_t *p, uint32_t value)
{
    p[0] = (uint8_t)value;
    p[1] = (uint8_t)(value >> 8);
    return p + 2;
}

uint8_t *Put32(uint8_t *p, uint32_t value)
{
    p = Put16(p, value & 0xFFFF);
    return Put16(p, value >> 16);
}

}  // namespace

// The bitmap file the window's picture makes: a file header pointing at the
// bits, the display header field by field in little-endian order (whatever
// the host's own order), then the bottom-up bits unchanged.
int WriteBmp(FILE *file, const uint8_t *bits)
{
    BITMAPINFOHEADER info;
    InitDisplayHeader(&info);
    uint8_t headers[BMP_HEADERS_BYTES];
    uint8_t *p = headers;
    *p++ = 'B';
    *p++ = 'M';
    p = Put32(p, BMP_FILE_BYTES);
    p = Put16(p, 0);  // two reserved words
    p = Put16(p, 0);
    p = Put32(p, BMP_HEADERS_BYTES);  // where the bits start
    p = Put32(p, info.biSize);
    p = Put32(p, (uint32_t)info.biWidth);
    p = Put32(p, (uint32_t)info.biHeight);
    p = Put16(p, info.biPlanes);
    p = Put16(p, info.biBitCount);
    p = Put32(p, info.biCompression);
    p = Put32(p, info.biSizeImage);
    p = Put32(p, (uint32_t)info.biXPelsPerMeter);
    p = Put32(p, (uint32_t)info.biYPelsPerMeter);
    p = Put32(p, info.biClrUsed);
    Put32(p, info.biClrImportant);
    if (fwrite(headers, 1, sizeof headers, file) != sizeof headers)
        return -1;
    if (fwrite(bits, 1, DISPLAY_IMAGE_BYTES, file) != DISPLAY_IMAGE_BYTES)
        return -1;
    return 0;
}
