// The device-independent bitmap header. Windows builds use the platform's own
// declaration; elsewhere a layout-identical copy stands in, so the same frame
// code and the bitmap files written from it agree byte for byte.
#ifndef PUKAVRO_BITMAP_HEADER_H
#define PUKAVRO_BITMAP_HEADER_H

#include <stddef.h>
#include <stdint.h>

#ifdef _WIN32
#include <windows.h>
#else
enum { BI_RGB = 0, DIB_RGB_COLORS = 0 };

struct BITMAPINFOHEADER {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};

struct RGBQUAD {
    uint8_t rgbBlue;
    uint8_t rgbGreen;
    uint8_t rgbRed;
    uint8_t rgbReserved;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};
#endif

// The published 40-byte little-endian layout, checked on every build.
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER size");
static_assert(offsetof(BITMAPINFOHEADER, biWidth) == 4, "biWidth");
static_assert(offsetof(BITMAPINFOHEADER, biHeight) == 8, "biHeight");
static_assert(offsetof(BITMAPINFOHEADER, biPlanes) == 12, "biPlanes");
static_assert(offsetof(BITMAPINFOHEADER, biBitCount) == 14, "biBitCount");
static_assert(offsetof(BITMAPINFOHEADER, biCompression) == 16, "biCompression");
static_assert(offsetof(BITMAPINFOHEADER, biSizeImage) == 20, "biSizeImage");
static_assert(offsetof(BITMAPINFOHEADER, biXPelsPerMeter) == 24, "biXPelsPerMeter");
static_assert(offsetof(BITMAPINFOHEADER, biYPelsPerMeter) == 28, "biYPelsPerMeter");
static_assert(offsetof(BITMAPINFOHEADER, biClrUsed) == 32, "biClrUsed");
static_assert(offsetof(BITMAPINFOHEADER, biClrImportant) == 36, "biClrImportant");
static_assert(offsetof(BITMAPINFO, bmiColors) == 40, "BITMAPINFO colour table");

#endif
