#include "kavroconv.h"

#ifdef _WIN32
#include <windows.h>

#include "utf8_names.h"
#else
#include <sys/stat.h>
#endif

// The last write, to the millisecond where the system keeps it.
int FrameFileMoment(const char *path, CaptureMoment *moment)
{
#ifdef _WIN32
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(WidenUtf8(path).c_str(), GetFileExInfoStandard, &data))
        return -1;
    unsigned long long ticks = ((unsigned long long)data.ftLastWriteTime.dwHighDateTime << 32)
                               | data.ftLastWriteTime.dwLowDateTime;
    const unsigned long long TICKS_TO_1970 = 116444736000000000ULL;  // 100 ns since 1601
    if (ticks < TICKS_TO_1970)
        return -1;
    ticks -= TICKS_TO_1970;
    *moment = LocalMomentOf((long long)(ticks / 10000000), (int)(ticks % 10000000 / 10000));
#else
    struct stat info;
    if (stat(path, &info) != 0)
        return -1;
    *moment = LocalMomentOf(info.st_mtim.tv_sec, (int)(info.st_mtim.tv_nsec / 1000000));
#endif
    return 0;
}
