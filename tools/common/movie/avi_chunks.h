// The bytes of a movie's headers, indexes and sizes for a given shape: what
// a completion point writes, what a repair compares with and writes back.
#ifndef PUKAVRO_AVI_CHUNKS_H
#define PUKAVRO_AVI_CHUNKS_H

#include <stdint.h>

#include <vector>

#include "avi_layout.h"
#include "frame_rate.h"

typedef std::vector<uint8_t> AviBytes;

// The headers of a movie of this shape, every count and size filled in.
void AviBuildHeaders(const AviParts &parts, FrameRate rate, AviHeaders *headers);

// The super index chunk's contents ("indx" and its size excluded): one entry
// per part, the rest of the reserved room zero.
void AviBuildSuperIndex(const AviParts &parts, AviHeaders *headers);
const uint64_t AVI_SUPER_INDEX_OFFSET = offsetof(AviHeaders, super_index);
const size_t AVI_SUPER_INDEX_BYTES =
    sizeof(AviSuperIndexHeader) + sizeof(AviSuperIndexEntry) * AVI_MAX_PARTS;

// A part's standard index chunk ("ix00" with its header).
AviBytes AviStandardIndex(const AviParts &parts, size_t part);

// Everything after a part's frames: its ix00, and the first part's idx1.
AviBytes AviPartIndexes(const AviParts &parts, size_t part);

// The start of an AVIX part: RIFF, size, AVIX, LIST, size, movi.
AviBytes AviExtensionHeader(const AviParts &parts, size_t part);

// Where a part's RIFF and movi list sizes lie, and their values.
uint64_t AviRiffSizeOffset(const AviParts &parts, size_t part);
uint64_t AviMoviSizeOffset(const AviParts &parts, size_t part);
uint32_t AviRiffSize(const AviParts &parts, size_t part);
uint32_t AviMoviSize(const AviParts &parts, size_t part);

// A frame chunk's 8-byte header.
void AviFrameChunkHeader(uint8_t header[8]);

#endif
