// Routing and the order of the checks: who may ask comes before what is
// asked, so a stranger learns nothing of the paths.
#include "routes.h"

Endpoint RouteTarget(const HttpRequest &request)
{
    const std::string &path = request.path;
    if (path == "/") {
        // mjpg-streamer's addresses, which OctoPrint and others are set up with.
        const std::string *action = QueryValue(request, "action");
        if (action && *action == "stream")
            return ENDPOINT_STREAM;
        if (action && *action == "snapshot")
            return ENDPOINT_SNAPSHOT;
        return ENDPOINT_PAGE;
    }
    if (path == "/stream" || path == "/stream.mjpg")
        return ENDPOINT_STREAM;
    if (path == "/snapshot" || path == "/snapshot.jpg")
        return ENDPOINT_SNAPSHOT;
    if (path == "/raw")
        return ENDPOINT_RAW;
    if (path == "/status" || path == "/state")
        return ENDPOINT_STATUS;
    return ENDPOINT_NONE;
}

Decision DecideRequest(const HttpRequest &request, const AccessPolicy &policy, const ClientKey &key,
                       int64_t now_us, WrongTokenTable *wrong)
{
    Decision decision = {200, ENDPOINT_NONE, request.method == METHOD_HEAD};
    if (!policy.token_required) {
        if (!request.has_host) {
            decision.status = 400;
            return decision;
        }
        if (!LoopbackHost(request.host, policy.port)) {
            decision.status = 421;
            return decision;
        }
    } else {
        TokenFound found = FindToken(request, policy.token);
        if (found == TOKEN_ABSENT) {
            decision.status = 401;
            return decision;
        }
        if (found == TOKEN_WRONG) {
            decision.status = wrong && TooManyWrongTokens(*wrong, key, now_us) ? 429 : 401;
            if (wrong)
                NoteWrongToken(wrong, key, now_us);
            return decision;
        }
    }
    if (request.method == METHOD_OTHER) {
        decision.status = 405;
        return decision;
    }
    decision.endpoint = RouteTarget(request);
    if (decision.endpoint == ENDPOINT_NONE)
        decision.status = 404;
    return decision;
}

int StatusOfRead(RequestRead read)
{
    switch (read) {
    case REQUEST_READ:
        return 200;
    case REQUEST_INCOMPLETE:
        return 408;
    case REQUEST_TOO_LARGE:
    case REQUEST_TOO_MANY_HEADERS:
        return 431;
    case REQUEST_BAD_VERSION:
        return 505;
    case REQUEST_WITH_BODY:
        return 413;
    case REQUEST_MALFORMED:
        break;
    }
    return 400;
}
