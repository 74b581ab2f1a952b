// Text as a JSON string, for every line of ours a program reads as JSON
// (kavrocap's --list --json and --events, kavroserve's status). Platform-free.
#ifndef PUKAVRO_JSON_TEXT_H
#define PUKAVRO_JSON_TEXT_H

#include <string>

// text (UTF-8) as a JSON string, quotes included: quotes, backslashes and
// control characters escaped, other characters as their UTF-8 bytes; a byte
// that is no part of a UTF-8 character becomes U+FFFD, so the line stays
// valid JSON whatever a name holds.
std::string JsonText(const std::string &text);

#endif
