#include <chrono>

#include "capture_clock.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/time.h>
#include <time.h>
#endif

namespace {

int64_t SteadyMicroseconds(void *)
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The schedule waits again if this comes back early, so a frame never
// starts before its time.
WaitOutcome WaitUnlessStopped(void *, int64_t us, StopSignal *stop)
{
    return WaitForStop(stop, us) ? WAIT_STOPPED : WAIT_ELAPSED;
}

FrameTime LocalTimeNow(void *)
{
#ifdef _WIN32
    SYSTEMTIME now;
    GetLocalTime(&now);
    FrameTime time = {now.wYear,   now.wMonth,  now.wDay,         now.wHour,
                      now.wMinute, now.wSecond, now.wMilliseconds};
#else
    struct timeval now;
    gettimeofday(&now, NULL);
    struct tm local;
    localtime_r(&now.tv_sec, &local);
    FrameTime time = {local.tm_year + 1900,
                      local.tm_mon + 1,
                      local.tm_mday,
                      local.tm_hour,
                      local.tm_min,
                      local.tm_sec,
                      static_cast<int>(now.tv_usec / 1000)};
#endif
    return time;
}

int UtcOffsetMinutes(void *)
{
#ifdef _WIN32
    TIME_ZONE_INFORMATION zone;
    DWORD kind = GetTimeZoneInformation(&zone);
    LONG bias = zone.Bias
                + (kind == TIME_ZONE_ID_DAYLIGHT   ? zone.DaylightBias
                   : kind == TIME_ZONE_ID_STANDARD ? zone.StandardBias
                                                   : 0);
    return static_cast<int>(-bias);
#else
    time_t now = time(NULL);
    struct tm local;
    localtime_r(&now, &local);
    return static_cast<int>(local.tm_gmtoff / 60);
#endif
}

}  // namespace

CaptureClock RealClock(StopSignal *stop)
{
    CaptureClock clock = {SteadyMicroseconds, WaitUnlessStopped, LocalTimeNow, NULL, stop,
                          UtcOffsetMinutes};
    return clock;
}
