// Enlarging a picture by a whole factor, each pixel repeated as a square:
// no smoothing, so the camera's pixels stay as they are. Platform-free.
#ifndef PUKAVRO_PICTURE_SCALE_H
#define PUKAVRO_PICTURE_SCALE_H

#include <stdint.h>

#include <vector>

enum { SCALE_MIN = 1, SCALE_MAX = 8 };

// Bottom-up BGR bits (width x height, rows of width x 3 bytes) enlarged
// factor times in each direction into scaled.
void ScalePicture(const uint8_t *bits, int width, int height, int factor,
                  std::vector<uint8_t> *scaled);

#endif
