#include "system_error.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>

namespace {

// The texts the C library gives for the same conditions, so a message reads
// alike in both builds.
const struct {
    DWORD error;
    const char *text;
} REASONS[] = {
    {ERROR_FILE_NOT_FOUND, "No such file or directory"},
    {ERROR_PATH_NOT_FOUND, "No such file or directory"},
    {ERROR_ACCESS_DENIED, "Permission denied"},
    {ERROR_SHARING_VIOLATION, "File is in use by another program"},
    {ERROR_LOCK_VIOLATION, "File is in use by another program"},
    {ERROR_DISK_FULL, "No space left on device"},
    {ERROR_HANDLE_DISK_FULL, "No space left on device"},
    {ERROR_FILE_EXISTS, "File exists"},
    {ERROR_ALREADY_EXISTS, "File exists"},
    {ERROR_INVALID_NAME, "Invalid file name"},
    {ERROR_FILENAME_EXCED_RANGE, "File name too long"},
    {ERROR_WRITE_PROTECT, "Read-only file system"},
    {ERROR_NOT_READY, "Device not ready"},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory"},
    {ERROR_OUTOFMEMORY, "Not enough memory"},
};

}  // namespace

std::string WindowsErrorText(unsigned long error)
{
    for (const auto &reason : REASONS) {
        if (reason.error == error)
            return reason.text;
    }
    char text[32];
    snprintf(text, sizeof text, "Windows error %lu", error);
    return text;
}

std::string LastErrorText(void)
{
    return WindowsErrorText(GetLastError());
}

std::string SystemErrorText(int error)
{
    return WindowsErrorText((unsigned long)error);
}

#else

std::string LastErrorText(void)
{
    return strerror(errno);
}

std::string SystemErrorText(int error)
{
    return strerror(error);
}

#endif
