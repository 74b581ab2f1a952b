// A stack end to end: 16 noisy frames of the simulated camera made into one
// 16-bit PNG, read back by ffmpeg, against the colours of their mean
// computed here from the camera's own pictures and noise.
#include <windows.h>

#include "files.h"
#include "frame.h"
#include "hang_limit.h"
#include "kavrocap_fixture.h"
#include "noise.h"
#include "sim_controls.h"
#include "unix_command.h"

namespace {

const int FRAMES = 16, NOISE = 20, NOISE_SEED = 7;

double Clamped(double value)
{
    return value < 0 ? 0 : value > 255 ? 255 : value;
}

TEST_F(KavrocapTest, SixteenNoisyFramesMakeOne16BitPng)
{
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_NOISE, NOISE));
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_NOISE_SEED, NOISE_SEED));
    ASSERT_EQ(0, Run({"-q", "--average", "16", "-f", "png16", "s.png"})) << err;
    EXPECT_EQ("s.png\n", out);
    EXPECT_EQ((uint32_t)FRAMES, Counters().frames_sent);
    std::vector<double> mean(RAW_FRAME_BYTES, 0.0);
    for (uint32_t n = 0; n < FRAMES; ++n) {
        Bytes frame = CameraFrame(n);
        EzusbsimAddNoise(frame.data(), RAW_FRAME_BYTES, NOISE, NOISE_SEED, n);
        for (int i = 0; i < RAW_FRAME_BYTES; ++i)
            mean[i] += frame[i] / (double)FRAMES;
    }
    std::string raw = PathIn(folder, "s.rgb48"), errors;
    ASSERT_EQ(0, RunUnixCommand(
                     "ffmpeg -nostdin -v error -i " + ShellQuoted(UnixPath(PathIn(folder, "s.png")))
                         + " -f rawvideo -pix_fmt rgb48le -y " + ShellQuoted(UnixPath(raw)),
                     folder, HANG_MS, &errors))
        << errors;
    Bytes decoded = File("s.rgb48");
    ASSERT_EQ((size_t)FRAME_WIDTH * FRAME_HEIGHT * 6, decoded.size());
    // The camera's formula; an odd pixel takes the next pair's U, the last
    // pixel of the frame a U of 0.
    double worst = 0;
    for (int p = 0; p < FRAME_WIDTH * FRAME_HEIGHT; ++p) {
        int pair = 4 * (p / 2), u_at = p % 2 == 0 ? pair : pair + 4;
        double y = mean[2 * p + 1], v = mean[pair + 2] - 128;
        double u = (u_at < RAW_FRAME_BYTES ? mean[u_at] : 0) - 128;
        double expected[3] = {y + 1.4 * v, 1.02 * y - 0.75 * v - 0.336 * u, y + 1.77 * u};
        for (int c = 0; c < 3; ++c) {
            int value = decoded[6 * p + 2 * c] | decoded[6 * p + 2 * c + 1] << 8;
            double off = value / 257.0 - Clamped(expected[c]);
            worst = off < 0 ? (-off > worst ? -off : worst) : (off > worst ? off : worst);
        }
    }
    EXPECT_LE(worst, 1 / 514.0 + 1e-9);
}

}  // namespace
