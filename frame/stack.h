// Stacks of frames: many frames of one scene made into one, sample by
// sample on the camera's own Y, U and V bytes, with the dark frame taken
// off and hot pixels mended; the result as 16-bit raw samples or 16-bit
// colour. Platform-free; the caller owns every buffer.
#ifndef PUKAVRO_FRAME_STACK_H
#define PUKAVRO_FRAME_STACK_H

#include <stdint.h>

#include "frame.h"

// Macros, so that help texts can spell them.
#define STACK_MOST_FRAMES 65535    // a bin's counter is 16 bits
#define STACK_CLIP_LEAST_FRAMES 5  // fewer tell no outlier from the rest
#define HOT_PIXEL_LEVELS 24  // how far above its neighbours' median a hot pixel's dark luma is

enum {
    STACK_BINS = 256,                         // one for each value of a sample
    RAW16_FRAME_BYTES = 2 * RAW_FRAME_BYTES,  // 27648: little-endian, average x 256
    RAW16_ONE = 256,                          // one 8-bit level in raw16 units
    FRAME_PIXELS = FRAME_WIDTH * FRAME_HEIGHT,
};

enum StackMethod {
    STACK_MEAN,    // the plain mean
    STACK_MEDIAN,  // the middle value; of an even count, the mean of the two middle ones
    STACK_CLIP,    // the mean of the samples within 3 standard deviations of the median
};

// Sums in raw16 units (exact for any count: 65535 x 65280 fits in 32 bits
// even before they widen) and, for the median and the clipped mean, a
// histogram of each sample, never the frames themselves.
struct FrameStack {
    StackMethod method;
    uint32_t frames;
    int64_t *sums;   // RAW_FRAME_BYTES
    uint16_t *bins;  // STACK_BINS for each sample in turn; NULL for the mean
};

enum StackStart { STACK_STARTED, STACK_NO_MEMORY };

// Empty, for method; STACK_NO_MEMORY leaves nothing to free.
StackStart StartStack(FrameStack *stack, StackMethod method);
void FreeStack(FrameStack *stack);
// Empty again, keeping its memory.
void ClearStack(FrameStack *stack);

// One frame more (RAW_FRAME_BYTES of UYVY). At most STACK_MOST_FRAMES.
void AddFrameToStack(FrameStack *stack, const uint8_t *frame);
// A 16-bit stack as one frame more: its sums exactly, its histogram
// (median, clip) at the nearest 8-bit value.
void AddRaw16ToStack(FrameStack *stack, const uint16_t *samples);

// What the lens-covered frame adds to each sample, in raw16 units: on luma
// its value less its black level (the median of its luma, rounded), on
// chroma its distance from 128.
struct DarkFrame {
    int32_t offsets[RAW_FRAME_BYTES];
};
void MakeDarkFrame(const uint16_t *dark_samples, DarkFrame *dark);

// The stack's value of each sample (RAW_FRAME_BYTES doubles, 8-bit units,
// unrounded): its method's average, less dark's offset when dark is not
// NULL (taken from the sums before the division for the mean), clamped
// to 0...255 once. An empty stack gives 0s.
void StackAverages(const FrameStack *stack, const DarkFrame *dark, double *averages);

// Marks in hot (FRAME_PIXELS, top row first) the pixels whose dark luma is
// more than HOT_PIXEL_LEVELS above the median of its neighbours' (the 8
// around it, fewer at the edges). Returns how many.
int FindHotPixels(const uint16_t *dark_samples, uint8_t *hot);

// Gives each hot pixel the median luma of its neighbours that are not hot,
// and its pair's U and V the median of the neighbouring pairs' (the pairs
// around it, in its row and the rows above and below) in which no pixel is
// hot. A pixel with no such neighbour keeps its value.
void RepairHotPixels(const uint8_t *hot, double *averages);

// The 16-bit raw stack: each average x 256, rounded, little-endian.
void EncodeRaw16(const double *averages, uint8_t *bytes);
void DecodeRaw16(const uint8_t *bytes, uint16_t *samples);
// The nearest 8-bit frame, for the tools' 8-bit pictures.
void RoundAverages(const double *averages, uint8_t *frame);

// The picture of averages by ConvertFrame's formula, unrounded: each
// channel clamped to 0...255 and stored as round(257 x), so that 255 is
// 65535. rgb: FRAME_PIXELS x 3, red, green, blue, top row first.
void ConvertAverages(const double *averages, uint16_t *rgb);

#endif
