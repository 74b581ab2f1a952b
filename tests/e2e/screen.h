// What the screen shows: pixels read back from the display, and the picture
// the window should be showing for a given raw frame.
#ifndef PUKAVRO_E2E_SCREEN_H
#define PUKAVRO_E2E_SCREEN_H

#include <windows.h>
#include <stdint.h>

#include <string>
#include <vector>

struct Pixels {
    int width;
    int height;
    std::vector<uint32_t> rgb;  // 0xRRGGBB, top row first
};

enum {
    PICTURE_X = 9,  // the picture's place in the main window's client area
    PICTURE_Y = 8,
};

// The colour of the all-zero frame: red 0, green 139, blue 0.
const uint32_t FIRST_PICTURE_RGB = 0x008B00;

// Copies a rectangle of the screen. 0 or -1.
int ReadScreen(int x, int y, int width, int height, Pixels *pixels);

// A rectangle of window's client area, as the screen shows it. 0 or -1.
int ReadClient(HWND window, int x, int y, int width, int height, Pixels *pixels);

// The 96 x 72 picture at client (9, 8). 0 or -1.
int ReadPicture(HWND window, Pixels *picture);

// The picture for a raw frame: the program's own conversion, top row first.
void ExpectedPicture(const uint8_t *raw_frame, Pixels *picture);

// Index of the first pixel where a and b differ, or -1 when they are equal
// (pixels of different sizes differ at 0).
int FirstPixelDifference(const Pixels &a, const Pixels &b);

// "(x, y) #RRGGBB" of one pixel, for failure messages.
std::string DescribePixel(const Pixels &pixels, int index);

// Polls until window shows expected at the picture's place; true when it
// did. The last reading is left in seen.
bool WaitForPicture(HWND window, const Pixels &expected, Pixels *seen);

#endif
