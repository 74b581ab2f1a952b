#include "stack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

typedef std::vector<uint8_t> Frame;

// Frames of a seeded generator of the test's own: every sample anywhere in
// 0...255, so the sums and medians meet every value.
std::vector<Frame> SeededFrames(int count, uint32_t seed)
{
    std::vector<Frame> frames(count, Frame(RAW_FRAME_BYTES));
    for (Frame &frame : frames)
        for (uint8_t &sample : frame) {
            seed = seed * 1103515245u + 12345u;
            sample = (uint8_t)(seed >> 23);
        }
    return frames;
}

std::vector<double> Stacked(const std::vector<Frame> &frames, StackMethod method,
                            const DarkFrame *dark = NULL)
{
    FrameStack stack;
    EXPECT_EQ(StartStack(&stack, method), STACK_STARTED);
    for (const Frame &frame : frames)
        AddFrameToStack(&stack, frame.data());
    std::vector<double> averages(RAW_FRAME_BYTES);
    StackAverages(&stack, dark, averages.data());
    FreeStack(&stack);
    return averages;
}

// A seventh of the dark's luma 5 above its black level.
int Warm(int i)
{
    return i % 7 == 3 ? 5 : 0;
}

class StackCount : public ::testing::TestWithParam<int> {};

// The mean as a whole-number sum, the raw16 value rounded in integers, the
// median by sorting: none of it the way the stack does it.
TEST_P(StackCount, MeanMedianAndRaw16AreExact)
{
    const int n = GetParam();
    std::vector<Frame> frames = SeededFrames(n, 17 + n);
    std::vector<double> mean = Stacked(frames, STACK_MEAN);
    std::vector<double> median = Stacked(frames, STACK_MEDIAN);
    std::vector<uint8_t> raw16(RAW16_FRAME_BYTES);
    EncodeRaw16(mean.data(), raw16.data());
    for (int i = 0; i < RAW_FRAME_BYTES; ++i) {
        int64_t sum = 0;
        std::vector<int> values;
        for (const Frame &frame : frames) {
            sum += frame[i];
            values.push_back(frame[i]);
        }
        ASSERT_EQ(mean[i], (double)sum / n) << "sample " << i;
        uint32_t rounded = (uint32_t)((512 * sum + n) / (2 * n));
        ASSERT_EQ(raw16[2 * i] | raw16[2 * i + 1] << 8, (int)rounded) << "sample " << i;
        std::sort(values.begin(), values.end());
        ASSERT_EQ(median[i], (values[(n - 1) / 2] + values[n / 2]) / 2.0) << "sample " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, StackCount, ::testing::Values(1, 2, 3, 255, 256, 1000));

TEST(Stack, OneFrameRoundsBackToItsOwnBytes)
{
    std::vector<Frame> frames = SeededFrames(1, 5);
    for (StackMethod method : {STACK_MEAN, STACK_MEDIAN, STACK_CLIP}) {
        std::vector<double> averages = Stacked(frames, method);
        Frame back(RAW_FRAME_BYTES);
        RoundAverages(averages.data(), back.data());
        EXPECT_EQ(back, frames[0]) << "method " << method;
    }
}

// 16 frames of 100 +-2; frame 9 is 250 on every fourth sample. The clipped
// mean leaves it out, the plain mean cannot.
TEST(Stack, ClipDropsAPlantedOutlier)
{
    std::vector<Frame> frames(16, Frame(RAW_FRAME_BYTES));
    for (int f = 0; f < 16; ++f)
        for (int i = 0; i < RAW_FRAME_BYTES; ++i)
            frames[f][i] = (uint8_t)(98 + (f * 7 + i) % 5);
    for (int i = 0; i < RAW_FRAME_BYTES; i += 4)
        frames[9][i] = 250;
    std::vector<double> clipped = Stacked(frames, STACK_CLIP);
    std::vector<double> mean = Stacked(frames, STACK_MEAN);
    for (int i = 0; i < RAW_FRAME_BYTES; ++i) {
        int sum = 0;
        for (int f = 0; f < 16; ++f)
            sum += f == 9 && i % 4 == 0 ? 0 : frames[f][i];
        double expected = i % 4 == 0 ? sum / 15.0 : sum / 16.0;
        ASSERT_EQ(clipped[i], expected) << "sample " << i;
        if (i % 4 == 0) {
            ASSERT_GT(mean[i], expected + 8) << "sample " << i;
        }
    }
}

// A dark of black level 16 whose pixels carry their own offsets, and lights
// of a scene with that dark added: the scene comes back. Sample 1 (luma of
// pixel 0) has frames 0 and 10 over an offset of 6: -1 clamped once is 0,
// where clamping each frame would give 2.
TEST(Stack, DarkComesOffBeforeTheDivisionAndIsClampedOnce)
{
    std::vector<uint16_t> dark(RAW_FRAME_BYTES);
    for (int i = 0; i < RAW_FRAME_BYTES; ++i)
        dark[i] = (uint16_t)(i % 2 == 1 ? (16 + Warm(i)) * 256 : (128 + i % 3) * 256 + 128);
    dark[1] = (16 + 6) * 256;
    DarkFrame offsets;
    MakeDarkFrame(dark.data(), &offsets);
    std::vector<Frame> lights(2, Frame(RAW_FRAME_BYTES));
    for (int i = 0; i < RAW_FRAME_BYTES; ++i) {
        int scene = 40 + i % 50;
        int offset = i % 2 == 1 ? Warm(i) : i % 3;
        lights[0][i] = (uint8_t)(scene + offset - 1);
        lights[1][i] = (uint8_t)(scene + offset + 2);
    }
    lights[0][1] = 0;
    lights[1][1] = 10;
    std::vector<double> result = Stacked(lights, STACK_MEAN, &offsets);
    std::vector<double> median = Stacked(lights, STACK_MEDIAN, &offsets);
    for (int i = 2; i < RAW_FRAME_BYTES; ++i) {
        double expected = 40 + i % 50 + 0.5 - (i % 2 == 1 ? 0 : 0.5);
        ASSERT_EQ(result[i], expected) << "sample " << i;
        ASSERT_EQ(median[i], expected) << "sample " << i;
    }
    EXPECT_EQ(result[1], 0.0);
}

// A flat dark of 16 with a hot pixel inside, one on an edge, one in a
// corner, two side by side, and a warm one just under the threshold.
TEST(Stack, HotPixelsAreFoundInTheDarkAndMendedFromTheirNeighbours)
{
    std::vector<uint16_t> dark(RAW_FRAME_BYTES, 128 * 256);
    for (int p = 0; p < FRAME_PIXELS; ++p)
        dark[2 * p + 1] = 16 * 256;
    const int hot_pixels[][2] = {{10, 10}, {0, 30}, {95, 71}, {40, 20}, {41, 20}};
    for (const auto &xy : hot_pixels)
        dark[2 * (xy[1] * FRAME_WIDTH + xy[0]) + 1] = (16 + 25) * 256;
    dark[2 * (60 * FRAME_WIDTH + 60) + 1] = (16 + 24) * 256;
    std::vector<uint8_t> hot(FRAME_PIXELS);
    ASSERT_EQ(FindHotPixels(dark.data(), hot.data()), 5);
    for (const auto &xy : hot_pixels)
        EXPECT_EQ(hot[xy[1] * FRAME_WIDTH + xy[0]], 1) << xy[0] << "," << xy[1];

    // Luma x + 2y, U 100 + x, V 200 - y; the hot pixels glow at 255.
    std::vector<double> light(RAW_FRAME_BYTES);
    for (int y = 0; y < FRAME_HEIGHT; ++y)
        for (int x = 0; x < FRAME_WIDTH; ++x) {
            int p = y * FRAME_WIDTH + x;
            light[2 * p + 1] = hot[p] ? 255 : x + 2 * y;
            light[2 * p] = x % 2 == 0 ? 100 + x : 200 - y;
        }
    std::vector<double> mended = light;
    RepairHotPixels(hot.data(), mended.data());
    auto luma = [&](int x, int y) { return mended[2 * (y * FRAME_WIDTH + x) + 1]; };
    auto u = [&](int x, int y) { return mended[4 * (y * 48 + x / 2)]; };
    auto v = [&](int x, int y) { return mended[4 * (y * 48 + x / 2) + 2]; };
    EXPECT_EQ(luma(10, 10), 30);   // 8 neighbours around 10 + 20
    EXPECT_EQ(luma(0, 30), 61);    // 5 neighbours: 58 59 61 62 63
    EXPECT_EQ(luma(95, 71), 235);  // 3 neighbours: 234 235 236
    EXPECT_EQ(luma(40, 20), 79);   // 7 neighbours: the hot 41 is left out
    EXPECT_EQ(u(10, 10), 110);     // pairs 4..6 of rows 9..11
    EXPECT_EQ(v(10, 10), 190);
    EXPECT_EQ(u(40, 20), 140);
    EXPECT_EQ(luma(60, 60), 180);  // the warm one is left alone
    for (int i = 0; i < RAW_FRAME_BYTES; ++i) {
        int p = i / 2, pair = i / 4;
        bool touched = hot[p] || (i % 2 == 0 && (hot[2 * pair] || hot[2 * pair + 1]));
        if (!touched) {
            ASSERT_EQ(mended[i], light[i]) << "sample " << i;
        }
    }
}

}  // namespace
