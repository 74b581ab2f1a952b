// The rate a user writes becomes the exact fraction ffprobe reports.
#include <gtest/gtest.h>

#include "frame_rate.h"

TEST(FrameRate, ParsesDecimalsIntoReducedFractions)
{
    struct Row {
        const char *text;
        FrameRateParse result;
        uint32_t rate, scale;
    } rows[] = {
        {"12.5", FRAME_RATE_PARSED, 25, 2},
        {"30", FRAME_RATE_PARSED, 30, 1},
        {"29.97", FRAME_RATE_PARSED, 30000, 1001},
        {"29.970", FRAME_RATE_PARSED, 30000, 1001},
        {"23.976", FRAME_RATE_PARSED, 24000, 1001},
        {"59.94", FRAME_RATE_PARSED, 60000, 1001},
        {"59.940", FRAME_RATE_PARSED, 60000, 1001},
        {"23.97", FRAME_RATE_PARSED, 2397, 100},
        {"0.001", FRAME_RATE_PARSED, 1, 1000},
        {"1000", FRAME_RATE_PARSED, 1000, 1},
        {"1000.000", FRAME_RATE_PARSED, 1000, 1},
        {"007.50", FRAME_RATE_PARSED, 15, 2},
        {"0.125", FRAME_RATE_PARSED, 1, 8},
        {"999.999", FRAME_RATE_PARSED, 999999, 1000},
        {"0", FRAME_RATE_OUT_OF_RANGE, 0, 0},
        {"0.000", FRAME_RATE_OUT_OF_RANGE, 0, 0},
        {"1000.001", FRAME_RATE_OUT_OF_RANGE, 0, 0},
        {"99999999999999999999", FRAME_RATE_OUT_OF_RANGE, 0, 0},
        {"0.0001", FRAME_RATE_TOO_MANY_DECIMALS, 0, 0},
        {"29.9700", FRAME_RATE_TOO_MANY_DECIMALS, 0, 0},
        {"", FRAME_RATE_NOT_A_DECIMAL, 0, 0},
        {".5", FRAME_RATE_NOT_A_DECIMAL, 0, 0},
        {"5.", FRAME_RATE_NOT_A_DECIMAL, 0, 0},
        {"-5", FRAME_RATE_NOT_A_DECIMAL, 0, 0},
        {"+5", FRAME_RATE_NOT_A_DECIMAL, 0, 0},
        {"1,5", FRAME_RATE_NOT_A_DECIMAL, 0, 0},
        {"1.2.3", FRAME_RATE_NOT_A_DECIMAL, 0, 0},
        {"25fps", FRAME_RATE_NOT_A_DECIMAL, 0, 0},
        {" 25", FRAME_RATE_NOT_A_DECIMAL, 0, 0},
        {"30000/1001", FRAME_RATE_NOT_A_DECIMAL, 0, 0},
    };
    for (const Row &row : rows) {
        FrameRate rate = {0xdeadbeef, 0xdeadbeef};
        EXPECT_EQ(row.result, ParseFrameRate(row.text, &rate)) << '"' << row.text << '"';
        if (row.result == FRAME_RATE_PARSED) {
            EXPECT_EQ(row.rate, rate.rate) << row.text;
            EXPECT_EQ(row.scale, rate.scale) << row.text;
        } else {
            EXPECT_EQ(0xdeadbeefu, rate.rate) << row.text;
        }
    }
}

// A burst plays at the pace it was recorded.
TEST(FrameRate, MeasuresTheMeanRateOfARecording)
{
    const FrameRate fallback = {25, 1};
    struct Row {
        uint32_t frames;
        int64_t span_us;
        uint32_t rate, scale;
    } rows[] = {
        {3, 160000, 25, 2},          // 12.5 a second
        {101, 1000000, 100, 1},      // 100 intervals in a second
        {31, 1001000, 2997, 100},    // to the thousandth: 29.970
        {2, 3000000000LL, 1, 1000},  // slower than the slowest rate
        {2, 500, 1000, 1},           // faster than the fastest
        {5, 0, 1000, 1},             // frames with one time
        {1, 1000000, 25, 1},         // too few to tell
        {0, 0, 25, 1},
    };
    for (const Row &row : rows) {
        FrameRate rate = MeasuredFrameRate(row.frames, row.span_us, fallback);
        EXPECT_EQ(row.rate, rate.rate) << row.frames << " in " << row.span_us;
        EXPECT_EQ(row.scale, rate.scale) << row.frames << " in " << row.span_us;
    }
}
