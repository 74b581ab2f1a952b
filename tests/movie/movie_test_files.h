// What the movie tests share: files in memory that fail on cue or pretend to
// be larger than a disk, the frames the tests record, and ffmpeg as an
// independent reader of the movies written.
#ifndef PUKAVRO_MOVIE_TEST_FILES_H
#define PUKAVRO_MOVIE_TEST_FILES_H

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "frame_rate.h"
#include "movie_file.h"

typedef std::vector<uint8_t> Bytes;

const int SIMULATED_DISK_FULL = 28;  // ENOSPC, whatever the system

// A whole file in memory. After operations_left writes or truncations it
// takes none (a killed process); a write ending past space fails after
// filling what fits (a full disk). Reads always work.
struct MemoryFile {
    MovieFile file;
    Bytes bytes;
    int operations_left;  // -1: no end
    uint64_t space;
    int operations;  // writes and truncations that reached the file
};
void InitMemoryFile(MemoryFile *memory);

// A file whose zero bytes take no memory, for movies past 4 GiB: it keeps
// 64-byte blocks that hold anything but zeros.
struct SparseFile {
    MovieFile file;
    std::map<uint64_t, std::vector<uint8_t>> blocks;
    uint64_t size;
};
void InitSparseFile(SparseFile *sparse);

// The bits of test frame `index`: every frame and every row different.
Bytes TestBits(uint32_t index);

// The movie the writer makes of test frames 0..frames-1, completed once at
// the end.
Bytes ReferenceMovie(uint32_t frames, FrameRate rate, uint64_t part_limit);

uint32_t Le32(const Bytes &bytes, uint64_t offset);

// Frames found through the super index and the standard indexes it points
// at, each checked against TestBits; -1 when an index points at anything but
// the next test frame.
int IndexedFrames(const Bytes &file);

// ffmpeg and ffprobe from the system (the native build only).
bool HaveFfmpeg();
#ifdef _WIN32
const char NO_FFMPEG[] = "ffmpeg reads the movies in the native builds";
#else
const char NO_FFMPEG[] = "ffmpeg and ffprobe are missing: run scripts/setup.sh";
#endif
struct Decoded {
    int status;          // ffmpeg's exit status
    std::string errors;  // what it printed at -v error
    Bytes frames;        // bgr24, top row first, frame after frame
};
Decoded DecodeMovie(const std::string &path);
// "key=value" lines of the video stream: codec, size, rate, frames.
std::string ProbeMovie(const std::string &path);

#ifdef _WIN32
// What Windows' own reader tells of a movie's video stream.
struct OldReaderStream {
    uint32_t rate, scale;  // frames per second: rate / scale
    int32_t length;        // the frames it says the stream holds
};
// How many of the movie's first `frames` frames (at most the stream's
// length) Windows' own reader (avifil32) reads, in order, each equal to
// expected(f); -1 when it cannot open the movie. stream, unless NULL, gets
// what the reader tells of the stream.
int OldReaderFrames(const std::string &path, uint32_t frames, Bytes (*expected)(uint32_t),
                    OldReaderStream *stream = NULL);
#endif

// The first of frames whose decoded rows differ from TestBits(first + i)
// turned top-down, or -1.
int FirstWrongFrame(const Bytes &decoded, uint32_t frames);

// ffmpeg's frames (top row first) against painted ones (bottom row first,
// as the window paints them): the first that differs or is missing, the
// count of painted when more were decoded, or -1 when they are the same.
int FirstWrongDecodedFrame(const Bytes &decoded, const std::vector<Bytes> &painted);

// What ffprobe and ffmpeg find wrong with a movie that should hold exactly
// the painted frames, uncompressed, at rate ("25/2"); "" when nothing.
std::string FfmpegDisagreement(const std::string &path, const std::vector<Bytes> &painted,
                               const std::string &rate);

#endif
