#include "writable_folder.h"

#include "system_error.h"

#ifdef _WIN32
#include <windows.h>

#include "utf8_names.h"

namespace {

int ProcessNumber()
{
    return static_cast<int>(GetCurrentProcessId());
}

// 1 made (and gone again), 0 the name is taken, -1 refused.
int TryName(const std::string &path)
{
    HANDLE file = CreateFileW(WidenUtf8(path.c_str()).c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return 1;
    }
    return GetLastError() == ERROR_FILE_EXISTS ? 0 : -1;
}

}  // namespace

#else
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

int ProcessNumber()
{
    return static_cast<int>(getpid());
}

int TryName(const std::string &path)
{
    int file = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (file >= 0) {
        close(file);
        unlink(path.c_str());
        return 1;
    }
    return errno == EEXIST ? 0 : -1;
}

}  // namespace

#endif

FolderAccess CheckFolderTakesFiles(const std::string &folder, std::string *reason)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = folder + "~pukavro-check-" + std::to_string(ProcessNumber()) + "-"
                           + std::to_string(attempt) + ".tmp";
        int made = TryName(path);
        if (made == 1)
            return FOLDER_TAKES_FILES;
        if (made < 0) {
            *reason = LastErrorText();
            return FOLDER_REFUSES_FILES;
        }
    }
    *reason = "no free temporary name";
    return FOLDER_REFUSES_FILES;
}
