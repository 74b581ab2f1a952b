#include "stack.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

namespace {

double Clamp(double value)
{
    value = value > 0.0 ? value : 0.0;
    return value < 255.0 ? value : 255.0;
}

// The values of the two middle ranks of one sample's bins: one pass, which
// ends there.
void MiddleValues(const uint16_t *bins, uint32_t frames, int *low, int *high)
{
    const uint32_t low_rank = (frames - 1) / 2, high_rank = frames / 2;
    uint32_t seen = 0;
    *low = -1;
    for (int value = 0; value < STACK_BINS; ++value) {
        seen += bins[value];
        if (*low < 0 && seen > low_rank)
            *low = value;
        if (seen > high_rank) {
            *high = value;
            return;
        }
    }
    *high = STACK_BINS - 1;
}

// The standard deviation of all the samples about their mean, then the mean
// of those no farther than three of them from the median. The test is made
// in whole numbers (|value - median| <= 3 sd, squared and times 4 n^2, well
// inside 64 bits), so the same samples are kept on every machine.
double ClippedMean(const uint16_t *bins, uint32_t frames, int low, int high)
{
    const int64_t n = frames;
    int64_t total = 0, squares = 0;
    for (int value = 0; value < STACK_BINS; ++value) {
        total += (int64_t)value * bins[value];
        squares += (int64_t)value * value * bins[value];
    }
    const int64_t spread = n * squares - total * total;  // n^2 variance
    int64_t kept = 0, kept_total = 0;
    for (int value = 0; value < STACK_BINS; ++value) {
        int64_t distance = n * (2 * value - low - high);  // 2 n (value - median)
        if (bins[value] != 0 && distance * distance <= 36 * spread) {
            kept += bins[value];
            kept_total += (int64_t)value * bins[value];
        }
    }
    return kept > 0 ? (double)kept_total / (double)kept : (low + high) / 2.0;
}

}  // namespace

StackStart StartStack(FrameStack *stack, StackMethod method)
{
    stack->method = method;
    stack->frames = 0;
    stack->sums = (int64_t *)calloc(RAW_FRAME_BYTES, sizeof(int64_t));
    stack->bins = NULL;
    if (method != STACK_MEAN)
        stack->bins = (uint16_t *)calloc((size_t)RAW_FRAME_BYTES * STACK_BINS, sizeof(uint16_t));
    if (stack->sums == NULL || (method != STACK_MEAN && stack->bins == NULL)) {
        FreeStack(stack);
        return STACK_NO_MEMORY;
    }
    return STACK_STARTED;
}

void FreeStack(FrameStack *stack)
{
    free(stack->sums);
    free(stack->bins);
    stack->sums = NULL;
    stack->bins = NULL;
}

void ClearStack(FrameStack *stack)
{
    stack->frames = 0;
    memset(stack->sums, 0, RAW_FRAME_BYTES * sizeof(int64_t));
    if (stack->bins != NULL)
        memset(stack->bins, 0, (size_t)RAW_FRAME_BYTES * STACK_BINS * sizeof(uint16_t));
}

void AddFrameToStack(FrameStack *stack, const uint8_t *frame)
{
    for (int i = 0; i < RAW_FRAME_BYTES; ++i)
        stack->sums[i] += frame[i] * RAW16_ONE;
    if (stack->bins != NULL) {
        for (int i = 0; i < RAW_FRAME_BYTES; ++i)
            ++stack->bins[i * STACK_BINS + frame[i]];
    }
    ++stack->frames;
}

void AddRaw16ToStack(FrameStack *stack, const uint16_t *samples)
{
    for (int i = 0; i < RAW_FRAME_BYTES; ++i)
        stack->sums[i] += samples[i];
    if (stack->bins != NULL) {
        for (int i = 0; i < RAW_FRAME_BYTES; ++i) {
            int value = (samples[i] + RAW16_ONE / 2) / RAW16_ONE;
            value = value < STACK_BINS ? value : STACK_BINS - 1;
            ++stack->bins[i * STACK_BINS + value];
        }
    }
    ++stack->frames;
}

// The dark comes off the mean's sums, before the division, and the result
// is clamped once: clamping each frame would bring back the bias that
// averaging takes away.
void StackAverages(const FrameStack *stack, const DarkFrame *dark, double *averages)
{
    const uint32_t frames = stack->frames;
    for (int i = 0; i < RAW_FRAME_BYTES; ++i) {
        if (frames == 0) {
            averages[i] = 0.0;
            continue;
        }
        int32_t offset = dark != NULL ? dark->offsets[i] : 0;
        double value;
        if (stack->method == STACK_MEAN) {
            value =
                (double)(stack->sums[i] - (int64_t)offset * frames) / ((double)frames * RAW16_ONE);
        } else {
            const uint16_t *bins = stack->bins + (size_t)i * STACK_BINS;
            int low = 0, high = 0;
            MiddleValues(bins, frames, &low, &high);
            value = stack->method == STACK_CLIP ? ClippedMean(bins, frames, low, high)
                                                : (low + high) / 2.0;
            value -= (double)offset / RAW16_ONE;
        }
        averages[i] = Clamp(value);
    }
}

void EncodeRaw16(const double *averages, uint8_t *bytes)
{
    for (int i = 0; i < RAW_FRAME_BYTES; ++i) {
        uint32_t value = (uint32_t)floor(Clamp(averages[i]) * RAW16_ONE + 0.5);
        bytes[2 * i] = (uint8_t)value;
        bytes[2 * i + 1] = (uint8_t)(value >> 8);
    }
}

void DecodeRaw16(const uint8_t *bytes, uint16_t *samples)
{
    for (int i = 0; i < RAW_FRAME_BYTES; ++i)
        samples[i] = (uint16_t)(bytes[2 * i] | bytes[2 * i + 1] << 8);
}

void RoundAverages(const double *averages, uint8_t *frame)
{
    for (int i = 0; i < RAW_FRAME_BYTES; ++i)
        frame[i] = (uint8_t)floor(Clamp(averages[i]) + 0.5);
}
