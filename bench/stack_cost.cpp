// What averaging costs beside the takes themselves, under Wine with the
// simulated camera: rounds of N frames taken back to back through the
// tools' camera (TimedCameraSeam, TAKE_NEXT as a stack takes them), once
// plain and once added to a stack of each method, then the stack's
// averages and its 16-bit PNG. The kinds alternate their order from round
// to round. Prints, for each kind, the median time of a round and its
// ratio to the plain takes' median, and the time spent in the stack alone
// (adding each frame, then the averages and the PNG), which others' work
// on the machine stretches far less than the takes' waits.
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
// *own: the time spent on the stack alone.
bool Round(const CameraSeam &seam, void *camera, int n, FrameStack *stack, double *seconds,
           double *own)
{
    StackCorrections none = {};
    uint8_t frame[RAW_FRAME_BYTES];
    double start = Now();
    *own = 0;
    if (stack != NULL)
        ClearStack(stack);
    for (int i = 0; i < n; ++i) {
        TakeAsk ask = {TAKE_NEXT, 5000, 0, true};
        uint32_t got = 0;
        if (seam.take_frame(camera, ask, NULL, frame, &got, NULL) != CAMERA_FRAME)
            return false;
        if (stack != NULL) {
            double before = Now();
            AddFrameToStack(stack, frame);
            *own += Now() - before;
        }
    }
    if (stack != NULL) {
        double before = Now();
        std::vector<double> averages(RAW_FRAME_BYTES);
        std::vector<uint8_t> png;
        FinishStack(stack, &none, averages.data());
        EncodeStackPicture(averages.data(), FORMAT_PNG16, PlainStill(), &png);
        *own += Now() - before;
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
    std::vector<double> times[KINDS], owns[KINDS];
    double warm = 0, warm_own = 0;
    Round(seam, camera, n, NULL, &warm, &warm_own);
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < KINDS; ++k) {
            int kind = round % 2 == 0 ? k : KINDS - 1 - k;
            double seconds = 0, own = 0;
            if (!Round(seam, camera, n, kind == PLAIN ? NULL : &stacks[kind], &seconds, &own)) {
                fprintf(stderr, "stack_cost: a frame failed\n");
                return 1;
            }
            times[kind].push_back(seconds);
            owns[kind].push_back(own);
        }
    }
    seam.close(camera);
    double plain = 0;
    for (int kind = PLAIN; kind < KINDS; ++kind) {
        std::vector<double> sorted = times[kind], own = owns[kind];
        std::sort(sorted.begin(), sorted.end());
        std::sort(own.begin(), own.end());
        double median = sorted[sorted.size() / 2], own_median = own[own.size() / 2];
        if (kind == PLAIN)
            plain = median;
        printf("%-12s N=%d: round median %.2f ms (quartiles %.2f to %.2f), %.3f of the plain "
               "takes'; the stack's own time %.2f ms (quartiles %.2f to %.2f): plain + own = "
               "%.3f of the plain takes'\n",
               KIND_NAMES[kind], n, median * 1000, sorted[sorted.size() / 4] * 1000,
               sorted[sorted.size() * 3 / 4] * 1000, median / plain, own_median * 1000,
               own[own.size() / 4] * 1000, own[own.size() * 3 / 4] * 1000,
               (plain + own_median) / plain);
        if (kind != PLAIN)
            FreeStack(&stacks[kind]);
    }
    return 0;
}
