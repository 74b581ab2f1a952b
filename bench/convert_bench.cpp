// ConvertFrame against a floor: copying the same 20,736 output bytes.
// Run: build/native/bench/convert_bench
#include <benchmark/benchmark.h>

#include <string.h>
#include <vector>

#include "frame.h"

namespace {

std::vector<uint8_t> TestFrame()
{
    std::vector<uint8_t> raw(RAW_FRAME_BYTES);
    for (int i = 0; i < RAW_FRAME_BYTES; ++i)
        raw[i] = (uint8_t)(i * 131 + (i >> 5));
    return raw;
}

void BM_ConvertFrame(benchmark::State &state)
{
    std::vector<uint8_t> raw = TestFrame(), bits(DISPLAY_IMAGE_BYTES);
    for (auto _ : state) {
        ConvertFrame(raw.data(), bits.data(), FRAME_WIDTH, FRAME_HEIGHT);
        benchmark::DoNotOptimize(bits.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ConvertFrame);

void BM_CopyOutputFloor(benchmark::State &state)
{
    std::vector<uint8_t> from(DISPLAY_IMAGE_BYTES, 7), bits(DISPLAY_IMAGE_BYTES);
    for (auto _ : state) {
        memcpy(bits.data(), from.data(), DISPLAY_IMAGE_BYTES);
        benchmark::DoNotOptimize(bits.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyOutputFloor);

}  // namespace

BENCHMARK_MAIN();
