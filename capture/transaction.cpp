// One capture as a conversation with the EZ-USB general-purpose driver:
// open, vendor request 0xA8, bulk read from pipe 7, close.
#include <windows.h>
#include <stdint.h>

#include "capture.h"

namespace {

const char DEVICE_PATH[] = "\\\\.\\ezusb-0";

// FILE_DEVICE_UNKNOWN, FILE_ANY_ACCESS.
const DWORD IOCTL_EZUSB_VENDOR_OR_CLASS_REQUEST = 0x00222059;  // 0x816, METHOD_IN_DIRECT
const DWORD IOCTL_EZUSB_BULK_READ = 0x0022204E;                // 0x813, METHOD_OUT_DIRECT

const uint8_t VENDOR_REQUEST_CAPTURE = 0xA8;
const ULONG BULK_PIPE_FRAME = 7;

#pragma pack(push, 1)
struct VendorRequestBlock {
    uint8_t direction;     // 1: device to host
    uint8_t request_type;  // 2: vendor
    uint8_t recipient;     // 0: device
    uint8_t reserved_bits;
    uint8_t request;
    uint8_t fill;  // alignment before the 16-bit fields
    uint16_t value;
    uint16_t index;
};
#pragma pack(pop)
static_assert(sizeof(VendorRequestBlock) == 10, "the driver expects exactly 10 bytes");

struct BulkTransferBlock {
    ULONG pipe;
};
static_assert(sizeof(BulkTransferBlock) == 4, "the driver expects exactly 4 bytes");

}  // namespace

CaptureStatus RunCaptureTransaction(uint8_t *buffer, int32_t length)
{
    HANDLE device =
        CreateFileA(DEVICE_PATH, GENERIC_WRITE, FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (device == INVALID_HANDLE_VALUE)
        return -1;

    VendorRequestBlock vendor;
    vendor.direction = 1;
    vendor.request_type = 2;
    vendor.recipient = 0;
    vendor.reserved_bits = 0;
    vendor.request = VENDOR_REQUEST_CAPTURE;
    // Fill and index carry nothing the camera uses; 0xCC marks them as unset.
    vendor.fill = 0xCC;
    vendor.value = 1;
    vendor.index = 0xCCCC;
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
