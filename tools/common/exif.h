// The EXIF block of our JPEG pictures: when the frame was taken and by
// which camera, in the tags photo programs sort and label pictures by.
// Platform-free.
#ifndef PUKAVRO_EXIF_H
#define PUKAVRO_EXIF_H

#include <stdint.h>

#include <string>
#include <vector>

#include "capture_moment.h"

struct ExifFacts {
    int has_moment;  // 0: the time is not known, no time tags
    CaptureMoment moment;
    std::string device;  // the camera's device path; "" when not known
};

// The whole APP1 segment (marker, length, "Exif\0\0", a little-endian TIFF
// structure): IFD0 with ImageDescription (the device) and the Exif IFD's
// place, the Exif IFD with ExifVersion, DateTimeOriginal,
// OffsetTimeOriginal and SubSecTimeOriginal. No IFD1: no thumbnail. Empty
// when facts hold nothing.
std::vector<uint8_t> ExifSegment(const ExifFacts &facts);

#endif
