#include "json_text.h"

#include <stdio.h>

namespace {

// The length of the UTF-8 character that starts at text[at], 0 when none
// does (a stray continuation byte, an overlong or cut-off sequence, a
// surrogate, or past U+10FFFF).
size_t CharacterLength(const std::string &text, size_t at)
{
    unsigned char lead = static_cast<unsigned char>(text[at]);
    size_t length = lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    for (size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
            return 0;
    unsigned char second = static_cast<unsigned char>(text[at + 1]);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0)
        || (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

}  // namespace

std::string JsonText(const std::string &text)
{
    std::string json = "\"";
    for (size_t at = 0; at < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[at]);
        if (c >= 0x80) {
            size_t length = CharacterLength(text, at);
            json += length > 0 ? text.substr(at, length) : "\xEF\xBF\xBD";
            at += length > 0 ? length : 1;
            continue;
        }
        ++at;
        if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c == '\n') {
            json += "\\n";
        } else if (c == '\r') {
            json += "\\r";
        } else if (c == '\t') {
            json += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            char escape[8];
            snprintf(escape, sizeof escape, "\\u%04x", c);
            json += escape;
        } else {
            json += static_cast<char>(c);
        }
    }
    return json + "\"";
}
