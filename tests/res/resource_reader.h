// The module under test (an exe named on the command line, mapped as data)
// and a bounds-checked reader for the resource formats.
#ifndef PUKAVRO_TESTS_RES_RESOURCE_READER_H
#define PUKAVRO_TESTS_RES_RESOURCE_READER_H

#include <windows.h>

#include <stdint.h>
#include <string>

// Every resource of the program is Japanese: 1041.
constexpr WORD JAPANESE = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

const char *ModulePath();
HMODULE ResourceModule();

struct ResourceData {
    const uint8_t *bytes;  // null when the resource is missing
    DWORD size;
};

// Exactly the Japanese resource: no fallback to another language.
ResourceData JapaneseResource(LPCSTR type, WORD id);

// Reads little-endian fields in order. Reading past the end yields zeros and
// sets overrun, so a short resource fails its checks instead of crashing.
struct Reader {
    const uint8_t *base;
    DWORD size;
    DWORD offset;
    bool overrun;
};

Reader MakeReader(ResourceData data);
uint8_t ReadByte(Reader *reader);
uint16_t ReadWord(Reader *reader);
uint32_t ReadDword(Reader *reader);
// A zero-terminated UTF-16 string.
std::wstring ReadText(Reader *reader);
// A UTF-16 string preceded by its length in characters (string tables).
std::wstring ReadCountedText(Reader *reader);
void AlignDword(Reader *reader);

// A dialog template's class or title field: nothing, an ordinal or a text.
struct NameOrOrdinal {
    bool is_ordinal;
    uint16_t ordinal;
    std::wstring text;
};

NameOrOrdinal ReadNameOrOrdinal(Reader *reader);

#endif
