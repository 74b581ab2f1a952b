#include "events_file.h"

#include "folder_entries.h"
#include "system_error.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "utf8_names.h"
#else
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

EventsFileResult Failed(std::string *reason)
{
    *reason = LastErrorText();
    return EVENTS_FILE_FAILED;
}

}  // namespace

// The system itself refuses an existing name, so a file that appears
// meanwhile is never emptied. Not inherited: a program --exec starts must
// not keep it open.
EventsFileResult OpenEventsFile(const std::string &path, bool replace, FILE **file,
                                std::string *reason)
{
    if (FolderExists(path)) {
        *reason = "Is a directory";
        return EVENTS_FILE_FAILED;
    }
#ifdef _WIN32
    HANDLE handle =
        CreateFileW(WidenUtf8(path.c_str()).c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL,
                    replace ? CREATE_ALWAYS : CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (handle == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
            return EVENTS_FILE_EXISTS;
        return Failed(reason);
    }
    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (descriptor < 0) {
        CloseHandle(handle);
        return Failed(reason);
    }
    *file = _fdopen(descriptor, "wb");
#else
    int descriptor =
        open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (replace ? O_TRUNC : O_EXCL), 0666);
    if (descriptor < 0)
        return errno == EEXIST ? EVENTS_FILE_EXISTS : Failed(reason);
    *file = fdopen(descriptor, "wb");
#endif
    if (*file == NULL)
        return Failed(reason);
    return EVENTS_FILE_OPEN;
}
