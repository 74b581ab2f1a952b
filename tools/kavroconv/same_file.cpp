#include "kavroconv.h"

#ifdef _WIN32
#include <windows.h>

#include "utf8_names.h"

namespace {

// Opens for nothing but its attributes, sharing everything, so a file some
// other program holds open still answers; directories need the backup flag.
int GetFileIdentity(const char *path, BY_HANDLE_FILE_INFORMATION *info)
{
    HANDLE file = CreateFileW(WidenUtf8(path).c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    BOOL ok = GetFileInformationByHandle(file, info);
    CloseHandle(file);
    return ok ? 0 : -1;
}

}  // namespace

// Volume and file index name one file whatever the path, its case or links.
bool IsSameFile(const char *first, const char *second)
{
    BY_HANDLE_FILE_INFORMATION a, b;
    if (GetFileIdentity(first, &a) != 0 || GetFileIdentity(second, &b) != 0)
        return false;
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh
           && a.nFileIndexLow == b.nFileIndexLow;
}

#else
#include <sys/stat.h>

// Device and inode name one file whatever the path or links lead to it.
bool IsSameFile(const char *first, const char *second)
{
    struct stat a, b;
    if (stat(first, &a) != 0 || stat(second, &b) != 0)
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

#endif
