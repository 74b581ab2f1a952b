// A picture of many frames: the stack kavrocap makes of the next frames
// the shared camera gives, its dark and hot pixels read before the run.
#ifndef PUKAVRO_KAVROCAP_STACK_TAKE_H
#define PUKAVRO_KAVROCAP_STACK_TAKE_H

#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "options.h"
#include "picture.h"
#include "stack_settings.h"
#include "take_frame.h"

struct StackTake {
    CaptureOptions rest;  // the options of a stack's later frames: back to back
    FrameStack stack;
    StackCorrections corrections;
};

enum StackTakeStart { STACK_TAKE_READY, STACK_TAKE_BAD_FILE, STACK_TAKE_NO_MEMORY };

// Reads the dark and hot-pixel files and makes room for the stack. On
// STACK_TAKE_BAD_FILE, problem names the file; only STACK_TAKE_READY
// needs EndStackTake.
StackTakeStart StartStackTake(const CaptureOptions &options, StackTake *take, std::string *problem);
void EndStackTake(StackTake *take);

// Takes the picture of slot number: its first frame as the slot asks
// (TakeFrameWithRetries), the rest back to back, until --average frames
// have been taken; each frame that fails is told on err and not counted.
// As many failed frames as the picture asks for fail it (TAKE_FAILED,
// reason set). On TAKE_FRAME, bytes are the picture's file.
TakeResult TakeStackedPicture(const CaptureOptions &options, StackTake *take,
                              const RunCamera &camera, bool more, StopSignal *stop, int64_t number,
                              const StillSettings &still, FILE *err, std::vector<uint8_t> *bytes,
                              std::string *reason);

#endif
