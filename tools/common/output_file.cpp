#include "output_file.h"

#include <stdio.h>
#include <string.h>

#include "output_file_calls.h"
#include "system_error.h"

namespace {

const OutputFileCalls *g_calls = &SYSTEM_OUTPUT_FILE_CALLS;

enum { TEMPORARY_NAME_TRIES = 100 };

int Failed(std::string *reason, const std::string &text)
{
    if (reason != NULL)
        *reason = text;
    return OUTPUT_FAILED;
}

// Beside the final name, so the rename never crosses a file system.
std::string TemporaryName(const char *path, unsigned long process, int attempt)
{
    char suffix[48];
    snprintf(suffix, sizeof suffix, ".%lu-%d.part", process, attempt);
    return std::string(path) + suffix;
}

}  // namespace

void UseOutputFileCalls(const OutputFileCalls *calls)
{
    g_calls = calls != NULL ? calls : &SYSTEM_OUTPUT_FILE_CALLS;
}

#ifdef _WIN32
#include <windows.h>

#include "utf8_names.h"

const OutputFileCalls SYSTEM_OUTPUT_FILE_CALLS = {WriteFile, CloseHandle, MoveFileExW};

namespace {

enum {
    // Another program (a viewer, a virus scanner) may hold the old file open
    // for a moment; under Wine that shows as error 5, not 32.
    RENAME_TRIES = 20,
    RENAME_RETRY_MS = 50,
};

int WriteAll(HANDLE file, const void *data, size_t length)
{
    const char *next = (const char *)data;
    while (length > 0) {
        DWORD piece = length > 0x40000000 ? 0x40000000 : (DWORD)length;
        DWORD written = 0;
        if (!g_calls->write(file, next, piece, &written, NULL))
            return -1;
        if (written == 0) {
            SetLastError(ERROR_DISK_FULL);
            return -1;
        }
        next += written;
        length -= written;
    }
    return 0;
}

DWORD MoveIntoPlace(const std::wstring &from, const std::wstring &to, int replace)
{
    DWORD flags = replace ? MOVEFILE_REPLACE_EXISTING : 0;
    for (int attempt = 1;; ++attempt) {
        if (g_calls->rename(from.c_str(), to.c_str(), flags))
            return ERROR_SUCCESS;
        DWORD error = GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)
            || attempt == RENAME_TRIES)
            return error;
        Sleep(RENAME_RETRY_MS);
    }
}

}  // namespace

namespace {

// A failure that set no code must not pass for success.
DWORD FailureCode()
{
    DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
}

// After the checks of the target, a new temporary file beside it, open for
// writing.
int OpenTemporary(const char *path, int replace, std::string *temporary, HANDLE *file,
                  std::string *reason)
{
    DWORD attributes = GetFileAttributesW(WidenUtf8(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return replace ? Failed(reason, "Is a directory") : OUTPUT_EXISTS;
    *file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; *file == INVALID_HANDLE_VALUE; ++attempt) {
        *temporary = TemporaryName(path, GetCurrentProcessId(), attempt);
        *file = CreateFileW(WidenUtf8(temporary->c_str()).c_str(), GENERIC_WRITE, 0, NULL,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
        if (*file == INVALID_HANDLE_VALUE
            && (GetLastError() != ERROR_FILE_EXISTS || attempt == TEMPORARY_NAME_TRIES))
            return Failed(reason, LastErrorText());
    }
    return OUTPUT_WRITTEN;
}

// error is the failure so far, if any; without one the temporary file is
// renamed into place. It is removed unless that succeeds.
int Place(const std::string &temporary, const char *path, int replace, DWORD error,
          std::string *reason)
{
    std::wstring from = WidenUtf8(temporary.c_str());
    int written = error == ERROR_SUCCESS;
    if (written)
        error = MoveIntoPlace(from, WidenUtf8(path), replace);
    if (error == ERROR_SUCCESS)
        return OUTPUT_WRITTEN;
    DeleteFileW(from.c_str());
    if (written && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) && !replace)
        return OUTPUT_EXISTS;
    return Failed(reason, WindowsErrorText(error));
}

}  // namespace

int WriteWholeFile(const char *path, const void *data, size_t length, int replace,
                   std::string *reason)
{
    std::string temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    int opened = OpenTemporary(path, replace, &temporary, &file, reason);
    if (opened != OUTPUT_WRITTEN)
        return opened;
    DWORD error = WriteAll(file, data, length) == 0 ? ERROR_SUCCESS : FailureCode();
    if (!g_calls->close(file) && error == ERROR_SUCCESS)
        error = FailureCode();
    return Place(temporary, path, replace, error, reason);
}

int StartOutputFile(const char *path, int replace, std::string *temporary, std::string *reason)
{
    HANDLE file = INVALID_HANDLE_VALUE;
    int opened = OpenTemporary(path, replace, temporary, &file, reason);
    if (opened == OUTPUT_WRITTEN)
        CloseHandle(file);
    return opened;
}

int FinishOutputFile(const std::string &temporary, const char *path, int replace,
                     std::string *reason)
{
    return Place(temporary, path, replace, ERROR_SUCCESS, reason);
}

void RemoveOutputFile(const std::string &temporary)
{
    DeleteFileW(WidenUtf8(temporary.c_str()).c_str());
}

#else
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int WriteAll(int file, const void *data, size_t length)
{
    const char *next = (const char *)data;
    while (length > 0) {
        ssize_t written = g_calls->write(file, next, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return -1;
        if (written == 0) {
            errno = ENOSPC;
            return -1;
        }
        next += written;
        length -= (size_t)written;
    }
    return 0;
}

// rename refuses nothing, so the no-replace move is renameat2's; file
// systems without it get a hard link (which refuses an existing name) and
// the temporary name removed.
int MoveIntoPlace(const char *from, const char *to, int replace)
{
    if (replace)
        return rename(from, to);
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    if (link(from, to) != 0)
        return -1;
    unlink(from);
    return 0;
}

}  // namespace

const OutputFileCalls SYSTEM_OUTPUT_FILE_CALLS = {write, close, MoveIntoPlace};

namespace {

// Only a file (or a symbolic link, which is replaced itself) may be replaced:
// renaming over a device or a pipe would swap it for a picture.
int CheckTarget(const char *path, int replace, std::string *reason)
{
    struct stat info;
    if (lstat(path, &info) != 0 || S_ISREG(info.st_mode) || S_ISLNK(info.st_mode))
        return OUTPUT_WRITTEN;
    if (!replace)
        return OUTPUT_EXISTS;
    return Failed(reason, S_ISDIR(info.st_mode) ? "Is a directory" : "Not a regular file");
}

// A failure that set no code must not pass for success.
int FailureCode()
{
    return errno != 0 ? errno : EIO;
}

// After the checks of the target, a new temporary file beside it, open for
// writing.
int OpenTemporary(const char *path, int replace, std::string *temporary, int *file,
                  std::string *reason)
{
    int target = CheckTarget(path, replace, reason);
    if (target != OUTPUT_WRITTEN)
        return target;
    *file = -1;
    for (int attempt = 0; *file < 0; ++attempt) {
        *temporary = TemporaryName(path, (unsigned long)getpid(), attempt);
        *file = open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (*file < 0 && (errno != EEXIST || attempt == TEMPORARY_NAME_TRIES))
            return Failed(reason, LastErrorText());
    }
    return OUTPUT_WRITTEN;
}

// error is the failure so far (an errno), if any; without one the temporary
// file is renamed into place. It is removed unless that succeeds.
int Place(const std::string &temporary, const char *path, int replace, int error,
          std::string *reason)
{
    int written = error == 0;
    if (written && g_calls->rename(temporary.c_str(), path, replace) == 0)
        return OUTPUT_WRITTEN;
    if (written)
        error = errno;
    unlink(temporary.c_str());
    if (written && error == EEXIST && !replace)
        return OUTPUT_EXISTS;
    errno = error;
    return Failed(reason, LastErrorText());
}

}  // namespace

int WriteWholeFile(const char *path, const void *data, size_t length, int replace,
                   std::string *reason)
{
    std::string temporary;
    int file = -1;
    int opened = OpenTemporary(path, replace, &temporary, &file, reason);
    if (opened != OUTPUT_WRITTEN)
        return opened;
    int error = WriteAll(file, data, length) == 0 ? 0 : FailureCode();
    if (g_calls->close(file) != 0 && error == 0)
        error = FailureCode();
    return Place(temporary, path, replace, error, reason);
}

int StartOutputFile(const char *path, int replace, std::string *temporary, std::string *reason)
{
    int file = -1;
    int opened = OpenTemporary(path, replace, temporary, &file, reason);
    if (opened == OUTPUT_WRITTEN)
        close(file);
    return opened;
}

int FinishOutputFile(const std::string &temporary, const char *path, int replace,
                     std::string *reason)
{
    return Place(temporary, path, replace, 0, reason);
}

void RemoveOutputFile(const std::string &temporary)
{
    unlink(temporary.c_str());
}

#endif
