// The least a program can do for what `kavrocap -n COUNT` does, against which
// kavrocap's burst is measured: the window's own capture transaction, one
// after another, each frame written to kavroNNN.bin (or .png) in the current
// folder. Modes:
//   raw    the frame through the whole-file output (temporary file, rename),
//          refusing an existing name as kavrocap does without --overwrite
//   png    its picture through the same output
//   plain  the frame with one CreateFile, WriteFile and CloseHandle: what a
//          file that may be seen half-written costs
// kavrocap_floor MODE COUNT; exit status 0, or 1 when any frame failed.
#include <windows.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "window_capture.h"
#include "frame.h"
#include "output_file.h"
#include "picture.h"

namespace {

enum Mode { MODE_RAW, MODE_PNG, MODE_PLAIN };

int WritePlain(const char *name, const uint8_t *data, DWORD length)
{
    HANDLE file =
        CreateFileA(name, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    DWORD written = 0;
    BOOL ok = WriteFile(file, data, length, &written, NULL);
    return CloseHandle(file) && ok && written == length ? 0 : -1;
}

int SaveFrame(Mode mode, int number, const uint8_t *frame)
{
    char name[32];
    snprintf(name, sizeof name, "kavro%03d.%s", number, mode == MODE_PNG ? "png" : "bin");
    if (mode == MODE_PLAIN)
        return WritePlain(name, frame, RAW_FRAME_BYTES);
    if (mode == MODE_RAW)
        return WriteWholeFile(name, frame, RAW_FRAME_BYTES, 0, NULL) == OUTPUT_WRITTEN ? 0 : -1;
    std::vector<uint8_t> picture;
    if (EncodePicture(frame, FORMAT_PNG, &picture) != PICTURE_ENCODED)
        return -1;
    return WriteWholeFile(name, picture.data(), picture.size(), 0, NULL) == OUTPUT_WRITTEN ? 0 : -1;
}

const char *const MODE_NAMES[] = {"raw", "png", "plain"};

int ParseMode(const char *text, Mode *mode)
{
    for (int i = 0; i < 3; i++) {
        if (strcmp(text, MODE_NAMES[i]) == 0) {
            *mode = static_cast<Mode>(i);
            return 0;
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char **argv)
{
    Mode mode = MODE_RAW;
    int count = argc == 3 ? atoi(argv[2]) : 0;
    if (argc != 3 || ParseMode(argv[1], &mode) != 0 || count <= 0) {
        fprintf(stderr, "usage: kavrocap_floor raw|png|plain COUNT\n");
        return 2;
    }
    static RawFrame frame;
    int failed = 0;
    for (int number = 1; number <= count; number++) {
        if (RunCaptureTransaction(frame, RAW_FRAME_BYTES) != 0
            || SaveFrame(mode, number, frame) != 0)
            failed++;
    }
    if (failed > 0)
        fprintf(stderr, "kavrocap_floor: %d of %d frames failed\n", failed, count);
    return failed > 0 ? 1 : 0;
}
