#include <errno.h>
#include <string.h>

#include "kavroconv.h"

namespace {

int WriteFailed(const char *output, int error, FILE *err)
{
    fprintf(err, "kavroconv: %s: write failed: %s\n", output, strerror(error));
    return -1;
}

}  // namespace

// The frame is read whole before the output is opened, and an output that is
// the frame file itself (by another name or a link) is refused before "wb"
// could truncate it. An existing picture is replaced in place, and a failed
// write leaves behind what reached the file, both as cp does.
int ConvertFile(const char *input, const char *output, ImageFormat format, FILE *out, FILE *err)
{
    uint8_t frame[RAW_FRAME_BYTES];
    if (ReadFrameFile(input, frame, err) != 0)
        return -1;
    if (IsSameFile(input, output)) {
        fprintf(err, "kavroconv: %s: output %s is this frame file itself, not overwritten\n", input,
                output);
        return -1;
    }
    uint8_t bits[DISPLAY_IMAGE_BYTES];
    ConvertFrame(frame, bits, FRAME_WIDTH, FRAME_HEIGHT);

    FILE *file = fopen(output, "wb");
    if (file == NULL) {
        fprintf(err, "kavroconv: %s: cannot write: %s\n", output, strerror(errno));
        return -1;
    }
    int written = format == FORMAT_PNG ? WritePng(file, bits) : WriteBmp(file, bits);
    int error = errno;
    if (written != 0) {
        fclose(file);
        return WriteFailed(output, error, err);
    }
    if (fclose(file) != 0)
        return WriteFailed(output, errno, err);
    fprintf(out, "%s -> %s\n", input, output);
    return 0;
}
