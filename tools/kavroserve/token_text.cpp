#include "token_text.h"

namespace {

bool IsHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsBase64Url(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-'
           || c == '_';
}

}  // namespace

bool TokenFromText(const std::string &text, std::string *token, std::string *problem)
{
    std::string line = text.substr(0, text.find('\n'));
    size_t first = line.find_first_not_of(" \t\r");
    size_t last = line.find_last_not_of(" \t\r");
    line = first == std::string::npos ? "" : line.substr(first, last - first + 1);
    bool hex = true;
    for (char c : line) {
        if (!IsBase64Url(c)) {
            *problem = "holds characters other than hex digits or base64url (A-Z a-z 0-9 - _)";
            return false;
        }
        hex = hex && IsHex(c);
    }
    // 4 bits a hex digit, 6 a base64url character.
    if (line.size() < (hex ? (size_t)TOKEN_MIN_HEX : (size_t)TOKEN_MIN_BASE64URL)) {
        *problem = "holds a token shorter than 128 bits (at least 32 hex digits or 22"
                   " base64url characters)";
        return false;
    }
    *token = line;
    return true;
}

std::string TokenHex(const uint8_t *bytes, size_t size)
{
    static const char DIGITS[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < size; i++) {
        text += DIGITS[bytes[i] >> 4];
        text += DIGITS[bytes[i] & 15];
    }
    return text;
}
