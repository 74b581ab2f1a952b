// Who may read the camera: without a token only pages of this machine
// named as loopback (the Host check defeats DNS rebinding); with one, only
// a request that carries it. Wrong tokens are slowed per address; a right
// token is never refused. Platform-free.
#ifndef PUKAVRO_KAVROSERVE_ACCESS_H
#define PUKAVRO_KAVROSERVE_ACCESS_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "request_reader.h"

// The least token length in bytes of randomness: 128 bits.
enum { TOKEN_MIN_BYTES = 16 };

// Whether host is 127.0.0.1, localhost or [::1] with ":port" (the port is
// required but for 80, which browsers leave out; ASCII case is ignored in
// "localhost").
bool LoopbackHost(const std::string &host, uint16_t port);

enum TokenFound { TOKEN_ABSENT, TOKEN_RIGHT, TOKEN_WRONG };

// Looks for token as "Authorization: Bearer T", as HTTP Basic's password
// (any user name), or as "?token=T". Compared in constant time.
TokenFound FindToken(const HttpRequest &request, const std::string &token);

// Equal strings, in a time that depends on their lengths only.
bool SameSecret(const std::string &a, const std::string &b);

// A client's address as the rate limit keys it: IPv4 whole, IPv6 by its
// first 64 bits.
struct ClientKey {
    uint8_t bytes[8];
    bool ipv6;
};
ClientKey KeyOfIpv4(const uint8_t address[4]);
ClientKey KeyOfIpv6(const uint8_t address[16]);

struct WrongTokenLimits {
    int free_tries = 5;            // wrong tokens allowed before the wait
    int64_t window_us = 60000000;  // the count is forgotten after this long without one
    size_t table_size = 256;       // addresses remembered; the oldest goes first
};

struct WrongTokenEntry {
    ClientKey key;
    int wrong;
    int64_t last_us;
};

struct WrongTokenTable {
    WrongTokenLimits limits;
    std::vector<WrongTokenEntry> entries;
};

// Whether a request from key that carries a wrong token is answered 429
// with Retry-After (too many wrong ones lately) rather than 401. A request
// without a token is never counted: a browser asks first without one.
bool TooManyWrongTokens(const WrongTokenTable &table, const ClientKey &key, int64_t now_us);
// Counts one wrong token from key.
void NoteWrongToken(WrongTokenTable *table, const ClientKey &key, int64_t now_us);

#endif
