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

// The value of rank k (from 0) among the counted samples.
int ValueOfRank(const uint16_t *bins, uint32_t k)
{
    uint32_t seen = 0;
    for (int value = 0; value < STACK_BINS; ++value) {
        seen += bins[value];
        if (seen > k)
            return value;
    }
    return STACK_BINS - 1;
}

double Median(const uint16_t *bins, uint32_t frames)
{
    return (ValueOfRank(bins, (frames - 1) / 2) + ValueOfRank(bins, frames / 2)) / 2.0;
}

// One pass: the standard deviation of all the samples about their mean,
// then the mean of those no farther than three of them from the median.
double ClippedMean(const uint16_t *bins, uint32_t frames)
{
    double median = Median(bins, frames);
    double total = 0.0;
    for (int value = 0; value < STACK_BINS; ++value)
        total += (double)value * bins[value];
    double mean = total / frames;
    double squares = 0.0;
    for (int value = 0; value < STACK_BINS; ++value)
        squares += (value - mean) * (value - mean) * bins[value];
    double reach = 3.0 * sqrt(squares / frames);
    double kept_total = 0.0;
    uint32_t kept = 0;
    for (int value = 0; value < STACK_BINS; ++value) {
        if (bins[value] != 0 && fabs(value - median) <= reach) {
            kept_total += (double)value * bins[value];
            kept += bins[value];
        }
    }
    return kept > 0 ? kept_total / kept : median;
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
            ++stack->bins[i * STACK_BINS + (value < STACK_BINS ? value : STACK_BINS - 1)];
        }
    }
    ++stack->frames;
}

// The dark comes off the mean's sums, before the division, and the result
// is clamped once: clamping each frame would bring back the bias that
// averaging takes away.
void StackAverages(const FrameStack *stack, const DarkFrame *dark, double *averages)
{
    uint32_t frames = stack->frames;
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
            value =
                stack->method == STACK_MEDIAN ? Median(bins, frames) : ClippedMean(bins, frames);
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
