#include "media_types.h"

#include <string.h>

// MinGW's uuids.h has no I420; it is the FOURCC's GUID like the others.
static const GUID SUBTYPE_I420 = {
    0x30323449, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

const GUID &VideoSubtypeGuid(VideoSubtype subtype)
{
    switch (subtype) {
    case VIDEO_RGB24:
        return MEDIASUBTYPE_RGB24;
    case VIDEO_UYVY:
        return MEDIASUBTYPE_UYVY;
    case VIDEO_YUY2:
        return MEDIASUBTYPE_YUY2;
    case VIDEO_I420:
        return SUBTYPE_I420;
    case VIDEO_RGB32:
    default:
        return MEDIASUBTYPE_RGB32;
    }
}

static int SubtypeOf(const GUID &guid)
{
    for (int s = 0; s < VIDEO_SUBTYPES; s++) {
        if (IsEqualGUID(guid, VideoSubtypeGuid((VideoSubtype)s)))
            return s;
    }
    return -1;
}

bool FillMediaType(const VideoFormat &format, int64_t period, AM_MEDIA_TYPE *mt)
{
    memset(mt, 0, sizeof *mt);
    VIDEOINFOHEADER *info = (VIDEOINFOHEADER *)CoTaskMemAlloc(sizeof(VIDEOINFOHEADER));
    if (!info)
        return false;
    memset(info, 0, sizeof *info);
    info->AvgTimePerFrame = period;
    info->dwBitRate = (DWORD)((uint64_t)format.image_bytes * 8 * 10000000 / (uint64_t)period);
    BITMAPINFOHEADER *bmi = &info->bmiHeader;
    bmi->biSize = sizeof *bmi;
    bmi->biWidth = format.width;
    // RGB bottom-up; YUV top-down, which DirectShow writes as a positive height too.
    bmi->biHeight = format.height;
    bmi->biPlanes = 1;
    bmi->biBitCount = (WORD)format.bit_count;
    bmi->biCompression = format.fourcc;
    bmi->biSizeImage = format.image_bytes;
    mt->majortype = MEDIATYPE_Video;
    mt->subtype = VideoSubtypeGuid(format.subtype);
    mt->bFixedSizeSamples = TRUE;
    mt->bTemporalCompression = FALSE;
    mt->lSampleSize = format.image_bytes;
    mt->formattype = FORMAT_VideoInfo;
    mt->cbFormat = sizeof *info;
    mt->pbFormat = (BYTE *)info;
    return true;
}

AM_MEDIA_TYPE *NewMediaType(const VideoFormat &format, int64_t period)
{
    AM_MEDIA_TYPE *mt = (AM_MEDIA_TYPE *)CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE));
    if (mt && !FillMediaType(format, period, mt)) {
        CoTaskMemFree(mt);
        return NULL;
    }
    return mt;
}

void FreeMediaTypeParts(AM_MEDIA_TYPE *mt)
{
    if (mt->cbFormat)
        CoTaskMemFree(mt->pbFormat);
    mt->cbFormat = 0;
    mt->pbFormat = NULL;
    if (mt->pUnk)
        mt->pUnk->Release();
    mt->pUnk = NULL;
}

void DeleteMediaType(AM_MEDIA_TYPE *mt)
{
    if (!mt)
        return;
    FreeMediaTypeParts(mt);
    CoTaskMemFree(mt);
}

// The VideoInfo header mt carries, if it carries a whole one.
static const VIDEOINFOHEADER *VideoInfoOf(const AM_MEDIA_TYPE *mt)
{
    if (!IsEqualGUID(mt->formattype, FORMAT_VideoInfo))
        return NULL;
    if (!mt->pbFormat || mt->cbFormat < sizeof(VIDEOINFOHEADER))
        return NULL;
    return (const VIDEOINFOHEADER *)mt->pbFormat;
}

static bool PeriodOf(const VIDEOINFOHEADER *info, int64_t *period)
{
    int64_t asked = info ? info->AvgTimePerFrame : 0;
    if (asked == 0)
        asked = VIDEO_DEFAULT_PERIOD;
    if (asked < VIDEO_MIN_PERIOD || asked > VIDEO_MAX_PERIOD)
        return false;
    *period = asked;
    return true;
}

int MatchMediaType(const AM_MEDIA_TYPE *mt, int start, int64_t *period)
{
    if (!mt)
        return -1;
    if (!IsEqualGUID(mt->majortype, GUID_NULL) && !IsEqualGUID(mt->majortype, MEDIATYPE_Video))
        return -1;
    if (!IsEqualGUID(mt->formattype, GUID_NULL) && !IsEqualGUID(mt->formattype, FORMAT_VideoInfo))
        return -1;
    int subtype = IsEqualGUID(mt->subtype, GUID_NULL) ? -1 : SubtypeOf(mt->subtype);
    if (subtype < 0 && !IsEqualGUID(mt->subtype, GUID_NULL))
        return -1;
    const VIDEOINFOHEADER *info = VideoInfoOf(mt);
    if (IsEqualGUID(mt->formattype, FORMAT_VideoInfo) && !info)
        return -1;
    if (!PeriodOf(info, period))
        return -1;
    for (int i = start; i < VIDEO_FORMATS; i++) {
        const VideoFormat &format = VideoFormatAt(i);
        if (subtype >= 0 && format.subtype != subtype)
            continue;
        if (info) {
            const BITMAPINFOHEADER &bmi = info->bmiHeader;
            // Only what we send: RGB bottom-up, nothing cropped or stretched.
            if (bmi.biWidth != format.width || bmi.biHeight != format.height)
                continue;
            if (bmi.biCompression != format.fourcc || bmi.biBitCount != format.bit_count)
                continue;
        }
        return i;
    }
    return -1;
}

int MatchSetFormat(const AM_MEDIA_TYPE *mt, int64_t *period)
{
    if (!mt || !IsEqualGUID(mt->majortype, MEDIATYPE_Video))
        return -1;
    int subtype = SubtypeOf(mt->subtype);
    const VIDEOINFOHEADER *info = VideoInfoOf(mt);
    if (subtype < 0 || !info)
        return -1;
    if (!PeriodOf(info, period))
        return -1;
    LONG height = info->bmiHeader.biHeight;
    return FindVideoFormat((VideoSubtype)subtype, info->bmiHeader.biWidth,
                           height < 0 && subtype != VIDEO_RGB24 && subtype != VIDEO_RGB32 ? -height
                                                                                          : height);
}
