// The exact bytes of every answer but the stream's parts: short, correct
// HTTP/1.1, each closing its connection. Platform-free.
#ifndef PUKAVRO_KAVROSERVE_ANSWERS_H
#define PUKAVRO_KAVROSERVE_ANSWERS_H

#include <stddef.h>
#include <stdint.h>

#include <string>

// A refusal of status (400, 401, 404, 405, 408, 413, 421, 429, 431, 503,
// 505; any other is answered as 500): status line, Content-Type text/plain,
// Content-Length, Cache-Control: no-store, what the status needs (Allow:
// GET, HEAD for 405, WWW-Authenticate: Basic realm="kavroserve" for 401,
// Retry-After for 429 and 503), Connection: close, then a one-line text
// body unless head (whose Content-Length is still the body's).
std::string RefusalAnswer(int status, bool head);

// The head of a 200 answer with a body of length bytes of content_type,
// never cached; extra holds whole header lines ("X-Sequence: 4\r\n"), and
// may be empty.
std::string OkHead(const char *content_type, size_t length, const std::string &extra);

// "X-Timestamp"'s value: seconds since 1970 with six decimals.
std::string TimestampText(int64_t wall_us);

#endif
