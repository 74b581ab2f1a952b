// What the EZ-USB general-purpose driver takes for a capture: the camera's
// device, the two control codes and their input blocks. Both conversations
// with the camera (the window's and the command-line tool's) send these.
#ifndef PUKAVRO_EZUSB_H
#define PUKAVRO_EZUSB_H

#include <windows.h>
#include <winioctl.h>
#include <stdint.h>

#include "ezusb_device.h"

const DWORD IOCTL_EZUSB_VENDOR_OR_CLASS_REQUEST =
    CTL_CODE(FILE_DEVICE_UNKNOWN, 0x816, METHOD_IN_DIRECT, FILE_ANY_ACCESS);
const DWORD IOCTL_EZUSB_BULK_READ =
    CTL_CODE(FILE_DEVICE_UNKNOWN, 0x813, METHOD_OUT_DIRECT, FILE_ANY_ACCESS);
// The numbers the driver answers to; a wrong field above would send
// requests it does not know.
static_assert(IOCTL_EZUSB_VENDOR_OR_CLASS_REQUEST == 0x00222059, "the driver's vendor request");
static_assert(IOCTL_EZUSB_BULK_READ == 0x0022204E, "the driver's bulk read");

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

// The capture request: 01 02 00 00 A8 CC 01 00 CC CC. Fill and index carry
// nothing the camera uses; 0xCC marks them as unset.
inline void FillCaptureRequest(VendorRequestBlock *vendor)
{
    vendor->direction = 1;
    vendor->request_type = 2;
    vendor->recipient = 0;
    vendor->reserved_bits = 0;
    vendor->request = VENDOR_REQUEST_CAPTURE;
    vendor->fill = 0xCC;
    vendor->value = 1;
    vendor->index = 0xCCCC;
}

#endif
