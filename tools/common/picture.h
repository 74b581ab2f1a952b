// The picture files of one raw frame, with exactly the colours the program
// paints: the same bytes from every tool that writes them.
#ifndef PUKAVRO_PICTURE_H
#define PUKAVRO_PICTURE_H

#include <stdint.h>

#include <string>
#include <vector>

#include "exif.h"
#include "frame.h"
#include "output_format.h"
#include "stamp_font.h"

enum {
    BMP_HEADERS_BYTES = 14 + 40,  // file header, then the bitmap info header
    BMP_FILE_BYTES = BMP_HEADERS_BYTES + DISPLAY_IMAGE_BYTES,  // 20790
};

enum EncodeResult { PICTURE_ENCODED, PICTURE_NO_MEMORY };

// The whole file of the picture of one raw frame (RAW_FRAME_BYTES of UYVY),
// converted as the window converts it (ConvertFrame): for FORMAT_BMP a
// 24-bit BMP of BMP_FILE_BYTES, for FORMAT_PNG an RGB PNG, for FORMAT_JPEG
// a JPEG at the default quality without EXIF.
EncodeResult EncodePicture(const uint8_t *raw_frame, OutputFormat format,
                           std::vector<uint8_t> *bytes);

// How a still is made beyond its format: enlarged first, then stamped, and
// for JPEG its quality and EXIF facts.
struct StillSettings {
    int scale;          // SCALE_MIN to SCALE_MAX
    std::string stamp;  // the text drawn, "" for none
    StampCorner corner;
    int quality;
    ExifFacts exif;
};

// 1x, no stamp, the default quality, no EXIF facts: EncodePicture's.
StillSettings PlainStill();

// The picture file of a raw frame made as settings say.
EncodeResult EncodeStill(const uint8_t *raw_frame, OutputFormat format,
                         const StillSettings &settings, std::vector<uint8_t> *bytes);

// The file of painted bits (bottom-up BGR, width x height) in format.
EncodeResult EncodeBits(const uint8_t *bits, int width, int height, OutputFormat format,
                        int quality, const ExifFacts &exif, std::vector<uint8_t> *bytes);

#endif
