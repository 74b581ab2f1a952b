#include "picture.h"

#include "jpeg_picture.h"
#include "picture_encoders.h"
#include "picture_scale.h"

EncodeResult EncodePicture(const uint8_t *raw_frame, OutputFormat format,
                           std::vector<uint8_t> *bytes)
{
    return EncodeStill(raw_frame, format, PlainStill(), bytes);
}

StillSettings PlainStill()
{
    StillSettings plain = {1, std::string(), STAMP_BOTTOM_RIGHT, JPEG_QUALITY_DEFAULT, ExifFacts()};
    plain.exif.has_moment = 0;
    return plain;
}

EncodeResult EncodeBits(const uint8_t *bits, int width, int height, OutputFormat format,
                        int quality, const ExifFacts &exif, std::vector<uint8_t> *bytes)
{
    bytes->clear();
    if (format == FORMAT_PNG)
        return EncodePng(bits, width, height, bytes) == 0 ? PICTURE_ENCODED : PICTURE_NO_MEMORY;
    if (format == FORMAT_JPEG)
        return EncodeJpeg(bits, width, height, quality, exif, bytes) == JPEG_ENCODED
                   ? PICTURE_ENCODED
                   : PICTURE_NO_MEMORY;
    EncodeBmp(bits, width, height, bytes);
    return PICTURE_ENCODED;
}

EncodeResult EncodeStill(const uint8_t *raw_frame, OutputFormat format,
                         const StillSettings &settings, std::vector<uint8_t> *bytes)
{
    uint8_t bits[DISPLAY_IMAGE_BYTES];
    ConvertFrame(raw_frame, bits, FRAME_WIDTH, FRAME_HEIGHT);
    uint8_t *picture = bits;
    int width = FRAME_WIDTH, height = FRAME_HEIGHT;
    std::vector<uint8_t> scaled;
    if (settings.scale > 1) {
        ScalePicture(bits, width, height, settings.scale, &scaled);
        width *= settings.scale;
        height *= settings.scale;
        picture = scaled.data();
    }
    if (!settings.stamp.empty())
        DrawStamp(picture, width, height, settings.stamp, settings.corner);
    return EncodeBits(picture, width, height, format, settings.quality, settings.exif, bytes);
}
