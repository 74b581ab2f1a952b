// The movie file over POSIX descriptors.
#include "movie_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int Descriptor(MovieFile *file)
{
    return (int)(intptr_t)file->context;
}

MovieFileStatus Failed(MovieFile *file)
{
    file->system_error = errno;
    return MOVIE_FILE_FAILED;
}

MovieFileStatus WriteAt(MovieFile *file, uint64_t offset, const void *bytes, size_t length)
{
    const char *from = (const char *)bytes;
    while (length > 0) {
        ssize_t done = pwrite(Descriptor(file), from, length, (off_t)offset);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return Failed(file);
        from += done;
        offset += (uint64_t)done;
        length -= (size_t)done;
    }
    return MOVIE_FILE_OK;
}

MovieFileStatus ReadAt(MovieFile *file, uint64_t offset, void *bytes, size_t length)
{
    char *to = (char *)bytes;
    while (length > 0) {
        ssize_t done = pread(Descriptor(file), to, length, (off_t)offset);
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0)
            return Failed(file);
        if (done == 0)
            return MOVIE_FILE_SHORT;
        to += done;
        offset += (uint64_t)done;
        length -= (size_t)done;
    }
    return MOVIE_FILE_OK;
}

MovieFileStatus Truncate(MovieFile *file, uint64_t length)
{
    if (ftruncate(Descriptor(file), (off_t)length) != 0)
        return Failed(file);
    return MOVIE_FILE_OK;
}

MovieFileStatus Size(MovieFile *file, uint64_t *length)
{
    struct stat status;
    if (fstat(Descriptor(file), &status) != 0)
        return Failed(file);
    *length = (uint64_t)status.st_size;
    return MOVIE_FILE_OK;
}

MovieFileStatus HandOver(MovieFile *)
{
    return MOVIE_FILE_OK;
}

}  // namespace

MovieFileStatus OpenSystemMovieFile(const char *name, MovieFileMode mode, MovieFile *file,
                                    int *system_error)
{
    int flags = mode == MOVIE_FILE_CREATE ? O_RDWR | O_CREAT | O_TRUNC : O_RDWR;
    int fd = open(name, flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        *system_error = errno;
        return MOVIE_FILE_FAILED;
    }
    file->context = (void *)(intptr_t)fd;
    file->write_at = WriteAt;
    file->read_at = ReadAt;
    file->truncate = Truncate;
    file->size = Size;
    file->hand_over = HandOver;
    file->system_error = 0;
    return MOVIE_FILE_OK;
}

MovieFileStatus CloseMovieFile(MovieFile *file)
{
    if (close(Descriptor(file)) != 0)
        return Failed(file);
    return MOVIE_FILE_OK;
}

MovieFileStatus RemoveMovieFile(const char *name, int *system_error)
{
    if (unlink(name) != 0) {
        *system_error = errno;
        return MOVIE_FILE_FAILED;
    }
    return MOVIE_FILE_OK;
}
