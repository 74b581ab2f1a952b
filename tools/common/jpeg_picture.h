// Our JPEG encoder: baseline JPEG by stb's writer, with our EXIF block in
// it. Any tool that makes JPEG pictures makes them here. Platform-free.
#ifndef PUKAVRO_JPEG_PICTURE_H
#define PUKAVRO_JPEG_PICTURE_H

#include <stdint.h>

#include <vector>

#include "exif.h"

// As help texts tell it.
#define JPEG_QUALITY_DEFAULT_NUMBER 95

enum {
    JPEG_QUALITY_MIN = 1,
    JPEG_QUALITY_MAX = 100,
    // Above 90 stb keeps the colours at full resolution: on the camera's
    // pictures 90 loses 18 dB against 91.
    JPEG_QUALITY_DEFAULT = JPEG_QUALITY_DEFAULT_NUMBER,
};

enum JpegResult { JPEG_ENCODED, JPEG_NO_MEMORY };

// The JPEG file of bottom-up BGR bits (width x height, rows of width x 3
// bytes) at quality (JPEG_QUALITY_MIN to JPEG_QUALITY_MAX), with the EXIF
// segment of facts right after the JFIF one (none when facts hold nothing).
JpegResult EncodeJpeg(const uint8_t *bits, int width, int height, int quality,
                      const ExifFacts &facts, std::vector<uint8_t> *bytes);

#endif
