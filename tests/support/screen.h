// What the screen shows: pixels read back from the display, as 0xRRGGBB, and
// the picture a window should show for a given raw frame.
#ifndef PUKAVRO_TESTS_SCREEN_H
#define PUKAVRO_TESTS_SCREEN_H

#include <windows.h>
#include <stdint.h>

#include <string>
#include <vector>

struct Pixels {
    int width;
    int height;
    std::vector<uint32_t> rgb;  // 0xRRGGBB, top row first
};

// A screen reader that keeps its memory DC and bitmap between readings, so
// that one reading costs one copy from the screen and nothing else.
struct ScreenProbe {
    HDC screen;
    HDC memory;
    HBITMAP bitmap;
    HGDIOBJ previous;
    const uint32_t *bits;  // top row first, 0x00RRGGBB after masking
    int width;
    int height;
};

// A probe reads rectangles of at most width x height pixels. 0 or -1.
int OpenProbe(ScreenProbe *probe, int width, int height);
void CloseProbe(ScreenProbe *probe);

// Copies the screen rectangle at (x, y) into rgb (width * height values,
// 0xRRGGBB, top row first). 0 or -1.
int ReadScreenRect(ScreenProbe *probe, int x, int y, int width, int height, uint32_t *rgb);

// Copies a rectangle of the screen. 0 or -1.
int ReadScreen(int x, int y, int width, int height, Pixels *pixels);

// A rectangle of window's client area, as the screen shows it. 0 or -1.
int ReadClient(HWND window, int x, int y, int width, int height, Pixels *pixels);

// The picture at its place in the main window's client area. 0 or -1.
int ReadPicture(HWND window, Pixels *picture);

// The picture for a raw frame, converted as the program converts it (its
// conversion is checked on its own), as rgb (PICTURE_PIXELS values).
void FramePictureRgb(const uint8_t *raw_frame, uint32_t *rgb);
void FramePicture(const uint8_t *raw_frame, Pixels *picture);

// A picture of one colour.
Pixels UniformPicture(uint32_t rgb);

// Index of the first pixel where a and b differ, or -1 when they are equal
// (pixels of different sizes differ at 0).
int FirstPixelDifference(const Pixels &a, const Pixels &b);

// "(x, y) #RRGGBB" of one pixel, for failure messages.
std::string DescribePixel(const Pixels &pixels, int index);

// Polls (bounded) until window shows expected at the picture's place; true
// when it did. The last reading is left in seen.
bool WaitForPicture(HWND window, const Pixels &expected, Pixels *seen);

#endif
