// The one place where the capture thread leaves frames for the window: the
// newest frame only (raw bytes, its picture, its number), replaced by each
// new one, never a queue, so the window is at most one frame behind whatever
// it was doing. The window is told with at most one notice outstanding.
// Platform-free.
#ifndef PUKAVRO_KAVROVIEW_FRAME_SLOT_H
#define PUKAVRO_KAVROVIEW_FRAME_SLOT_H

#include <stdint.h>

#include <mutex>

#include "frame.h"

struct FrameSlot {
    std::mutex lock;
    uint8_t raw[RAW_FRAME_BYTES];
    uint8_t bits[DISPLAY_IMAGE_BYTES];
    uint32_t number;       // of the frame held, counted by the capture thread
    bool fresh = false;    // held and not yet taken
    bool noticed = false;  // a notice is out and not yet answered by a take
};

enum SlotNotice { SLOT_TELL_WINDOW, SLOT_WINDOW_TOLD };

// From the capture thread: the frame (and its picture, already converted)
// replaces whatever the slot holds. SLOT_TELL_WINDOW when no notice is out,
// and one now counts as out: the caller sends it.
SlotNotice PutFrame(FrameSlot *slot, const uint8_t *raw, const uint8_t *bits, uint32_t number);

// From the window, on a notice: copies the newest frame out and answers the
// notice. false, copying nothing, when nothing new arrived since the last
// take.
bool TakeFrame(FrameSlot *slot, uint8_t *raw, uint8_t *bits, uint32_t *number);

#endif
