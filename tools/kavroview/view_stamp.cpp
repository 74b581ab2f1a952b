#include "view_stamp.h"

#include <stdio.h>

#include "frame.h"
#include "stamp_font.h"

std::string ViewStampText(const CaptureMoment &moment)
{
    char text[32];
    snprintf(text, sizeof text, "%02d:%02d:%02d", moment.hour, moment.minute, moment.second);
    return text;
}

void StampPicture(uint8_t *bits, const CaptureMoment &moment)
{
    DrawStamp(bits, FRAME_WIDTH, FRAME_HEIGHT, ViewStampText(moment), STAMP_BOTTOM_RIGHT);
}
