// The two icon groups and every image in them.
#include "resource_reader.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

struct GroupEntry {
    int width, height, colours, planes, bits;
    DWORD bytes;
    uint16_t id;
};

std::vector<GroupEntry> ReadGroup(WORD group_id, bool *ok)
{
    std::vector<GroupEntry> entries;
    Reader reader = MakeReader(JapaneseResource(RT_GROUP_ICON, group_id));
    *ok = reader.base != NULL && ReadWord(&reader) == 0 && ReadWord(&reader) == 1;
    uint16_t count = ReadWord(&reader);
    for (uint16_t i = 0; i < count && *ok; i++) {
        GroupEntry entry;
        entry.width = ReadByte(&reader);
        entry.height = ReadByte(&reader);
        entry.colours = ReadByte(&reader);
        ReadByte(&reader);
        entry.planes = ReadWord(&reader);
        entry.bits = ReadWord(&reader);
        entry.bytes = ReadDword(&reader);
        entry.id = ReadWord(&reader);
        entries.push_back(entry);
    }
    *ok = *ok && !reader.overrun && reader.offset == reader.size;
    return entries;
}

// The standard 16-colour palette as blue, green, red.
const uint8_t PALETTE[16][3] = {
    {0x00, 0x00, 0x00}, {0x00, 0x00, 0x80}, {0x00, 0x80, 0x00}, {0x00, 0x80, 0x80},
    {0x80, 0x00, 0x00}, {0x80, 0x00, 0x80}, {0x80, 0x80, 0x00}, {0xC0, 0xC0, 0xC0},
    {0x80, 0x80, 0x80}, {0x00, 0x00, 0xFF}, {0x00, 0xFF, 0x00}, {0x00, 0xFF, 0xFF},
    {0xFF, 0x00, 0x00}, {0xFF, 0x00, 0xFF}, {0xFF, 0xFF, 0x00}, {0xFF, 0xFF, 0xFF},
};

// One image: a 16-colour bitmap of size x size over an AND mask.
void CheckImage(const GroupEntry &entry, int size)
{
    SCOPED_TRACE(testing::Message() << "icon image " << entry.id << ", " << size << " px");
    ResourceData data = JapaneseResource(RT_ICON, entry.id);
    ASSERT_TRUE(data.bytes != NULL);
    const DWORD colour_row = (size * 4 + 31) / 32 * 4;
    const DWORD mask_row = (size + 31) / 32 * 4;
    ASSERT_EQ(40 + 16 * 4 + (colour_row + mask_row) * size, data.size);
    EXPECT_EQ(entry.bytes, data.size);

    Reader reader = MakeReader(data);
    EXPECT_EQ(40u, ReadDword(&reader));
    EXPECT_EQ(static_cast<uint32_t>(size), ReadDword(&reader));
    EXPECT_EQ(static_cast<uint32_t>(size * 2), ReadDword(&reader));  // colour and mask
    EXPECT_EQ(1, ReadWord(&reader));
    EXPECT_EQ(4, ReadWord(&reader));
    EXPECT_EQ(0u, ReadDword(&reader));  // BI_RGB
    reader.offset = 40;
    for (int i = 0; i < 16; i++) {
        uint8_t blue = ReadByte(&reader), green = ReadByte(&reader), red = ReadByte(&reader);
        ReadByte(&reader);
        EXPECT_TRUE(blue == PALETTE[i][0] && green == PALETTE[i][1] && red == PALETTE[i][2])
            << "palette entry " << i;
    }

    // Transparent pixels (mask 1) carry colour 0, so the screen shows
    // through unchanged; the picture itself uses several colours.
    const uint8_t *colour = data.bytes + 40 + 64;
    const uint8_t *mask = colour + colour_row * size;
    int transparent = 0, stray = 0;
    std::set<int> used;
    for (int y = 0; y < size; y++) {
        for (int x = 0; x < size; x++) {
            int index = colour[y * colour_row + x / 2] >> (x % 2 ? 0 : 4) & 0x0F;
            bool clear = mask[y * mask_row + x / 8] & (0x80 >> x % 8);
            if (clear) {
                transparent++;
                stray += index != 0;
            } else {
                used.insert(index);
            }
        }
    }
    EXPECT_GT(transparent, 0);
    EXPECT_LT(transparent, size * size / 2);
    EXPECT_EQ(0, stray);
    EXPECT_GE(used.size(), 5u);

    HICON icon = CreateIconFromResourceEx(const_cast<uint8_t *>(data.bytes), data.size, TRUE,
                                          0x00030000, size, size, LR_DEFAULTCOLOR);
    EXPECT_TRUE(icon != NULL);
    if (icon != NULL) {
        DestroyIcon(icon);
    }
}

}  // namespace

TEST(Icons, LargeGroupHas32And16PixelImages)
{
    bool ok;
    std::vector<GroupEntry> group = ReadGroup(107, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(2u, group.size());
    const int sizes[2] = {32, 16};
    for (int i = 0; i < 2; i++) {
        EXPECT_EQ(sizes[i], group[i].width);
        EXPECT_EQ(sizes[i], group[i].height);
        EXPECT_EQ(16, group[i].colours);
        EXPECT_EQ(1, group[i].planes);
        EXPECT_EQ(4, group[i].bits);
        CheckImage(group[i], sizes[i]);
    }

    // LoadIcon's choice of image for each size.
    Reader reader = MakeReader(JapaneseResource(RT_GROUP_ICON, 107));
    PBYTE directory = const_cast<PBYTE>(reader.base);
    EXPECT_EQ(group[0].id, LookupIconIdFromDirectoryEx(directory, TRUE, 32, 32, LR_DEFAULTCOLOR));
    EXPECT_EQ(group[1].id, LookupIconIdFromDirectoryEx(directory, TRUE, 16, 16, LR_DEFAULTCOLOR));
}

TEST(Icons, SmallGroupHasOne16PixelImage)
{
    bool ok;
    std::vector<GroupEntry> group = ReadGroup(108, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(1u, group.size());
    EXPECT_EQ(16, group[0].width);
    EXPECT_EQ(16, group[0].height);
    EXPECT_EQ(16, group[0].colours);
    EXPECT_EQ(1, group[0].planes);
    EXPECT_EQ(4, group[0].bits);
    CheckImage(group[0], 16);
}

namespace {

BOOL CALLBACK OnIconImage(HMODULE, LPCSTR, LPSTR name, LONG_PTR ids)
{
    reinterpret_cast<std::set<ULONG_PTR> *>(ids)->insert(reinterpret_cast<ULONG_PTR>(name));
    return TRUE;
}

}  // namespace

TEST(Icons, EveryImageBelongsToAGroup)
{
    std::set<ULONG_PTR> images;
    EnumResourceNamesA(ResourceModule(), RT_ICON, OnIconImage, reinterpret_cast<LONG_PTR>(&images));
    std::set<ULONG_PTR> referenced;
    for (WORD group_id : {107, 108}) {
        bool ok;
        for (const GroupEntry &entry : ReadGroup(group_id, &ok)) {
            referenced.insert(entry.id);
        }
        EXPECT_TRUE(ok) << "group " << group_id;
    }
    EXPECT_FALSE(images.empty());
    EXPECT_EQ(referenced, images);
}
