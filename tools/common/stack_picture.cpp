#include "stack_picture.h"

#include "png16_picture.h"
#include "stack.h"

EncodeResult EncodeStackPicture(const double *averages, OutputFormat format,
                                const StillSettings &still, std::vector<uint8_t> *bytes)
{
    if (format == FORMAT_RAW16) {
        bytes->resize(RAW16_FRAME_BYTES);
        EncodeRaw16(averages, bytes->data());
        return PICTURE_ENCODED;
    }
    if (format == FORMAT_PNG16) {
        std::vector<uint16_t> rgb(FRAME_PIXELS * 3);
        ConvertAverages(averages, rgb.data());
        return EncodePng16(rgb.data(), bytes) == 0 ? PICTURE_ENCODED : PICTURE_NO_MEMORY;
    }
    uint8_t frame[RAW_FRAME_BYTES];
    RoundAverages(averages, frame);
    if (format == FORMAT_RAW) {
        bytes->assign(frame, frame + RAW_FRAME_BYTES);
        return PICTURE_ENCODED;
    }
    return EncodeStill(frame, format, still, bytes);
}
