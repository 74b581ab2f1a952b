// Records frames into an AVI movie (96 x 72, 24-bit bottom-up RGB, one
// uncompressed video stream) that any reader can open at every completion
// point, and that a killed process never leaves worse than the last one.
//
// Frames wait in memory until the next completion point, which puts them on
// disk after the frames already there, writes the indexes after them and
// updates every count and size. The caller decides when: it calls
// CompleteMovie at least once a second (kavrocap does so from its clock), and
// FinishMovie at the end. AddMovieFrame completes by itself only when
// MOVIE_PENDING_FRAMES_MAX frames wait, to bound the memory they hold.
//
// Files up to AVI_DEFAULT_PART_LIMIT are one RIFF "AVI " list; longer ones
// continue in "AVIX" parts (OpenDML), at most AVI_MAX_PARTS of them.
#ifndef PUKAVRO_MOVIE_WRITER_H
#define PUKAVRO_MOVIE_WRITER_H

#include <stdint.h>

#include <vector>

#include "avi_layout.h"
#include "frame_rate.h"
#include "movie_file.h"

enum { MOVIE_PENDING_FRAMES_MAX = 256 };

enum MovieResult {
    MOVIE_OK,
    // A write failed (a full disk): the recording stopped and the file is
    // back at the last completion point. file->system_error says why.
    MOVIE_WRITE_FAILED,
    // ...and bringing it back failed too: the file needs a repair.
    MOVIE_WRITE_FAILED_NOT_RESTORED,
    // The frame would need more than AVI_MAX_PARTS parts: the recording
    // stopped, complete with every frame before it.
    MOVIE_PARTS_FULL,
    // The recording has already stopped; nothing was written.
    MOVIE_STOPPED,
};

struct MovieWriter {
    MovieFile *file;
    FrameRate rate;
    uint64_t part_limit;
    AviParts parts;                // on disk, as of the last completion point
    std::vector<uint8_t> pending;  // frame chunks not yet on disk
    uint32_t pending_frames;
    int stopped;
    int rate_changed;  // the headers' rate is written at the next completion point
};

// Starts an empty movie in a new empty file: a completion point with no
// frames. part_limit is AVI_DEFAULT_PART_LIMIT except in tests, which make
// parts of a few frames.
MovieResult StartMovie(MovieWriter *writer, MovieFile *file, FrameRate rate, uint64_t part_limit);

// Adds the bitmap the window paints (DISPLAY_IMAGE_BYTES, ConvertFrame's
// output) or a raw camera frame (RAW_FRAME_BYTES), converted here.
MovieResult AddMovieFrame(MovieWriter *writer, const uint8_t *bits);
MovieResult AddRawMovieFrame(MovieWriter *writer, const uint8_t *raw_frame);

// The completion point: every frame so far on disk, the indexes after them,
// every size and count updated, all of it handed to the system.
MovieResult CompleteMovie(MovieWriter *writer);

// The last completion point; the writer takes no frame after it. The caller
// closes the file.
MovieResult FinishMovie(MovieWriter *writer);

// Why the recording stopped, in a line's words for the user ("" for
// MOVIE_OK); the caller adds the system's reason for a failed write.
const char *MovieProblem(MovieResult result);

// Plays the movie at rate from the next completion point on: a burst's rate
// is known only as it is recorded.
void SetMovieRate(MovieWriter *writer, FrameRate rate);

// Frames added and accepted so far, on disk or waiting.
uint32_t MovieFrameCount(const MovieWriter *writer);

#endif
