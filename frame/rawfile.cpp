#include <stdio.h>

#include "frame.h"

// Byte by byte through the stream's own buffer; any failed write or a failed
// close (where a full disk usually shows) makes the save a failure.
int WriteRawFile(const char *name, const uint8_t *data, int length)
{
    FILE *file = fopen(name, "wb");
    if (file == NULL)
        return -1;
    int result = 0;
    for (; length > 0; --length, ++data) {
        if (fputc(*data, file) == EOF) {
            result = -1;
            break;
        }
    }
    if (fclose(file) != 0)
        result = -1;
    return result;
}

void FormatFrameName(char *name, int16_t counter)
{
    snprintf(name, FRAME_NAME_CHARS, "kavro%03d.bin", (int)counter);
}

int16_t NextFrameCounter(int16_t counter)
{
    return (int16_t)(uint16_t)(counter + 1);
}
