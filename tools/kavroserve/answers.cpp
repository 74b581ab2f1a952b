// Every refusal's status line, its one extra header and its English line.
#include "answers.h"

namespace {

struct Refusal {
    int status;
    const char *reason;
    const char *extra;  // whole header lines, or ""
    const char *text;
};

const Refusal REFUSALS[] = {
    {400, "Bad Request", "", "bad request\n"},
    {401, "Unauthorized", "WWW-Authenticate: Basic realm=\"kavroserve\"\r\n",
     "a token is required\n"},
    {404, "Not Found", "", "no such page\n"},
    {405, "Method Not Allowed", "Allow: GET, HEAD\r\n", "only GET and HEAD are served\n"},
    {408, "Request Timeout", "", "the request did not come in time\n"},
    {413, "Content Too Large", "", "requests take no body here\n"},
    {421, "Misdirected Request", "",
     "without a token, ask for 127.0.0.1, localhost or [::1] with the port\n"},
    {429, "Too Many Requests", "Retry-After: 60\r\n", "too many wrong tokens; try again later\n"},
    {431, "Request Header Fields Too Large", "", "the request's head is too large\n"},
    {503, "Service Unavailable", "Retry-After: 1\r\n", "not available now; try again\n"},
    {505, "HTTP Version Not Supported", "", "only HTTP/1.0 and HTTP/1.1 are served\n"},
};

// Anything else is this server's own fault.
const Refusal INTERNAL = {500, "Internal Server Error", "", "internal error\n"};

}  // namespace

std::string RefusalAnswer(int status, bool head)
{
    const Refusal *refusal = &INTERNAL;
    for (size_t i = 0; i < sizeof REFUSALS / sizeof REFUSALS[0]; ++i)
        if (REFUSALS[i].status == status)
            refusal = &REFUSALS[i];
    std::string text = refusal->text;
    std::string answer = "HTTP/1.1 " + std::to_string(refusal->status) + " " + refusal->reason
                         + "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: "
                         + std::to_string(text.size()) + "\r\nCache-Control: no-store\r\n"
                         + refusal->extra + "Connection: close\r\n\r\n";
    if (!head)
        answer += text;
    return answer;
}

std::string OkHead(const char *content_type, size_t length, const std::string &extra)
{
    return std::string("HTTP/1.1 200 OK\r\nContent-Type: ") + content_type
           + "\r\nContent-Length: " + std::to_string(length)
           + "\r\nCache-Control: no-store, no-cache, must-revalidate, max-age=0\r\n"
             "Pragma: no-cache\r\n"
           + extra + "Connection: close\r\n\r\n";
}

std::string TimestampText(int64_t wall_us)
{
    // Written out by hand: the same digits from every C library.
    bool negative = wall_us < 0;
    uint64_t magnitude =
        negative ? 0 - static_cast<uint64_t>(wall_us) : static_cast<uint64_t>(wall_us);
    std::string fraction = std::to_string(magnitude % 1000000);
    return (negative ? "-" : "") + std::to_string(magnitude / 1000000) + "."
           + std::string(6 - fraction.size(), '0') + fraction;
}
