// The picture files of one raw frame, with exactly the colours the program
// paints: the same bytes from every tool that writes them.
#ifndef PUKAVRO_PICTURE_H
#define PUKAVRO_PICTURE_H

#include <stdint.h>

#include <vector>

#include "frame.h"

enum {
    BMP_HEADERS_BYTES = 14 + 40,  // file header, then the bitmap info header
    BMP_FILE_BYTES = BMP_HEADERS_BYTES + DISPLAY_IMAGE_BYTES,  // 20790
};

enum PictureFormat { PICTURE_BMP, PICTURE_PNG };

// The whole file of the picture of one raw frame (RAW_FRAME_BYTES of UYVY),
// converted as the window converts it (ConvertFrame): a 24-bit BMP of
// BMP_FILE_BYTES, or an RGB PNG. Returns 0, or -1 when memory ran out.
int EncodePicture(const uint8_t *raw_frame, PictureFormat format, std::vector<uint8_t> *bytes);

// 1 with *format set when name ends in .bmp or .png (any letter case), else 0.
int PictureFormatFromName(const char *name, PictureFormat *format);

// "bmp" or "png", as a picture file name ends.
const char *PictureExtension(PictureFormat format);

#endif
