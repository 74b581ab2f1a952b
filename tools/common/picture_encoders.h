// The file layouts of a painted picture (bottom-up BGR display bits, width
// x height, rows of width x 3 bytes: a width that is a multiple of 4, as
// every picture of ours is, needs no row padding in a bitmap).
#ifndef PUKAVRO_PICTURE_ENCODERS_H
#define PUKAVRO_PICTURE_ENCODERS_H

#include <stdint.h>

#include <vector>

void EncodeBmp(const uint8_t *bits, int width, int height, std::vector<uint8_t> *bytes);
int EncodePng(const uint8_t *bits, int width, int height, std::vector<uint8_t> *bytes);

#endif
