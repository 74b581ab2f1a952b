#include <stdio.h>
#include <string.h>

#include "no_case.h"
#include "pattern.h"

namespace {

const char FORBIDDEN_IN_NAME[] = "<>:\"|?*";
const int MAX_NUMBER_DIGITS = 18;  // always fits in int64_t

const char *const RESERVED_NAMES[] = {
    "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
    "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9",
};

int IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

void AddText(std::vector<PatternPart> *parts, char c)
{
    if (parts->empty() || parts->back().kind != PART_TEXT)
        parts->push_back(PatternPart{PART_TEXT, std::string(), 0});
    parts->back().text += c;
}

// The sequence starting at text[*at] ("{...}" or "%..."), for a message.
std::string SequenceAt(const char *text, size_t at, size_t end)
{
    size_t stop = at + 1;
    if (text[at] == '{') {
        while (stop < end && text[stop] != '}')
            ++stop;
        if (stop < end)
            ++stop;
    } else if (stop < end) {
        ++stop;
    }
    return std::string(text + at, stop - at);
}

// One placeholder or escape at text[at], as part; *length its characters.
// Returns 0, or -1 when the sequence means nothing.
int ReadSequence(const char *text, size_t at, size_t end, PatternPart *part, size_t *length)
{
    static const struct {
        const char *text;
        PatternPartKind kind;
    } fixed[] = {
        {"{n}", PART_NUMBER},  {"%d", PART_NUMBER}, {"{date}", PART_DATE},
        {"{time}", PART_TIME}, {"{ms}", PART_MS},
    };
    const char *at_text = text + at;
    size_t left = end - at;
    *part = PatternPart{PART_TEXT, std::string(), 0};
    for (const auto &entry : fixed) {
        size_t n = strlen(entry.text);
        if (left >= n && memcmp(at_text, entry.text, n) == 0) {
            part->kind = entry.kind;
            *length = n;
            return 0;
        }
    }
    if (left >= 2
        && (memcmp(at_text, "{{", 2) == 0 || memcmp(at_text, "}}", 2) == 0
            || memcmp(at_text, "%%", 2) == 0)) {
        part->text = std::string(1, at_text[0]);
        *length = 2;
        return 0;
    }
    // {n:0W} and %0Wd, W one digit 1-9.
    if (left >= 6 && memcmp(at_text, "{n:0", 4) == 0 && at_text[4] >= '1' && at_text[4] <= '9'
        && at_text[5] == '}') {
        part->kind = PART_NUMBER;
        part->width = at_text[4] - '0';
        *length = 6;
        return 0;
    }
    if (left >= 4 && at_text[0] == '%' && at_text[1] == '0' && at_text[2] >= '1'
        && at_text[2] <= '9' && at_text[3] == 'd') {
        part->kind = PART_NUMBER;
        part->width = at_text[2] - '0';
        *length = 4;
        return 0;
    }
    return -1;
}

// Reads text[begin, end) into parts; placeholders only when allowed.
int ReadParts(const char *text, size_t begin, size_t end, int placeholders,
              std::vector<PatternPart> *parts, std::string *problem)
{
    for (size_t i = begin; i < end;) {
        char c = text[i];
        if (c != '{' && c != '}' && c != '%') {
            AddText(parts, c);
            ++i;
            continue;
        }
        PatternPart part;
        size_t length = 0;
        if (ReadSequence(text, i, end, &part, &length) != 0) {
            *problem = "unknown sequence " + SequenceAt(text, i, end)
                       + " in OUTPUT (write {{, }} or %% for the character itself)";
            return -1;
        }
        if (part.kind == PART_TEXT) {
            AddText(parts, part.text[0]);
        } else if (!placeholders) {
            *problem = std::string(text + i, length)
                       + " stands in the folder of OUTPUT; placeholders belong in the file name";
            return -1;
        } else {
            parts->push_back(part);
        }
        i += length;
    }
    return 0;
}

std::string Digits(int64_t value, int width)
{
    char digits[32];
    snprintf(digits, sizeof digits, "%0*lld", width, static_cast<long long>(value));
    return digits;
}

// Fixed-width digits at name[at]; 1 when there are count of them.
int MatchDigits(const char *name, size_t at, int count)
{
    for (int i = 0; i < count; ++i)
        if (!IsDigit(name[at + i]))
            return 0;
    return 1;
}

// Matches name[at...] against parts[index...]. Every number placeholder of
// a name stands for the same number: once the first has been read (*bound),
// the others must show exactly its digits.
int MatchFrom(const std::vector<PatternPart> &parts, size_t index, const char *name, size_t at,
              int64_t *number, int bound)
{
    if (index == parts.size())
        return name[at] == '\0';
    const PatternPart &part = parts[index];
    std::string expected;
    switch (part.kind) {
    case PART_TEXT:
        expected = part.text;
        break;
    case PART_DATE:
        return MatchDigits(name, at, 8) && MatchFrom(parts, index + 1, name, at + 8, number, bound);
    case PART_TIME:
        return MatchDigits(name, at, 6) && MatchFrom(parts, index + 1, name, at + 6, number, bound);
    case PART_MS:
        return MatchDigits(name, at, 3) && MatchFrom(parts, index + 1, name, at + 3, number, bound);
    case PART_NUMBER:
        if (bound) {
            expected = Digits(*number, part.width);
            break;
        }
        // Only digits the pattern itself would write for their value count,
        // so "kavro1.bin" is not a number of "kavro{n:03}.bin".
        for (int length = 1; length <= MAX_NUMBER_DIGITS && IsDigit(name[at + length - 1]);
             ++length) {
            *number = *number * 10 + (name[at + length - 1] - '0');
            if (Digits(*number, part.width) == std::string(name + at, length)
                && MatchFrom(parts, index + 1, name, at + length, number, 1))
                return 1;
            // MatchFrom leaves *number as it was when bound.
        }
        *number = 0;
        return 0;
    }
    if (!SameNoCase(name + at, expected.c_str(), expected.size()))
        return 0;
    return MatchFrom(parts, index + 1, name, at + expected.size(), number, bound);
}

}  // namespace

NameResult CheckFileName(const std::string &name, std::string *problem)
{
    if (name.empty()) {
        *problem = "OUTPUT names a folder, not a file";
        return NAME_REFUSED;
    }
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || strchr(FORBIDDEN_IN_NAME, c) != NULL) {
            *problem = "a file name cannot hold the character ";
            if (static_cast<unsigned char>(c) < 0x20)
                *problem += "with code " + std::to_string(static_cast<int>(c));
            else
                *problem += std::string("'") + c + "'";
            return NAME_REFUSED;
        }
    }
    if (name.back() == '.' || name.back() == ' ') {
        *problem = "a file name cannot end in a dot or a space: " + name;
        return NAME_REFUSED;
    }
    // Windows opens the device whatever the extension: "nul.txt" is NUL.
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    for (const char *reserved : RESERVED_NAMES) {
        if (EqualNoCase(stem.c_str(), reserved)) {
            *problem = name + " is a reserved device name";
            return NAME_REFUSED;
        }
    }
    return NAME_ACCEPTED;
}

NameResult ParseNamePattern(const char *text, NamePattern *pattern, std::string *problem)
{
    pattern->folder.clear();
    pattern->name.clear();
    pattern->has_number = 0;
    pattern->has_time = 0;
    pattern->has_ms = 0;
    pattern->has_clock = 0;
    size_t end = strlen(text);
    size_t name_begin = 0;
    for (size_t i = 0; i < end; ++i)
        if (text[i] == '\\' || text[i] == '/')
            name_begin = i + 1;
    // "C:kavro.bin": a folder on drive C:, not a colon in the name.
    if (name_begin == 0 && end >= 2 && text[1] == ':' && IsLetter(text[0]))
        name_begin = 2;

    std::vector<PatternPart> folder;
    if (ReadParts(text, 0, name_begin, 0, &folder, problem) != 0)
        return NAME_REFUSED;
    if (!folder.empty())
        pattern->folder = folder[0].text;
    if (ReadParts(text, name_begin, end, 1, &pattern->name, problem) != 0)
        return NAME_REFUSED;

    for (const PatternPart &part : pattern->name) {
        if (part.kind == PART_NUMBER)
            pattern->has_number = 1;
        if (part.kind == PART_TIME)
            pattern->has_time = 1;
        if (part.kind == PART_MS)
            pattern->has_ms = 1;
        if (part.kind == PART_DATE || part.kind == PART_TIME || part.kind == PART_MS)
            pattern->has_clock = 1;
    }
    // Placeholders give digits only; a sample name shows what the text makes.
    // (A name that is reserved only for some numbers, COM{n} as COM1, fails
    // that frame when it is saved.)
    NamePattern name_only = *pattern;
    name_only.folder.clear();
    FrameTime midnight = {2000, 1, 1, 0, 0, 0, 0};
    return CheckFileName(FormatOutputName(name_only, 10, midnight), problem);
}

std::string FormatOutputName(const NamePattern &pattern, int64_t number, const FrameTime &time)
{
    std::string name = pattern.folder;
    char digits[16];
    for (const PatternPart &part : pattern.name) {
        switch (part.kind) {
        case PART_TEXT:
            name += part.text;
            break;
        case PART_NUMBER:
            name += Digits(number, part.width);
            break;
        case PART_DATE:
            snprintf(digits, sizeof digits, "%04d%02d%02d", time.year, time.month, time.day);
            name += digits;
            break;
        case PART_TIME:
            snprintf(digits, sizeof digits, "%02d%02d%02d", time.hour, time.minute, time.second);
            name += digits;
            break;
        case PART_MS:
            snprintf(digits, sizeof digits, "%03d", time.milliseconds);
            name += digits;
            break;
        }
    }
    return name;
}

bool MatchOutputName(const NamePattern &pattern, const char *name, int64_t *number)
{
    *number = 0;
    return MatchFrom(pattern.name, 0, name, 0, number, 0) != 0;
}

int64_t NumberAfterExisting(const NamePattern &pattern, const std::vector<std::string> &names)
{
    int64_t highest = 0;
    for (const std::string &name : names) {
        int64_t number = 0;
        if (MatchOutputName(pattern, name.c_str(), &number) && number > highest)
            highest = number;
    }
    return highest + 1;
}
