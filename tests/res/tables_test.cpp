// The resource inventory, the string table and the accelerator table.
#include "resource_reader.h"
#include "resource.h"

#include <gtest/gtest.h>

#include "expected.h"

#include <algorithm>
#include <utility>
#include <vector>

// The program's code names resources by these ids.
static_assert(STR_TITLE == 103 && STR_CLASS == 109, "string ids");
static_assert(ICON_LARGE == 107 && ICON_SMALL == 108, "icon group ids");
static_assert(ACCEL_MAIN == 109 && DLG_ABOUT == 103, "accelerator and dialog ids");
static_assert(CMD_ABOUT == ID_ABOUT && CMD_EXIT == ID_EXIT, "command ids");
static_assert(CMD_CAPTURE == ID_CAPTURE && CMD_SAVE == ID_SAVE, "button ids");

namespace {

struct Entry {
    ULONG_PTR type;  // numeric, or a pointer when named
    ULONG_PTR name;
    WORD language;
    bool named;
};

BOOL CALLBACK OnLanguage(HMODULE, LPCSTR type, LPCSTR name, WORD language, LONG_PTR list)
{
    reinterpret_cast<std::vector<Entry> *>(list)->push_back(
        Entry{reinterpret_cast<ULONG_PTR>(type), reinterpret_cast<ULONG_PTR>(name), language,
              !IS_INTRESOURCE(type) || !IS_INTRESOURCE(name)});
    return TRUE;
}

BOOL CALLBACK OnName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR list)
{
    EnumResourceLanguagesA(module, type, name, OnLanguage, list);
    return TRUE;
}

BOOL CALLBACK OnType(HMODULE module, LPSTR type, LONG_PTR list)
{
    EnumResourceNamesA(module, type, OnName, list);
    return TRUE;
}

}  // namespace

TEST(Inventory, EveryResourceIsJapaneseAndNumbered)
{
    std::vector<Entry> entries;
    ASSERT_TRUE(EnumResourceTypesA(ResourceModule(), OnType, reinterpret_cast<LONG_PTR>(&entries)));
    std::vector<std::pair<ULONG_PTR, ULONG_PTR>> found;
    for (const Entry &entry : entries) {
        EXPECT_FALSE(entry.named);
        EXPECT_EQ(JAPANESE, entry.language) << "type " << entry.type << " id " << entry.name;
        // Icon images are numbered by the resource compiler; their groups
        // are checked with the icons.
        if (entry.type != 3 /* RT_ICON */) {
            found.emplace_back(entry.type, entry.name);
        }
    }
    std::sort(found.begin(), found.end());
    const std::vector<std::pair<ULONG_PTR, ULONG_PTR>> expected = {
        {5, 103},            // About box
        {6, 7},              // strings 96 to 111
        {9, 109},            // accelerators
        {14, 107},           // icon groups
        {14, 108}, {16, 1},  // version
        {24, 1},             // manifest
    };
    EXPECT_EQ(expected, found);
}

TEST(StringTable, HoldsTheTitleAndTheClassName)
{
    // Strings come in blocks of 16: block 7 holds 96 to 111.
    Reader reader = MakeReader(JapaneseResource(RT_STRING, 7));
    ASSERT_TRUE(reader.base != NULL);
    for (int id = 96; id < 112; id++) {
        std::wstring text = ReadCountedText(&reader);
        if (id == 103) {
            EXPECT_EQ(MAIN_TITLE, text);
        } else if (id == 109) {
            EXPECT_EQ(MAIN_CLASS_NAME_W, text);
        } else {
            EXPECT_EQ(L"", text) << "string " << id;
        }
    }
    EXPECT_FALSE(reader.overrun);
}

TEST(Accelerators, AltQuestionMarkAndAltSlashOpenTheAboutBox)
{
    Reader reader = MakeReader(JapaneseResource(RT_ACCELERATOR, 109));
    ASSERT_TRUE(reader.base != NULL);
    ASSERT_EQ(16u, reader.size);  // two entries of four words

    // Character codes (no FVIRTKEY) with Alt; 0x80 marks the last entry.
    const uint16_t keys[2] = {0x3F, 0x2F};  // "?" and "/"
    const uint16_t flags[2] = {0x10, 0x90};
    for (int i = 0; i < 2; i++) {
        EXPECT_EQ(flags[i], ReadWord(&reader)) << "entry " << i;
        EXPECT_EQ(keys[i], ReadWord(&reader)) << "entry " << i;
        EXPECT_EQ(ID_ABOUT, ReadWord(&reader)) << "entry " << i;
        ReadWord(&reader);  // padding
    }
    EXPECT_FALSE(reader.overrun);

    // And as the message loop gets it.
    HACCEL table = LoadAcceleratorsA(ResourceModule(), MAKEINTRESOURCEA(109));
    ASSERT_TRUE(table != NULL);
    ACCEL loaded[4] = {};
    ASSERT_EQ(2, CopyAcceleratorTableA(table, loaded, 4));
    for (int i = 0; i < 2; i++) {
        EXPECT_EQ(FALT, loaded[i].fVirt) << "entry " << i;
        EXPECT_EQ(keys[i], loaded[i].key) << "entry " << i;
        EXPECT_EQ(ID_ABOUT, loaded[i].cmd) << "entry " << i;
    }
    DestroyAcceleratorTable(table);
}
