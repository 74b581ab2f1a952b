#include "screen.h"

#include <stdio.h>
#include <string.h>

#include "frame.h"
#include "wait.h"

int ReadScreen(int x, int y, int width, int height, Pixels *pixels)
{
    pixels->width = width;
    pixels->height = height;
    pixels->rgb.assign(static_cast<size_t>(width) * height, 0);

    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;

    HDC screen = GetDC(NULL);
    if (screen == NULL)
        return -1;
    HDC memory = CreateCompatibleDC(screen);
    void *bits = NULL;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    int result = -1;
    if (memory != NULL && bitmap != NULL) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, screen, x, y, SRCCOPY)) {
            GdiFlush();
            const uint32_t *read = static_cast<const uint32_t *>(bits);
            for (size_t i = 0; i < pixels->rgb.size(); i++)
                pixels->rgb[i] = read[i] & 0xFFFFFF;
            result = 0;
        }
        SelectObject(memory, previous);
    }
    if (bitmap != NULL)
        DeleteObject(bitmap);
    if (memory != NULL)
        DeleteDC(memory);
    ReleaseDC(NULL, screen);
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
    return ReadClient(window, PICTURE_X, PICTURE_Y, FRAME_WIDTH, FRAME_HEIGHT, picture);
}

void ExpectedPicture(const uint8_t *raw_frame, Pixels *picture)
{
    std::vector<uint8_t> bits(DISPLAY_IMAGE_BYTES);
    ConvertFrame(raw_frame, bits.data(), FRAME_WIDTH, FRAME_HEIGHT);
    picture->width = FRAME_WIDTH;
    picture->height = FRAME_HEIGHT;
    picture->rgb.assign(FRAME_WIDTH * FRAME_HEIGHT, 0);
    // The bitmap is bottom-up, blue-green-red, rows without padding.
    for (int y = 0; y < FRAME_HEIGHT; y++) {
        const uint8_t *row = &bits[(FRAME_HEIGHT - 1 - y) * FRAME_WIDTH * 3];
        for (int x = 0; x < FRAME_WIDTH; x++) {
            const uint8_t *bgr = row + x * 3;
            picture->rgb[y * FRAME_WIDTH + x] =
                static_cast<uint32_t>(bgr[2]) << 16 | static_cast<uint32_t>(bgr[1]) << 8 | bgr[0];
        }
    }
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
