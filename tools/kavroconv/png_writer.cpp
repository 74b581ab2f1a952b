#include <errno.h>

#include "kavroconv.h"

// stb's writer, compiled here once, without its file functions: the bytes go
// through our own stream so that a failed write is seen.
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace {

// stb hands over the encoded bytes in pieces and cannot be stopped, so the
// first failure and its reason are kept for the end.
struct PngSink {
    FILE *file;
    int error;  // errno of the first failed write, 0 while all is well
};

void WritePiece(void *context, void *data, int size)
{
    PngSink *sink = (PngSink *)context;
    if (sink->error == 0 && fwrite(data, 1, (size_t)size, sink->file) != (size_t)size)
        sink->error = errno != 0 ? errno : EIO;
}

}  // namespace

// The same picture as the bitmap, but the way PNG keeps it: top row first,
// red-green-blue.
int WritePng(FILE *file, const uint8_t *bits)
{
    const int ROW_BYTES = FRAME_WIDTH * 3;
    uint8_t picture[DISPLAY_IMAGE_BYTES];
    for (int row = 0; row < FRAME_HEIGHT; ++row) {
        const uint8_t *from = bits + ROW_BYTES * (FRAME_HEIGHT - 1 - row);
        uint8_t *to = picture + ROW_BYTES * row;
        for (int x = 0; x < ROW_BYTES; x += 3) {
            to[x] = from[x + 2];
            to[x + 1] = from[x + 1];
            to[x + 2] = from[x];
        }
    }
    PngSink sink = {file, 0};
    if (stbi_write_png_to_func(WritePiece, &sink, FRAME_WIDTH, FRAME_HEIGHT, 3, picture, ROW_BYTES)
        == 0) {
        errno = ENOMEM;  // stb fails by itself only when it runs out of memory
        return -1;
    }
    if (sink.error != 0) {
        errno = sink.error;
        return -1;
    }
    return 0;
}
