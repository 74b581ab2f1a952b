// What a token file holds: one line, a secret of at least 128 bits, in
// hex or base64url so it fits a URL and a header as it is. Platform-free.
#ifndef PUKAVRO_KAVROSERVE_TOKEN_TEXT_H
#define PUKAVRO_KAVROSERVE_TOKEN_TEXT_H

#include <stddef.h>
#include <stdint.h>

#include <string>

// 128 bits: 32 hex digits, or 22 base64url characters.
enum { TOKEN_MIN_HEX = 32, TOKEN_MIN_BASE64URL = 22 };

// The token on text's first line (spaces and a CR around it ignored); false
// with the reason in problem when it is too short or holds other characters.
bool TokenFromText(const std::string &text, std::string *token, std::string *problem);

// bytes as lower-case hex digits, for a new token file.
std::string TokenHex(const uint8_t *bytes, size_t size);

#endif
