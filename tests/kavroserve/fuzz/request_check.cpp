// What must hold of any bytes: a read head lies within the bytes and the
// limit, its every shorter start reads as incomplete, it reads the same
// alone, its path is a decoded path; a decision is one of the statuses the
// answers know, a 200 names an endpoint and without a token a loopback
// Host; every answer's Content-Length is its body's.
#include "request_check.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "answers.h"
#include "routes.h"

namespace {

void Require(bool holds, const char *what)
{
    if (!holds) {
        fprintf(stderr, "request_check: %s\n", what);
        abort();
    }
}

void CheckAnswer(int status, bool head)
{
    std::string answer = RefusalAnswer(status, head);
    Require(answer.compare(0, 13, "HTTP/1.1 " + std::to_string(status) + " ") == 0,
            "the answer's status line names another status");
    size_t body = answer.find("\r\n\r\n") + 4;
    std::string length = "Content-Length: " + std::to_string(head ? 0 : answer.size() - body);
    Require(head || answer.find(length + "\r\n") != std::string::npos,
            "Content-Length is not the body's");
}

void CheckDecision(const HttpRequest &request, const AccessPolicy &policy)
{
    uint8_t address[4] = {127, 0, 0, 1};
    WrongTokenTable wrong;
    wrong.limits.free_tries = 1;
    for (int64_t now = 0; now < 3; ++now) {
        Decision decision = DecideRequest(request, policy, KeyOfIpv4(address), now, &wrong);
        int s = decision.status;
        Require(s == 200 || s == 400 || s == 401 || s == 404 || s == 405 || s == 421 || s == 429,
                "a decision of an unknown status");
        Require((s == 200) == (decision.endpoint != ENDPOINT_NONE), "an endpoint with a refusal");
        Require(decision.head == (request.method == METHOD_HEAD), "HEAD not noted");
        Require(s != 200 || policy.token_required || LoopbackHost(request.host, policy.port),
                "served without a token to a Host beyond loopback");
        Require(s != 429 || now > 0, "429 before any wrong token");
        if (s != 200)
            CheckAnswer(s, decision.head);
    }
}

void CheckRead(const char *bytes, size_t size, const RequestLimits &limits)
{
    HttpRequest request;
    RequestRead read = ReadRequest(bytes, size, limits, &request);
    if (read == REQUEST_INCOMPLETE)
        Require(size < limits.max_bytes, "incomplete beyond the limit");
    if (read != REQUEST_READ) {
        CheckAnswer(StatusOfRead(read), false);
        return;
    }
    Require(request.head_bytes > 0 && request.head_bytes <= size
                && request.head_bytes <= limits.max_bytes,
            "the head ends outside the bytes or the limit");
    Require(!request.path.empty() && request.path[0] == '/', "a path not starting with /");
    Require(request.path.find('\0') == std::string::npos, "a NUL in the path");
    for (size_t i = 0; i < request.query.size(); ++i)
        Require(request.query[i].first.find('\0') == std::string::npos
                    && request.query[i].second.find('\0') == std::string::npos,
                "a NUL in the query");

    HttpRequest alone;
    Require(ReadRequest(bytes, request.head_bytes, limits, &alone) == REQUEST_READ
                && alone.path == request.path && alone.host == request.host
                && alone.head_bytes == request.head_bytes,
            "the head reads otherwise alone");
    size_t cuts[] = {request.head_bytes - 1, request.head_bytes / 2, 1};
    for (size_t cut : cuts)
        Require(ReadRequest(bytes, cut, limits, &alone) == REQUEST_INCOMPLETE,
                "a start of a good head is not incomplete");

    CheckDecision(request, AccessPolicy{false, "", 8080});
    CheckDecision(request, AccessPolicy{true, "0123456789abcdef0123456789abcdef", 8080});
}

}  // namespace

void CheckRequestBytes(const uint8_t *data, size_t size)
{
    const char *bytes = reinterpret_cast<const char *>(data);
    CheckRead(bytes, size, RequestLimits());
    RequestLimits tight;
    tight.max_bytes = 64;
    tight.max_headers = 2;
    CheckRead(bytes, size, tight);
}
