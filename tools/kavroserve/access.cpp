// The Host check, the token's three forms and the table that slows wrong
// tokens down.
#include "access.h"

#include <string.h>

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameNoCase(const std::string &text, const char *name)
{
    size_t length = strlen(name);
    if (text.size() != length)
        return false;
    for (size_t i = 0; i < length; ++i)
        if (Lower(text[i]) != Lower(name[i]))
            return false;
    return true;
}

int Base64Value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

// Standard base64 with its padding optional; false for anything else.
bool DecodeBase64(const std::string &text, std::string *out)
{
    size_t length = text.size();
    while (length > 0 && text[length - 1] == '=' && text.size() - length < 2)
        --length;
    if (length % 4 == 1)
        return false;
    out->clear();
    unsigned bits = 0;
    int count = 0;
    for (size_t i = 0; i < length; ++i) {
        int value = Base64Value(text[i]);
        if (value < 0)
            return false;
        bits = (bits << 6) | static_cast<unsigned>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out->push_back(static_cast<char>((bits >> count) & 0xFF));
        }
    }
    return true;
}

// The token an Authorization value carries, if it names a scheme that
// carries one: Bearer's whole credentials, Basic's password.
bool TokenOfAuthorization(const std::string &value, std::string *token)
{
    size_t space = value.find(' ');
    if (space == std::string::npos)
        return false;
    std::string scheme = value.substr(0, space);
    size_t start = value.find_first_not_of(' ', space);
    std::string credentials = start == std::string::npos ? "" : value.substr(start);
    if (SameNoCase(scheme, "Bearer")) {
        *token = credentials;
        return true;
    }
    if (!SameNoCase(scheme, "Basic"))
        return false;
    std::string pair;
    size_t colon;
    if (!DecodeBase64(credentials, &pair) || (colon = pair.find(':')) == std::string::npos)
        token->clear();  // there, but not one that can be right
    else
        *token = pair.substr(colon + 1);
    return true;
}

bool SameKey(const ClientKey &a, const ClientKey &b)
{
    return a.ipv6 == b.ipv6 && memcmp(a.bytes, b.bytes, sizeof a.bytes) == 0;
}

const WrongTokenEntry *FindEntry(const WrongTokenTable &table, const ClientKey &key)
{
    for (size_t i = 0; i < table.entries.size(); ++i)
        if (SameKey(table.entries[i].key, key))
            return &table.entries[i];
    return NULL;
}

}  // namespace

bool LoopbackHost(const std::string &host, uint16_t port)
{
    size_t colon = host.rfind(':');
    std::string name;
    if (colon != std::string::npos && host.back() != ']') {
        name = host.substr(0, colon);
        if (host.compare(colon + 1, std::string::npos, std::to_string(port)) != 0)
            return false;
    } else if (port == 80) {
        name = host;  // browsers leave out the default port
    } else {
        return false;
    }
    return name == "127.0.0.1" || name == "[::1]" || SameNoCase(name, "localhost");
}

bool SameSecret(const std::string &a, const std::string &b)
{
    size_t length = a.size() > b.size() ? a.size() : b.size();
    unsigned difference = a.size() == b.size() ? 0 : 1;
    for (size_t i = 0; i < length; ++i) {
        unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
        unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
        difference |= static_cast<unsigned>(x ^ y);
    }
    return difference == 0;
}

TokenFound FindToken(const HttpRequest &request, const std::string &token)
{
    bool present = false, right = false;
    std::string carried;
    if (TokenOfAuthorization(request.authorization, &carried)) {
        present = true;
        right |= SameSecret(carried, token);
    }
    for (size_t i = 0; i < request.query.size(); ++i) {
        if (request.query[i].first == "token") {
            present = true;
            right |= SameSecret(request.query[i].second, token);
        }
    }
    if (!present)
        return TOKEN_ABSENT;
    // No token set is never matched, not even by an empty one.
    return right && !token.empty() ? TOKEN_RIGHT : TOKEN_WRONG;
}

ClientKey KeyOfIpv4(const uint8_t address[4])
{
    ClientKey key;
    memset(&key, 0, sizeof key);
    memcpy(key.bytes, address, 4);
    key.ipv6 = false;
    return key;
}

ClientKey KeyOfIpv6(const uint8_t address[16])
{
    // An IPv4 client on a dual-stack socket (::ffff:a.b.c.d) is keyed as
    // itself, not with every other such client in one /64.
    static const uint8_t mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    if (memcmp(address, mapped, sizeof mapped) == 0)
        return KeyOfIpv4(address + 12);
    ClientKey key;
    memset(&key, 0, sizeof key);
    memcpy(key.bytes, address, 8);
    key.ipv6 = true;
    return key;
}

bool TooManyWrongTokens(const WrongTokenTable &table, const ClientKey &key, int64_t now_us)
{
    const WrongTokenEntry *entry = FindEntry(table, key);
    return entry && now_us - entry->last_us < table.limits.window_us
           && entry->wrong >= table.limits.free_tries;
}

void NoteWrongToken(WrongTokenTable *table, const ClientKey &key, int64_t now_us)
{
    WrongTokenEntry *entry = const_cast<WrongTokenEntry *>(FindEntry(*table, key));
    if (entry) {
        // The count starts again once the window has passed in quiet.
        if (now_us - entry->last_us >= table->limits.window_us)
            entry->wrong = 0;
        if (entry->wrong < 1000000)
            ++entry->wrong;
        entry->last_us = now_us;
        return;
    }
    if (table->limits.table_size == 0)
        return;
    WrongTokenEntry fresh = {key, 1, now_us};
    if (table->entries.size() < table->limits.table_size) {
        table->entries.push_back(fresh);
        return;
    }
    size_t oldest = 0;
    for (size_t i = 1; i < table->entries.size(); ++i)
        if (table->entries[i].last_us < table->entries[oldest].last_us)
            oldest = i;
    table->entries[oldest] = fresh;
}
