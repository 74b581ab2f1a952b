#include "kavroconv.h"
#include "output_file.h"

// The frame is read whole before anything is written, and an output that is
// the frame file itself (by another name or a link) is refused: replacing it
// would lose the frame.
int ConvertFile(const char *input, const char *output, PictureFormat format, int quiet, FILE *out,
                FILE *err)
{
    uint8_t frame[RAW_FRAME_BYTES];
    if (ReadFrameFile(input, frame, err) != 0)
        return -1;
    if (IsSameFile(input, output)) {
        PrintLine(err, std::string("kavroconv: ") + input + ": output " + output
                           + " is this frame file itself, not overwritten");
        return -1;
    }
    std::vector<uint8_t> picture;
    std::string reason = "Not enough memory";
    if (EncodePicture(frame, format, &picture) != 0
        || WriteWholeFile(output, picture.data(), picture.size(), 1, &reason) != OUTPUT_WRITTEN) {
        PrintLine(err, std::string("kavroconv: ") + output + ": cannot write: " + reason);
        return -1;
    }
    if (!quiet)
        PrintLine(out, std::string(input) + " -> " + output);
    return 0;
}
