// The chunks of our AVI movies as they lie in the file, and where each part
// of a recording puts its frames and indexes. Every field is a little-endian
// 32-bit or smaller value at its published offset, so the structs are copied
// to and from the file as they are (all our builds run on x86).
//
// A movie is a list of parts, each a RIFF list ("AVI " for the first, "AVIX"
// for the rest), laid out back to back:
//     part 0: AviHeaders, frames, ix00, idx1
//     part n: RIFF AVIX, LIST movi, frames, ix00
// The frame counts of the parts decide every offset, so a completed movie is
// described by them alone.
#ifndef PUKAVRO_AVI_LAYOUT_H
#define PUKAVRO_AVI_LAYOUT_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "frame.h"

#define AVI_FOURCC(a, b, c, d)                                                                     \
    ((uint32_t)(uint8_t)(a) | ((uint32_t)(uint8_t)(b) << 8) | ((uint32_t)(uint8_t)(c) << 16)       \
     | ((uint32_t)(uint8_t)(d) << 24))

enum {
    AVI_MAX_PARTS = 256,                              // the room reserved in the super index
    AVI_FRAME_CHUNK_BYTES = 8 + DISPLAY_IMAGE_BYTES,  // "00db", size, bits: 20744
    AVI_AVIX_HEADER_BYTES = 24,                       // RIFF size AVIX LIST size movi
    AVI_MOVIE_HAS_INDEX = 0x10,
    AVI_MOVIE_INTERLEAVED = 0x100,
    AVI_OLD_INDEX_KEY_FRAME = 0x10,
    AVI_INDEX_TYPE_INDEXES = 0,
    AVI_INDEX_TYPE_CHUNKS = 1,
};

const uint32_t AVI_FRAME_CHUNK_ID = AVI_FOURCC('0', '0', 'd', 'b');
const uint64_t AVI_DEFAULT_PART_LIMIT = 1u << 30;  // 1 GiB, what old readers can take

struct AviMainHeader {  // "avih"
    uint32_t dwMicroSecPerFrame;
    uint32_t dwMaxBytesPerSec;
    uint32_t dwPaddingGranularity;
    uint32_t dwFlags;
    uint32_t dwTotalFrames;  // frames of the first part only
    uint32_t dwInitialFrames;
    uint32_t dwStreams;
    uint32_t dwSuggestedBufferSize;
    uint32_t dwWidth;
    uint32_t dwHeight;
    uint32_t dwReserved[4];
};
static_assert(sizeof(AviMainHeader) == 56, "avih");

struct AviStreamHeader {  // "strh"
    uint32_t fccType;
    uint32_t fccHandler;
    uint32_t dwFlags;
    uint16_t wPriority;
    uint16_t wLanguage;
    uint32_t dwInitialFrames;
    uint32_t dwScale;
    uint32_t dwRate;
    uint32_t dwStart;
    uint32_t dwLength;  // every frame of the file
    uint32_t dwSuggestedBufferSize;
    uint32_t dwQuality;
    uint32_t dwSampleSize;
    int16_t rcFrame[4];
};
static_assert(sizeof(AviStreamHeader) == 56, "strh");

struct AviSuperIndexHeader {  // "indx" before its entries
    uint16_t wLongsPerEntry;
    uint8_t bIndexSubType;
    uint8_t bIndexType;
    uint32_t nEntriesInUse;
    uint32_t dwChunkId;
    uint32_t dwReserved[3];
};
static_assert(sizeof(AviSuperIndexHeader) == 24, "indx header");

struct AviSuperIndexEntry {  // one part's standard index
    uint32_t qwOffsetLow;    // of its "ix00" chunk header
    uint32_t qwOffsetHigh;
    uint32_t dwSize;      // of that chunk, header included
    uint32_t dwDuration;  // its frames
};
static_assert(sizeof(AviSuperIndexEntry) == 16, "indx entry");

struct AviStandardIndexHeader {  // "ix00" before its entries
    uint16_t wLongsPerEntry;
    uint8_t bIndexSubType;
    uint8_t bIndexType;
    uint32_t nEntriesInUse;
    uint32_t dwChunkId;
    uint32_t qwBaseOffsetLow;  // of the part's "movi" fourcc
    uint32_t qwBaseOffsetHigh;
    uint32_t dwReserved;
};
static_assert(sizeof(AviStandardIndexHeader) == 24, "ix00 header");

struct AviStandardIndexEntry {
    uint32_t dwOffset;  // from qwBaseOffset to the chunk's data
    uint32_t dwSize;    // bit 31 clear: a key frame
};
static_assert(sizeof(AviStandardIndexEntry) == 8, "ix00 entry");

struct AviOldIndexEntry {  // "idx1"
    uint32_t ckid;
    uint32_t dwFlags;
    uint32_t dwChunkOffset;  // from the "movi" fourcc to the chunk header
    uint32_t dwChunkLength;
};
static_assert(sizeof(AviOldIndexEntry) == 16, "idx1 entry");

// Everything from the start of the file to the first frame chunk.
struct AviHeaders {
    uint32_t riff, riff_size, avi;
    uint32_t hdrl_list, hdrl_size, hdrl;
    uint32_t avih, avih_size;
    AviMainHeader main;
    uint32_t strl_list, strl_size, strl;
    uint32_t strh, strh_size;
    AviStreamHeader stream;
    uint32_t strf, strf_size;
    BITMAPINFOHEADER format;
    uint32_t indx, indx_size;
    AviSuperIndexHeader super_index;
    AviSuperIndexEntry parts[AVI_MAX_PARTS];
    uint32_t odml_list, odml_size, odml;
    uint32_t dmlh, dmlh_size;
    uint32_t total_frames;  // every frame of the file, as strh's dwLength
    uint32_t dmlh_reserved[61];
    uint32_t movi_list, movi_size, movi;
};
static_assert(sizeof(AviHeaders) == 4620, "headers up to the first frame");
static_assert(offsetof(AviHeaders, main) == 32, "avih");
static_assert(offsetof(AviHeaders, stream) == 108, "strh");
static_assert(offsetof(AviHeaders, format) == 172, "strf");
static_assert(offsetof(AviHeaders, super_index) == 220, "indx");
static_assert(offsetof(AviHeaders, odml_list) == 4340, "odml");
static_assert(offsetof(AviHeaders, total_frames) == 4360, "dmlh");
static_assert(offsetof(AviHeaders, movi) == 4616, "movi");

// Frames per part: the whole shape of a completed movie.
typedef std::vector<uint32_t> AviParts;

// Offsets within a movie of this shape (part < parts.size()).
uint64_t AviPartStart(const AviParts &parts, size_t part);                    // its RIFF header
uint64_t AviMoviOffset(const AviParts &parts, size_t part);                   // its "movi" fourcc
uint64_t AviFrameOffset(const AviParts &parts, size_t part, uint32_t frame);  // chunk header
uint64_t AviIndexOffset(const AviParts &parts, size_t part);                  // its "ix00"
uint64_t AviPartEnd(const AviParts &parts, size_t part);
uint64_t AviMovieEnd(const AviParts &parts);
uint32_t AviTotalFrames(const AviParts &parts);

// Bytes of a part's indexes: ix00 alone, or ix00 then idx1 for the first part.
uint64_t AviIndexesBytes(size_t part, uint32_t frames);

// The most frames a part may hold under the size limit (at least 1).
uint32_t AviPartCapacity(size_t part, uint64_t part_limit);

#endif
