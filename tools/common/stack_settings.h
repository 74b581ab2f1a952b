// How both tools make a picture of many frames: the options --average,
// --stack, --dark and --hot-pixels as read, and the dark and the hot
// pixels they name, read before the first frame.
#ifndef PUKAVRO_STACK_SETTINGS_H
#define PUKAVRO_STACK_SETTINGS_H

#include <stdint.h>

#include <string>

#include "output_format.h"
#include "stack.h"

enum HotPixelChoice {
    HOT_PIXELS_NONE,  // the default
    HOT_PIXELS_AUTO,  // the ones the dark shows (FindHotPixels)
    HOT_PIXELS_LIST,  // the ones a text file lists
};

struct StackSettings {
    int64_t average;  // frames a picture is made of; 0: --average not given
    StackMethod method;
    int method_given;
    std::string dark;  // "": none
    HotPixelChoice hot;
    std::string hot_list;  // HOT_PIXELS_LIST: the file
};

void ClearStackSettings(StackSettings *settings);

// Whether the pictures are made through a stack: --average, --dark or
// --hot-pixels given, or a 16-bit format asked for.
bool StacksFrames(const StackSettings &settings, OutputFormat format);

// "mean", "median", "clip" for --stack (given as option). false with
// *problem set for anything else.
bool SetStackMethod(const std::string &option, const char *word, StackSettings *settings,
                    std::string *problem);
// The word --stack takes for method.
const char *StackMethodWord(StackMethod method);
// "auto", "none" or a file's name for --hot-pixels.
void SetHotPixels(const char *value, StackSettings *settings);

// The rules between the options, with frames the pictures' count of
// frames (--average's, or kavroconv's files): --stack and --hot-pixels
// auto need what they work on. "" when they hold.
std::string StackSettingsProblem(const StackSettings &settings, int64_t frames);

// What the pictures are mended with.
struct StackCorrections {
    int has_dark;
    DarkFrame dark;
    int hot_count;              // 0: no pixel is mended
    uint8_t hot[FRAME_PIXELS];  // top row first
};

enum CorrectionsResult { CORRECTIONS_READ, CORRECTIONS_REFUSED };

// Reads the dark and the hot-pixel list the settings name. On
// CORRECTIONS_REFUSED, problem names the file and what is wrong with it.
CorrectionsResult ReadStackCorrections(const StackSettings &settings, StackCorrections *corrections,
                                       std::string *problem);

// Reads a raw frame (RAW_FRAME_BYTES, each sample x 256) or a 16-bit stack
// (RAW16_FRAME_BYTES) into RAW_FRAME_BYTES raw16 samples. *was_raw16 says
// which it was. On false, problem says why, the path first.
bool ReadStackInput(const std::string &path, uint16_t *samples, bool *was_raw16,
                    std::string *problem);

// The picture of a stack: its averages with the dark taken off and the hot
// pixels mended.
void FinishStack(const FrameStack *stack, const StackCorrections *corrections, double *averages);

#endif
