#include "stack.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

// What the median and the clipped mean keep per sample while they read the
// histogram one value at a time, all samples at once: the bins lie value by
// value (one plane of RAW_FRAME_BYTES counters for each), so every pass runs
// through memory in order, adding a frame too.
struct StackRanks {
    int64_t seen, total, squares, kept, kept_total;
    int16_t low, high;  // the values of the two middle ranks
};

namespace {

typedef StackRanks Ranked;

double Clamp(double value)
{
    value = value > 0.0 ? value : 0.0;
    return value < 255.0 ? value : 255.0;
}

const uint16_t *Plane(const FrameStack *stack, int value)
{
    return stack->bins + (size_t)value * RAW_FRAME_BYTES;
}

void FindMedians(const FrameStack *stack, Ranked *ranked)
{
    const int64_t low_rank = (stack->frames - 1) / 2, high_rank = stack->frames / 2;
    for (int i = 0; i < RAW_FRAME_BYTES; ++i)
        ranked[i] = Ranked{0, 0, 0, 0, 0, -1, -1};
    for (int value = 0; value < STACK_BINS; ++value) {
        const uint16_t *plane = Plane(stack, value);
        for (int i = 0; i < RAW_FRAME_BYTES; ++i) {
            Ranked *r = &ranked[i];
            int64_t count = plane[i];
            r->seen += count;
            r->total += value * count;
            r->squares += value * value * count;
            if (r->low < 0 && r->seen > low_rank)
                r->low = (int16_t)value;
            if (r->high < 0 && r->seen > high_rank)
                r->high = (int16_t)value;
        }
    }
}

// One pass: the standard deviation of all the samples about their mean
// (from whole-number sums, so the same samples are kept on every machine),
// then the mean of those no farther than three of them from the median.
void ClipToMedians(const FrameStack *stack, Ranked *ranked)
{
    const int64_t n = stack->frames;
    for (int value = 0; value < STACK_BINS; ++value) {
        const uint16_t *plane = Plane(stack, value);
        for (int i = 0; i < RAW_FRAME_BYTES; ++i) {
            if (plane[i] == 0)
                continue;
            Ranked *r = &ranked[i];
            // |value - median| <= 3 sd, squared and times 4 n^2: all whole
            // numbers well inside 64 bits.
            int64_t distance = n * (2 * value - r->low - r->high);  // 2 n (value - median)
            int64_t spread = n * r->squares - r->total * r->total;  // n^2 variance
            if (distance * distance <= 36 * spread) {
                r->kept += plane[i];
                r->kept_total += value * (int64_t)plane[i];
            }
        }
    }
}

}  // namespace

StackStart StartStack(FrameStack *stack, StackMethod method)
{
    stack->method = method;
    stack->frames = 0;
    stack->sums = (int64_t *)calloc(RAW_FRAME_BYTES, sizeof(int64_t));
    stack->bins = NULL;
    stack->ranks = NULL;
    if (method != STACK_MEAN) {
        stack->bins = (uint16_t *)calloc((size_t)RAW_FRAME_BYTES * STACK_BINS, sizeof(uint16_t));
        stack->ranks = (StackRanks *)calloc(RAW_FRAME_BYTES, sizeof(StackRanks));
    }
    if (stack->sums == NULL
        || (method != STACK_MEAN && (stack->bins == NULL || stack->ranks == NULL))) {
        FreeStack(stack);
        return STACK_NO_MEMORY;
    }
    return STACK_STARTED;
}

void FreeStack(FrameStack *stack)
{
    free(stack->sums);
    free(stack->bins);
    free(stack->ranks);
    stack->sums = NULL;
    stack->bins = NULL;
    stack->ranks = NULL;
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
            ++stack->bins[(size_t)frame[i] * RAW_FRAME_BYTES + i];
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
            ++stack->bins[(size_t)value * RAW_FRAME_BYTES + i];
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
    if (frames > 0 && stack->method != STACK_MEAN) {
        FindMedians(stack, stack->ranks);
        if (stack->method == STACK_CLIP)
            ClipToMedians(stack, stack->ranks);
    }
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
            const Ranked *r = &stack->ranks[i];
            double median = (r->low + r->high) / 2.0;
            value = stack->method == STACK_CLIP && r->kept > 0
                        ? (double)r->kept_total / (double)r->kept
                        : median;
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
