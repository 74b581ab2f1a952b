#include "frame_slot.h"

#include <string.h>

SlotNotice PutFrame(FrameSlot *slot, const uint8_t *raw, const uint8_t *bits, uint32_t number)
{
    std::lock_guard<std::mutex> hold(slot->lock);
    memcpy(slot->raw, raw, RAW_FRAME_BYTES);
    memcpy(slot->bits, bits, DISPLAY_IMAGE_BYTES);
    slot->number = number;
    slot->fresh = true;
    if (slot->noticed)
        return SLOT_WINDOW_TOLD;
    slot->noticed = true;
    return SLOT_TELL_WINDOW;
}

bool TakeFrame(FrameSlot *slot, uint8_t *raw, uint8_t *bits, uint32_t *number)
{
    std::lock_guard<std::mutex> hold(slot->lock);
    slot->noticed = false;
    if (!slot->fresh)
        return false;
    memcpy(raw, slot->raw, RAW_FRAME_BYTES);
    memcpy(bits, slot->bits, DISPLAY_IMAGE_BYTES);
    *number = slot->number;
    slot->fresh = false;
    return true;
}
