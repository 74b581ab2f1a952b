// The colour conversion, checked against values worked out by hand in double
// precision. Several of them (red 7 from V=133, red 62 from V=173, blue 1
// from Y=178/U=28) come out differently with x87 extended intermediates or a
// fused multiply-add, so this suite fails in a build with either.
#include <gtest/gtest.h>

#include <string.h>
#include <vector>

#include "frame.h"

namespace {

const int ROW_BYTES = FRAME_WIDTH * 3;

struct Bgr {
    int blue, green, red;
};

std::vector<uint8_t> Convert(const std::vector<uint8_t> &raw)
{
    std::vector<uint8_t> bits(DISPLAY_IMAGE_BYTES, 0xAA);
    EXPECT_EQ(0, ConvertFrame(raw.data(), bits.data(), FRAME_WIDTH, FRAME_HEIGHT));
    return bits;
}

// Pixel (row from the top, column) of the painted picture.
Bgr PixelAt(const std::vector<uint8_t> &bits, int row, int column)
{
    const uint8_t *p = &bits[ROW_BYTES * (FRAME_HEIGHT - 1 - row) + 3 * column];
    return Bgr{p[0], p[1], p[2]};
}

void ExpectPixel(const Bgr &expected, const Bgr &actual, const char *what)
{
    EXPECT_EQ(expected.blue, actual.blue) << what;
    EXPECT_EQ(expected.green, actual.green) << what;
    EXPECT_EQ(expected.red, actual.red) << what;
}

TEST(ConvertFrame, UniformFramesAndTheFinalPixel)
{
    struct Case {
        uint8_t fill;
        Bgr every, final_pixel;
    } cases[] = {
        {0, {0, 139, 0}, {0, 139, 0}},  // the start-up picture: green
        {128, {128, 130, 128}, {0, 173, 128}},
        {255, {255, 122, 255}, {28, 207, 255}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fill);
        std::vector<uint8_t> bits = Convert(std::vector<uint8_t>(RAW_FRAME_BYTES, c.fill));
        for (int row = 0; row < FRAME_HEIGHT; ++row)
            for (int column = 0; column < FRAME_WIDTH; ++column) {
                bool last = row == FRAME_HEIGHT - 1 && column == FRAME_WIDTH - 1;
                ExpectPixel(last ? c.final_pixel : c.every, PixelAt(bits, row, column), "");
                if (HasFailure())
                    return;
            }
        // The final pixel of the frame is the last one of the bits' first row.
        EXPECT_EQ(c.final_pixel.blue, bits[285]);
        EXPECT_EQ(c.final_pixel.green, bits[286]);
        EXPECT_EQ(c.final_pixel.red, bits[287]);
    }
}

// Exact values of the formula, each on an even pixel (U of its own group)
// and on an odd pixel (U of the following group).
TEST(ConvertFrame, KnownColours)
{
    struct Case {
        int y, u, v;
        Bgr expected;
        const char *why;
    } cases[] = {
        {100, 200, 50, {227, 136, 0}, "strong blue"},
        {100, 50, 200, {0, 74, 200}, "strong red"},
        {0, 128, 133, {0, 0, 7}, "5 * 1.4 is exactly 7 in double precision"},
        {0, 128, 173, {0, 0, 62}, "45 * 1.4 is just below 63"},
        {178, 28, 128, {1, 215, 178}, "-100 * 1.77 rounded before adding Y"},
        {1, 198, 2, {124, 72, 0}, "green subtracts the chroma terms in turn"},
    };
    for (const Case &c : cases) {
        std::vector<uint8_t> raw(RAW_FRAME_BYTES, 128);
        // Group 0 holds the even pixel; group 1 supplies the odd pixel's U.
        raw[0] = (uint8_t)c.u;
        raw[1] = (uint8_t)c.y;
        raw[2] = (uint8_t)c.v;
        raw[3] = (uint8_t)c.y;
        raw[4] = (uint8_t)c.u;
        std::vector<uint8_t> bits = Convert(raw);
        ExpectPixel(c.expected, PixelAt(bits, 0, 0), c.why);
        ExpectPixel(c.expected, PixelAt(bits, 0, 1), c.why);
    }
}

TEST(ConvertFrame, ChromaPairing)
{
    std::vector<uint8_t> raw(RAW_FRAME_BYTES, 128);
    const int k = 5;  // pairs k and k+1 in the first row
    raw[4 * k + 0] = 200;
    raw[4 * (k + 1) + 0] = 50;
    std::vector<uint8_t> bits = Convert(raw);
    // Y 128, V 128: blue = (U - 128) * 1.77 + 128.
    EXPECT_EQ(255, PixelAt(bits, 0, 2 * k).blue) << "own group's U = 200";
    EXPECT_EQ(0, PixelAt(bits, 0, 2 * k + 1).blue) << "next group's U = 50";
    EXPECT_EQ(0, PixelAt(bits, 0, 2 * k + 2).blue);
    EXPECT_EQ(255, PixelAt(bits, 0, 2 * k - 1).blue) << "takes pair k's U";
    EXPECT_EQ(128, PixelAt(bits, 0, 2 * k + 3).blue);

    // The last pixel of a row takes its U from the first byte of the next row.
    std::vector<uint8_t> wrap(RAW_FRAME_BYTES, 128);
    wrap[2 * FRAME_WIDTH * 3] = 60;  // U opening row 3
    bits = Convert(wrap);
    ExpectPixel({7, 153, 128}, PixelAt(bits, 2, FRAME_WIDTH - 1), "end of row 2");
    ExpectPixel({7, 153, 128}, PixelAt(bits, 3, 0), "start of row 3");
    ExpectPixel({128, 130, 128}, PixelAt(bits, 3, FRAME_WIDTH - 1), "end of row 3");
}

TEST(ConvertFrame, RowsAreStoredBottomUp)
{
    std::vector<uint8_t> raw(RAW_FRAME_BYTES, 128);
    for (int i = 0; i < 2 * FRAME_WIDTH; i += 2)
        raw[i + 1] = 200;  // luma of the whole top row
    std::vector<uint8_t> bits = Convert(raw);
    const uint8_t *top_line = &bits[DISPLAY_IMAGE_BYTES - ROW_BYTES];
    for (int x = 0; x < FRAME_WIDTH; ++x) {
        EXPECT_EQ(200, top_line[3 * x]) << x;
        EXPECT_EQ(200, top_line[3 * x + 2]) << x;
    }
    EXPECT_EQ(128, bits[DISPLAY_IMAGE_BYTES - ROW_BYTES - 3]);  // row 1 keeps Y 128
}

TEST(ConvertFrame, WritesEveryByteAndNothingElse)
{
    std::vector<uint8_t> raw(RAW_FRAME_BYTES);
    for (int i = 0; i < RAW_FRAME_BYTES; ++i)
        raw[i] = (uint8_t)(i * 37 + (i >> 7));
    // Whatever the destination held before, the result is the same.
    std::vector<uint8_t> a(DISPLAY_IMAGE_BYTES + 16, 0x00), b(DISPLAY_IMAGE_BYTES + 16, 0xFF);
    ConvertFrame(raw.data(), a.data(), FRAME_WIDTH, FRAME_HEIGHT);
    ConvertFrame(raw.data(), b.data(), FRAME_WIDTH, FRAME_HEIGHT);
    EXPECT_EQ(0, memcmp(a.data(), b.data(), DISPLAY_IMAGE_BYTES));
    for (int i = DISPLAY_IMAGE_BYTES; i < DISPLAY_IMAGE_BYTES + 16; ++i) {
        EXPECT_EQ(0x00, a[i]) << "wrote past the bits at " << i;
        EXPECT_EQ(0xFF, b[i]) << "wrote past the bits at " << i;
    }
}

TEST(ConvertFrame, FinalPixelDoesNotReadPastTheFrame)
{
    // The byte after the frame is 255; read as the final pixel's U it would
    // turn that pixel's blue to 255 instead of 0.
    std::vector<uint8_t> memory(RAW_FRAME_BYTES + 1, 128);
    memory[RAW_FRAME_BYTES] = 255;
    std::vector<uint8_t> bits(DISPLAY_IMAGE_BYTES);
    ConvertFrame(memory.data(), bits.data(), FRAME_WIDTH, FRAME_HEIGHT);
    ExpectPixel({0, 173, 128}, PixelAt(bits, FRAME_HEIGHT - 1, FRAME_WIDTH - 1), "final");
}

// Straight from the formula, one pixel at a time, independent of the paired
// loop in the product code.
Bgr Reference(int y, int u_byte, int v_byte)
{
    int u = u_byte - 128, v = v_byte - 128;
    volatile double red = (v * 1.4) + y;
    volatile double green = ((y * 1.02) - (v * 0.75)) - (u * 0.336);
    volatile double blue = (u * 1.77) + y;
    auto clamp = [](double value) {
        int t = (int)value;
        return t < 0 ? 0 : t > 255 ? 255 : t;
    };
    return Bgr{clamp(blue), clamp(green), clamp(red)};
}

// Every (Y, U, V) combination lands on an even pixel once; the odd pixels see
// a spread of others. The checksum of all pictures is the same in every
// build, so the native and the 32-bit Windows run must print the same bytes.
TEST(ConvertFrame, EveryCombinationMatchesTheFormulaInEveryBuild)
{
    const int groups_per_frame = RAW_FRAME_BYTES / 4;
    std::vector<uint8_t> raw(RAW_FRAME_BYTES), bits(DISPLAY_IMAGE_BYTES);
    uint32_t hash = 2166136261u;  // FNV-1a
    int mismatches = 0;
    for (uint32_t first = 0; first < (1u << 24); first += groups_per_frame) {
        for (int g = 0; g < groups_per_frame; ++g) {
            uint32_t n = first + g;  // wraps into the low combinations at the end
            raw[4 * g + 0] = (uint8_t)n;
            raw[4 * g + 1] = (uint8_t)(n >> 16);
            raw[4 * g + 2] = (uint8_t)(n >> 8);
            raw[4 * g + 3] = (uint8_t)(n * 2654435761u >> 24);
        }
        ConvertFrame(raw.data(), bits.data(), FRAME_WIDTH, FRAME_HEIGHT);
        for (int i = 0; i < DISPLAY_IMAGE_BYTES; ++i)
            hash = (hash ^ bits[i]) * 16777619u;
        for (int p = 0; p < FRAME_WIDTH * FRAME_HEIGHT && mismatches < 5; ++p) {
            const uint8_t *group = &raw[4 * (p / 2)];
            bool final_pixel = p == FRAME_WIDTH * FRAME_HEIGHT - 1;
            int u = p % 2 == 0 ? group[0] : final_pixel ? 0 : group[4];
            int y = group[1 + 2 * (p % 2)];
            Bgr want = Reference(y, u, group[2]);
            Bgr got = PixelAt(bits, p / FRAME_WIDTH, p % FRAME_WIDTH);
            if (want.blue != got.blue || want.green != got.green || want.red != got.red) {
                ++mismatches;
                ADD_FAILURE() << "Y " << y << " U " << u << " V " << (int)group[2];
            }
        }
    }
    EXPECT_EQ(0, mismatches);
    EXPECT_EQ(0x64ee15fau, hash) << std::hex << hash;
}

}  // namespace
