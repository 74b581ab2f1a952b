#include "capture_moment.h"

#include <time.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/time.h>
#endif

namespace {

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
long long DaysFromCivil(long long year, int month, int day)
{
    year -= month <= 2;
    long long era = (year >= 0 ? year : year - 399) / 400;
    long long year_of_era = year - era * 400;
    long long day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    long long day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

}  // namespace

// The offset is what the local fields say beyond UTC: the same on every
// system, without tm_gmtoff (which Windows lacks).
CaptureMoment LocalMomentOf(long long unix_seconds, int milliseconds)
{
    time_t t = (time_t)unix_seconds;
    struct tm local = {};
#ifdef _WIN32
    struct tm *shared = localtime(&t);  // msvcrt's is per thread
    if (shared != NULL)
        local = *shared;
#else
    localtime_r(&t, &local);
#endif
    CaptureMoment moment = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                            local.tm_min,         local.tm_sec,     milliseconds,  0};
    long long as_utc = DaysFromCivil(moment.year, moment.month, moment.day) * 86400
                       + moment.hour * 3600 + moment.minute * 60 + moment.second;
    moment.utc_offset_minutes = (int)((as_utc - unix_seconds) / 60);
    return moment;
}

CaptureMoment LocalMomentNow()
{
#ifdef _WIN32
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    unsigned long long ticks = ((unsigned long long)now.dwHighDateTime << 32) | now.dwLowDateTime;
    const unsigned long long TICKS_TO_1970 = 116444736000000000ULL;  // 100 ns since 1601
    unsigned long long since_1970 = ticks - TICKS_TO_1970;
    return LocalMomentOf((long long)(since_1970 / 10000000), (int)(since_1970 % 10000000 / 10000));
#else
    struct timeval now;
    gettimeofday(&now, NULL);
    return LocalMomentOf(now.tv_sec, (int)(now.tv_usec / 1000));
#endif
}

int DayOfYear(const CaptureMoment &moment)
{
    return (int)(DaysFromCivil(moment.year, moment.month, moment.day)
                 - DaysFromCivil(moment.year, 1, 1))
           + 1;
}
