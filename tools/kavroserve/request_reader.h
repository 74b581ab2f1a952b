// Reading one HTTP/1.x request head from the bytes a client has sent so
// far: GET-only server, so nothing but what it needs is parsed (the method,
// the target in origin or absolute form, the version, Host, Authorization,
// and whatever announces a body). Platform-free; the fuzz target's subject.
#ifndef PUKAVRO_KAVROSERVE_REQUEST_READER_H
#define PUKAVRO_KAVROSERVE_REQUEST_READER_H

#include <stddef.h>

#include <string>
#include <utility>
#include <vector>

enum RequestRead {
    REQUEST_INCOMPLETE,        // no blank line yet, within the limits: read on
    REQUEST_READ,              // a whole head, *request filled
    REQUEST_MALFORMED,         // 400: a broken line, a bad escape, a NUL, HTTP/0.9
    REQUEST_TOO_LARGE,         // 431: the head beyond max_bytes
    REQUEST_TOO_MANY_HEADERS,  // 431: more than max_headers header lines
    REQUEST_BAD_VERSION,       // 505: not HTTP/1.0 or HTTP/1.1
    REQUEST_WITH_BODY,         // 413: Content-Length above 0 or any Transfer-Encoding
};

enum RequestMethod { METHOD_GET, METHOD_HEAD, METHOD_OTHER };

struct RequestLimits {
    size_t max_bytes = 8192;  // request line and headers, CRLFs and the blank line
    size_t max_headers = 64;
};

struct HttpRequest {
    RequestMethod method = METHOD_OTHER;
    std::string path;  // percent-decoded, "/" at least
    // In their order, names and values percent-decoded ('+' is a space).
    std::vector<std::pair<std::string, std::string>> query;
    int minor_version = 1;  // HTTP/1.x
    bool has_host = false;
    std::string host;           // the Host header's value, as sent
    std::string authorization;  // the Authorization header's value, as sent
    size_t head_bytes = 0;      // the bytes of this head: a pipelined request follows
};

// Reads the head at the start of bytes[0, size). REQUEST_INCOMPLETE only
// while size is within limits.max_bytes; any other outcome but REQUEST_READ
// is final for the connection.
RequestRead ReadRequest(const char *bytes, size_t size, const RequestLimits &limits,
                        HttpRequest *request);

// 0 to 15 for a hexadecimal digit of either case, -1 for anything else.
int HexValue(char c);

// The value of the first query parameter named name, or NULL.
const std::string *QueryValue(const HttpRequest &request, const char *name);

#endif
