// Rates are counted in thousandths of a frame per second, which every
// accepted text names exactly, then reduced.
#include "frame_rate.h"

namespace {

const uint32_t MILLI_MIN = 1;            // 0.001
const uint32_t MILLI_MAX = 1000 * 1000;  // 1000

struct BroadcastRate {
    uint32_t milli;
    FrameRate rate;
};

// What these texts have always meant for video: NTSC's rates, not the
// decimals written.
const BroadcastRate BROADCAST_RATES[] = {
    {23976, {24000, 1001}},
    {29970, {30000, 1001}},
    {59940, {60000, 1001}},
};

uint32_t GreatestCommonDivisor(uint32_t a, uint32_t b)
{
    while (b != 0) {
        uint32_t r = a % b;
        a = b;
        b = r;
    }
    return a;
}

// Thousandths of a frame per second as the fraction in lowest terms.
FrameRate ReducedMilli(uint32_t milli)
{
    uint32_t divisor = GreatestCommonDivisor(milli, 1000);
    return FrameRate{milli / divisor, 1000 / divisor};
}

int IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

FrameRateParse ParseFrameRate(const char *text, FrameRate *rate)
{
    const char *p = text;
    if (!IsDigit(*p))
        return FRAME_RATE_NOT_A_DECIMAL;
    // Past MILLI_MAX the value only grows, so stop counting there.
    uint64_t whole = 0;
    for (; IsDigit(*p); ++p) {
        if (whole <= MILLI_MAX)
            whole = whole * 10 + (uint64_t)(*p - '0');
    }
    uint64_t fraction = 0;
    int decimals = 0;
    if (*p == '.') {
        ++p;
        if (!IsDigit(*p))
            return FRAME_RATE_NOT_A_DECIMAL;
        for (; IsDigit(*p); ++p) {
            if (++decimals <= 3)
                fraction = fraction * 10 + (uint64_t)(*p - '0');
        }
    }
    if (*p != '\0')
        return FRAME_RATE_NOT_A_DECIMAL;
    if (decimals > 3)
        return FRAME_RATE_TOO_MANY_DECIMALS;
    for (int d = decimals; d < 3; ++d)
        fraction *= 10;
    uint64_t milli = whole * 1000 + fraction;
    if (milli < MILLI_MIN || milli > MILLI_MAX)
        return FRAME_RATE_OUT_OF_RANGE;
    for (const BroadcastRate &broadcast : BROADCAST_RATES) {
        if (broadcast.milli == milli) {
            *rate = broadcast.rate;
            return FRAME_RATE_PARSED;
        }
    }
    *rate = ReducedMilli((uint32_t)milli);
    return FRAME_RATE_PARSED;
}

FrameRate MeasuredFrameRate(uint32_t frames, int64_t span_us, FrameRate fallback)
{
    if (frames < 2)
        return fallback;
    uint64_t milli = MILLI_MAX;
    if (span_us > 0)
        milli = ((uint64_t)(frames - 1) * 1000000000u + (uint64_t)span_us / 2) / (uint64_t)span_us;
    if (milli < MILLI_MIN)
        milli = MILLI_MIN;
    if (milli > MILLI_MAX)
        milli = MILLI_MAX;
    return ReducedMilli((uint32_t)milli);
}

std::string FrameRateProblem(const std::string &option, const char *text)
{
    return option + " takes frames per second from 0.001 to 1000 with at most three decimals, not '"
           + text + "'";
}
