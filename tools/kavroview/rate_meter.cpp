#include "rate_meter.h"

namespace {

void Forget(RateMeter *meter, int64_t now_us)
{
    while (!meter->times_us.empty() && meter->times_us.front() <= now_us - RATE_WINDOW_US)
        meter->times_us.pop_front();
}

}  // namespace

void CountFrame(RateMeter *meter, int64_t now_us)
{
    meter->times_us.push_back(now_us);
    Forget(meter, now_us);
}

int FramesInLastSecond(RateMeter *meter, int64_t now_us)
{
    Forget(meter, now_us);
    return static_cast<int>(meter->times_us.size());
}
