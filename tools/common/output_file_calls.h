// The system calls WriteWholeFile makes on its temporary file: write,
// close and the rename into place. A test swaps them for ones that fail, to
// see the failure handled in every build without a full or broken disk.
#ifndef PUKAVRO_OUTPUT_FILE_CALLS_H
#define PUKAVRO_OUTPUT_FILE_CALLS_H

#ifdef _WIN32
#include <windows.h>

struct OutputFileCalls {
    BOOL(WINAPI *write)
    (HANDLE file, LPCVOID data, DWORD length, LPDWORD written, LPOVERLAPPED overlapped);
    BOOL(WINAPI *close)(HANDLE file);
    BOOL(WINAPI *rename)(LPCWSTR from, LPCWSTR to, DWORD flags);  // MoveFileExW's
};
#else
#include <sys/types.h>

struct OutputFileCalls {
    ssize_t (*write)(int file, const void *data, size_t length);
    int (*close)(int file);
    // 0, or -1 with errno; replace == 0 refuses an existing name (EEXIST).
    int (*rename)(const char *from, const char *to, int replace);
};
#endif

// The calls the system provides.
extern const OutputFileCalls SYSTEM_OUTPUT_FILE_CALLS;

// The calls every WriteWholeFile makes from now on, process-wide; NULL
// brings back the system's. Not for use while another thread writes.
void UseOutputFileCalls(const OutputFileCalls *calls);

#endif
