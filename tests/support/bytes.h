// Comparing runs of bytes with failure output that stays short for a
// 13,824-byte frame: the offset of the first mismatch, not the whole buffer.
#ifndef PUKAVRO_TESTS_BYTES_H
#define PUKAVRO_TESTS_BYTES_H

#include <stdint.h>

#include <vector>

typedef std::vector<uint8_t> Bytes;

// Offset of the first byte where a and b differ, or -1 when the first
// length bytes agree.
int FirstDifference(const uint8_t *a, const uint8_t *b, int length);

// Offset of the first of length bytes that is not value, or -1.
int FirstNotEqualTo(const uint8_t *bytes, uint8_t value, int length);

#endif
