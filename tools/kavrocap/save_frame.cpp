#include "save_frame.h"

#include "frame.h"
#include "output_file.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

EncodeResult EncodeFrame(const uint8_t *frame, OutputFormat format, const StillSettings &still,
                         std::vector<uint8_t> *bytes)
{
    if (format == FORMAT_RAW) {
        bytes->assign(frame, frame + RAW_FRAME_BYTES);
        return PICTURE_ENCODED;
    }
    return EncodeStill(frame, format, still, bytes);
}

SaveResult SaveFile(const std::string &path, const std::vector<uint8_t> &bytes, bool replace,
                    std::string *reason)
{
    std::string why;
    switch (WriteWholeFile(path.c_str(), bytes.data(), bytes.size(), replace ? 1 : 0, &why)) {
    case OUTPUT_WRITTEN:
        return FRAME_KEPT;
    case OUTPUT_EXISTS:
        *reason = path + ": file exists";
        return FRAME_NOT_KEPT;
    default:
        *reason = path + ": write failed: " + why;
        return FRAME_NOT_KEPT;
    }
}

SaveResult WriteToOutput(FILE *out, const std::vector<uint8_t> &bytes)
{
#ifdef _WIN32
    // Once per run is enough, but it costs nothing to say it again.
    _setmode(_fileno(out), _O_BINARY);
#endif
    if (fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size())
        return FRAME_NOT_KEPT;
    return fflush(out) == 0 ? FRAME_KEPT : FRAME_NOT_KEPT;
}
