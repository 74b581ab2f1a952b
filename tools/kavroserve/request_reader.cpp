// Reads a request head line by line as the bytes come: the request line is
// judged as soon as it is whole (an HTTP/0.9 client sends nothing more),
// the headers as they end, and whatever announces a body once the head is
// whole, so a broken head is 400 rather than 413.
#include "request_reader.h"

#include <string.h>

namespace {

// RFC 9110's tchar: what a method and a header name are made of.
bool TokenChar(unsigned char c)
{
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
        return true;
    return c != 0 && strchr("!#$%&'*+-.^_`|~", c) != NULL;
}

bool TokenOf(const char *text, size_t length)
{
    if (length == 0)
        return false;
    for (size_t i = 0; i < length; ++i)
        if (!TokenChar(static_cast<unsigned char>(text[i])))
            return false;
    return true;
}

bool SameNoCase(const char *text, size_t length, const char *name)
{
    size_t name_length = strlen(name);
    if (length != name_length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        char a = text[i], b = name[i];
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = static_cast<char>(b - 'A' + 'a');
        if (a != b)
            return false;
    }
    return true;
}

// Percent-decodes text[0, length) onto *out; false for a cut or non-hex
// escape and for %00, which nothing here has a use for but to mislead.
bool Decode(const char *text, size_t length, bool plus_is_space, std::string *out)
{
    out->clear();
    for (size_t i = 0; i < length; ++i) {
        char c = text[i];
        if (c == '%') {
            if (i + 2 >= length)
                return false;
            int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
            if (high < 0 || low < 0 || (high == 0 && low == 0))
                return false;
            out->push_back(static_cast<char>(high * 16 + low));
            i += 2;
        } else {
            out->push_back(plus_is_space && c == '+' ? ' ' : c);
        }
    }
    return true;
}

bool DecodeQuery(const char *text, size_t length, HttpRequest *request)
{
    size_t start = 0;
    while (start <= length) {
        const char *end = static_cast<const char *>(memchr(text + start, '&', length - start));
        size_t stop = end ? static_cast<size_t>(end - text) : length;
        if (stop > start) {
            const char *equals = static_cast<const char *>(memchr(text + start, '=', stop - start));
            size_t name_end = equals ? static_cast<size_t>(equals - text) : stop;
            std::pair<std::string, std::string> parameter;
            if (!Decode(text + start, name_end - start, true, &parameter.first))
                return false;
            if (equals && !Decode(equals + 1, stop - name_end - 1, true, &parameter.second))
                return false;
            request->query.push_back(parameter);
        }
        start = stop + 1;
    }
    return true;
}

// The path and query of target[0, length), which starts with '/'.
bool ReadOrigin(const char *target, size_t length, HttpRequest *request)
{
    const char *question = static_cast<const char *>(memchr(target, '?', length));
    size_t path_length = question ? static_cast<size_t>(question - target) : length;
    if (!Decode(target, path_length, false, &request->path))
        return false;
    if (question && !DecodeQuery(question + 1, length - path_length - 1, request))
        return false;
    return true;
}

// "http://authority/path?query": the authority then names the server, as
// Host would.
bool ReadAbsolute(const char *target, size_t length, HttpRequest *request)
{
    const size_t scheme = 7;  // "http://"
    if (length < scheme || !SameNoCase(target, scheme, "http://"))
        return false;
    size_t end = scheme;
    while (end < length && target[end] != '/' && target[end] != '?')
        ++end;
    std::string authority(target + scheme, end - scheme);
    // A user name in the authority has no use here but to mislead a reader.
    if (authority.empty() || authority.find('@') != std::string::npos)
        return false;
    request->host = authority;
    if (end == length) {
        request->path = "/";
        return true;
    }
    if (target[end] == '?') {
        request->path = "/";
        return DecodeQuery(target + end + 1, length - end - 1, request);
    }
    return ReadOrigin(target + end, length - end, request);
}

// "METHOD SP target SP HTTP/1.x", each piece once, single spaces.
RequestRead ReadRequestLine(const char *line, size_t length, HttpRequest *request)
{
    const char *first = static_cast<const char *>(memchr(line, ' ', length));
    if (!first)
        return REQUEST_MALFORMED;
    size_t method_length = static_cast<size_t>(first - line);
    const char *target = first + 1;
    size_t rest = length - method_length - 1;
    const char *second = static_cast<const char *>(memchr(target, ' ', rest));
    if (!second)
        return REQUEST_MALFORMED;  // "GET /": HTTP/0.9
    size_t target_length = static_cast<size_t>(second - target);
    const char *version = second + 1;
    size_t version_length = rest - target_length - 1;
    if (!TokenOf(line, method_length) || target_length == 0)
        return REQUEST_MALFORMED;
    for (size_t i = 0; i < target_length; ++i) {
        unsigned char c = static_cast<unsigned char>(target[i]);
        if (c <= ' ' || c >= 0x7F || c == '#')
            return REQUEST_MALFORMED;
    }
    if (version_length != 8 || memcmp(version, "HTTP/", 5) != 0 || version[6] != '.'
        || version[5] < '0' || version[5] > '9' || version[7] < '0' || version[7] > '9')
        return REQUEST_MALFORMED;
    if (version[5] == '0')
        return REQUEST_MALFORMED;  // HTTP/0.x had no version in its line
    if (version[5] != '1' || version[7] > '1')
        return REQUEST_BAD_VERSION;
    request->minor_version = version[7] - '0';

    if (method_length == 3 && memcmp(line, "GET", 3) == 0)
        request->method = METHOD_GET;
    else if (method_length == 4 && memcmp(line, "HEAD", 4) == 0)
        request->method = METHOD_HEAD;
    else
        request->method = METHOD_OTHER;

    bool ok = target[0] == '/' ? ReadOrigin(target, target_length, request)
                               : ReadAbsolute(target, target_length, request);
    if (!ok)
        return REQUEST_MALFORMED;
    if (target[0] != '/')
        request->has_host = true;
    return REQUEST_READ;
}

struct HeadState {
    bool saw_host_header;
    bool saw_authorization;
    bool body;
};

// "name: value", the value's surrounding blanks dropped.
RequestRead ReadHeaderLine(const char *line, size_t length, HttpRequest *request, HeadState *state)
{
    const char *colon = static_cast<const char *>(memchr(line, ':', length));
    if (!colon)
        return REQUEST_MALFORMED;
    size_t name_length = static_cast<size_t>(colon - line);
    if (!TokenOf(line, name_length))
        return REQUEST_MALFORMED;  // also a blank before the colon
    size_t start = name_length + 1, end = length;
    while (start < end && (line[start] == ' ' || line[start] == '\t'))
        ++start;
    while (end > start && (line[end - 1] == ' ' || line[end - 1] == '\t'))
        --end;
    for (size_t i = start; i < end; ++i) {
        unsigned char c = static_cast<unsigned char>(line[i]);
        if ((c < ' ' && c != '\t') || c == 0x7F)
            return REQUEST_MALFORMED;
    }
    const char *value = line + start;
    size_t value_length = end - start;

    if (SameNoCase(line, name_length, "Host")) {
        if (state->saw_host_header)
            return REQUEST_MALFORMED;
        state->saw_host_header = true;
        // An absolute target's authority stands in for Host.
        if (!request->has_host) {
            request->has_host = true;
            request->host.assign(value, value_length);
        }
    } else if (SameNoCase(line, name_length, "Authorization")) {
        if (state->saw_authorization)
            return REQUEST_MALFORMED;
        state->saw_authorization = true;
        request->authorization.assign(value, value_length);
    } else if (SameNoCase(line, name_length, "Content-Length")) {
        if (value_length == 0)
            return REQUEST_MALFORMED;
        for (size_t i = 0; i < value_length; ++i) {
            if (value[i] < '0' || value[i] > '9')
                return REQUEST_MALFORMED;
            if (value[i] != '0')
                state->body = true;
        }
    } else if (SameNoCase(line, name_length, "Transfer-Encoding")) {
        state->body = true;
    }
    return REQUEST_READ;
}

}  // namespace

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

RequestRead ReadRequest(const char *bytes, size_t size, const RequestLimits &limits,
                        HttpRequest *request)
{
    *request = HttpRequest();
    HeadState state = {false, false, false};
    // Only what fits the limit is ever looked at.
    size_t seen = size < limits.max_bytes ? size : limits.max_bytes;
    size_t start = 0, headers = 0;
    bool first = true;
    while (start < seen) {
        const char *newline = static_cast<const char *>(memchr(bytes + start, '\n', seen - start));
        size_t end = newline ? static_cast<size_t>(newline - bytes) : seen;
        if (memchr(bytes + start, '\0', end - start))
            return REQUEST_MALFORMED;
        if (!newline)
            break;
        size_t length = end - start;
        if (length > 0 && bytes[end - 1] == '\r')
            --length;
        // A CR anywhere else in a line is no line end a reader agrees on.
        if (memchr(bytes + start, '\r', length))
            return REQUEST_MALFORMED;
        const char *line = bytes + start;
        start = end + 1;
        if (first) {
            first = false;
            RequestRead read = ReadRequestLine(line, length, request);
            if (read != REQUEST_READ)
                return read;
            continue;
        }
        if (length == 0) {
            request->head_bytes = start;
            return state.body ? REQUEST_WITH_BODY : REQUEST_READ;
        }
        if (line[0] == ' ' || line[0] == '\t')
            return REQUEST_MALFORMED;  // a folded line, long obsolete
        if (++headers > limits.max_headers)
            return REQUEST_TOO_MANY_HEADERS;
        RequestRead read = ReadHeaderLine(line, length, request, &state);
        if (read != REQUEST_READ)
            return read;
    }
    *request = HttpRequest();
    return size >= limits.max_bytes ? REQUEST_TOO_LARGE : REQUEST_INCOMPLETE;
}

const std::string *QueryValue(const HttpRequest &request, const char *name)
{
    for (size_t i = 0; i < request.query.size(); ++i)
        if (request.query[i].first == name)
            return &request.query[i].second;
    return NULL;
}
