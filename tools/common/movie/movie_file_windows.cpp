// The movie file over a Windows handle; names arrive as UTF-8.
#include "movie_file.h"

#include <windows.h>

#include <vector>

namespace {

HANDLE Handle(MovieFile *file)
{
    return (HANDLE)file->context;
}

MovieFileStatus Failed(MovieFile *file)
{
    file->system_error = (int)GetLastError();
    return MOVIE_FILE_FAILED;
}

int Seek(MovieFile *file, uint64_t offset)
{
    LARGE_INTEGER to;
    to.QuadPart = (LONGLONG)offset;
    return SetFilePointerEx(Handle(file), to, NULL, FILE_BEGIN) != 0;
}

MovieFileStatus WriteAt(MovieFile *file, uint64_t offset, const void *bytes, size_t length)
{
    if (!Seek(file, offset))
        return Failed(file);
    const char *from = (const char *)bytes;
    while (length > 0) {
        DWORD piece = length > 0x10000000 ? 0x10000000 : (DWORD)length;
        DWORD done = 0;
        if (!WriteFile(Handle(file), from, piece, &done, NULL))
            return Failed(file);
        if (done == 0) {
            file->system_error = ERROR_DISK_FULL;
            return MOVIE_FILE_FAILED;
        }
        from += done;
        length -= done;
    }
    return MOVIE_FILE_OK;
}

MovieFileStatus ReadAt(MovieFile *file, uint64_t offset, void *bytes, size_t length)
{
    if (!Seek(file, offset))
        return Failed(file);
    char *to = (char *)bytes;
    while (length > 0) {
        DWORD piece = length > 0x10000000 ? 0x10000000 : (DWORD)length;
        DWORD done = 0;
        if (!ReadFile(Handle(file), to, piece, &done, NULL))
            return Failed(file);
        if (done == 0)
            return MOVIE_FILE_SHORT;
        to += done;
        length -= done;
    }
    return MOVIE_FILE_OK;
}

MovieFileStatus Truncate(MovieFile *file, uint64_t length)
{
    if (!Seek(file, length) || !SetEndOfFile(Handle(file)))
        return Failed(file);
    return MOVIE_FILE_OK;
}

MovieFileStatus Size(MovieFile *file, uint64_t *length)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(Handle(file), &size))
        return Failed(file);
    *length = (uint64_t)size.QuadPart;
    return MOVIE_FILE_OK;
}

// WriteFile already gave the bytes to the system's cache.
MovieFileStatus HandOver(MovieFile *)
{
    return MOVIE_FILE_OK;
}

// The UTF-8 name as Windows' wide functions take it; false when it is not UTF-8.
bool WideName(const char *name, std::vector<wchar_t> *wide)
{
    int wide_chars = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, NULL, 0);
    if (wide_chars <= 0)
        return false;
    wide->resize((size_t)wide_chars);
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide->data(), wide_chars);
    return true;
}

}  // namespace

MovieFileStatus OpenSystemMovieFile(const char *name, MovieFileMode mode, MovieFile *file,
                                    int *system_error)
{
    std::vector<wchar_t> wide;
    if (!WideName(name, &wide)) {
        *system_error = (int)GetLastError();
        return MOVIE_FILE_FAILED;
    }
    DWORD disposition = mode == MOVIE_FILE_CREATE ? CREATE_ALWAYS : OPEN_EXISTING;
    HANDLE handle = CreateFileW(wide.data(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL,
                                disposition, FILE_ATTRIBUTE_NORMAL, NULL);
    if (handle == INVALID_HANDLE_VALUE) {
        *system_error = (int)GetLastError();
        return MOVIE_FILE_FAILED;
    }
    file->context = (void *)handle;
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
    if (!CloseHandle(Handle(file)))
        return Failed(file);
    return MOVIE_FILE_OK;
}

MovieFileStatus RemoveMovieFile(const char *name, int *system_error)
{
    std::vector<wchar_t> wide;
    if (!WideName(name, &wide) || !DeleteFileW(wide.data())) {
        *system_error = (int)GetLastError();
        return MOVIE_FILE_FAILED;
    }
    return MOVIE_FILE_OK;
}
