/* The simulated EZ-USB camera: what its driver and the programs that test
   against it share. C, so both the kernel-mode driver and the C++ tests
   include it. */
#ifndef PUKAVRO_EZUSBSIM_H
#define PUKAVRO_EZUSBSIM_H

#include <stdint.h>

/* The cameras, as the EZ-USB general-purpose driver names them: camera k is
   \\.\ezusb-k (the digit appended to the prefixes below). */
#define EZUSBSIM_CAMERA_DEVICE_PREFIX L"\\Device\\EzusbSim"
#define EZUSBSIM_CAMERA_LINK_PREFIX L"\\DosDevices\\ezusb-"
#define EZUSBSIM_CAMERA_PATH "\\\\.\\ezusb-0" /* camera 0, as a user-mode program opens it */
#define EZUSBSIM_MAX_CAMERAS 8

/* The simulator's own control device, for counters. Opening it is not an
   open of the camera. */
#define EZUSBSIM_CONTROL_DEVICE L"\\Device\\ezusbsim"
#define EZUSBSIM_CONTROL_LINK L"\\DosDevices\\ezusbsim"
#define EZUSBSIM_CONTROL_PATH "\\\\.\\ezusbsim"

#define EZUSBSIM_SERVICE "ezusbsim"

/* The two requests the camera answers (FILE_DEVICE_UNKNOWN, FILE_ANY_ACCESS). */
#define EZUSBSIM_IOCTL_VENDOR_REQUEST 0x00222059u /* function 0x816, METHOD_IN_DIRECT */
#define EZUSBSIM_IOCTL_BULK_READ 0x0022204Eu      /* function 0x813, METHOD_OUT_DIRECT */

/* Control device, METHOD_BUFFERED. Each takes as input one ULONG, the
   camera's number (no input: camera 0); a number with no camera fails with
   STATUS_NO_SUCH_DEVICE. The output of GET_COUNTERS is one EzusbsimCounters;
   the others return nothing. UNPLUG removes the camera's name and fails its
   requests in flight with STATUS_DEVICE_NOT_CONNECTED, as a removal does;
   PLUG brings the name back. Counters survive both. */
#define EZUSBSIM_IOCTL_GET_COUNTERS 0x00222400u   /* function 0x900 */
#define EZUSBSIM_IOCTL_RESET_COUNTERS 0x00222404u /* function 0x901 */
#define EZUSBSIM_IOCTL_UNPLUG 0x00222408u         /* function 0x902 */
#define EZUSBSIM_IOCTL_PLUG 0x0022240Cu           /* function 0x903 */

/* What the camera accepts. */
#define EZUSBSIM_VENDOR_BLOCK_BYTES 10
#define EZUSBSIM_VENDOR_REPLY_BYTES 1
#define EZUSBSIM_VENDOR_REQUEST_CODE 0xA8
#define EZUSBSIM_BULK_BLOCK_BYTES 4
#define EZUSBSIM_BULK_PIPE 7
#define EZUSBSIM_FRAME_WIDTH 96
#define EZUSBSIM_FRAME_HEIGHT 72
#define EZUSBSIM_FRAME_BYTES (EZUSBSIM_FRAME_WIDTH * EZUSBSIM_FRAME_HEIGHT * 2)

/* Fault knobs and the served file: values under
   HKLM\System\CurrentControlSet\Services\ezusbsim\Parameters (camera 0) or
   its subkey CameraK (camera k from 1), read at every camera request. A
   missing value or key means "no fault". */
#define EZUSBSIM_PARAMETERS_KEY "System\\CurrentControlSet\\Services\\ezusbsim\\Parameters"
#define EZUSBSIM_CAMERA_SUBKEY "Camera" /* followed by k */
/* DWORD 1-8 under Parameters, read when the driver starts: that many
   cameras. Missing or out of range: 1. */
#define EZUSBSIM_VALUE_CAMERAS "Cameras"
#define EZUSBSIM_VALUE_VENDOR_FAIL "VendorFail" /* DWORD: non-zero fails the vendor request */
#define EZUSBSIM_VALUE_BULK_FAIL "BulkFail"     /* DWORD: non-zero fails the bulk read */
#define EZUSBSIM_VALUE_BULK_BYTES "BulkBytes"   /* DWORD: 1..13823 delivers only that many bytes */
#define EZUSBSIM_VALUE_DELAY_MS "DelayMs"       /* DWORD: each request is answered this late */
#define EZUSBSIM_VALUE_FRAME_FILE "FrameFile"   /* REG_SZ: C:\... raw frame served instead */
/* DWORD: present (0 too), the vendor request or the bulk read alone is
   answered this late, in place of DelayMs. */
#define EZUSBSIM_VALUE_VENDOR_DELAY_MS "VendorDelayMs"
#define EZUSBSIM_VALUE_BULK_DELAY_MS "BulkDelayMs"
/* DWORD N: the next N camera requests fail; the camera counts it down itself. */
#define EZUSBSIM_VALUE_FAIL_NEXT "FailNext"
/* DWORD: present, each capture's outcome is drawn from the sequence this seeds
   (fault_sequence.h) instead of the fault knobs above. */
#define EZUSBSIM_VALUE_FAULT_SEED "FaultSeed"
/* DWORD: non-zero, a delayed request cannot be cancelled: it ends only when
   its delay is over, as a driver that does not honour a cancel. */
#define EZUSBSIM_VALUE_IGNORE_CANCEL "IgnoreCancel"
/* DWORD: non-zero, each camera request is answered inside the request itself,
   as late as its delay says, never pending and deaf to cancels, as a driver
   that does its transfer synchronously. Under Wine this holds every request
   to the driver (opens, the counters) meanwhile. */
#define EZUSBSIM_VALUE_BLOCK_IN_REQUEST "BlockInRequest"
/* DWORD A, 1 to 127: every sample sent gets uniform noise from -A to +A
   (noise.h), drawn from NoiseSeed (DWORD; 1 where missing) and the frame's
   number. */
#define EZUSBSIM_VALUE_NOISE "Noise"
#define EZUSBSIM_VALUE_NOISE_SEED "NoiseSeed"

/* Everything is counted as received, before any check. */
typedef struct EzusbsimCounters {
    uint32_t opens;  /* creates of the camera device */
    uint32_t closes; /* closes of the camera device */
    uint32_t vendor_requests;
    uint32_t bulk_reads;
    uint32_t rejected;        /* requests that failed the checks */
    uint32_t frames_sent;     /* bulk reads answered with data; the next frame's number */
    uint32_t pending;         /* camera requests queued or being delayed (not reset) */
    uint32_t last_open_share; /* share access of the last create (Wine does
                                   not pass the desired access on) */
    uint32_t last_vendor_in_bytes;
    uint32_t last_vendor_out_bytes;
    uint8_t last_vendor_block[16]; /* the first 16 bytes of the last vendor input */
    uint32_t last_bulk_in_bytes;
    uint32_t last_bulk_out_bytes;
    uint32_t last_bulk_pipe; /* first 4 input bytes, little-endian */
    uint32_t cancelled;      /* camera requests ended by a cancel */
    uint32_t fault_draws;    /* outcomes drawn from the seeded sequence */
    /* Vendor requests and bulk reads that break into a conversation (open,
       vendor request, bulk read, close, on one handle): one arriving while
       another handle of the camera has sent a vendor request whose bulk
       read has not come back and which is not closed; and a bulk read with
       no vendor request on its handle since the open or the last bulk read.
       A request that is both counts once; a failed vendor request still
       opens its handle's conversation. */
    uint32_t overlaps;
} EzusbsimCounters;

/* The picture camera 0 sends as frame n (n counts from 0 when the driver
   starts or its counters are reset), in UYVY, top row first:
   - rows 0-47: eight bars of 12 pixels, left to right 75% white, yellow,
     cyan, green, magenta, red, blue, black;
   - rows 48-59: black (Y 16) with n mod 10000 as four decimal digits in
     white (Y 235), a 3 x 5 font at 2 x 2 pixels per dot, digit k starting at
     x = 4 + 8k, y = 50;
   - rows 60-71: a grey ramp Y = 16 + 219x / 95 (integer division), with a
     red mark (the red bar's colour) over x = 4(n mod 24) to 4(n mod 24) + 3.
   Chroma is 128 outside the bars and the mark. Camera k from 1 sends the
   same with k as a fifth digit at x = 36 (black on camera 0). */
static inline void EzusbsimCameraPixel(uint32_t camera, uint32_t n, int x, int y, uint8_t *luma,
                                       uint8_t *u, uint8_t *v)
{
    static const uint8_t bars[8][3] = {
        {180, 128, 128}, {162, 44, 142}, {131, 156, 44}, {112, 72, 58},
        {84, 184, 198},  {65, 100, 212}, {35, 212, 114}, {16, 128, 128},
    };
    /* 3 x 5 digits, top row in bits 14-12, leftmost dot the highest bit. */
    static const uint16_t font[10] = {
        0x7b6f, 0x2c97, 0x73e7, 0x73cf, 0x5bc9, 0x79cf, 0x79ef, 0x7249, 0x7bef, 0x7bcf,
    };
    *u = 128;
    *v = 128;
    if (y < 48) {
        *luma = bars[x / 12][0];
        *u = bars[x / 12][1];
        *v = bars[x / 12][2];
    } else if (y < 60) {
        *luma = 16;
        int digits_end = camera > 0 ? 44 : 36;
        if (y >= 50 && x >= 4 && x < digits_end && (x - 4) % 8 < 6) {
            int k = (x - 4) / 8;
            uint32_t digits = n % 10000;
            uint32_t digit = k == 0   ? digits / 1000
                             : k == 1 ? digits / 100 % 10
                             : k == 2 ? digits / 10 % 10
                             : k == 3 ? digits % 10
                                      : camera % 10;
            int column = (x - 4) % 8 / 2;
            int row = (y - 50) / 2;
            if (font[digit] >> (14 - 3 * row - column) & 1)
                *luma = 235;
        }
    } else {
        int mark = (int)(n % 24) * 4;
        *luma = (uint8_t)(16 + 219 * x / 95);
        if (x >= mark && x < mark + 4) {
            *luma = bars[5][0];
            *u = bars[5][1];
            *v = bars[5][2];
        }
    }
}

static inline void EzusbsimTestPixel(uint32_t n, int x, int y, uint8_t *luma, uint8_t *u,
                                     uint8_t *v)
{
    EzusbsimCameraPixel(0, n, x, y, luma, u, v);
}

/* Fills EZUSBSIM_FRAME_BYTES bytes with the camera's frame n; each pixel
   pair takes the chroma of its first pixel. */
static inline void EzusbsimCameraPicture(uint8_t *frame, uint32_t camera, uint32_t n)
{
    int x, y;
    for (y = 0; y < EZUSBSIM_FRAME_HEIGHT; y++) {
        for (x = 0; x < EZUSBSIM_FRAME_WIDTH; x += 2) {
            uint8_t *pair = frame + (y * EZUSBSIM_FRAME_WIDTH + x) * 2;
            uint8_t u, v, unused_u, unused_v;
            EzusbsimCameraPixel(camera, n, x, y, &pair[1], &u, &v);
            EzusbsimCameraPixel(camera, n, x + 1, y, &pair[3], &unused_u, &unused_v);
            pair[0] = u;
            pair[2] = v;
        }
    }
}

static inline void EzusbsimTestPicture(uint8_t *frame, uint32_t n)
{
    EzusbsimCameraPicture(frame, 0, n);
}

#endif
