#include "screen.h"

#include <stdio.h>
#include <string.h>

#include "expected.h"
#include "frame.h"
#include "wait.h"

int OpenProbe(ScreenProbe *probe, int width, int height)
{
    memset(probe, 0, sizeof *probe);
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    probe->screen = GetDC(NULL);
    if (probe->screen == NULL)
        return -1;
    probe->memory = CreateCompatibleDC(probe->screen);
    void *bits = NULL;
    probe->bitmap = CreateDIBSection(probe->screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (probe->memory == NULL || probe->bitmap == NULL) {
        CloseProbe(probe);
        return -1;
    }
    probe->previous = SelectObject(probe->memory, probe->bitmap);
    probe->bits = static_cast<const uint32_t *>(bits);
    probe->width = width;
    probe->height = height;
    return 0;
}

void CloseProbe(ScreenProbe *probe)
{
    if (probe->previous != NULL)
        SelectObject(probe->memory, probe->previous);
    if (probe->bitmap != NULL)
        DeleteObject(probe->bitmap);
    if (probe->memory != NULL)
        DeleteDC(probe->memory);
    if (probe->screen != NULL)
        ReleaseDC(NULL, probe->screen);
    memset(probe, 0, sizeof *probe);
}

int ReadScreenRect(ScreenProbe *probe, int x, int y, int width, int height, uint32_t *rgb)
{
    if (width > probe->width || height > probe->height)
        return -1;
    if (!BitBlt(probe->memory, 0, 0, width, height, probe->screen, x, y, SRCCOPY))
        return -1;
    GdiFlush();
    for (int row = 0; row < height; row++) {
        const uint32_t *from = probe->bits + row * probe->width;
        for (int column = 0; column < width; column++)
            rgb[row * width + column] = from[column] & 0xFFFFFF;
    }
    return 0;
}

int ReadScreen(int x, int y, int width, int height, Pixels *pixels)
{
    pixels->width = width;
    pixels->height = height;
    pixels->rgb.assign(static_cast<size_t>(width) * height, 0);
    ScreenProbe probe;
    if (OpenProbe(&probe, width, height) != 0)
        return -1;
    int result = ReadScreenRect(&probe, x, y, width, height, pixels->rgb.data());
    CloseProbe(&probe);
    return result;
}

int ReadClient(HWND window, int x, int y, int width, int height, Pixels *pixels)
{
    POINT origin = {x, y};
    if (!ClientToScreen(window, &origin))
        return -1;
    return ReadScreen(origin.x, origin.y, width, height, pixels);
}

int ReadPicture(HWND window, Pixels *picture)
{
    return ReadClient(window, PICTURE_X, PICTURE_Y, PICTURE_WIDTH, PICTURE_HEIGHT, picture);
}

void FramePictureRgb(const uint8_t *raw_frame, uint32_t *rgb)
{
    uint8_t bits[PICTURE_PIXELS * 3];
    ConvertFrame(raw_frame, bits, PICTURE_WIDTH, PICTURE_HEIGHT);
    // The bitmap is bottom-up, blue-green-red, rows without padding.
    for (int y = 0; y < PICTURE_HEIGHT; y++) {
        const uint8_t *row = &bits[(PICTURE_HEIGHT - 1 - y) * PICTURE_WIDTH * 3];
        for (int x = 0; x < PICTURE_WIDTH; x++) {
            const uint8_t *bgr = row + x * 3;
            rgb[y * PICTURE_WIDTH + x] =
                static_cast<uint32_t>(bgr[2]) << 16 | static_cast<uint32_t>(bgr[1]) << 8 | bgr[0];
        }
    }
}

void FramePicture(const uint8_t *raw_frame, Pixels *picture)
{
    picture->width = PICTURE_WIDTH;
    picture->height = PICTURE_HEIGHT;
    picture->rgb.assign(PICTURE_PIXELS, 0);
    FramePictureRgb(raw_frame, picture->rgb.data());
}

Pixels UniformPicture(uint32_t rgb)
{
    Pixels picture = {PICTURE_WIDTH, PICTURE_HEIGHT, std::vector<uint32_t>(PICTURE_PIXELS, rgb)};
    return picture;
}

int FirstPixelDifference(const Pixels &a, const Pixels &b)
{
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size())
        return 0;
    for (size_t i = 0; i < a.rgb.size(); i++) {
        if (a.rgb[i] != b.rgb[i])
            return static_cast<int>(i);
    }
    return -1;
}

std::string DescribePixel(const Pixels &pixels, int index)
{
    if (index < 0 || static_cast<size_t>(index) >= pixels.rgb.size())
        return "(no pixel)";
    char text[40];
    snprintf(text, sizeof text, "(%d, %d) #%06X", index % pixels.width, index / pixels.width,
             static_cast<unsigned>(pixels.rgb[index]));
    return text;
}

bool WaitForPicture(HWND window, const Pixels &expected, Pixels *seen)
{
    return WaitUntil([&] {
        return ReadPicture(window, seen) == 0 && FirstPixelDifference(*seen, expected) < 0;
    });
}
