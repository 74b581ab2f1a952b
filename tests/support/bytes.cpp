#include "bytes.h"

int FirstDifference(const uint8_t *a, const uint8_t *b, int length)
{
    for (int i = 0; i < length; i++) {
        if (a[i] != b[i])
            return i;
    }
    return -1;
}

int FirstNotEqualTo(const uint8_t *bytes, uint8_t value, int length)
{
    for (int i = 0; i < length; i++) {
        if (bytes[i] != value)
            return i;
    }
    return -1;
}
