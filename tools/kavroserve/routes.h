// What a request read whole gets: the endpoint it names, or the refusal
// it has earned, decided in one place for every client. Platform-free.
#ifndef PUKAVRO_KAVROSERVE_ROUTES_H
#define PUKAVRO_KAVROSERVE_ROUTES_H

#include <stdint.h>

#include <string>

#include "access.h"
#include "request_reader.h"

enum Endpoint {
    ENDPOINT_PAGE,      // "/", and "/?action=" anything else
    ENDPOINT_STREAM,    // "/stream", "/stream.mjpg", "/?action=stream"
    ENDPOINT_SNAPSHOT,  // "/snapshot", "/snapshot.jpg", "/?action=snapshot"
    ENDPOINT_RAW,       // "/raw"
    ENDPOINT_STATUS,    // "/status", "/state"
    ENDPOINT_NONE,      // no such path: 404
};

// The endpoint of a path and its query; unknown parameters are ignored.
Endpoint RouteTarget(const HttpRequest &request);

struct AccessPolicy {
    bool token_required = false;  // a token is set (always, beyond loopback)
    std::string token;
    uint16_t port = 8080;  // what Host must name without a token
};

struct Decision {
    // 200 for an endpoint to serve; otherwise the refusal's status: 400
    // (no Host), 401, 404, 405, 421, 429, and those of RequestRead.
    int status;
    Endpoint endpoint;  // meaningful with 200
    bool head;          // HEAD: the headers alone, no frame taken
};

// The decision on a request read whole, from client key at now_us; a
// wrong token is counted in wrong (which may be NULL: no limit).
Decision DecideRequest(const HttpRequest &request, const AccessPolicy &policy, const ClientKey &key,
                       int64_t now_us, WrongTokenTable *wrong);

// The status a failed read is answered with (400, 413, 431 or 505; 408
// for a head still incomplete when its time is up).
int StatusOfRead(RequestRead read);

#endif
