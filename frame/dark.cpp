#include <stdlib.h>

#include "stack.h"

namespace {

int CompareInts(const void *a, const void *b)
{
    int x = *(const int *)a, y = *(const int *)b;
    return (x > y) - (x < y);
}

int CompareDoubles(const void *a, const void *b)
{
    double x = *(const double *)a, y = *(const double *)b;
    return (x > y) - (x < y);
}

// Of an even count, the mean of the two middle values; count > 0. Sorts.
double MedianOf(double *values, int count)
{
    qsort(values, (size_t)count, sizeof(double), CompareDoubles);
    return (values[(count - 1) / 2] + values[count / 2]) / 2.0;
}

int LumaIndex(int x, int y)
{
    return 2 * (y * FRAME_WIDTH + x) + 1;
}

// The first byte (U) of the pair of pixels holding column 2 pair_x.
int PairIndex(int pair_x, int y)
{
    return 4 * (y * (FRAME_WIDTH / 2) + pair_x);
}

bool Inside(int x, int y)
{
    return x >= 0 && x < FRAME_WIDTH && y >= 0 && y < FRAME_HEIGHT;
}

}  // namespace

void MakeDarkFrame(const uint16_t *dark_samples, DarkFrame *dark)
{
    int luma[FRAME_PIXELS];
    for (int p = 0; p < FRAME_PIXELS; ++p)
        luma[p] = dark_samples[2 * p + 1];
    qsort(luma, FRAME_PIXELS, sizeof(int), CompareInts);
    int32_t black = (luma[FRAME_PIXELS / 2 - 1] + luma[FRAME_PIXELS / 2] + 1) / 2;
    for (int i = 0; i < RAW_FRAME_BYTES; ++i)
        dark->offsets[i] = dark_samples[i] - (i % 2 == 1 ? black : 128 * RAW16_ONE);
}

int FindHotPixels(const uint16_t *dark_samples, uint8_t *hot)
{
    int found = 0;
    for (int y = 0; y < FRAME_HEIGHT; ++y) {
        for (int x = 0; x < FRAME_WIDTH; ++x) {
            double around[8];
            int count = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if ((dx != 0 || dy != 0) && Inside(x + dx, y + dy))
                        around[count++] = dark_samples[LumaIndex(x + dx, y + dy)];
            double own = dark_samples[LumaIndex(x, y)];
            bool is_hot = own - MedianOf(around, count) > HOT_PIXEL_LEVELS * RAW16_ONE;
            hot[y * FRAME_WIDTH + x] = is_hot ? 1 : 0;
            found += is_hot ? 1 : 0;
        }
    }
    return found;
}

// Repairs read only pixels and pairs that are not hot, and write only hot
// ones, so no repair sees another's result and their order does not matter.
void RepairHotPixels(const uint8_t *hot, double *averages)
{
    const double *before = averages;
    for (int y = 0; y < FRAME_HEIGHT; ++y) {
        for (int x = 0; x < FRAME_WIDTH; ++x) {
            if (!hot[y * FRAME_WIDTH + x])
                continue;
            double around[8];
            int count = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if ((dx != 0 || dy != 0) && Inside(x + dx, y + dy)
                        && !hot[(y + dy) * FRAME_WIDTH + x + dx])
                        around[count++] = before[LumaIndex(x + dx, y + dy)];
            if (count > 0)
                averages[LumaIndex(x, y)] = MedianOf(around, count);
            double u[8], v[8];
            count = 0;
            int pair_x = x / 2;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    int px = pair_x + dx, py = y + dy;
                    if ((dx == 0 && dy == 0) || !Inside(2 * px, py)
                        || hot[py * FRAME_WIDTH + 2 * px] || hot[py * FRAME_WIDTH + 2 * px + 1])
                        continue;
                    u[count] = before[PairIndex(px, py)];
                    v[count++] = before[PairIndex(px, py) + 2];
                }
            }
            if (count > 0) {
                averages[PairIndex(pair_x, y)] = MedianOf(u, count);
                averages[PairIndex(pair_x, y) + 2] = MedianOf(v, count);
            }
        }
    }
}
