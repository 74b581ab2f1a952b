// The picture files of one raw frame, with exactly the colours the program
// paints: the same bytes from every tool that writes them.
#ifndef PUKAVRO_PICTURE_H
#define PUKAVRO_PICTURE_H

#include <stdint.h>

#include <vector>

#include "frame.h"
#include "output_format.h"

enum {
    BMP_HEADERS_BYTES = 14 + 40,  // file header, then the bitmap info header
    BMP_FILE_BYTES = BMP_HEADERS_BYTES + DISPLAY_IMAGE_BYTES,  // 20790
};

enum EncodeResult { PICTURE_ENCODED, PICTURE_NO_MEMORY };

// The whole file of the picture of one raw frame (RAW_FRAME_BYTES of UYVY),
// converted as the window converts it (ConvertFrame): for FORMAT_BMP a
// 24-bit BMP of BMP_FILE_BYTES, for FORMAT_PNG an RGB PNG.
EncodeResult EncodePicture(const uint8_t *raw_frame, OutputFormat format,
                           std::vector<uint8_t> *bytes);

#endif
