#include "stack_take.h"

#include "kavrocap.h"
#include "report.h"
#include "stack_picture.h"

StackTakeStart StartStackTake(const CaptureOptions &options, StackTake *take, std::string *problem)
{
    take->rest = options;
    // Later frames of a stack are the next the camera gives, slot or not.
    take->rest.interval_us = 0;
    if (ReadStackCorrections(options.stack, &take->corrections, problem) != CORRECTIONS_READ)
        return STACK_TAKE_BAD_FILE;
    if (StartStack(&take->stack, options.stack.method) != STACK_STARTED)
        return STACK_TAKE_NO_MEMORY;
    return STACK_TAKE_READY;
}

void EndStackTake(StackTake *take)
{
    FreeStack(&take->stack);
}

TakeResult TakeStackedPicture(const CaptureOptions &options, StackTake *take,
                              const RunCamera &camera, bool more, StopSignal *stop, int64_t number,
                              const StillSettings &still, FILE *err, std::vector<uint8_t> *bytes,
                              std::string *reason)
{
    const int64_t wanted = options.stack.average > 0 ? options.stack.average : 1;
    int64_t failed = 0;
    uint8_t frame[RAW_FRAME_BYTES];
    ClearStack(&take->stack);
    while (take->stack.frames < wanted) {
        const CaptureOptions &ask = take->stack.frames == 0 && failed == 0 ? options : take->rest;
        bool again = more || take->stack.frames + 1 < wanted;
        std::string why;
        TakeResult taken = TakeFrameWithRetries(ask, camera, again, stop, frame, &why);
        if (taken == TAKE_STOPPED)
            return TAKE_STOPPED;
        if (taken == TAKE_FRAME) {
            AddFrameToStack(&take->stack, frame);
            continue;
        }
        // One frame asked for fails as a frame of its own does.
        if (wanted == 1) {
            *reason = why;
            return TAKE_FAILED;
        }
        Report(err, KAVROCAP_NAME,
               "frame " + std::to_string(number)
                   + ": a frame of its stack failed, not counted: " + why);
        if (++failed == wanted) {
            *reason = std::to_string(failed) + " frames of its stack failed, "
                      + std::to_string(take->stack.frames) + " of " + std::to_string(wanted)
                      + " taken";
            return TAKE_FAILED;
        }
    }
    std::vector<double> averages(RAW_FRAME_BYTES);
    FinishStack(&take->stack, &take->corrections, averages.data());
    if (EncodeStackPicture(averages.data(), options.format, still, bytes) != PICTURE_ENCODED) {
        *reason = "out of memory";
        return TAKE_FAILED;
    }
    return TAKE_FRAME;
}
