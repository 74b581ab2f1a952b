/* The simulated camera's fault knobs, as the driver sees them. */
#ifndef PUKAVRO_EZUSBSIM_KNOBS_H
#define PUKAVRO_EZUSBSIM_KNOBS_H

#include <ntddk.h>

#define FRAME_FILE_CHARS 260

typedef struct Knobs {
    ULONG vendor_fail;
    ULONG bulk_fail;
    ULONG bulk_bytes;
    ULONG vendor_delay_ms; /* VendorDelayMs where given, else DelayMs */
    ULONG bulk_delay_ms;   /* BulkDelayMs where given, else DelayMs */
    ULONG fail_next;
    ULONG fault_seed;
    ULONG fault_seed_set; /* the seed's value is present */
    ULONG ignore_cancel;
    ULONG block_in_request;
    ULONG noise;                        /* Noise: 0 none, else the amplitude (noise.h) */
    ULONG noise_seed;                   /* NoiseSeed where given, else 1 */
    WCHAR frame_file[FRAME_FILE_CHARS]; /* empty: serve the test picture */
} Knobs;

/* Where the knobs live: the Parameters subkey of the service key that
   DriverEntry was given (camera 0's), and its CameraK subkeys. */
NTSTATUS SetKnobsKey(const UNICODE_STRING *registry_path);

/* How many cameras to create: Cameras, 1 when missing or out of range. */
ULONG ReadCameraCount(void);

/* The camera's knobs as they are now; no key or no value means no fault. */
void ReadKnobs(ULONG camera, Knobs *knobs);

/* Counts the camera's FailNext down by one when it is above 0. Returns 1
   when it was, so this request is to fail, else 0. */
int TakeFailNext(ULONG camera);

/* Loads exactly bytes bytes from the start of the file at dos_path
   ("C:\\..."). Returns 0, or -1 when it cannot be opened or is shorter. */
int ReadFrameFile(const WCHAR *dos_path, UCHAR *frame, ULONG bytes);

#endif
