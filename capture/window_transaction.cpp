// One capture as a conversation with the EZ-USB general-purpose driver:
// open, vendor request 0xA8, bulk read from pipe 7, close.
#include <windows.h>
#include <stdint.h>

#include "window_capture.h"
#include "ezusb.h"

CaptureStatus RunCaptureTransaction(uint8_t *buffer, int32_t length)
{
    HANDLE device = CreateFileA(EZUSB_DEVICE_PATH, GENERIC_WRITE, FILE_SHARE_WRITE, NULL,
                                OPEN_EXISTING, 0, NULL);
    if (device == INVALID_HANDLE_VALUE)
        return -1;

    VendorRequestBlock vendor;
    FillCaptureRequest(&vendor);
    uint8_t reply = 0;
    // One counter for both calls; the byte counts are not relied on.
    DWORD returned = 0;
    if (!DeviceIoControl(device, IOCTL_EZUSB_VENDOR_OR_CLASS_REQUEST, &vendor, sizeof vendor,
                         &reply, sizeof reply, &returned, NULL)) {
        CloseHandle(device);
        return -1;
    }

    // Straight into the caller's buffer, not cleared first: a short read
    // leaves the bytes past its end as they were, and still counts.
    BulkTransferBlock bulk = {BULK_PIPE_FRAME};
    BOOL read = DeviceIoControl(device, IOCTL_EZUSB_BULK_READ, &bulk, sizeof bulk, buffer,
                                static_cast<DWORD>(length), &returned, NULL);
    CloseHandle(device);
    return read ? 0 : -1;
}
