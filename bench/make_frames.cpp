// Saved frames to convert: COUNT frames of the simulated camera's test
// picture (frame 0, 1, ...), named and written the way pukavro's Save names
// and writes them (kavro001.bin, kavro002.bin, ...).
//
// usage: make_frames FOLDER COUNT
#include <stdio.h>
#include <stdlib.h>

#include "ezusbsim.h"
#include "frame.h"

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: make_frames FOLDER COUNT\n");
        return 2;
    }
    int count = atoi(argv[2]);
    RawFrame frame;
    int16_t counter = 1;
    for (int n = 0; n < count; n++) {
        EzusbsimTestPicture(frame, (uint32_t)n);
        char name[FRAME_NAME_CHARS];
        FormatFrameName(name, counter);
        char path[4096];
        snprintf(path, sizeof path, "%s/%s", argv[1], name);
        if (WriteRawFile(path, frame, RAW_FRAME_BYTES) != 0) {
            fprintf(stderr, "make_frames: cannot write %s\n", path);
            return 1;
        }
        counter = NextFrameCounter(counter);
    }
    return 0;
}
