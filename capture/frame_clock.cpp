#include "frame_clock.h"

#include <windows.h>

int64_t MonotonicUs()
{
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER read;
        QueryPerformanceFrequency(&read);
        return read;
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return count.QuadPart / frequency.QuadPart * 1000000
           + count.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
}

// The precise clock where the system has it (Windows 8 on), else the
// coarse one.
int64_t WallClockUs()
{
    typedef void(WINAPI * ReadTime)(FILETIME *);
    static ReadTime read = [] {
        FARPROC precise =
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime");
        return precise != NULL ? reinterpret_cast<ReadTime>(reinterpret_cast<void *>(precise))
                               : GetSystemTimeAsFileTime;
    }();
    FILETIME now;
    read(&now);
    uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<int64_t>((ticks - 116444736000000000ull) / 10);
}
