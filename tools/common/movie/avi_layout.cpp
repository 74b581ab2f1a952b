// Offsets of a movie's parts, frames and indexes, from its frame counts.
#include "avi_layout.h"

namespace {

const uint64_t IX00_FIXED_BYTES = 8 + sizeof(AviStandardIndexHeader);
const uint64_t IDX1_FIXED_BYTES = 8;

uint64_t PartHeaderBytes(size_t part)
{
    return part == 0 ? (uint64_t)sizeof(AviHeaders) : (uint64_t)AVI_AVIX_HEADER_BYTES;
}

}  // namespace

uint64_t AviIndexesBytes(size_t part, uint32_t frames)
{
    uint64_t bytes = IX00_FIXED_BYTES + (uint64_t)frames * sizeof(AviStandardIndexEntry);
    if (part == 0)
        bytes += IDX1_FIXED_BYTES + (uint64_t)frames * sizeof(AviOldIndexEntry);
    return bytes;
}

uint64_t AviPartStart(const AviParts &parts, size_t part)
{
    uint64_t start = 0;
    for (size_t p = 0; p < part; ++p)
        start += PartHeaderBytes(p) + (uint64_t)parts[p] * AVI_FRAME_CHUNK_BYTES
                 + AviIndexesBytes(p, parts[p]);
    return start;
}

uint64_t AviMoviOffset(const AviParts &parts, size_t part)
{
    return AviPartStart(parts, part) + PartHeaderBytes(part) - 4;
}

uint64_t AviFrameOffset(const AviParts &parts, size_t part, uint32_t frame)
{
    return AviMoviOffset(parts, part) + 4 + (uint64_t)frame * AVI_FRAME_CHUNK_BYTES;
}

uint64_t AviIndexOffset(const AviParts &parts, size_t part)
{
    return AviFrameOffset(parts, part, parts[part]);
}

uint64_t AviPartEnd(const AviParts &parts, size_t part)
{
    return AviIndexOffset(parts, part) + AviIndexesBytes(part, parts[part]);
}

uint64_t AviMovieEnd(const AviParts &parts)
{
    return AviPartEnd(parts, parts.size() - 1);
}

uint32_t AviTotalFrames(const AviParts &parts)
{
    uint32_t total = 0;
    for (uint32_t frames : parts)
        total += frames;
    return total;
}

uint32_t AviPartCapacity(size_t part, uint64_t part_limit)
{
    uint64_t fixed = PartHeaderBytes(part) + AviIndexesBytes(part, 0);
    uint64_t per_frame =
        AVI_FRAME_CHUNK_BYTES + AviIndexesBytes(part, 1) - AviIndexesBytes(part, 0);
    if (part_limit < fixed + per_frame)
        return 1;
    uint64_t frames = (part_limit - fixed) / per_frame;
    return frames > 0x7FFFFFFF ? 0x7FFFFFFF : (uint32_t)frames;
}
