// The file of a stacked picture, the same from every tool: its averages
// rounded to a raw frame or an 8-bit picture (exactly a single frame's
// picture when they are whole numbers), or kept to 16 bits.
#ifndef PUKAVRO_STACK_PICTURE_H
#define PUKAVRO_STACK_PICTURE_H

#include <stdint.h>

#include <vector>

#include "output_format.h"
#include "picture.h"

// averages: RAW_FRAME_BYTES, as StackAverages gives them. FORMAT_RAW,
// FORMAT_BMP, FORMAT_PNG, FORMAT_JPEG, FORMAT_PNG16 or FORMAT_RAW16; an
// 8-bit picture is made as still says (scale, stamp, quality, EXIF), the
// others as they are.
EncodeResult EncodeStackPicture(const double *averages, OutputFormat format,
                                const StillSettings &still, std::vector<uint8_t> *bytes);

#endif
