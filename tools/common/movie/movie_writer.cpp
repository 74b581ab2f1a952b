// The order of a completion's writes is what keeps a killed recording
// readable. After every prefix of them the file is still a clean run of
// chunks (frames, indexes, JUNK), and the super index points at standard
// indexes of whole frames only: readers that walk the chunks (ffmpeg) and
// readers that follow the indexes both find every frame of the last
// completion point, and a repair finds the rest.
#include "movie_writer.h"

#include <string.h>

#include "avi_chunks.h"

namespace {

bool Put(MovieWriter *w, uint64_t offset, const void *bytes, size_t length)
{
    return w->file->write_at(w->file, offset, bytes, length) == MOVIE_FILE_OK;
}

bool Put32(MovieWriter *w, uint64_t offset, uint32_t value)
{
    return Put(w, offset, &value, sizeof(value));
}

bool PutBytes(MovieWriter *w, uint64_t offset, const AviBytes &bytes)
{
    return Put(w, offset, bytes.data(), bytes.size());
}

bool PutSuperIndex(MovieWriter *w, const AviHeaders &headers)
{
    return Put(w, AVI_SUPER_INDEX_OFFSET, &headers.super_index, AVI_SUPER_INDEX_BYTES);
}

// The counts in the header, and the sizes of the part that changed.
bool PutCountsAndSizes(MovieWriter *w, const AviParts &parts, size_t part)
{
    uint32_t total = AviTotalFrames(parts);
    return Put32(w, offsetof(AviHeaders, main.dwTotalFrames), parts[0])
           && Put32(w, offsetof(AviHeaders, stream.dwLength), total)
           && Put32(w, offsetof(AviHeaders, total_frames), total)
           && Put32(w, AviMoviSizeOffset(parts, part), AviMoviSize(parts, part))
           && Put32(w, AviRiffSizeOffset(parts, part), AviRiffSize(parts, part));
}

// The header fields that follow from the rate; nothing else depends on it,
// so they may be written at any moment of a completion.
bool PutRate(MovieWriter *w)
{
    AviHeaders headers;
    AviBuildHeaders(w->parts, w->rate, &headers);
    return Put(w, offsetof(AviHeaders, main.dwMicroSecPerFrame), &headers.main.dwMicroSecPerFrame,
               2 * sizeof(uint32_t))
           && Put(w, offsetof(AviHeaders, stream.dwScale), &headers.stream.dwScale,
                  2 * sizeof(uint32_t));
}

// Marks bytes that no longer belong to any chunk: a JUNK chunk, or zeros
// when there is no room for its header.
bool PutLeftover(MovieWriter *w, uint64_t offset, uint64_t length)
{
    if (length < 8) {
        const uint8_t zeros[8] = {};
        return Put(w, offset, zeros, (size_t)length);
    }
    const uint32_t junk[2] = {AVI_FOURCC('J', 'U', 'N', 'K'), (uint32_t)(length - 8)};
    return Put(w, offset, junk, sizeof(junk));
}

// Frames that still fit after the last completion point.
uint64_t RoomLeft(const MovieWriter *w)
{
    size_t last = w->parts.size() - 1;
    uint64_t room = AviPartCapacity(last, w->part_limit) - w->parts[last];
    room += (uint64_t)(AVI_MAX_PARTS - w->parts.size()) * AviPartCapacity(1, w->part_limit);
    return room;
}

// The shape after adding frames: the last part filled, then new parts.
AviParts ShapeWith(const MovieWriter *w, uint32_t frames)
{
    AviParts shape = w->parts;
    while (frames > 0) {
        size_t last = shape.size() - 1;
        uint32_t capacity = AviPartCapacity(last, w->part_limit);
        if (shape[last] >= capacity) {
            shape.push_back(0);
            continue;
        }
        uint32_t take = capacity - shape[last] < frames ? capacity - shape[last] : frames;
        shape[last] += take;
        frames -= take;
    }
    return shape;
}

bool WriteCompletion(MovieWriter *w, const AviParts &old, const AviParts &shape)
{
    size_t last = old.size() - 1;
    uint64_t end = AviMovieEnd(shape);
    bool last_grows = shape[last] > old[last];
    AviHeaders headers;
    if (last_grows) {
        // The new frames cover the last part's index, so the index in force
        // first moves past the new end, to be cut off at the end.
        AviBuildSuperIndex(old, &headers);
        headers.parts[last].qwOffsetLow = (uint32_t)(end & 0xFFFFFFFFu);
        headers.parts[last].qwOffsetHigh = (uint32_t)(end >> 32);
        if (!PutBytes(w, end, AviStandardIndex(old, last)) || !PutSuperIndex(w, headers))
            return false;
        // What the frames leave of the old indexes must read as one JUNK
        // chunk: readers that walk the chunks would take an idx1 entry
        // ("00db", 16) for a frame.
        uint64_t frames_end = AviIndexOffset(shape, last);
        uint64_t old_end = AviMovieEnd(old);
        if (frames_end < old_end && !PutLeftover(w, frames_end, old_end - frames_end))
            return false;
    }
    const uint8_t *chunks = w->pending.data();
    for (size_t p = last; p < shape.size(); ++p) {
        uint32_t before = p < old.size() ? old[p] : 0;
        size_t bytes = (size_t)(shape[p] - before) * AVI_FRAME_CHUNK_BYTES;
        // A new part's header already holds its final sizes: nothing points
        // at it until the super index does.
        if (p >= old.size() && !PutBytes(w, AviPartStart(shape, p), AviExtensionHeader(shape, p)))
            return false;
        if (bytes > 0 && !Put(w, AviFrameOffset(shape, p, before), chunks, bytes))
            return false;
        chunks += bytes;
    }
    for (size_t p = last_grows ? last : last + 1; p < shape.size(); ++p) {
        if (!PutBytes(w, AviIndexOffset(shape, p), AviPartIndexes(shape, p)))
            return false;
    }
    AviBuildSuperIndex(shape, &headers);
    if (!PutSuperIndex(w, headers))
        return false;
    if (!PutCountsAndSizes(w, shape, last))
        return false;
    if (last_grows && w->file->truncate(w->file, end) != MOVIE_FILE_OK)
        return false;
    return w->file->hand_over(w->file) == MOVIE_FILE_OK;
}

// Back to the last completion point, in the order that fits on a full disk:
// the index in place (it was there before), then the sizes, then the cut.
bool Restore(MovieWriter *w)
{
    const AviParts &old = w->parts;
    size_t last = old.size() - 1;
    AviHeaders headers;
    AviBuildSuperIndex(old, &headers);
    return PutBytes(w, AviIndexOffset(old, last), AviPartIndexes(old, last))
           && PutSuperIndex(w, headers) && PutCountsAndSizes(w, old, last)
           && w->file->truncate(w->file, AviMovieEnd(old)) == MOVIE_FILE_OK
           && w->file->hand_over(w->file) == MOVIE_FILE_OK;
}

void DropPending(MovieWriter *w)
{
    w->pending.clear();
    w->pending_frames = 0;
}

// A write failed: the recording stops, back at its last completion point.
MovieResult StopAtLastPoint(MovieWriter *w)
{
    w->stopped = 1;
    DropPending(w);
    int error = w->file->system_error;
    bool restored = Restore(w);
    w->file->system_error = error;
    return restored ? MOVIE_WRITE_FAILED : MOVIE_WRITE_FAILED_NOT_RESTORED;
}

}  // namespace

MovieResult StartMovie(MovieWriter *w, MovieFile *file, FrameRate rate, uint64_t part_limit)
{
    w->file = file;
    w->rate = rate;
    w->part_limit = part_limit;
    w->parts.assign(1, 0);
    DropPending(w);
    w->stopped = 0;
    w->rate_changed = 0;
    AviHeaders headers;
    AviBuildHeaders(w->parts, rate, &headers);
    AviBytes bytes((const uint8_t *)&headers, (const uint8_t *)&headers + sizeof(headers));
    AviBytes indexes = AviPartIndexes(w->parts, 0);
    bytes.insert(bytes.end(), indexes.begin(), indexes.end());
    if (!PutBytes(w, 0, bytes) || file->hand_over(file) != MOVIE_FILE_OK) {
        w->stopped = 1;
        return MOVIE_WRITE_FAILED;
    }
    return MOVIE_OK;
}

MovieResult CompleteMovie(MovieWriter *w)
{
    if (w->stopped)
        return MOVIE_STOPPED;
    if (w->rate_changed) {
        if (!PutRate(w))
            return StopAtLastPoint(w);
        w->rate_changed = 0;
    }
    if (w->pending_frames == 0)
        return w->file->hand_over(w->file) == MOVIE_FILE_OK ? MOVIE_OK : StopAtLastPoint(w);
    AviParts shape = ShapeWith(w, w->pending_frames);
    if (WriteCompletion(w, w->parts, shape)) {
        w->parts = shape;
        DropPending(w);
        return MOVIE_OK;
    }
    return StopAtLastPoint(w);
}

void SetMovieRate(MovieWriter *w, FrameRate rate)
{
    if (rate.rate == w->rate.rate && rate.scale == w->rate.scale)
        return;
    w->rate = rate;
    w->rate_changed = 1;
}

MovieResult AddMovieFrame(MovieWriter *w, const uint8_t *bits)
{
    if (w->stopped)
        return MOVIE_STOPPED;
    if (w->pending_frames + 1 > RoomLeft(w)) {
        MovieResult result = CompleteMovie(w);
        w->stopped = 1;
        return result == MOVIE_OK ? MOVIE_PARTS_FULL : result;
    }
    if (w->pending_frames == MOVIE_PENDING_FRAMES_MAX) {
        MovieResult result = CompleteMovie(w);
        if (result != MOVIE_OK)
            return result;
    }
    uint8_t header[8];
    AviFrameChunkHeader(header);
    w->pending.insert(w->pending.end(), header, header + sizeof(header));
    w->pending.insert(w->pending.end(), bits, bits + DISPLAY_IMAGE_BYTES);
    ++w->pending_frames;
    return MOVIE_OK;
}

MovieResult AddRawMovieFrame(MovieWriter *w, const uint8_t *raw_frame)
{
    uint8_t bits[DISPLAY_IMAGE_BYTES];
    ConvertFrame(raw_frame, bits, FRAME_WIDTH, FRAME_HEIGHT);
    return AddMovieFrame(w, bits);
}

MovieResult FinishMovie(MovieWriter *w)
{
    MovieResult result = CompleteMovie(w);
    w->stopped = 1;
    return result;
}

uint32_t MovieFrameCount(const MovieWriter *w)
{
    return AviTotalFrames(w->parts) + w->pending_frames;
}

const char *MovieProblem(MovieResult result)
{
    switch (result) {
    case MOVIE_OK:
        return "";
    case MOVIE_WRITE_FAILED:
        return "writing the movie failed; it keeps the frames of its last complete second";
    case MOVIE_WRITE_FAILED_NOT_RESTORED:
        return "writing the movie failed and left it incomplete; kavroconv --repair completes it";
    case MOVIE_PARTS_FULL:
        return "the movie is full: it holds at most 256 parts of 1 GiB";
    case MOVIE_STOPPED:
        return "the recording has already stopped";
    }
    return "unknown movie result";
}
