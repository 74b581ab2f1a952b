#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>

#include "kavroconv.h"

namespace {

// Size of a regular file, or -1 for anything else (a pipe, a device). The
// 64-bit form on Windows, where a plain stat stops at 2 GB.
long long RegularFileSize(FILE *file)
{
#ifdef _WIN32
    struct _stati64 info;
    if (_fstati64(_fileno(file), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG)
        return -1;
#else
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
#endif
    return (long long)info.st_size;
}

int IsDirectory(const char *path)
{
    struct stat info;
    return stat(path, &info) == 0 && (info.st_mode & S_IFMT) == S_IFDIR;
}

int ReadFailed(FILE *file, const char *path, FILE *err)
{
    fprintf(err, "kavroconv: %s: read failed: %s\n", path, strerror(errno));
    fclose(file);
    return -1;
}

}  // namespace

// A directory is named as such: Linux opens it and fails the read, Windows
// refuses the open, and neither reason would tell the user what is wrong.
int ReadFrameFile(const char *path, uint8_t *frame, FILE *err)
{
    if (IsDirectory(path)) {
        fprintf(err, "kavroconv: %s: is a directory, not a frame file\n", path);
        return -1;
    }
    FILE *file = fopen(path, "rb");
    if (file == NULL) {
        if (errno == ENOENT)
            fprintf(err, "kavroconv: %s: no such file\n", path);
        else
            fprintf(err, "kavroconv: %s: cannot read: %s\n", path, strerror(errno));
        return -1;
    }
    size_t got = fread(frame, 1, RAW_FRAME_BYTES, file);
    if (ferror(file))
        return ReadFailed(file, path, err);
    int more = got == RAW_FRAME_BYTES && fgetc(file) != EOF;
    if (ferror(file))
        return ReadFailed(file, path, err);
    if (got != RAW_FRAME_BYTES || more) {
        long long size = RegularFileSize(file);
        if (size < 0 && !more)
            size = (long long)got;
        if (size < 0)
            fprintf(err, "kavroconv: %s: not a frame: more than %d bytes, a frame has exactly %d\n",
                    path, RAW_FRAME_BYTES, RAW_FRAME_BYTES);
        else
            fprintf(err, "kavroconv: %s: not a frame: %lld bytes, a frame has exactly %d\n", path,
                    size, RAW_FRAME_BYTES);
        fclose(file);
        return -1;
    }
    fclose(file);
    return 0;
}
