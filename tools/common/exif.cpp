#include "exif.h"

#include <stdio.h>

namespace {

enum {
    TYPE_UNDEFINED = 7,
    TYPE_ASCII = 2,
    TYPE_LONG = 4,
    TAG_IMAGE_DESCRIPTION = 0x010E,
    TAG_EXIF_IFD = 0x8769,
    TAG_EXIF_VERSION = 0x9000,
    TAG_DATE_TIME_ORIGINAL = 0x9003,
    TAG_OFFSET_TIME_ORIGINAL = 0x9011,
    TAG_SUB_SEC_TIME_ORIGINAL = 0x9291,
    TIFF_HEADER_BYTES = 8,
    ENTRY_BYTES = 12,
};

struct Entry {
    uint16_t tag, type;
    std::vector<uint8_t> value;  // TYPE_LONG: filled in as the Exif IFD's offset
};

void Put16(std::vector<uint8_t> *out, size_t at, uint32_t value)
{
    (*out)[at] = (uint8_t)value;
    (*out)[at + 1] = (uint8_t)(value >> 8);
}

void Put32(std::vector<uint8_t> *out, size_t at, uint32_t value)
{
    Put16(out, at, value & 0xFFFF);
    Put16(out, at + 2, value >> 16);
}

Entry Ascii(uint16_t tag, const std::string &text)
{
    Entry entry = {tag, TYPE_ASCII, std::vector<uint8_t>(text.begin(), text.end())};
    entry.value.push_back(0);
    return entry;
}

size_t IfdBytes(const std::vector<Entry> &entries)
{
    size_t bytes = 2 + entries.size() * ENTRY_BYTES + 4;
    for (const Entry &entry : entries)
        if (entry.value.size() > 4)
            bytes += (entry.value.size() + 1) & ~(size_t)1;  // values start on even offsets
    return bytes;
}

// One IFD at tiff[at]: its count, the entries, no next IFD, then the values
// that do not fit in an entry.
void WriteIfd(std::vector<uint8_t> *tiff, size_t at, const std::vector<Entry> &entries,
              uint32_t exif_ifd_at)
{
    Put16(tiff, at, (uint32_t)entries.size());
    size_t data = at + 2 + entries.size() * ENTRY_BYTES + 4;
    size_t entry_at = at + 2;
    for (const Entry &entry : entries) {
        Put16(tiff, entry_at, entry.tag);
        Put16(tiff, entry_at + 2, entry.type);
        if (entry.type == TYPE_LONG) {
            Put32(tiff, entry_at + 4, 1);
            Put32(tiff, entry_at + 8, exif_ifd_at);
        } else {
            Put32(tiff, entry_at + 4, (uint32_t)entry.value.size());
            size_t value_at = entry_at + 8;
            if (entry.value.size() > 4) {
                Put32(tiff, value_at, (uint32_t)data);
                value_at = data;
                data += (entry.value.size() + 1) & ~(size_t)1;
            }
            for (size_t i = 0; i < entry.value.size(); ++i)
                (*tiff)[value_at + i] = entry.value[i];
        }
        entry_at += ENTRY_BYTES;
    }
    Put32(tiff, entry_at, 0);
}

std::string TimeText(const CaptureMoment &m)
{
    char text[64];
    snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", m.year, m.month, m.day, m.hour,
             m.minute, m.second);
    return text;
}

std::string OffsetText(int minutes)
{
    char text[16];
    int size = minutes < 0 ? -minutes : minutes;
    snprintf(text, sizeof text, "%c%02d:%02d", minutes < 0 ? '-' : '+', size / 60, size % 60);
    return text;
}

}  // namespace

std::vector<uint8_t> ExifSegment(const ExifFacts &facts)
{
    std::vector<Entry> ifd0, exif;
    if (facts.has_moment) {
        char ms[16];
        snprintf(ms, sizeof ms, "%03d", facts.moment.milliseconds);
        exif.push_back({TAG_EXIF_VERSION, TYPE_UNDEFINED, {'0', '2', '3', '2'}});
        exif.push_back(Ascii(TAG_DATE_TIME_ORIGINAL, TimeText(facts.moment)));
        exif.push_back(
            Ascii(TAG_OFFSET_TIME_ORIGINAL, OffsetText(facts.moment.utc_offset_minutes)));
        exif.push_back(Ascii(TAG_SUB_SEC_TIME_ORIGINAL, ms));
    }
    if (!facts.device.empty()) {
        // A path too long for the segment is cut: the rest still fits.
        ifd0.push_back(Ascii(TAG_IMAGE_DESCRIPTION, facts.device.substr(0, 1024)));
    }
    if (!exif.empty())
        ifd0.push_back({TAG_EXIF_IFD, TYPE_LONG, {}});
    if (ifd0.empty())
        return std::vector<uint8_t>();
    size_t exif_at = TIFF_HEADER_BYTES + IfdBytes(ifd0);
    std::vector<uint8_t> tiff(exif_at + (exif.empty() ? 0 : IfdBytes(exif)), 0);
    tiff[0] = 'I';
    tiff[1] = 'I';
    Put16(&tiff, 2, 42);
    Put32(&tiff, 4, TIFF_HEADER_BYTES);
    WriteIfd(&tiff, TIFF_HEADER_BYTES, ifd0, (uint32_t)exif_at);
    if (!exif.empty())
        WriteIfd(&tiff, exif_at, exif, 0);
    static const uint8_t OPENING[] = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    std::vector<uint8_t> segment(OPENING, OPENING + sizeof OPENING);
    size_t length = 2 + 6 + tiff.size();
    segment[2] = (uint8_t)(length >> 8);
    segment[3] = (uint8_t)length;
    segment.insert(segment.end(), tiff.begin(), tiff.end());
    return segment;
}
