// The chunks say what the movie holds: in each part, frame chunks one after
// another from its first, until one is missing or cut short; after a part's
// indexes, the next part's header, if any. Everything else is rebuilt from
// those frame counts exactly as the writer writes it, and written only where
// the file differs.
#include "movie_repair.h"

#include <string.h>

#include "avi_chunks.h"

namespace {

struct Repair {
    MovieFile *file;
    uint64_t size;
    int writes;
    bool failed;
};

bool Read(Repair *r, uint64_t offset, void *bytes, size_t length)
{
    MovieFileStatus status = r->file->read_at(r->file, offset, bytes, length);
    if (status == MOVIE_FILE_FAILED)
        r->failed = true;
    return status == MOVIE_FILE_OK;
}

// Writes the bytes unless the file already holds them.
bool Sync(Repair *r, uint64_t offset, const void *bytes, size_t length)
{
    if (r->failed)
        return false;
    if (offset + length <= r->size) {
        AviBytes held(length);
        if (Read(r, offset, held.data(), length) && memcmp(held.data(), bytes, length) == 0)
            return true;
        if (r->failed)
            return false;
    }
    ++r->writes;
    if (r->file->write_at(r->file, offset, bytes, length) != MOVIE_FILE_OK)
        r->failed = true;
    return !r->failed;
}

bool Sync32(Repair *r, uint64_t offset, uint32_t value)
{
    return Sync(r, offset, &value, sizeof(value));
}

// The headers with what a recording changes cleared, for comparing with
// what the writer starts with.
void ClearCounts(AviHeaders *h)
{
    h->riff_size = 0;
    h->main.dwTotalFrames = 0;
    h->stream.dwLength = 0;
    memset(&h->super_index, 0, AVI_SUPER_INDEX_BYTES);
    h->total_frames = 0;
    h->movi_size = 0;
}

bool IsOurs(const AviHeaders &held)
{
    if (held.stream.dwRate == 0 || held.stream.dwScale == 0)
        return false;
    AviHeaders found = held;
    AviHeaders ours;
    AviBuildHeaders(AviParts(1, 0), FrameRate{held.stream.dwRate, held.stream.dwScale}, &ours);
    ClearCounts(&found);
    ClearCounts(&ours);
    return memcmp(&found, &ours, sizeof(ours)) == 0;
}

bool IsExtensionHeader(Repair *r, uint64_t offset)
{
    uint32_t words[6];
    if (!Read(r, offset, words, sizeof(words)))
        return false;
    return words[0] == AVI_FOURCC('R', 'I', 'F', 'F') && words[2] == AVI_FOURCC('A', 'V', 'I', 'X')
           && words[3] == AVI_FOURCC('L', 'I', 'S', 'T')
           && words[5] == AVI_FOURCC('m', 'o', 'v', 'i');
}

uint32_t CountFrames(Repair *r, const AviParts &parts, size_t part)
{
    uint8_t expected[8];
    AviFrameChunkHeader(expected);
    uint64_t offset = AviFrameOffset(parts, part, 0);
    uint32_t frames = 0;
    uint8_t header[8];
    while (offset + AVI_FRAME_CHUNK_BYTES <= r->size && Read(r, offset, header, sizeof(header))
           && memcmp(header, expected, sizeof(header)) == 0) {
        ++frames;
        offset += AVI_FRAME_CHUNK_BYTES;
    }
    return frames;
}

// The frame counts of the parts the file holds.
AviParts FindParts(Repair *r)
{
    AviParts parts(1, 0);
    parts[0] = CountFrames(r, parts, 0);
    while (!r->failed && parts.size() < AVI_MAX_PARTS) {
        parts.push_back(0);
        size_t part = parts.size() - 1;
        if (!IsExtensionHeader(r, AviPartStart(parts, part)))
            break;
        parts[part] = CountFrames(r, parts, part);
        if (parts[part] == 0)
            break;
    }
    if (parts.size() > 1 && parts.back() == 0)
        parts.pop_back();
    return parts;
}

}  // namespace

MovieRepair RepairMovie(MovieFile *file, uint32_t *frames)
{
    Repair r = {file, 0, 0, false};
    AviHeaders held;
    if (file->size(file, &r.size) != MOVIE_FILE_OK)
        return MOVIE_REPAIR_FAILED;
    if (r.size < sizeof(held) || !Read(&r, 0, &held, sizeof(held)))
        return r.failed ? MOVIE_REPAIR_FAILED : MOVIE_REPAIR_NOT_A_MOVIE;
    if (!IsOurs(held))
        return MOVIE_REPAIR_NOT_A_MOVIE;
    AviParts parts = FindParts(&r);
    if (r.failed)
        return MOVIE_REPAIR_FAILED;

    // Indexes first, then what points at them, then the sizes, then the cut:
    // the order the writer completes in.
    for (size_t p = 0; p < parts.size(); ++p) {
        AviBytes indexes = AviPartIndexes(parts, p);
        Sync(&r, AviIndexOffset(parts, p), indexes.data(), indexes.size());
        if (p > 0) {
            AviBytes header = AviExtensionHeader(parts, p);
            Sync(&r, AviPartStart(parts, p), header.data(), header.size());
        }
    }
    AviHeaders rebuilt;
    AviBuildHeaders(parts, FrameRate{held.stream.dwRate, held.stream.dwScale}, &rebuilt);
    Sync(&r, AVI_SUPER_INDEX_OFFSET, &rebuilt.super_index, AVI_SUPER_INDEX_BYTES);
    Sync32(&r, offsetof(AviHeaders, main.dwTotalFrames), rebuilt.main.dwTotalFrames);
    Sync32(&r, offsetof(AviHeaders, stream.dwLength), rebuilt.stream.dwLength);
    Sync32(&r, offsetof(AviHeaders, total_frames), rebuilt.total_frames);
    Sync32(&r, offsetof(AviHeaders, movi_size), rebuilt.movi_size);
    Sync32(&r, offsetof(AviHeaders, riff_size), rebuilt.riff_size);
    if (r.failed)
        return MOVIE_REPAIR_FAILED;
    uint64_t end = AviMovieEnd(parts);
    if (r.size != end) {
        ++r.writes;
        if (file->truncate(file, end) != MOVIE_FILE_OK)
            return MOVIE_REPAIR_FAILED;
    }
    if (r.writes > 0 && file->hand_over(file) != MOVIE_FILE_OK)
        return MOVIE_REPAIR_FAILED;
    *frames = AviTotalFrames(parts);
    return r.writes > 0 ? MOVIE_REPAIR_REPAIRED : MOVIE_REPAIR_UNCHANGED;
}
