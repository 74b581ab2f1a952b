#include "filter_data.h"

#define STRSAFE_NO_DEPRECATE
#include <dshow.h>

#include <string.h>

#include "media_types.h"

namespace {

// The stored form of a REGFILTER2 of version 2: the header, each pin with
// its media types, then every GUID once, referred to by its offset from
// the start.
struct Blob {
    std::vector<BYTE> bytes;
    std::vector<GUID> guids;
    std::vector<size_t> guid_slots;  // where an offset of guids[i] goes
};

void PutDword(Blob *blob, DWORD value)
{
    for (int i = 0; i < 4; i++)
        blob->bytes.push_back((BYTE)(value >> (8 * i)));
}

void PutSignature(Blob *blob, int index, const char *tail)
{
    blob->bytes.push_back((BYTE)('0' + index));
    for (int i = 0; i < 3; i++)
        blob->bytes.push_back((BYTE)tail[i]);
}

// A slot for the offset of guid, filled in once the pool's place is known.
void PutGuidOffset(Blob *blob, const GUID &guid)
{
    blob->guids.push_back(guid);
    blob->guid_slots.push_back(blob->bytes.size());
    PutDword(blob, 0);
}

}  // namespace

std::vector<BYTE> KavrocamFilterData()
{
    Blob blob;
    PutDword(&blob, 2);  // version
    PutDword(&blob, MERIT_DO_NOT_USE);
    PutDword(&blob, 1);  // pins
    PutDword(&blob, 0);
    PutSignature(&blob, 0, "pi3");
    PutDword(&blob, REG_PINFLAG_B_OUTPUT);
    PutDword(&blob, 1);  // instances
    PutDword(&blob, VIDEO_SUBTYPES);
    PutDword(&blob, 0);  // mediums
    PutDword(&blob, 1);  // a category follows
    PutGuidOffset(&blob, PIN_CATEGORY_CAPTURE);
    for (int t = 0; t < VIDEO_SUBTYPES; t++) {
        PutSignature(&blob, t, "ty3");
        PutDword(&blob, 0);
        PutGuidOffset(&blob, MEDIATYPE_Video);
        PutGuidOffset(&blob, VideoSubtypeGuid((VideoSubtype)t));
    }
    // Each GUID once, in the order first referred to.
    std::vector<GUID> pool;
    std::vector<size_t> at;
    for (size_t i = 0; i < blob.guids.size(); i++) {
        size_t k = 0;
        while (k < pool.size() && !IsEqualGUID(pool[k], blob.guids[i]))
            k++;
        if (k == pool.size()) {
            pool.push_back(blob.guids[i]);
            at.push_back(blob.bytes.size());
            const BYTE *raw = (const BYTE *)&blob.guids[i];
            blob.bytes.insert(blob.bytes.end(), raw, raw + sizeof(GUID));
        }
        DWORD offset = (DWORD)at[k];
        memcpy(&blob.bytes[blob.guid_slots[i]], &offset, 4);
    }
    return blob.bytes;
}
