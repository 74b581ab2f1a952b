// kavroview's time stamp (View, Time stamp): the time of day a frame
// arrived, in the bottom right corner, drawn into the live picture, its
// snapshots' pictures and its recordings, never into a raw frame. The time
// of day is the longest of the stamp's texts that fits the camera's 96
// pixels. Platform-free.
#ifndef PUKAVRO_KAVROVIEW_VIEW_STAMP_H
#define PUKAVRO_KAVROVIEW_VIEW_STAMP_H

#include <stdint.h>

#include <string>

#include "capture_moment.h"

// "07:30:05".
std::string ViewStampText(const CaptureMoment &moment);

// Draws it into a painted picture (DISPLAY_IMAGE_BYTES, bottom-up BGR).
void StampPicture(uint8_t *bits, const CaptureMoment &moment);

#endif
