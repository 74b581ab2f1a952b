// The least a program can do for what `kavrocap -n COUNT` does, against which
// kavrocap's own cost per frame is measured: the same capture thread
// (TimedCameraSeam, kavrocap's default time-out), each frame written to
// kavroNNN.bin in the current folder as kavrocap names it by default, and
// the same lines: the path on standard output, flushed so that a script
// sees it at once, and "kavrocap: k/COUNT path" on standard error, both
// through the tools' own console output. Modes:
//   raw    the frame through the whole-file output (temporary file, rename),
//          refusing an existing name as kavrocap does without --overwrite
//   png    its PNG picture through the same output
//   plain  the frame with one CreateFile, WriteFile and CloseHandle: what a
//          file that may be seen half-written costs
//   movie  nothing written: what `kavrocap -n COUNT kavro.avi` prints (its
//          progress line a frame, the movie's path once at the end)
// kavrocap_floor MODE COUNT; exit status 0, or 1 when any frame failed.
#include <windows.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "console.h"
#include "ezusb_device.h"
#include "frame.h"
#include "output_file.h"
#include "picture.h"
#include "report.h"
#include "timed_capture.h"

namespace {

enum Mode { MODE_RAW, MODE_PNG, MODE_PLAIN, MODE_MOVIE };

const char MOVIE_NAME[] = "kavro.avi";

enum FloorResult { FLOOR_DONE, FLOOR_FAILED };

// kavrocap's default --timeout.
const uint32_t TIMEOUT_MS = 5000;

FloorResult WritePlain(const char *name, const uint8_t *data, DWORD length)
{
    HANDLE file =
        CreateFileA(name, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return FLOOR_FAILED;
    DWORD written = 0;
    BOOL ok = WriteFile(file, data, length, &written, NULL);
    return CloseHandle(file) && ok && written == length ? FLOOR_DONE : FLOOR_FAILED;
}

FloorResult SaveFrame(Mode mode, const char *name, const uint8_t *frame)
{
    if (mode == MODE_MOVIE)
        return FLOOR_DONE;
    if (mode == MODE_PLAIN)
        return WritePlain(name, frame, RAW_FRAME_BYTES);
    if (mode == MODE_RAW)
        return WriteWholeFile(name, frame, RAW_FRAME_BYTES, 0, NULL) == OUTPUT_WRITTEN
                   ? FLOOR_DONE
                   : FLOOR_FAILED;
    std::vector<uint8_t> picture;
    if (EncodePicture(frame, FORMAT_PNG, &picture) != PICTURE_ENCODED)
        return FLOOR_FAILED;
    return WriteWholeFile(name, picture.data(), picture.size(), 0, NULL) == OUTPUT_WRITTEN
               ? FLOOR_DONE
               : FLOOR_FAILED;
}

// What kavrocap prints for each frame it keeps.
void PrintProgress(int number, int count, const char *name)
{
    PrintLine(stdout, name);
    fflush(stdout);
    char progress[64];
    snprintf(progress, sizeof progress, "%d/%d %s", number, count, name);
    Report(stderr, "kavrocap", progress);
}

// What kavrocap prints for each frame it records into a movie.
void PrintMovieProgress(int number, int count, ULONGLONG start_ms)
{
    unsigned seconds = (unsigned)((GetTickCount64() - start_ms) / 1000);
    char progress[96];
    snprintf(progress, sizeof progress, "%d/%d %s: %d frame%s, %u:%02u:%02u", number, count,
             MOVIE_NAME, number, number == 1 ? "" : "s", seconds / 3600, seconds / 60 % 60,
             seconds % 60);
    Report(stderr, "kavrocap", progress);
}

const char *const MODE_NAMES[] = {"raw", "png", "plain", "movie"};

bool ParseMode(const char *text, Mode *mode)
{
    for (int i = 0; i < 4; i++) {
        if (strcmp(text, MODE_NAMES[i]) == 0) {
            *mode = static_cast<Mode>(i);
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char **argv)
{
    Mode mode = MODE_RAW;
    int count = argc == 3 ? atoi(argv[2]) : 0;
    if (argc != 3 || !ParseMode(argv[1], &mode) || count <= 0) {
        fprintf(stderr, "usage: kavrocap_floor raw|png|plain|movie COUNT\n");
        return 2;
    }
    CameraSeam seam = TimedCameraSeam();
    void *camera = seam.open(EZUSB_DEVICE_PATH);
    if (camera == NULL) {
        fprintf(stderr, "kavrocap_floor: out of memory\n");
        return 1;
    }
    static RawFrame frame;
    int failed = 0;
    ULONGLONG start_ms = GetTickCount64();
    for (int number = 1; number <= count; number++) {
        char name[32];
        snprintf(name, sizeof name, "kavro%03d.bin", number);
        uint32_t got = 0;
        if (seam.take_frame(camera, {TAKE_NEXT, TIMEOUT_MS, 0, true}, NULL, frame, &got, NULL)
                != CAMERA_FRAME
            || SaveFrame(mode, name, frame) != FLOOR_DONE) {
            failed++;
            continue;
        }
        if (mode == MODE_MOVIE)
            PrintMovieProgress(number, count, start_ms);
        else
            PrintProgress(number, count, name);
    }
    seam.close(camera);
    if (mode == MODE_MOVIE) {
        PrintLine(stdout, MOVIE_NAME);
        fflush(stdout);
    }
    if (failed > 0)
        fprintf(stderr, "kavrocap_floor: %d of %d frames failed\n", failed, count);
    return failed > 0 ? 1 : 0;
}
