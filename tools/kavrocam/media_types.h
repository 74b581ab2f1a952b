// The offered formats as DirectShow media types (FORMAT_VideoInfo), and
// which of them a type a program hands over names.
#ifndef PUKAVRO_MEDIA_TYPES_H
#define PUKAVRO_MEDIA_TYPES_H

#include <dshow.h>
#include <stdint.h>

#include "video_formats.h"

// The subtype's GUID (MEDIASUBTYPE_...).
const GUID &VideoSubtypeGuid(VideoSubtype subtype);

// Fills mt, its format block from CoTaskMemAlloc. false when memory ran out.
bool FillMediaType(const VideoFormat &format, int64_t period, AM_MEDIA_TYPE *mt);
// The whole type from CoTaskMemAlloc, as enumerators and GetFormat hand out.
AM_MEDIA_TYPE *NewMediaType(const VideoFormat &format, int64_t period);
// Frees what a type holds, then (Delete) the type itself.
void FreeMediaTypeParts(AM_MEDIA_TYPE *mt);
void DeleteMediaType(AM_MEDIA_TYPE *mt);

// Which offered format mt asks for, when it can only be one: the subtype,
// and the size when it has a VideoInfo block; parts left GUID_NULL match
// anything, so a partial type names the first that fits. *period gets its
// frame period (the default when it says none). -1: none of ours, or a
// period outside what is offered.
int MatchMediaType(const AM_MEDIA_TYPE *mt, int start, int64_t *period);

// A type as SetFormat takes it: the subtype and the size must both be
// given; the header the caller passed is not used, since callers pass
// stale ones.
int MatchSetFormat(const AM_MEDIA_TYPE *mt, int64_t *period);

#endif
