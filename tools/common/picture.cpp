#include "picture.h"

#include <ctype.h>
#include <string.h>

#include "picture_encoders.h"

int EncodePicture(const uint8_t *raw_frame, PictureFormat format, std::vector<uint8_t> *bytes)
{
    uint8_t bits[DISPLAY_IMAGE_BYTES];
    ConvertFrame(raw_frame, bits, FRAME_WIDTH, FRAME_HEIGHT);
    bytes->clear();
    if (format == PICTURE_PNG)
        return EncodePng(bits, bytes);
    EncodeBmp(bits, bytes);
    return 0;
}

const char *PictureExtension(PictureFormat format)
{
    return format == PICTURE_PNG ? "png" : "bmp";
}

// Pictures saved on Windows may come back as FRAME.BMP from other tools, so
// the extension matches in any case.
int PictureFormatFromName(const char *name, PictureFormat *format)
{
    static const PictureFormat FORMATS[] = {PICTURE_BMP, PICTURE_PNG};
    size_t length = strlen(name);
    if (length < 4 || name[length - 4] != '.')
        return 0;
    for (PictureFormat candidate : FORMATS) {
        const char *extension = PictureExtension(candidate);
        int same = 1;
        for (int i = 0; i < 3; ++i)
            same &= tolower((unsigned char)name[length - 3 + i]) == extension[i];
        if (same) {
            *format = candidate;
            return 1;
        }
    }
    return 0;
}
