// Chunk bytes built from a movie's shape alone, so the writer and the repair
// produce the very same file for the same frames.
#include "avi_chunks.h"

#include <string.h>

namespace {

void PutLe32(uint8_t *to, uint32_t value)
{
    memcpy(to, &value, 4);
}

uint32_t Low32(uint64_t value)
{
    return (uint32_t)(value & 0xFFFFFFFFu);
}

uint32_t High32(uint64_t value)
{
    return (uint32_t)(value >> 32);
}

uint32_t StandardIndexBytes(uint32_t frames)
{
    return 8 + sizeof(AviStandardIndexHeader) + frames * sizeof(AviStandardIndexEntry);
}

}  // namespace

void AviFrameChunkHeader(uint8_t header[8])
{
    PutLe32(header, AVI_FRAME_CHUNK_ID);
    PutLe32(header + 4, DISPLAY_IMAGE_BYTES);
}

uint64_t AviRiffSizeOffset(const AviParts &parts, size_t part)
{
    return AviPartStart(parts, part) + 4;
}

uint64_t AviMoviSizeOffset(const AviParts &parts, size_t part)
{
    return AviMoviOffset(parts, part) - 4;
}

uint32_t AviRiffSize(const AviParts &parts, size_t part)
{
    return (uint32_t)(AviPartEnd(parts, part) - AviPartStart(parts, part) - 8);
}

uint32_t AviMoviSize(const AviParts &parts, size_t part)
{
    // The list holds the frames and the ix00; the first part's idx1 follows it.
    uint64_t list_end = AviIndexOffset(parts, part) + StandardIndexBytes(parts[part]);
    return (uint32_t)(list_end - AviMoviOffset(parts, part));
}

void AviBuildSuperIndex(const AviParts &parts, AviHeaders *headers)
{
    AviSuperIndexHeader *super = &headers->super_index;
    memset(super, 0, AVI_SUPER_INDEX_BYTES);
    super->wLongsPerEntry = 4;
    super->bIndexSubType = 0;
    super->bIndexType = AVI_INDEX_TYPE_INDEXES;
    super->nEntriesInUse = (uint32_t)parts.size();
    super->dwChunkId = AVI_FRAME_CHUNK_ID;
    for (size_t p = 0; p < parts.size() && p < AVI_MAX_PARTS; ++p) {
        uint64_t offset = AviIndexOffset(parts, p);
        headers->parts[p].qwOffsetLow = Low32(offset);
        headers->parts[p].qwOffsetHigh = High32(offset);
        headers->parts[p].dwSize = StandardIndexBytes(parts[p]);
        headers->parts[p].dwDuration = parts[p];
    }
}

void AviBuildHeaders(const AviParts &parts, FrameRate rate, AviHeaders *h)
{
    memset(h, 0, sizeof(*h));
    h->riff = AVI_FOURCC('R', 'I', 'F', 'F');
    h->riff_size = AviRiffSize(parts, 0);
    h->avi = AVI_FOURCC('A', 'V', 'I', ' ');
    h->hdrl_list = AVI_FOURCC('L', 'I', 'S', 'T');
    h->hdrl_size = offsetof(AviHeaders, movi_list) - offsetof(AviHeaders, hdrl);
    h->hdrl = AVI_FOURCC('h', 'd', 'r', 'l');

    h->avih = AVI_FOURCC('a', 'v', 'i', 'h');
    h->avih_size = sizeof(AviMainHeader);
    h->main.dwMicroSecPerFrame = (uint32_t)((1000000ull * rate.scale + rate.rate / 2) / rate.rate);
    uint64_t bytes_per_second =
        ((uint64_t)AVI_FRAME_CHUNK_BYTES * rate.rate + rate.scale - 1) / rate.scale;
    h->main.dwMaxBytesPerSec =
        bytes_per_second > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)bytes_per_second;
    h->main.dwFlags = AVI_MOVIE_HAS_INDEX | AVI_MOVIE_INTERLEAVED;
    h->main.dwTotalFrames = parts[0];
    h->main.dwStreams = 1;
    h->main.dwSuggestedBufferSize = DISPLAY_IMAGE_BYTES;
    h->main.dwWidth = FRAME_WIDTH;
    h->main.dwHeight = FRAME_HEIGHT;

    h->strl_list = AVI_FOURCC('L', 'I', 'S', 'T');
    h->strl_size = offsetof(AviHeaders, odml_list) - offsetof(AviHeaders, strl);
    h->strl = AVI_FOURCC('s', 't', 'r', 'l');
    h->strh = AVI_FOURCC('s', 't', 'r', 'h');
    h->strh_size = sizeof(AviStreamHeader);
    h->stream.fccType = AVI_FOURCC('v', 'i', 'd', 's');
    h->stream.dwScale = rate.scale;
    h->stream.dwRate = rate.rate;
    h->stream.dwLength = AviTotalFrames(parts);
    h->stream.dwSuggestedBufferSize = DISPLAY_IMAGE_BYTES;
    h->stream.dwQuality = 0xFFFFFFFFu;
    h->stream.rcFrame[2] = FRAME_WIDTH;
    h->stream.rcFrame[3] = FRAME_HEIGHT;
    h->strf = AVI_FOURCC('s', 't', 'r', 'f');
    h->strf_size = sizeof(BITMAPINFOHEADER);
    InitDisplayHeader(&h->format);
    h->indx = AVI_FOURCC('i', 'n', 'd', 'x');
    h->indx_size = AVI_SUPER_INDEX_BYTES;
    AviBuildSuperIndex(parts, h);

    h->odml_list = AVI_FOURCC('L', 'I', 'S', 'T');
    h->odml_size = offsetof(AviHeaders, movi_list) - offsetof(AviHeaders, odml);
    h->odml = AVI_FOURCC('o', 'd', 'm', 'l');
    h->dmlh = AVI_FOURCC('d', 'm', 'l', 'h');
    h->dmlh_size = offsetof(AviHeaders, movi_list) - offsetof(AviHeaders, total_frames);
    h->total_frames = AviTotalFrames(parts);

    h->movi_list = AVI_FOURCC('L', 'I', 'S', 'T');
    h->movi_size = AviMoviSize(parts, 0);
    h->movi = AVI_FOURCC('m', 'o', 'v', 'i');
}

AviBytes AviStandardIndex(const AviParts &parts, size_t part)
{
    uint32_t frames = parts[part];
    AviBytes bytes(StandardIndexBytes(frames));
    PutLe32(&bytes[0], AVI_FOURCC('i', 'x', '0', '0'));
    PutLe32(&bytes[4], (uint32_t)bytes.size() - 8);
    AviStandardIndexHeader header = {};
    header.wLongsPerEntry = 2;
    header.bIndexType = AVI_INDEX_TYPE_CHUNKS;
    header.nEntriesInUse = frames;
    header.dwChunkId = AVI_FRAME_CHUNK_ID;
    uint64_t base = AviMoviOffset(parts, part);
    header.qwBaseOffsetLow = Low32(base);
    header.qwBaseOffsetHigh = High32(base);
    memcpy(&bytes[8], &header, sizeof(header));
    uint8_t *entry = &bytes[8 + sizeof(header)];
    uint64_t first_data = AviFrameOffset(parts, part, 0) + 8 - base;
    for (uint32_t f = 0; f < frames; ++f, entry += sizeof(AviStandardIndexEntry)) {
        AviStandardIndexEntry e = {(uint32_t)(first_data + (uint64_t)f * AVI_FRAME_CHUNK_BYTES),
                                   DISPLAY_IMAGE_BYTES};
        memcpy(entry, &e, sizeof(e));
    }
    return bytes;
}

AviBytes AviPartIndexes(const AviParts &parts, size_t part)
{
    AviBytes bytes = AviStandardIndex(parts, part);
    if (part != 0)
        return bytes;
    uint32_t frames = parts[0];
    size_t at = bytes.size();
    bytes.resize(at + 8 + (size_t)frames * sizeof(AviOldIndexEntry));
    PutLe32(&bytes[at], AVI_FOURCC('i', 'd', 'x', '1'));
    PutLe32(&bytes[at + 4], frames * sizeof(AviOldIndexEntry));
    at += 8;
    for (uint32_t f = 0; f < frames; ++f, at += sizeof(AviOldIndexEntry)) {
        // Counted from the movi fourcc: the first frame's chunk is at 4.
        AviOldIndexEntry e = {AVI_FRAME_CHUNK_ID, AVI_OLD_INDEX_KEY_FRAME,
                              4 + f * AVI_FRAME_CHUNK_BYTES, DISPLAY_IMAGE_BYTES};
        memcpy(&bytes[at], &e, sizeof(e));
    }
    return bytes;
}

AviBytes AviExtensionHeader(const AviParts &parts, size_t part)
{
    AviBytes bytes(AVI_AVIX_HEADER_BYTES);
    PutLe32(&bytes[0], AVI_FOURCC('R', 'I', 'F', 'F'));
    PutLe32(&bytes[4], AviRiffSize(parts, part));
    PutLe32(&bytes[8], AVI_FOURCC('A', 'V', 'I', 'X'));
    PutLe32(&bytes[12], AVI_FOURCC('L', 'I', 'S', 'T'));
    PutLe32(&bytes[16], AviMoviSize(parts, part));
    PutLe32(&bytes[20], AVI_FOURCC('m', 'o', 'v', 'i'));
    return bytes;
}
