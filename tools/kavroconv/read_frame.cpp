#include <string.h>

#include "kavroconv.h"
#include "report.h"
#include "system_error.h"

namespace {

// What the opened name turned out to be: its kind decides before anything
// is read, so a pipe or a device that would never end a read is refused.
enum FileKind { KIND_FILE, KIND_DIRECTORY, KIND_PIPE, KIND_DEVICE };

const char *const KIND_TEXTS[] = {"", "is a directory", "is a pipe", "is a device"};

FrameFileResult Refuse(const char *path, const std::string &reason, FILE *err)
{
    Report(err, KAVROCONV_NAME, path + (": " + reason));
    return FRAME_FILE_REFUSED;
}

// A short file is told by what was read, since a file under /proc says
// 0 bytes whatever it holds; a long one by the size the system gives, where
// that is believable.
FrameFileResult CheckSize(const char *path, size_t got, long long file_size, FILE *err)
{
    if (got == RAW_FRAME_BYTES)
        return FRAME_FILE_READ;
    std::string size = got < RAW_FRAME_BYTES ? std::to_string(got)
                       : file_size > RAW_FRAME_BYTES
                           ? std::to_string(file_size)
                           : "more than " + std::to_string(RAW_FRAME_BYTES);
    return Refuse(path,
                  "not a frame: " + size + " bytes, a frame has exactly "
                      + std::to_string(RAW_FRAME_BYTES),
                  err);
}

}  // namespace

#ifdef _WIN32
#include <windows.h>

#include "utf8_names.h"

namespace {

FileKind KindOf(HANDLE file)
{
    DWORD type = GetFileType(file);
    if (type == FILE_TYPE_PIPE)
        return KIND_PIPE;
    if (type != FILE_TYPE_DISK)
        return KIND_DEVICE;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(file, &info)
        && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return KIND_DIRECTORY;
    return KIND_FILE;
}

}  // namespace

// Opens with the backup flag so that a folder opens too and is named as such.
FrameFileResult ReadFrameFile(const char *path, uint8_t *frame, FILE *err)
{
    HANDLE file = CreateFileW(WidenUtf8(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return Refuse(path, "no such file", err);
        return Refuse(path, "cannot read: " + WindowsErrorText(error), err);
    }
    FileKind kind = KindOf(file);
    if (kind != KIND_FILE) {
        CloseHandle(file);
        return Refuse(path, std::string(KIND_TEXTS[kind]) + ", not a frame file", err);
    }
    // One byte more than a frame, to tell a frame from a longer file.
    uint8_t extra;
    size_t got = 0;
    for (;;) {
        uint8_t *into = got < RAW_FRAME_BYTES ? frame + got : &extra;
        DWORD want = got < RAW_FRAME_BYTES ? (DWORD)(RAW_FRAME_BYTES - got) : 1;
        DWORD read = 0;
        if (!ReadFile(file, into, want, &read, NULL)) {
            std::string reason = LastErrorText();
            CloseHandle(file);
            return Refuse(path, "read failed: " + reason, err);
        }
        got += read;
        if (read == 0 || got > RAW_FRAME_BYTES)
            break;
    }
    LARGE_INTEGER size;
    long long file_size = GetFileSizeEx(file, &size) ? (long long)size.QuadPart : -1;
    CloseHandle(file);
    return CheckSize(path, got, file_size, err);
}

#else
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileKind KindOf(int file)
{
    struct stat info;
    if (fstat(file, &info) != 0 || S_ISREG(info.st_mode))
        return KIND_FILE;
    if (S_ISDIR(info.st_mode))
        return KIND_DIRECTORY;
    if (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode))
        return KIND_PIPE;
    return KIND_DEVICE;
}

}  // namespace

// Opened without waiting: a pipe with no writer opens at once, and a file
// that would block a read (/proc/kmsg) fails the read instead.
FrameFileResult ReadFrameFile(const char *path, uint8_t *frame, FILE *err)
{
    int file = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) {
        if (errno == ENOENT)
            return Refuse(path, "no such file", err);
        return Refuse(path, "cannot read: " + LastErrorText(), err);
    }
    FileKind kind = KindOf(file);
    if (kind != KIND_FILE) {
        close(file);
        return Refuse(path, std::string(KIND_TEXTS[kind]) + ", not a frame file", err);
    }
    uint8_t extra;
    size_t got = 0;
    for (;;) {
        uint8_t *into = got < RAW_FRAME_BYTES ? frame + got : &extra;
        size_t want = got < RAW_FRAME_BYTES ? RAW_FRAME_BYTES - got : 1;
        ssize_t read_now = read(file, into, want);
        if (read_now < 0 && errno == EINTR)
            continue;
        if (read_now < 0) {
            std::string reason = LastErrorText();
            close(file);
            return Refuse(path, "read failed: " + reason, err);
        }
        got += (size_t)read_now;
        if (read_now == 0 || got > RAW_FRAME_BYTES)
            break;
    }
    struct stat info;
    long long file_size = fstat(file, &info) == 0 ? (long long)info.st_size : -1;
    close(file);
    return CheckSize(path, got, file_size, err);
}

#endif
