// A 16-bit-per-channel RGB PNG of a stacked picture. stb writes 8-bit PNGs
// only, so the chunks are put together here around stb's compressor.
#ifndef PUKAVRO_PNG16_PICTURE_H
#define PUKAVRO_PNG16_PICTURE_H

#include <stdint.h>

#include <vector>

// rgb: FRAME_PIXELS x 3 samples, red, green, blue, top row first, as
// ConvertAverages gives them. 0, or -1 when memory ran out.
int EncodePng16(const uint16_t *rgb, std::vector<uint8_t> *bytes);

#endif
