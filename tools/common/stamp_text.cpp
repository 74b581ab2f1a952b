#include "stamp_text.h"

#include <stdio.h>
#include <string.h>

#include "stamp_font.h"

namespace {

const struct {
    char letter;
    StampPartKind kind;
} CONVERSIONS[] = {
    {'Y', STAMP_YEAR},   {'m', STAMP_MONTH},  {'d', STAMP_DAY},     {'H', STAMP_HOUR},
    {'M', STAMP_MINUTE}, {'S', STAMP_SECOND}, {'j', STAMP_YEARDAY},
};

const struct {
    const char *name;
    StampPartKind kind;
} PLACEHOLDERS[] = {
    {"{n}", STAMP_NUMBER},
    {"{ms}", STAMP_MS},
    {"{camera}", STAMP_CAMERA},
};

const char TAKEN[] = "%Y %m %d %H %M %S %j %%, {n}, {ms}, {camera}";

StampFormatResult Refuse(std::string *problem, const std::string &text)
{
    *problem = text;
    return STAMP_FORMAT_REFUSED;
}

void AddLiteral(StampFormat *format, char c)
{
    if (format->empty() || format->back().kind != STAMP_LITERAL)
        format->push_back({STAMP_LITERAL, std::string()});
    format->back().text += c;
}

// The whole UTF-8 character that starts at text[at], for a message.
std::string CharacterAt(const std::string &text, size_t at)
{
    size_t end = at + 1;
    while (end < text.size() && ((unsigned char)text[end] & 0xC0) == 0x80)
        ++end;
    return text.substr(at, end - at);
}

int Digits(int64_t number)
{
    int digits = 1;
    for (; number >= 10; number /= 10)
        ++digits;
    return digits;
}

}  // namespace

StampFormatResult ParseStampFormat(const std::string &text, StampFormat *format,
                                   std::string *problem)
{
    format->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%') {
            if (i + 1 == text.size())
                return Refuse(problem, "--stamp ends in a lone %: write %% for a percent sign");
            char letter = text[++i];
            if (letter == '%') {
                AddLiteral(format, '%');
                continue;
            }
            bool found = false;
            for (const auto &conversion : CONVERSIONS)
                if (conversion.letter == letter) {
                    format->push_back({conversion.kind, std::string()});
                    found = true;
                }
            if (!found)
                return Refuse(problem, "--stamp does not take %" + CharacterAt(text, i)
                                           + " (names of days and months have no glyphs): it takes "
                                           + TAKEN);
            continue;
        }
        if (c == '{' || c == '}') {
            if (i + 1 < text.size() && text[i + 1] == c) {
                AddLiteral(format, c);
                ++i;
                continue;
            }
            bool found = false;
            for (const auto &placeholder : PLACEHOLDERS) {
                size_t length = strlen(placeholder.name);
                if (text.compare(i, length, placeholder.name) == 0) {
                    format->push_back({placeholder.kind, std::string()});
                    i += length - 1;
                    found = true;
                    break;
                }
            }
            if (!found) {
                size_t close = text.find('}', i);
                std::string what = c == '{' && close != std::string::npos
                                       ? text.substr(i, close - i + 1)
                                       : std::string(1, c);
                return Refuse(problem, "--stamp does not take " + what + ": it takes " + TAKEN
                                           + ", and {{ and }} for braces");
            }
            continue;
        }
        if (!HasGlyph(c))
            return Refuse(problem, "--stamp: '" + CharacterAt(text, i)
                                       + "' has no glyph: the stamp draws printable ASCII, "
                                         "space to ~");
        AddLiteral(format, c);
    }
    return STAMP_FORMAT_READ;
}

std::string StampText(const StampFormat &format, const StampFacts &facts)
{
    const CaptureMoment &m = facts.moment;
    std::string text;
    for (const StampPart &part : format) {
        char piece[32] = "";
        switch (part.kind) {
        case STAMP_LITERAL:
            text += part.text;
            continue;
        case STAMP_CAMERA:
            text += facts.camera;
            continue;
        case STAMP_YEAR:
            snprintf(piece, sizeof piece, "%04d", m.year);
            break;
        case STAMP_MONTH:
            snprintf(piece, sizeof piece, "%02d", m.month);
            break;
        case STAMP_DAY:
            snprintf(piece, sizeof piece, "%02d", m.day);
            break;
        case STAMP_HOUR:
            snprintf(piece, sizeof piece, "%02d", m.hour);
            break;
        case STAMP_MINUTE:
            snprintf(piece, sizeof piece, "%02d", m.minute);
            break;
        case STAMP_SECOND:
            snprintf(piece, sizeof piece, "%02d", m.second);
            break;
        case STAMP_YEARDAY:
            snprintf(piece, sizeof piece, "%03d", DayOfYear(m));
            break;
        case STAMP_MS:
            snprintf(piece, sizeof piece, "%03d", m.milliseconds);
            break;
        case STAMP_NUMBER:
            snprintf(piece, sizeof piece, "%lld", (long long)facts.number);
            break;
        }
        text += piece;
    }
    return text;
}

int LongestStamp(const StampFormat &format, int64_t highest_number, const std::string &camera)
{
    int longest = 0;
    for (const StampPart &part : format) {
        switch (part.kind) {
        case STAMP_LITERAL:
            longest += (int)part.text.size();
            break;
        case STAMP_CAMERA:
            longest += (int)camera.size();
            break;
        case STAMP_YEAR:
            longest += 4;
            break;
        case STAMP_YEARDAY:
        case STAMP_MS:
            longest += 3;
            break;
        case STAMP_NUMBER:
            longest += Digits(highest_number);
            break;
        default:
            longest += 2;
            break;
        }
    }
    return longest;
}
