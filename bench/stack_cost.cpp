// What averaging costs beside the takes themselves, under Wine with the
// simulated camera: rounds of N frames taken back to back through the
// tools' camera (TimedCameraSeam, TAKE_NEXT as a stack takes them), once
// plain and once added to a stack of each method, then the stack's
// averages and its 16-bit PNG. The kinds alternate their order from round
// to round. Prints, for each kind, the median time of a round and its
// ratio to the plain takes' median.
// stack_cost ROUNDS N; exit status 0, or 1 when a frame failed.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

#include "ezusb_device.h"
#include "stack.h"
#include "stack_picture.h"
#include "stack_settings.h"
#include "timed_capture.h"

namespace {

enum Kind { PLAIN, MEAN, MEDIAN, CLIP, KINDS };
const char *const KIND_NAMES[KINDS] = {"plain takes", "mean", "median", "clip"};

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return (double)counter.QuadPart / (double)frequency.QuadPart;
}

// One round of n takes; with a stack, each frame added and the picture made.
bool Round(const CameraSeam &seam, void *camera, int n, FrameStack *stack, double *seconds)
{
    StackCorrections none = {};
    uint8_t frame[RAW_FRAME_BYTES];
    double start = Now();
    if (stack != NULL)
        ClearStack(stack);
    for (int i = 0; i < n; ++i) {
        TakeAsk ask = {TAKE_NEXT, 5000, 0, true};
        uint32_t got = 0;
        if (seam.take_frame(camera, ask, NULL, frame, &got, NULL) != CAMERA_FRAME)
            return false;
        if (stack != NULL)
            AddFrameToStack(stack, frame);
    }
    if (stack != NULL) {
        std::vector<double> averages(RAW_FRAME_BYTES);
        std::vector<uint8_t> png;
        FinishStack(stack, &none, averages.data());
        EncodeStackPicture(averages.data(), FORMAT_PNG16, &png);
    }
    *seconds = Now() - start;
    return true;
}

}  // namespace

int main(int argc, char **argv)
{
    int rounds = argc > 1 ? atoi(argv[1]) : 30, n = argc > 2 ? atoi(argv[2]) : 64;
    CameraSeam seam = TimedCameraSeam();
    void *camera = seam.open(EZUSB_DEVICE_PATH);
    FrameStack stacks[KINDS];
    for (int kind = MEAN; kind < KINDS; ++kind)
        StartStack(&stacks[kind], kind == MEAN     ? STACK_MEAN
                                  : kind == MEDIAN ? STACK_MEDIAN
                                                   : STACK_CLIP);
    std::vector<double> times[KINDS];
    double warm = 0;
    Round(seam, camera, n, NULL, &warm);
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < KINDS; ++k) {
            int kind = round % 2 == 0 ? k : KINDS - 1 - k;
            double seconds = 0;
            if (!Round(seam, camera, n, kind == PLAIN ? NULL : &stacks[kind], &seconds)) {
                fprintf(stderr, "stack_cost: a frame failed\n");
                return 1;
            }
            times[kind].push_back(seconds);
        }
    }
    seam.close(camera);
    double plain = 0;
    for (int kind = PLAIN; kind < KINDS; ++kind) {
        std::vector<double> sorted = times[kind];
        std::sort(sorted.begin(), sorted.end());
        double median = sorted[sorted.size() / 2];
        if (kind == PLAIN)
            plain = median;
        printf("%-12s N=%d: median %.2f ms a round (%.3f ms a frame), quartiles %.2f to %.2f ms, "
               "%.3f of the plain takes\n",
               KIND_NAMES[kind], n, median * 1000, median * 1000 / n,
               sorted[sorted.size() / 4] * 1000, sorted[sorted.size() * 3 / 4] * 1000,
               median / plain);
        if (kind != PLAIN)
            FreeStack(&stacks[kind]);
    }
    return 0;
}
