// The few file operations a movie needs, as a struct of functions, so the
// writer and the repair run over the system's files, or over test files that
// fail on cue or pretend to be larger than any disk.
#ifndef PUKAVRO_MOVIE_FILE_H
#define PUKAVRO_MOVIE_FILE_H

#include <stddef.h>
#include <stdint.h>

enum MovieFileStatus {
    MOVIE_FILE_OK,
    MOVIE_FILE_FAILED,  // the system refused; system_error says why
    MOVIE_FILE_SHORT,   // a read ran past the end of the file
};

struct MovieFile {
    void *context;
    // Seeks to offset and writes every byte, or fails.
    MovieFileStatus (*write_at)(MovieFile *file, uint64_t offset, const void *bytes, size_t length);
    // Seeks to offset and reads exactly length bytes.
    MovieFileStatus (*read_at)(MovieFile *file, uint64_t offset, void *bytes, size_t length);
    // Cuts the file (or extends it with zeros) to length bytes.
    MovieFileStatus (*truncate)(MovieFile *file, uint64_t length);
    MovieFileStatus (*size)(MovieFile *file, uint64_t *length);
    // Hands everything written so far to the system, so the end of the
    // process cannot lose it (forcing it onto the disk is not asked).
    MovieFileStatus (*hand_over)(MovieFile *file);
    int system_error;  // errno or GetLastError() of the last failure
};

enum MovieFileMode {
    MOVIE_FILE_CREATE,    // a new empty file, replacing one of that name
    MOVIE_FILE_EXISTING,  // an existing file, read and written in place
};

// The system's file of that UTF-8 name, unbuffered: every write_at reaches
// the system before it returns, so hand_over has nothing left to do.
// On failure *system_error says why and nothing needs closing.
MovieFileStatus OpenMovieFile(const char *name, MovieFileMode mode, MovieFile *file,
                              int *system_error);
MovieFileStatus CloseMovieFile(MovieFile *file);

// Removes the file of that UTF-8 name (a movie that holds no frame).
MovieFileStatus RemoveMovieFile(const char *name, int *system_error);

// What OpenMovieFile does from now on, process-wide; NULL brings back the
// system's files. Tests hand in files that fail on cue, as a full disk does.
typedef MovieFileStatus (*MovieFileOpener)(const char *name, MovieFileMode mode, MovieFile *file,
                                           int *system_error);
void UseMovieFileOpener(MovieFileOpener opener);
MovieFileStatus OpenSystemMovieFile(const char *name, MovieFileMode mode, MovieFile *file,
                                    int *system_error);

#endif
