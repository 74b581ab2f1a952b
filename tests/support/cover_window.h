// A window of the test's own that covers part of the screen, to take away
// and see what the program paints in its place.
#ifndef PUKAVRO_TESTS_COVER_WINDOW_H
#define PUKAVRO_TESTS_COVER_WINDOW_H

#include <windows.h>
#include <stdint.h>

// The cover's colour, 0xRRGGBB: magenta, which no camera picture has.
const uint32_t COVER_RGB = 0xFF00FF;

// Shows a topmost pop-up filled with COVER_RGB over rect (screen
// coordinates), without taking the activation; NULL on failure. It lives on
// the calling thread, which must pump messages for it to be drawn.
HWND CreateCover(const RECT &rect);

#endif
