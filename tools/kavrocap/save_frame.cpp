#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include "frame.h"
#include "kavrocap.h"
#include "output_file.h"
#include "picture.h"

int EncodeFrame(const uint8_t *frame, OutputFormat format, std::vector<uint8_t> *bytes)
{
    if (format == FORMAT_RAW) {
        bytes->assign(frame, frame + RAW_FRAME_BYTES);
        return 0;
    }
    return EncodePicture(frame, format == FORMAT_PNG ? PICTURE_PNG : PICTURE_BMP, bytes);
}

int SaveFile(const std::string &path, const std::vector<uint8_t> &bytes, int replace,
             std::string *reason)
{
    std::string why;
    switch (WriteWholeFile(path.c_str(), bytes.data(), bytes.size(), replace, &why)) {
    case OUTPUT_WRITTEN:
        return 0;
    case OUTPUT_EXISTS:
        *reason = path + ": file exists";
        return -1;
    default:
        *reason = path + ": write failed: " + why;
        return -1;
    }
}

int WriteToStandardOutput(const std::vector<uint8_t> &bytes)
{
    // Once per run is enough, but it costs nothing to say it again.
    _setmode(_fileno(stdout), _O_BINARY);
    if (fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size())
        return -1;
    return fflush(stdout) == 0 ? 0 : -1;
}
