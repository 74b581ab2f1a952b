// What a still costs per frame beyond the colour conversion: each picture
// format at 1x and 2x, the JPEG at a few qualities, the enlargement and the
// time stamp alone. Each figure is the median of RUNS runs of 200 frames.
// Run: build/native/bench/still_cost [RUNS] (and
// build/win32/bench/still_cost.exe under Wine: bench/still_cost_bench.sh).
#include <stdio.h>
#include <stdlib.h>

#include <chrono>
#include <functional>
#include <vector>

#include "ezusbsim.h"
#include "picture.h"
#include "picture_scale.h"
#include "stamp_font.h"
#include "summary.h"

namespace {

typedef std::chrono::steady_clock Clock;
const int FRAMES = 200;

// Microseconds per frame: the median and the slowest of the runs.
void Measure(const char *what, int runs, const std::function<void()> &frame)
{
    std::vector<double> per_frame;
    for (int run = 0; run < runs; ++run) {
        Clock::time_point start = Clock::now();
        for (int i = 0; i < FRAMES; ++i)
            frame();
        per_frame.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count()
                            / FRAMES);
    }
    Summary s = Summarize(per_frame);
    printf("%-44s median %8.1f us  max %8.1f us\n", what, s.median, s.max);
}

}  // namespace

int main(int argc, char **argv)
{
    int runs = argc > 1 ? atoi(argv[1]) : 15;
    std::vector<uint8_t> raw(RAW_FRAME_BYTES), bits(DISPLAY_IMAGE_BYTES), scaled, bytes;
    EzusbsimTestPicture(raw.data(), 7);
    StillSettings still = PlainStill();
    still.exif = {1, {2026, 12, 9, 7, 30, 5, 123, 540}, "\\\\.\\ezusb-0"};
    const struct {
        const char *what;
        OutputFormat format;
        int scale, quality;
        const char *stamp;
    } stills[] = {
        {"bmp 96x72", FORMAT_BMP, 1, 95, ""},
        {"png 96x72", FORMAT_PNG, 1, 95, ""},
        {"jpeg 96x72 quality 95", FORMAT_JPEG, 1, 95, ""},
        {"jpeg 96x72 quality 75", FORMAT_JPEG, 1, 75, ""},
        {"jpeg 96x72 quality 95, stamp HH:MM:SS", FORMAT_JPEG, 1, 95, "07:30:05"},
        {"png 192x144 (--scale 2)", FORMAT_PNG, 2, 95, ""},
        {"jpeg 192x144 (--scale 2), stamp date time", FORMAT_JPEG, 2, 95, "2026-12-09 07:30:05"},
        {"jpeg 768x576 (--scale 8)", FORMAT_JPEG, 8, 95, ""},
    };
    printf("still_cost: per frame, %d runs of %d frames\n", runs, FRAMES);
    Measure("ConvertFrame alone", runs,
            [&] { ConvertFrame(raw.data(), bits.data(), FRAME_WIDTH, FRAME_HEIGHT); });
    Measure("stamp HH:MM:SS at 96x72", runs, [&] {
        DrawStamp(bits.data(), FRAME_WIDTH, FRAME_HEIGHT, "07:30:05", STAMP_BOTTOM_RIGHT);
    });
    ScalePicture(bits.data(), FRAME_WIDTH, FRAME_HEIGHT, 2, &scaled);
    Measure("stamp date time at 192x144", runs, [&] {
        DrawStamp(scaled.data(), FRAME_WIDTH * 2, FRAME_HEIGHT * 2, "2026-12-09 07:30:05",
                  STAMP_BOTTOM_RIGHT);
    });
    Measure("scale 2x", runs,
            [&] { ScalePicture(bits.data(), FRAME_WIDTH, FRAME_HEIGHT, 2, &scaled); });
    for (const auto &s : stills) {
        still.scale = s.scale;
        still.quality = s.quality;
        still.stamp = s.stamp;
        Measure(s.what, runs, [&] { EncodeStill(raw.data(), s.format, still, &bytes); });
        printf("%-44s %zu bytes\n", "", bytes.size());
    }
    return 0;
}
