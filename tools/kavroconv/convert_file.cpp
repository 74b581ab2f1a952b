#include "console.h"
#include "kavroconv.h"
#include "output_file.h"
#include "picture.h"
#include "report.h"

// The frame is read whole before anything is written, and an output that is
// the frame file itself (by another name or a link) is refused: replacing it
// would lose the frame.
ConvertResult ConvertFile(const char *input, const char *output, OutputFormat format, int quality,
                          int quiet, FILE *out, FILE *err)
{
    uint8_t frame[RAW_FRAME_BYTES];
    if (ReadFrameFile(input, frame, err) != FRAME_FILE_READ)
        return FILE_NOT_CONVERTED;
    if (IsSameFile(input, output)) {
        Report(err, KAVROCONV_NAME,
               std::string(input) + ": output " + output
                   + " is this frame file itself, not overwritten");
        return FILE_NOT_CONVERTED;
    }
    StillSettings still = PlainStill();
    still.quality = quality;
    still.exif.has_moment = FrameFileMoment(input, &still.exif.moment) == 0;
    std::vector<uint8_t> picture;
    std::string reason = "Not enough memory";
    if (EncodeStill(frame, format, still, &picture) != PICTURE_ENCODED
        || WriteWholeFile(output, picture.data(), picture.size(), 1, &reason) != OUTPUT_WRITTEN) {
        Report(err, KAVROCONV_NAME, std::string(output) + ": cannot write: " + reason);
        return FILE_NOT_CONVERTED;
    }
    if (!quiet)
        PrintLine(out, std::string(input) + " -> " + output);
    return FILE_CONVERTED;
}
