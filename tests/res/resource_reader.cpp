#include "resource_reader.h"

#include <gtest/gtest.h>

#include <stdio.h>

static const char *g_module_path;
static HMODULE g_module;

const char *ModulePath()
{
    return g_module_path;
}

HMODULE ResourceModule()
{
    return g_module;
}

ResourceData JapaneseResource(LPCSTR type, WORD id)
{
    ResourceData data = {NULL, 0};
    HRSRC info = FindResourceExA(g_module, type, MAKEINTRESOURCEA(id), JAPANESE);
    if (info == NULL) {
        return data;
    }
    HGLOBAL loaded = LoadResource(g_module, info);
    if (loaded == NULL) {
        return data;
    }
    data.bytes = static_cast<const uint8_t *>(LockResource(loaded));
    data.size = data.bytes != NULL ? SizeofResource(g_module, info) : 0;
    return data;
}

Reader MakeReader(ResourceData data)
{
    return Reader{data.bytes, data.bytes != NULL ? data.size : 0, 0, false};
}

uint8_t ReadByte(Reader *reader)
{
    if (reader->offset + 1 > reader->size) {
        reader->overrun = true;
        return 0;
    }
    return reader->base[reader->offset++];
}

uint16_t ReadWord(Reader *reader)
{
    uint16_t low = ReadByte(reader);
    uint16_t high = ReadByte(reader);
    return static_cast<uint16_t>(low | high << 8);
}

uint32_t ReadDword(Reader *reader)
{
    uint32_t low = ReadWord(reader);
    uint32_t high = ReadWord(reader);
    return low | high << 16;
}

std::wstring ReadText(Reader *reader)
{
    std::wstring text;
    for (;;) {
        uint16_t ch = ReadWord(reader);
        if (ch == 0 || reader->overrun) {
            return text;
        }
        text += static_cast<wchar_t>(ch);
    }
}

std::wstring ReadCountedText(Reader *reader)
{
    std::wstring text;
    uint16_t length = ReadWord(reader);
    for (uint16_t i = 0; i < length && !reader->overrun; i++) {
        text += static_cast<wchar_t>(ReadWord(reader));
    }
    return text;
}

void AlignDword(Reader *reader)
{
    // Offsets count from the start of the resource, which is itself
    // DWORD-aligned. Trailing padding may be left out of the last item.
    reader->offset = (reader->offset + 3) & ~3u;
    if (reader->offset > reader->size) {
        reader->offset = reader->size;
    }
}

NameOrOrdinal ReadNameOrOrdinal(Reader *reader)
{
    NameOrOrdinal name = {false, 0, L""};
    uint16_t first = ReadWord(reader);
    if (first == 0xFFFF) {
        name.is_ordinal = true;
        name.ordinal = ReadWord(reader);
        return name;
    }
    if (first != 0) {
        name.text = static_cast<wchar_t>(first);
        name.text += ReadText(reader);
    }
    return name;
}

// resources_test MODULE.exe [gtest options]
int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        fprintf(stderr, "usage: resources_test MODULE.exe\n");
        return 2;
    }
    g_module_path = argv[1];
    // As data: the module's code never runs, only its resources are read.
    g_module = LoadLibraryExA(g_module_path, NULL,
                              LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (g_module == NULL) {
        fprintf(stderr, "resources_test: cannot load %s (error %lu)\n", g_module_path,
                GetLastError());
        return 2;
    }
    return RUN_ALL_TESTS();
}
