// The two file layouts of a painted picture (bottom-up BGR display bits).
#ifndef PUKAVRO_PICTURE_ENCODERS_H
#define PUKAVRO_PICTURE_ENCODERS_H

#include <stdint.h>

#include <vector>

void EncodeBmp(const uint8_t *bits, std::vector<uint8_t> *bytes);
int EncodePng(const uint8_t *bits, std::vector<uint8_t> *bytes);

#endif
