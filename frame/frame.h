// Frame data: the camera's raw UYVY frame, the 24-bit bitmap the window
// paints, the conversion between them and the raw frame files.
// Platform-free: builds natively on Linux and for Windows. Holds no state.
#ifndef PUKAVRO_FRAME_H
#define PUKAVRO_FRAME_H

#include <stdint.h>

#include "bitmap_header.h"

enum {
    FRAME_WIDTH = 96,
    FRAME_HEIGHT = 72,
    RAW_FRAME_BYTES = FRAME_WIDTH * FRAME_HEIGHT * 2,      // 13824
    DISPLAY_IMAGE_BYTES = FRAME_WIDTH * FRAME_HEIGHT * 3,  // 20736
    FRAME_NAME_CHARS = 16,  // "kavro-32768.bin" and its zero fill it exactly
};

// One frame exactly as the camera sends it: UYVY, top row first, no header.
typedef uint8_t RawFrame[RAW_FRAME_BYTES];

// The painted picture: 24-bit bottom-up BGR bits and the header that
// describes them to the platform's DIB functions.
struct DisplayImage {
    BITMAPINFO info;
    uint8_t *bits;  // DISPLAY_IMAGE_BYTES
};

// Fills a header for a 96 x 72, 24-bit, bottom-up, uncompressed bitmap.
void InitDisplayHeader(BITMAPINFOHEADER *header);

// Converts a UYVY frame into bottom-up BGR bits with the camera's own colour
// formula, computed in IEEE double precision. Writes every destination byte.
// Returns 0 always.
int ConvertFrame(const uint8_t *source, uint8_t *destination, int width, int height);

// Writes length bytes to name (mode "wb", no header). Returns 0 when every
// byte reached the file and it closed cleanly, -1 otherwise. A failed write
// may leave a partial file; the next save of that name replaces it.
int WriteRawFile(const char *name, const uint8_t *data, int length);

// Builds "kavro%03d.bin" from a frame counter into a FRAME_NAME_CHARS buffer.
void FormatFrameName(char *name, int16_t counter);

// The counter after a successful save: 16-bit, so 32767 is followed by -32768.
int16_t NextFrameCounter(int16_t counter);

#endif
