// Ctrl+C: the frame on screen on the clipboard as a device-independent
// bitmap, at its own size, for pasting into a report.
#include <windows.h>
#include <string.h>

#include "view_window.h"

void CopyPicture(ViewWindow *view)
{
    const SIZE_T header = sizeof(BITMAPINFOHEADER);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, header + DISPLAY_IMAGE_BYTES);
    if (memory == NULL)
        return;
    uint8_t *bytes = static_cast<uint8_t *>(GlobalLock(memory));
    memcpy(bytes, &view->picture_info.bmiHeader, header);
    memcpy(bytes + header, view->picture, DISPLAY_IMAGE_BYTES);
    GlobalUnlock(memory);
    if (!OpenClipboard(view->window)) {
        GlobalFree(memory);
        return;
    }
    EmptyClipboard();
    // Once set, the memory is the clipboard's.
    if (SetClipboardData(CF_DIB, memory) == NULL)
        GlobalFree(memory);
    CloseClipboard();
}
