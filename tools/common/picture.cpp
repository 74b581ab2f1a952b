#include "picture.h"

#include "picture_encoders.h"

EncodeResult EncodePicture(const uint8_t *raw_frame, OutputFormat format,
                           std::vector<uint8_t> *bytes)
{
    uint8_t bits[DISPLAY_IMAGE_BYTES];
    ConvertFrame(raw_frame, bits, FRAME_WIDTH, FRAME_HEIGHT);
    bytes->clear();
    if (format == FORMAT_PNG)
        return EncodePng(bits, bytes) == 0 ? PICTURE_ENCODED : PICTURE_NO_MEMORY;
    EncodeBmp(bits, bytes);
    return PICTURE_ENCODED;
}
